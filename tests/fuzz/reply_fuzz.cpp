// Reply assembly and decoding: an arbitrary stream of chunks in either format, with commands
// sent between chunks. The first bytes choose the format and the controller number; then each
// step is a chunk (its length from one byte, its bytes from the input) or a command.
//
// Checked on every step: a chunk leaves less than a whole reply assembled; a chunk completes a
// reply exactly when the bytes taken reach the reply's length; every decoded reply is
// numbered in turn, its status text is valid UTF-8, and the only command a reply sends by
// itself is the error query to the controller's address, for a status with the error bit.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/protocol.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    std::vector<std::vector<uint8_t>> sent;
    console::ControllerProtocol protocol([&sent](const uint8_t* bytes, uint16_t length) {
        sent.emplace_back(bytes, bytes + length);
        return true;
    });
    const uint8_t setup = in.Byte();
    protocol.FiveByteReplies = setup & 1;
    // Mostly small addresses, sometimes one beyond a byte (only its low 8 bits travel).
    protocol.ControllerNumber = (setup & 2) ? 256 + in.Byte() : in.Byte();
    int32_t expectedCounter = 0;

    while (!in.Empty()) {
        const uint8_t step = in.Byte();
        if (step >= 0xF0) {  // a command between chunks drops a partial reply
            protocol.SendSimple('D');
            REQUIRE(protocol.ReplyFill == 0);
            continue;
        }
        if (step == 0xEF) {  // the format box changed while a reply was half assembled
            protocol.FiveByteReplies = !protocol.FiveByteReplies;
            continue;
        }
        // Short chunks mostly, and now and then a long one (a flood's chunk).
        size_t length = step;
        if (step >= 0xE0) length = size_t{in.Byte()} << 8 | in.Byte();
        const std::string_view chunk = in.Take(length);
        const uint32_t expected = protocol.ReplyLength();
        const uint32_t fillBefore = protocol.ReplyFill;
        sent.clear();
        const auto view = protocol.ReceiveChunk(reinterpret_cast<const uint8_t*>(chunk.data()),
                                                static_cast<uint16_t>(chunk.size()));
        // An empty chunk changes nothing; any other leaves less than a whole reply (also
        // when a format change left more than the new length assembled).
        if (chunk.empty())
            REQUIRE(protocol.ReplyFill == fillBefore);
        else
            REQUIRE(protocol.ReplyFill < expected);
        const bool completes = !chunk.empty() && ((fillBefore + chunk.size() > expected)
                                                      ? chunk.size() >= expected
                                                      : fillBefore + chunk.size() == expected);
        REQUIRE(view.has_value() == completes);
        if (!view) {
            REQUIRE(sent.empty());
            continue;
        }
        const std::string prefix = "[" + std::to_string(expectedCounter) + "] ";
        REQUIRE(view->StatusText.compare(0, prefix.size(), prefix) == 0);
        REQUIRE(fuzz::ValidUtf8(view->StatusText) && fuzz::ValidUtf8(view->StatusToolTip));
        expectedCounter = static_cast<int32_t>(static_cast<uint32_t>(expectedCounter) + 1u);
        REQUIRE(protocol.ReplyCounter == expectedCounter);
        const bool errorQuery = view->Indicators && view->Indicators->HasError;
        REQUIRE(sent.size() == (errorQuery ? 1u : 0u));
        if (errorQuery) REQUIRE((sent[0] == std::vector<uint8_t>{protocol.Address(), 'E', 0}));
    }
    return 0;
}
