// serial_bench: reply latency, flood throughput, idle CPU and closing time of our serial port
// object and of its peers, all over pseudo-terminals in one run, printed as one table with
// the targets (which apply to ours) and the ratio of ours to the best peer. Next to our
// latency it prints the machine's own floor for the design, measured in the same run, so
// that the table tells our overhead from the timer's and the scheduler's.
//
//   serial_bench [--replies N] [--flood-mib M] [--idle-seconds S] [--closes K]
//
// Exit status 0 when every target is met.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef BENCH_WITH_QT_SERIAL
#include <QCoreApplication>
#endif

#include "bench_port.h"
#include "measurements.h"
#ifdef BENCH_WITH_LIBSERIALPORT
#include "libserialport_stand_in.h"
#endif

namespace {

struct Options {
    int replies = 1000;
    size_t floodMib = 64;
    double idleSeconds = 10;
    int closes = 20;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--replies")
            o.replies = std::atoi(value);
        else if (key == "--flood-mib")
            o.floodMib = std::strtoul(value, nullptr, 10);
        else if (key == "--idle-seconds")
            o.idleSeconds = std::atof(value);
        else if (key == "--closes")
            o.closes = std::atoi(value);
        else
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
    }
    return o;
}

enum Better { Lower, Higher, Neither };

// One row of the table: what is measured, its target for ours, whether a figure meets it,
// and which way is better (for the best peer).
struct Row {
    const char* label;
    const char* target;
    std::function<bool(double)> meets;  // empty: no absolute target
    int decimals;
    Better better;
};

enum RowIndex {
    kP50,
    kP99,
    kMax,
    kOverhead,
    kTimerFloor,
    kBareFloor,
    kBeyondTimer,
    kBeyondBare,
    kMibPerSecond,
    kCpuPerMib,
    kLost,
    kIdle,
    kCloseMedian,
    kCloseMax,
    kRowCount
};

// Machine figures and what is derived from them belong to ours alone; peers show "-".
constexpr double kNotApplicable = NAN;

