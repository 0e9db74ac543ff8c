#pragma once
// The four measurements, each on a fresh pseudo-terminal and a fresh port.

#include <cstddef>

#include "bench_port.h"

namespace bench {

struct LatencyFigures {
    double p50Ms = -1, p99Ms = -1, maxMs = -1;
};
// From the last byte of a 3-byte reply written on the far side to its delivery on the
// owner thread, over count replies.
LatencyFigures ReplyLatency(const Implementation& impl, int count);

struct FloodFigures {
    double mibPerSecond = -1;
    double cpuSecondsPerMib = -1;  // the port's threads and the owner; the far end excluded
    double bytesLost = -1;         // missing or out of place
};
FloodFigures Flood(const Implementation& impl, size_t mebibytes);

// CPU used while the port is open and nothing happens, in % of one core.
double IdleCpuPercent(const Implementation& impl, double seconds);

struct CloseFigures {
    double medianMs = -1, maxMs = -1;
};
// How long Close takes with a read outstanding and a write blocked (the far end not
// reading), over count openings.
CloseFigures CloseWithPendingIo(const Implementation& impl, int count);

}  // namespace bench
