// serial_bench: reply latency, flood throughput, idle CPU and closing time of each serial
// port implementation over a pseudo-terminal, printed as one table with the targets.
//
//   serial_bench [--replies N] [--flood-mib M] [--idle-seconds S] [--closes K]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench_port.h"
#include "measurements.h"

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

// One row of the table: what is measured, its target, and whether a figure meets it.
struct Row {
    const char* label;
    const char* target;
    std::function<bool(double)> meets;  // empty: no target
    int decimals;
};

}  // namespace

int main(int argc, char** argv) {
    const Options o = Parse(argc, argv);
    const std::vector<Row> rows = {
        {"reply latency p50, ms", "<= 1.3", [](double v) { return v >= 0 && v <= 1.3; }, 3},
        {"reply latency p99, ms", "<= 3", [](double v) { return v >= 0 && v <= 3; }, 3},
        {"reply latency max, ms", "", nullptr, 3},
        {"flood throughput, MiB/s", ">= 50", [](double v) { return v >= 50; }, 1},
        {"flood CPU, s per MiB", "", nullptr, 5},
        {"flood bytes lost", "0", [](double v) { return v == 0; }, 0},
        {"idle CPU, % of one core", "<= 0.2", [](double v) { return v >= 0 && v <= 0.2; }, 3},
        {"ClosePort, I/O pending, median ms", "", nullptr, 2},
        {"ClosePort, I/O pending, max ms", "<= 20", [](double v) { return v >= 0 && v <= 20; }, 2},
    };

    const auto impls = bench::Implementations();
    std::vector<std::vector<double>> figures;  // per implementation, one per row
    bool allMet = true;
    for (const auto& impl : impls) {
        std::fprintf(stderr, "measuring %s ...\n", impl.name.c_str());
        const auto latency = bench::ReplyLatency(impl, o.replies);
        const auto flood = bench::Flood(impl, o.floodMib);
        const double idle = bench::IdleCpuPercent(impl, o.idleSeconds);
        const auto closing = bench::CloseWithPendingIo(impl, o.closes);
        figures.push_back({latency.p50Ms, latency.p99Ms, latency.maxMs, flood.mibPerSecond,
                           flood.cpuSecondsPerMib, flood.bytesLost, idle, closing.medianMs,
                           closing.maxMs});
    }

    std::printf(
        "Serial port over a pseudo-terminal: %d replies, %zu MiB flood, %.0f s idle, "
        "%d closes\n\n",
        o.replies, o.floodMib, o.idleSeconds, o.closes);
    std::printf("%-36s %-8s", "measure", "target");
    for (const auto& impl : impls) std::printf(" %16s", impl.name.c_str());
    std::printf("\n");
    for (size_t r = 0; r < rows.size(); ++r) {
        std::printf("%-36s %-8s", rows[r].label, rows[r].target);
        for (const auto& f : figures) {
            const double v = f[r];
            const bool ok = !rows[r].meets || rows[r].meets(v);
            allMet = allMet && ok;
            char cell[64];
            if (v < 0)
                std::snprintf(cell, sizeof cell, "failed");
            else
                std::snprintf(cell, sizeof cell, "%.*f%s", rows[r].decimals, v,
                              rows[r].meets ? (ok ? "  ok" : "  MISS") : "");
            std::printf(" %16s", cell);
        }
        std::printf("\n");
    }
    return allMet ? 0 : 1;
}
