// startup_bench: the whole program against the baseline window, under the X server named by
// DISPLAY (run it under xvfb-run). For each program, alternating, over several runs: the time
// from just before the process is started to the map of its first top-level window, seen as
// the X server's MapNotify; the CPU time its threads had used by then; and its resident memory
// one second after that. The form probe gives the console's resident memory one second after
// Start. Medians (and the fastest start), printed as a table. The runs alternate, so a ratio
// is the median of the runs' own ratios: each pair of starts shares the machine's state of
// the moment, which on a shared machine drifts more than the programs differ.
//
// An optional second reference, the baseline with one line of text, shows which part of the
// difference any window with text pays.
//
//   startup_bench --program PATH --baseline PATH --probe PATH [--text-baseline PATH] [--runs N]
//
// Exit status 0 when both targets (at most 1.2 times the baseline) are met.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "process_cpu.h"
#include "process_memory.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Launch {
    double mapMs = -1;
    double cpuMs = -1;  // CPU time used by the map
    long rssKib = -1;
};

// Runs that failed are NaN, so that the runs of the programs stay paired by index.
std::vector<double> Valid(const std::vector<double>& v) {
    std::vector<double> valid;
    for (double x : v)
        if (!std::isnan(x)) valid.push_back(x);
    return valid;
}

double Median(const std::vector<double>& all) {
    std::vector<double> v = Valid(all);
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Least(const std::vector<double>& all) {
    const std::vector<double> v = Valid(all);
    return v.empty() ? -1 : *std::min_element(v.begin(), v.end());
}

// The median of the ratios of runs made one after the other.
double PairedRatio(const std::vector<double>& ours, const std::vector<double>& base) {
    std::vector<double> ratios;
    for (size_t i = 0; i < std::min(ours.size(), base.size()); ++i)
        ratios.push_back(base[i] > 0 ? ours[i] / base[i] : NAN);
    return Median(ratios);
}

pid_t Start(const std::string& path, int outFd = -1) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (outFd >= 0) dup2(outFd, STDOUT_FILENO);
        execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    kill(pid, SIGKILL);
    int status;
    waitpid(pid, &status, 0);
}

// Starts the program and waits for its first top-level window to be mapped.
Launch Measure(xcb_connection_t* x, const std::string& path) {
    Launch result;
    // What the previous program's windows did is still queued: a round trip brings it all
    // in, and it is dropped.
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    while (xcb_generic_event_t* e = xcb_poll_for_event(x)) std::free(e);
    const auto start = Clock::now();
    const pid_t pid = Start(path);
    if (pid < 0) return result;
    const auto deadline = start + std::chrono::seconds(20);
    pollfd p{xcb_get_file_descriptor(x), POLLIN, 0};
    while (result.mapMs < 0 && Clock::now() < deadline) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(x)) {
            // A top-level window of the program; menus and tool tips bypass the window
            // manager (override-redirect) and do not count.
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(e);
            if ((e->response_type & 0x7F) == XCB_MAP_NOTIFY && !map->override_redirect &&
                result.mapMs < 0) {
                result.mapMs =
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                result.cpuMs = bench::CpuMs(pid);
            }
            std::free(e);
        }
        if (result.mapMs < 0) poll(&p, 1, 100);
    }
    if (result.mapMs >= 0) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        result.rssKib = bench::ResidentKib(pid);
    }
    Stop(pid);
    return result;
}

// Runs the probe and reads the "rss_kib N" it prints.
long ProbeRss(const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = Start(path, fds[1]);
    close(fds[1]);
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status;
    waitpid(pid, &status, 0);
    const size_t at = out.find("rss_kib ");
    return at == std::string::npos ? -1 : std::strtol(out.c_str() + at + 8, nullptr, 10);
}

