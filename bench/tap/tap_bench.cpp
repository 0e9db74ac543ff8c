// tap_bench: what the tap adds to a request and its reply. The same exchange (a 3-byte
// command, a 5-byte reply written by the far end as soon as the command is read) runs over a
// pseudo-terminal pair directly and through the tap (controller_tap, a second pair standing
// for the device), the two alternating so that both see the same machine; it prints p50, p99
// and the maximum of the round trip for each, and the tap's share at p50 and p99.
//
//   tap_bench [--exchanges N] [--tap PATH-TO-controller_tap]
//
// Exit status 0 when the tap adds no more than 1 ms at p99.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tools/pty/pty_pair.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr uint8_t kCommand[] = {0x01, 'D', 0x00};
constexpr uint8_t kReply[] = {0xFF, 0x01, 'D', 0x80, 0x03};
constexpr double kTargetMs = 1.0;

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) Fail("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) Fail("tcsetattr");
}

// Reads exactly count bytes, waiting as long as it takes up to the timeout.
bool ReadAll(int fd, uint8_t* bytes, size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    size_t got = 0;
    while (got < count) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd pfd{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        const ssize_t n = ::read(fd, bytes + got, count - got);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

// A pseudo-terminal pair whose master is the far end: a thread that answers each command
// with the reply as soon as the command's three bytes are in. The slave is held, so that the
// master never reads as hung up while its port is not open.
class FarEnd {
  public:
    FarEnd() {
        if (::pipe2(stop_, O_CLOEXEC) != 0) Fail("pipe");
        thread_ = std::thread([this] { Run(); });
    }
    ~FarEnd() {
        [[maybe_unused]] const ssize_t n = ::write(stop_[1], "x", 1);
        thread_.join();
        ::close(stop_[0]);
        ::close(stop_[1]);
    }
    const std::string& Path() const { return pair_.Path(); }

  private:
    void Run() {
        uint8_t held[64];
        size_t fill = 0;
        for (;;) {
            pollfd fds[2] = {{pair_.Master(), POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) return;
            if (fds[1].revents) return;
            if (!(fds[0].revents & POLLIN)) continue;
            const ssize_t n = ::read(pair_.Master(), held + fill, sizeof held - fill);
            if (n <= 0) continue;
            fill += static_cast<size_t>(n);
            for (; fill >= sizeof kCommand; fill -= sizeof kCommand) {
                [[maybe_unused]] const ssize_t w = ::write(pair_.Master(), kReply, sizeof kReply);
            }
        }
    }

    tty::PtyPair pair_{tty::kKeepSlave};
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

// controller_tap in front of a device, its monitor written to a file as run.sh does.
class TapProcess {
  public:
    TapProcess(const std::string& program, const std::string& device) {
        char dir[] = "/tmp/tap_benchXXXXXX";
        if (!::mkdtemp(dir)) Fail("mkdtemp");
        dir_ = dir;
        const std::string link = dir_ + "/ttyTAP";
        const std::string log = dir_ + "/tap.log";
        int in[2];
        if (::pipe2(in, O_CLOEXEC) != 0) Fail("pipe");
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> args{program, "--device", device, "--link", link};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        stdin_ = in[1];
        if (rc != 0) {
            errno = rc;
            Fail("start " + program);
        }
        // The link appears once the tap has the device and offers its terminal.
        for (int i = 0; i < 500 && path_.empty(); ++i) {
            std::error_code ec;
            if (std::filesystem::is_symlink(link, ec)) path_ = link;
            std::this_thread::sleep_for(10ms);
        }
        if (path_.empty()) throw std::runtime_error("the tap did not start (see " + log + ")");
    }
    ~TapProcess() {
        ::kill(pid_, SIGTERM);
        ::close(stdin_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Path() const { return path_; }

  private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string dir_;
    std::string path_;
};

class ConsoleEnd {
  public:
    explicit ConsoleEnd(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) Fail("open " + path);
        MakeRaw(fd_);
    }
    ~ConsoleEnd() { ::close(fd_); }

    // One exchange's round trip in ms; negative when the reply did not come.
    double Exchange() {
        uint8_t reply[sizeof kReply];
        const auto start = Clock::now();
        if (::write(fd_, kCommand, sizeof kCommand) != sizeof kCommand) return -1;
        if (!ReadAll(fd_, reply, sizeof reply, 2s)) return -1;
        const auto end = Clock::now();
        if (!std::equal(reply, reply + sizeof reply, kReply)) return -1;
        return std::chrono::duration<double, std::milli>(end - start).count();
    }

  private:
    int fd_ = -1;
};

double Percentile(std::vector<double> samples, double p) {
    std::sort(samples.begin(), samples.end());
    const auto at = static_cast<size_t>(p * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[at];
}

}  // namespace

int main(int argc, char** argv) {
    int exchanges = 2000;
    std::string program = TAP_PROGRAM;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--exchanges") {
            exchanges = std::max(1, std::atoi(argv[i + 1]));
        } else if (key == "--tap") {
            program = argv[i + 1];
        } else {
            std::fprintf(stderr, "tap_bench: unknown option %s\n", key.c_str());
            return 2;
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    try {
        FarEnd directFar;
        FarEnd deviceFar;
        TapProcess tap(program, deviceFar.Path());
        ConsoleEnd direct(directFar.Path());
        ConsoleEnd tapped(tap.Path());

        std::vector<double> directMs;
        std::vector<double> tapMs;
        constexpr int kWarmUp = 50;
        for (int i = -kWarmUp; i < exchanges; ++i) {
            const double d = direct.Exchange();
            const double t = tapped.Exchange();
            if (d < 0 || t < 0) throw std::runtime_error("an exchange got no reply");
            if (i < 0) continue;
            directMs.push_back(d);
            tapMs.push_back(t);
        }

        const double directP50 = Percentile(directMs, 0.5), directP99 = Percentile(directMs, 0.99);
        const double tapP50 = Percentile(tapMs, 0.5), tapP99 = Percentile(tapMs, 0.99);
        const double added99 = tapP99 - directP99;
        std::printf(
            "tap_bench: %d exchanges of a 3-byte command and a 5-byte reply written at once,\n"
            "alternating between a pseudo-terminal pair and the tap in front of a second pair\n\n",
            exchanges);
        std::printf("%-18s %9s %9s %9s\n", "round trip (ms)", "p50", "p99", "max");
        std::printf("%-18s %9.3f %9.3f %9.3f\n", "direct", directP50, directP99,
                    *std::max_element(directMs.begin(), directMs.end()));
        std::printf("%-18s %9.3f %9.3f %9.3f\n", "through the tap", tapP50, tapP99,
                    *std::max_element(tapMs.begin(), tapMs.end()));
        std::printf("%-18s %9.3f %9.3f %9s   target: at most %.0f ms at p99 -> %s\n",
                    "added by the tap", tapP50 - directP50, added99, "", kTargetMs,
                    added99 <= kTargetMs ? "met" : "NOT MET");
        return added99 <= kTargetMs ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tap_bench: %s\n", e.what());
        return 1;
    }
}
