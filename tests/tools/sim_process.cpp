#include "tests/tools/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

extern char** environ;

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ToolProcess::ToolProcess(const std::string& program, const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) std::abort();
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);

    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    reader_ = std::thread([this] { CollectOutput(); });
}

ToolProcess::~ToolProcess() {
    // Closing stdin stops a tool that reads it to its end (the simulator with --exit-on-eof);
    // a hung one is killed.
    if (stdin_ >= 0) ::close(stdin_);
    if (pid_ > 0 && !reaped_ && !WaitExit(3s)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    reader_.join();
    ::close(stdout_);
}

void ToolProcess::CollectOutput() {
    std::string pending;
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        std::lock_guard lock(mutex_);
        if (n <= 0) {
            ended_ = true;
            changed_.notify_all();
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\n') {
                pending += buffer[i];
                continue;
            }
            lines_.push_back(std::move(pending));
            pending.clear();
        }
        changed_.notify_all();
    }
}

std::string ToolProcess::FirstLine(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [this] { return !lines_.empty() || ended_; });
    return lines_.empty() ? std::string() : lines_.front();
}

std::optional<std::string> ToolProcess::NextLineWith(const std::string& text,
                                                     std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    std::optional<std::string> found;
    changed_.wait_for(lock, timeout, [&] {
        for (size_t i = matched_; i < lines_.size(); ++i) {
            if (lines_[i].find(text) != std::string::npos) {
                matched_ = i + 1;
                found = lines_[i];
                return true;
            }
        }
        return ended_;
    });
    return found;
}

bool ToolProcess::Write(const std::string& text) {
    return ::write(stdin_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

SimProcess::SimProcess(const std::vector<std::string>& args)
    : ToolProcess(CONTROLLER_SIM_PATH, [&] {
          std::vector<std::string> all{"--exit-on-eof"};
          all.insert(all.end(), args.begin(), args.end());
          return all;
      }()) {}

bool SimProcess::Control(const std::string& line, const std::string& ack) {
    return Write(line + "\n") && WaitForLine("-- " + ack);
}

std::vector<std::string> ToolProcess::Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

void ToolProcess::Signal(int signal) {
    ::kill(pid_, signal);
}

std::optional<int> ToolProcess::WaitExit(std::chrono::milliseconds timeout) {
    {
        // The simulator's stdout closes as it ends.
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [this] { return ended_; })) return std::nullopt;
    }
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return std::nullopt;
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

long ToolProcess::CpuTicks() const {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string field;
    long ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stol(field);  // utime, stime
    }
    return ticks;
}

ConsoleEnd::ConsoleEnd(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return;
    termios tio{};
    ::tcgetattr(fd_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd_, TCSANOW, &tio);
}

ConsoleEnd::~ConsoleEnd() {
    if (fd_ >= 0) ::close(fd_);
}

bool ConsoleEnd::SetSpeed(uint32_t baud) {
    speed_t speed = B0;
    for (const auto& [rate, constant] : {std::pair{9600u, B9600},
                                         {19200u, B19200},
                                         {38400u, B38400},
                                         {57600u, B57600},
                                         {115200u, B115200}}) {
        if (rate == baud) speed = constant;
    }
    termios tio{};
    return speed != B0 && ::tcgetattr(fd_, &tio) == 0 && ::cfsetspeed(&tio, speed) == 0 &&
           ::tcsetattr(fd_, TCSANOW, &tio) == 0;
}

void ConsoleEnd::Send(const Bytes& bytes) {
    [[maybe_unused]] const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
}

Bytes ConsoleEnd::Read(size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    Bytes bytes;
    while (bytes.size() < count) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, RemainingMs(deadline)) <= 0) break;
        uint8_t buffer[64];
        const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

Bytes ConsoleEnd::ReadChunk(std::chrono::milliseconds timeout) {
    pollfd pfd{fd_, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0) return {};
    uint8_t buffer[64];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    return n > 0 ? Bytes(buffer, buffer + n) : Bytes{};
}

Bytes ConsoleEnd::Ask(const Bytes& command, size_t replyLength) {
    Send(command);
    return Read(replyLength);
}

TempDir::TempDir() {
    char name[] = "/tmp/controller_sim_testXXXXXX";
    if (::mkdtemp(name) == nullptr) std::abort();
    path_ = name;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace simtest