// The figures of one program over the counted runs.
struct Series {
    std::vector<double> mapMs, cpuMs, rssMib;
    void Add(const Launch& l) {
        const bool shown = l.mapMs >= 0;
        mapMs.push_back(shown ? l.mapMs : NAN);
        cpuMs.push_back(shown && l.cpuMs >= 0 ? l.cpuMs : NAN);
        rssMib.push_back(shown && l.rssKib >= 0 ? double(l.rssKib) / 1024 : NAN);
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string program, baseline, probe, textBaseline;
    int runs = 7;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--program")
            program = argv[i + 1];
        else if (key == "--baseline")
            baseline = argv[i + 1];
        else if (key == "--probe")
            probe = argv[i + 1];
        else if (key == "--text-baseline")
            textBaseline = argv[i + 1];
        else if (key == "--runs")
            runs = std::atoi(argv[i + 1]);
    }
    if (program.empty() || baseline.empty() || probe.empty()) {
        std::fprintf(stderr,
                     "usage: startup_bench --program P --baseline B --probe F "
                     "[--text-baseline T] [--runs N]\n");
        return 2;
    }
    int screenIndex = 0;
    xcb_connection_t* x = xcb_connect(nullptr, &screenIndex);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X server (run under xvfb-run)\n");
        return 2;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    // One run of each first, not counted: it fills the page cache and the font caches.
    Measure(x, program);
    Measure(x, baseline);
    if (!textBaseline.empty()) Measure(x, textBaseline);
    Series prog, base, text;
    std::vector<double> startRss;
    for (int i = 0; i < runs; ++i) {
        prog.Add(Measure(x, program));
        base.Add(Measure(x, baseline));
        if (!textBaseline.empty()) text.Add(Measure(x, textBaseline));
        const long probed = ProbeRss(probe);
        startRss.push_back(probed >= 0 ? double(probed) / 1024 : NAN);
    }
    xcb_disconnect(x);

    struct Row {
        const char* label;
        const std::vector<double>& ours;
        const std::vector<double>& base;
        const std::vector<double>& text;
        bool fastest;  // the least of the runs and the ratio of those, rather than medians
        bool target;
    } rows[] = {
        {"start to first window, ms", prog.mapMs, base.mapMs, text.mapMs, false, true},
        {"  fastest start, ms", prog.mapMs, base.mapMs, text.mapMs, true, false},
        {"  CPU time by then, ms", prog.cpuMs, base.cpuMs, text.cpuMs, false, false},
        {"resident once shown, MiB", prog.rssMib, base.rssMib, text.rssMib, false, false},
        {"resident after Start, MiB", startRss, base.rssMib, text.rssMib, false, true},
    };
    const bool withText = !textBaseline.empty();
    std::printf(
        "The whole program against a minimal Qt Widgets window, %d runs: medians, and medians of "
        "the runs' ratios\n\n",
        runs);
    std::printf("%-28s %-9s %9s %9s %7s  %-7s", "measure", "target", "dravik", "baseline", "ratio",
                "verdict");
    if (withText) std::printf(" %9s %7s", "text win", "ratio");
    std::printf("\n");
    bool allMet = true;
    for (const Row& r : rows) {
        const auto Figure = [&](const std::vector<double>& v) {
            return r.fastest ? Least(v) : Median(v);
        };
        const auto Ratio = [&](const std::vector<double>& base) {
            if (!r.fastest) return PairedRatio(r.ours, base);
            const double ours = Least(r.ours), least = Least(base);
            return ours > 0 && least > 0 ? ours / least : -1;
        };
        const double ratio = Ratio(r.base);
        const bool ok = ratio > 0 && ratio <= 1.2;
        if (r.target) allMet = allMet && ok;
        std::printf("%-28s %-9s %9.1f %9.1f %7.2f  %-7s", r.label, r.target ? "<= 1.2 x" : "",
                    Figure(r.ours), Figure(r.base), ratio, r.target ? (ok ? "ok" : "MISS") : "");
        if (withText) std::printf(" %9.1f %7.2f", Figure(r.text), Ratio(r.text));
        std::printf("\n");
    }
    return allMet ? 0 : 1;
}
