#pragma once
// The four measurements, each on a fresh pseudo-terminal and a fresh port.

#include <cstddef>
#include <vector>

#include "bench_port.h"

namespace bench {

// The sample at fraction p (0 to 1) of the sorted samples; -1 when there are none.
double Percentile(std::vector<double> v, double p);

struct LatencyFigures {
    double p50Ms = -1, p99Ms = -1, maxMs = -1;
};
// From the last byte of a 3-byte reply written on the far side to its delivery on the
// owner thread, over count replies.
LatencyFigures ReplyLatency(const Implementation& impl, int count);

// What this machine costs our design by itself (machine_floor_posix.cpp), over count bursts
// sent as the reply latency sends them: the p50 lateness of a bare 1 ms timed wait (ppoll,
// 1 ns timer slack) on a thread woken by the terminal's data, and the p50 beyond 1 ms of a
// bare reader that waits for the silence and wakes the owner, with no object around it.
struct FloorFigures {
    double timerOvershootMs = -1;
    double bareBeyondSilenceMs = -1;
};
FloorFigures MachineFloor(int count);

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
