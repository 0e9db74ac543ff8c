#include "measurements.h"

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "far_end.h"
#include "tools/pty/pty_pair.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return v;
}

}  // namespace

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

LatencyFigures ReplyLatency(const Implementation& impl, int count) {
    tty::PtyPair pty;
    auto port = impl.make();
    if (!port->Open(pty.Path())) return {};
    size_t got = 0;
    Clock::time_point arrived;
    port->onData = [&](const uint8_t*, size_t n) {
        got += n;
        arrived = Clock::now();
    };
    std::vector<double> samples;
    const uint8_t reply[3] = {0x01, 'D', 0x00};
    FarEnd far(pty);
    for (int i = 0; i < count; ++i) {
        got = 0;
        // The far end writes from a thread of its own once the owner waits, as a device's
        // reply finds its owner asleep in the event loop, not busy writing the reply itself.
        far.SendAfter(reply, 3, 1ms);
        const auto deadline = Clock::now() + 1s;
        while (got < 3 && Clock::now() < deadline) port->Pump(100ms);
        const auto sent = far.Sent();
        if (got < 3) break;
        samples.push_back(Ms(arrived - sent));
        std::this_thread::sleep_for(2ms);  // a gap between replies, as on the line
    }
    port->Close();
    if (samples.size() != static_cast<size_t>(count)) return {};
    return {Percentile(samples, 0.50), Percentile(samples, 0.99), Percentile(samples, 1.0)};
}

FloodFigures Flood(const Implementation& impl, size_t mebibytes) {
    const size_t total = mebibytes << 20;
    const std::vector<uint8_t> sent = Pattern(total);
    tty::PtyPair pty;
    auto port = impl.make();
    if (!port->Open(pty.Path())) return {};
    size_t got = 0, wrong = 0;
    Clock::time_point last;
    port->onData = [&](const uint8_t* data, size_t n) {
        const size_t fits = std::min(n, total - std::min(got, total));
        if (std::memcmp(data, sent.data() + got, fits) != 0)
            for (size_t i = 0; i < fits; ++i) wrong += data[i] != sent[got + i];
        got += n;
        last = Clock::now();
    };
    std::atomic<double> farCpu{0};
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    std::thread far([&] {
        const double before = CpuSeconds(RUSAGE_THREAD);
        for (size_t at = 0; at < total; at += 65536)
            if (!pty.Write(sent.data() + at, std::min<size_t>(65536, total - at))) break;
        farCpu = CpuSeconds(RUSAGE_THREAD) - before;
    });
    auto quietSince = Clock::now();
    size_t seen = 0;
    while (got < total && Clock::now() - quietSince < 2s) {
        port->Pump(100ms);
        if (got != seen) {
            seen = got;
            quietSince = Clock::now();
        }
    }
    far.join();
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore - farCpu.load();
    port->Close();
    FloodFigures f;
    const double mib = static_cast<double>(total) / (1 << 20);
    f.mibPerSecond = got ? mib / std::chrono::duration<double>(last - start).count() : 0;
    f.cpuSecondsPerMib = cpu / mib;
    // Bytes that never came, and bytes that came wrong or out of place.
    f.bytesLost = static_cast<double>(total - std::min(got, total) + wrong);
    return f;
}

double IdleCpuPercent(const Implementation& impl, double seconds) {
    tty::PtyPair pty;
    auto port = impl.make();
    if (!port->Open(pty.Path())) return -1;
    std::this_thread::sleep_for(100ms);  // let start-up settle
    const double before = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    const auto end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end)
        port->Pump(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()) + 1ms);
    const double cpu = CpuSeconds(RUSAGE_SELF) - before;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    port->Close();
    return 100.0 * cpu / wall;
}

CloseFigures CloseWithPendingIo(const Implementation& impl, int count) {
    std::vector<double> samples;
    const std::vector<uint8_t> block = Pattern(8 * 65536);
    for (int i = 0; i < count; ++i) {
        tty::PtyPair pty;
        auto port = impl.make();
        if (!port->Open(pty.Path())) return {};
        // More than the terminal holds: the writer blocks; the reader waits for data.
        port->Send(block.data(), block.size());
        std::this_thread::sleep_for(50ms);
        const auto start = Clock::now();
        port->Close();
        samples.push_back(Ms(Clock::now() - start));
    }
    return {Percentile(samples, 0.5), Percentile(samples, 1.0)};
}

}  // namespace bench
