// The bit-level reading of one speed's bytes at another (see the header for the model).
#include "tools/simulator/speed_mismatch.h"

#include <optional>

#include "tools/line/line.h"

namespace sim {
namespace {

constexpr int64_t kFrameBits = 10;  // start bit, 8 data bits, stop bit

// The line as the sender drives it. Time is counted in ticks that make both bit times whole:
// a sent bit lasts 2 * readBaud ticks, a read bit 2 * sentBaud, so half a read bit is whole too.
class Waveform {
  public:
    Waveform(const uint8_t* bytes, size_t count, int64_t sentBit)
        : bytes_(bytes), bits_(static_cast<int64_t>(count) * kFrameBits), sentBit_(sentBit) {}

    int Level(int64_t tick) const { return BitLevel(tick / sentBit_); }

    // The first tick from `from` at which the line is at this level; nothing when it never
    // is again (a line at rest stays at 1).
    std::optional<int64_t> Next(int level, int64_t from) const {
        if (Level(from) == level) return from;
        for (int64_t bit = from / sentBit_ + 1; bit < bits_; ++bit) {
            if (BitLevel(bit) == level) return bit * sentBit_;
        }
        if (level == 1) return bits_ * sentBit_;
        return std::nullopt;
    }

  private:
    int BitLevel(int64_t bit) const {
        if (bit < 0 || bit >= bits_) return 1;
        const int64_t position = bit % kFrameBits;
        if (position == 0) return 0;
        if (position == kFrameBits - 1) return 1;
        return (bytes_[bit / kFrameBits] >> (position - 1)) & 1;
    }

    const uint8_t* bytes_;
    int64_t bits_;
    int64_t sentBit_;
};

}  // namespace

std::vector<ReadByte> ReadAtOtherSpeed(const uint8_t* bytes, size_t count, uint32_t sentBaud,
                                       uint32_t readBaud) {
    const int64_t sentBit = 2 * int64_t{readBaud};
    const int64_t readBit = 2 * int64_t{sentBaud};
    const int64_t half = sentBaud;
    const double ticksPerSecond = 2.0 * sentBaud * readBaud;
    const Waveform line(bytes, count, sentBit);

    std::vector<ReadByte> read;
    int64_t from = 0;
    while (const std::optional<int64_t> start = line.Next(0, from)) {
        if (line.Level(*start + half) != 0) {  // a glitch, not a start bit
            from = *start + half;
            continue;
        }
        uint8_t value = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if (line.Level(*start + (bit + 1) * readBit + half))
                value |= static_cast<uint8_t>(1u << bit);
        }
        const int64_t stopSample = *start + (kFrameBits - 1) * readBit + half;
        if (line.Level(stopSample) == 0 && value == 0) {
            from = *line.Next(1, stopSample);  // a break: ignored until the line rests
            continue;
        }
        const double end = static_cast<double>(*start + kFrameBits * readBit) / ticksPerSecond;
        read.push_back({value, std::chrono::duration_cast<frames::Clock::duration>(
                                   std::chrono::duration<double>(end))});
        from = stopSample;
    }
    return read;
}

frames::Bytes Values(const std::vector<ReadByte>& read) {
    frames::Bytes values;
    values.reserve(read.size());
    for (const ReadByte& byte : read) values.push_back(byte.value);
    return values;
}

std::optional<uint32_t> ConsoleSpeedApart(const Line& line) {
    if (!line.IsPseudoTerminal()) return std::nullopt;
    const auto timing = line.Timing();
    if (!timing || timing->baud == line.Baud()) return std::nullopt;
    return timing->baud;
}

}  // namespace sim