std::string Cell(double v, int decimals) {
    char cell[64];
    if (std::isnan(v))
        std::snprintf(cell, sizeof cell, "-");
    else if (v < 0)
        std::snprintf(cell, sizeof cell, "failed");
    else
        std::snprintf(cell, sizeof cell, "%.*f", decimals, v);
    return cell;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef BENCH_WITH_LIBSERIALPORT
    // While the process has one thread: the libserialport column needs its own mounts.
    if (!bench::EnterPrivateMounts())
        std::fprintf(stderr, "libserialport: no private mount namespace (not root?)\n");
#endif
#ifdef BENCH_WITH_QT_SERIAL
    QCoreApplication application(argc, argv);  // QSerialPort's event loop
#endif
    const Options o = Parse(argc, argv);
    std::vector<Row> rows(kRowCount);
    rows[kP50] = {"reply latency p50, ms", "<= 1.3", [](double v) { return v >= 0 && v <= 1.3; }, 3,
                  Lower};
    rows[kP99] = {"reply latency p99, ms", "<= 3", [](double v) { return v >= 0 && v <= 3; }, 3,
                  Lower};
    rows[kMax] = {"reply latency max, ms", "", nullptr, 3, Lower};
    rows[kOverhead] = {"p50 beyond 1 ms silence, ms", "<= peer", nullptr, 3, Lower};
    // The machine's floor for the design and our overhead beyond it (no targets).
    rows[kTimerFloor] = {"p50 timer floor (1 ms wait), ms", "", nullptr, 3, Neither};
    rows[kBareFloor] = {"p50 bare reader beyond 1 ms, ms", "", nullptr, 3, Neither};
    rows[kBeyondTimer] = {"p50 ours beyond timer floor, ms", "", nullptr, 3, Neither};
    rows[kBeyondBare] = {"p50 ours beyond bare reader, ms", "", nullptr, 3, Neither};
    rows[kMibPerSecond] = {"flood throughput, MiB/s", ">= 50", [](double v) { return v >= 50; }, 1,
                           Higher};
    rows[kCpuPerMib] = {"flood CPU, ms per MiB", "<= 1.5 x", nullptr, 3, Lower};
    rows[kLost] = {"flood bytes lost", "0", [](double v) { return v == 0; }, 0, Neither};
    rows[kIdle] = {"idle CPU, % of one core", "<= 0.2", [](double v) { return v >= 0 && v <= 0.2; },
                   3, Lower};
    rows[kCloseMedian] = {"close, I/O pending, median ms", "", nullptr, 2, Lower};
    rows[kCloseMax] = {"close, I/O pending, max ms", "<= 20",
                       [](double v) { return v >= 0 && v <= 20; }, 2, Lower};

    const auto impls = bench::Implementations();
    std::vector<std::vector<double>> figures;  // per implementation, one per row
    for (const auto& impl : impls) {
        std::fprintf(stderr, "measuring %s ...\n", impl.name.c_str());
        const bool ours = figures.empty();  // ours is the first column
        // Just before ours, so that both see the machine in the same state.
        const bench::FloorFigures floor =
            ours ? bench::MachineFloor(o.replies) : bench::FloorFigures{};
        const auto latency = bench::ReplyLatency(impl, o.replies);
        const auto flood = bench::Flood(impl, o.floodMib);
        const double idle = bench::IdleCpuPercent(impl, o.idleSeconds);
        const auto closing = bench::CloseWithPendingIo(impl, o.closes);
        std::vector<double> f(kRowCount);
        f[kP50] = latency.p50Ms;
        f[kP99] = latency.p99Ms;
        f[kMax] = latency.maxMs;
        // Ours waits for 1 ms of silence by design (a reply is a burst); peers hand over
        // whatever is there, so their whole latency is their overhead.
        const double silence = ours ? 1.0 : 0.0;
        f[kOverhead] = latency.p50Ms < 0 ? -1 : std::max(0.0, latency.p50Ms - silence);
        // Clamped at zero like the overhead: p50s of separate samples may cross by noise.
        const auto less = [](double a, double b) {
            return a < 0 || b < 0 ? -1 : std::max(0.0, a - b);
        };
        f[kTimerFloor] = ours ? floor.timerOvershootMs : kNotApplicable;
        f[kBareFloor] = ours ? floor.bareBeyondSilenceMs : kNotApplicable;
        f[kBeyondTimer] = ours ? less(f[kOverhead], floor.timerOvershootMs) : kNotApplicable;
        f[kBeyondBare] = ours ? less(f[kOverhead], floor.bareBeyondSilenceMs) : kNotApplicable;
        f[kMibPerSecond] = flood.mibPerSecond;
        f[kCpuPerMib] = flood.cpuSecondsPerMib < 0 ? -1 : flood.cpuSecondsPerMib * 1000;
        f[kLost] = flood.bytesLost;
        f[kIdle] = idle;
        f[kCloseMedian] = closing.medianMs;
        f[kCloseMax] = closing.maxMs;
        figures.push_back(f);
    }

    // The best peer's figure for each row (peers are every column but ours).
    const auto bestPeer = [&](size_t r) {
        double best = -1;
        for (size_t i = 1; i < figures.size(); ++i) {
            const double v = figures[i][r];
            if (!(v >= 0)) continue;  // failed, or not applicable
            if (best < 0 || (rows[r].better == Lower ? v < best : v > best)) best = v;
        }
        return best;
    };

    std::printf(
        "Serial port over a pseudo-terminal: %d replies, %zu MiB flood, %.0f s idle, "
        "%d closes\n\n",
        o.replies, o.floodMib, o.idleSeconds, o.closes);
    std::printf("%-32s %-9s", "measure", "target");
    for (const auto& impl : impls) std::printf(" %14s", impl.name.c_str());
    std::printf(" %12s  %s\n", "ours/best", "verdict");
    bool allMet = true;
    for (size_t r = 0; r < rows.size(); ++r) {
        const double ours = figures[0][r];
        const double peer = bestPeer(r);
        bool ok = ours >= 0 && (!rows[r].meets || rows[r].meets(ours));
        // Relative targets: overhead no larger than the best peer's whole latency, CPU per
        // MiB within 1.5 times the best peer's.
        if (r == kOverhead && peer >= 0) ok = ok && ours <= peer;
        if (r == kCpuPerMib && peer > 0) ok = ok && ours <= 1.5 * peer;
        const bool hasTarget = rows[r].meets || r == kOverhead || r == kCpuPerMib;
        allMet = allMet && (ok || !hasTarget);
        std::printf("%-32s %-9s", rows[r].label, rows[r].target);
        for (const auto& f : figures) std::printf(" %14s", Cell(f[r], rows[r].decimals).c_str());
        char ratio[32] = "-";
        if (peer > 0 && ours >= 0) std::snprintf(ratio, sizeof ratio, "%.2f", ours / peer);
        std::printf(" %12s  %s\n", ratio, hasTarget ? (ok ? "ok" : "MISS") : "");
    }
    return allMet ? 0 : 1;
}
