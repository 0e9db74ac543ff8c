// Long random chunk streams against a plain model of reply assembly: whatever the stream,
// the fill stays within a reply and only whole frames are ever decoded.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "console/protocol.h"

namespace console {
namespace {

using Bytes = std::vector<uint8_t>;

// The assembly as a growing list of bytes rather than a fill counter.
struct AssemblyModel {
    Bytes Pending;

    std::optional<Bytes> Chunk(const Bytes& chunk, size_t length) {
        if (chunk.empty()) return std::nullopt;
        if (Pending.size() + chunk.size() > length) Pending.clear();
        const size_t take = std::min(chunk.size(), length);
        Pending.insert(Pending.end(), chunk.begin(), chunk.begin() + static_cast<ptrdiff_t>(take));
        if (Pending.size() < length) return std::nullopt;
        Bytes whole;
        whole.swap(Pending);
        return whole;
    }
};

void RunStream(uint32_t seed, bool fiveByte) {
    std::mt19937 random(seed);
    const auto below = [&random](uint32_t n) { return static_cast<uint32_t>(random() % n); };

    std::vector<Bytes> writes;
    ControllerProtocol protocol([&writes](const uint8_t* data, uint16_t length) {
        writes.emplace_back(data, data + length);
        return true;
    });
    protocol.FiveByteReplies = fiveByte;
    protocol.ControllerNumber = 1;
    AssemblyModel model;
    int32_t decoded = 0;

    for (int step = 0; step < 20000; ++step) {
        const uint32_t action = below(20);
        if (action == 0) {
            protocol.SendSimple('D');
            model.Pending.clear();
            continue;
        }
        if (action == 1) {
            protocol.SendErrorByte();  // not a command: the assembly goes on
            continue;
        }
        if (action == 2) {
            protocol.ControllerNumber = static_cast<int32_t>(below(600)) - 50;
            continue;
        }
        // Mostly plausible frames cut at random, sometimes pure noise.
        const size_t length = below(41);
        Bytes chunk(length);
        for (size_t i = 0; i < length; ++i) {
            const uint32_t kind = below(4);
            chunk[i] = kind == 0   ? uint8_t(0xFF)
                       : kind == 1 ? uint8_t('A' + below(18))
                       : kind == 2 ? uint8_t(below(4))
                                   : uint8_t(below(256));
        }
        // An exact-size heap copy, so that a read past the chunk is caught.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[length]);
        std::copy(chunk.begin(), chunk.end(), exact.get());
        const size_t writesBefore = writes.size();

        const auto view = protocol.ReceiveChunk(exact.get(), static_cast<uint16_t>(length));
        const auto whole = model.Chunk(chunk, protocol.ReplyLength());

        ASSERT_LE(protocol.ReplyFill, protocol.ReplyLength()) << "step " << step;
        ASSERT_EQ(protocol.ReplyFill, model.Pending.size()) << "step " << step;
        ASSERT_EQ(view.has_value(), whole.has_value()) << "step " << step;
        if (!view) {
            ASSERT_EQ(writes.size(), writesBefore);
            continue;
        }
        ASSERT_TRUE(std::equal(whole->begin(), whole->end(), protocol.ReplyBuffer.begin()));
        ASSERT_EQ(view->StatusText.rfind("[" + std::to_string(decoded) + "] ", 0), 0u);
        ++decoded;
        ASSERT_EQ(protocol.ReplyCounter, decoded);

        const size_t at = fiveByte ? 1 : 0;
        const uint8_t letter = (*whole)[at + 1];
        const bool status =
            letter == 'A' || letter == 'B' || letter == 'D' || (letter >= 'K' && letter <= 'O');
        ASSERT_EQ(view->Indicators.has_value(), status);
        const bool query = status && ((*whole)[at + 2] & 0x40) != 0;
        ASSERT_EQ(writes.size(), writesBefore + (query ? 1 : 0));
        if (query) {
            ASSERT_EQ(writes.back(), (Bytes{protocol.Address(), 'E', 0}));
            model.Pending.clear();
        }
    }
    EXPECT_GT(decoded, 100);  // the stream did exercise decoding
}

TEST(ProtocolRandom, ThreeByteStreams) {
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        RunStream(seed, false);
    }
}

TEST(ProtocolRandom, FiveByteStreams) {
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        RunStream(seed, true);
    }
}

}  // namespace
}  // namespace console
