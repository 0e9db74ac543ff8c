#include "tools/simulator/simulator.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/line/monitor.h"
#include "tools/simulator/speed_mismatch.h"

namespace sim {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kHangupRetry{100};
constexpr milliseconds kReopenRetry{500};
constexpr std::chrono::seconds kLongestWait{60};

// The time from now to the deadline, for ppoll: null (no limit) when there is none.
const timespec* WaitUntil(std::optional<Clock::time_point> deadline, Clock::time_point now,
                          timespec& wait) {
    if (!deadline) return nullptr;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::clamp<Clock::duration>(*deadline - now, Clock::duration::zero(), kLongestWait));
    wait.tv_sec = static_cast<time_t>(ns.count() / 1'000'000'000);
    wait.tv_nsec = static_cast<long>(ns.count() % 1'000'000'000);
    return &wait;
}

}  // namespace

Simulator::Simulator(const Options& options, Line& line)
    : line_(line),
      controller_(options.controller),
      format_(options.format),
      faults_(options.faults),
      exitOnEof_(options.exitOnEof),
      commands_(frames::Direction::Commands, milliseconds(options.gapMs)),
      transmitter_(line, options.instant) {}

int Simulator::Run(LoopInputs in) {
    for (;;) {
        Clock::time_point now = Clock::now();
        if (lineRetry_ && now >= *lineRetry_) {
            lineRetry_.reset();
            if (!line_.IsOpen()) ReopenDevice(now);
        }

        pollfd fds[4];
        nfds_t count = 0;
        auto add = [&](int fd) {
            if (fd < 0) return -1;
            fds[count] = {fd, POLLIN, 0};
            return static_cast<int>(count++);
        };
        const int stopAt = add(in.stop);
        const int lineAt = add(lineRetry_ ? -1 : line_.Fd());
        const int stdinAt = add(in.stdinFd);
        const int fifoAt = add(in.fifo);

        timespec wait{};
        const int ready = ::ppoll(fds, count, WaitUntil(NextDeadline(), now, wait), nullptr);
        if (ready < 0 && errno != EINTR) {
            PrintStamped(std::string("-- poll failed: ") + std::strerror(errno));
            return 1;
        }
        auto fired = [&](int at) { return ready > 0 && at >= 0 && fds[at].revents != 0; };

        if (fired(stopAt)) return 0;
        // Control lines first: a fault switched on before a command arrives applies to it.
        if (fired(stdinAt) && !ReadControl(in.stdinFd, stdinReader_)) {
            if (exitOnEof_) {
                PrintStamped("-- stdin ended: stopping");
                return 0;
            }
            in.stdinFd = -1;
        }
        if (fired(fifoAt) && !ReadControl(in.fifo, fifoReader_)) in.fifo = -1;

        now = Clock::now();
        if (fired(lineAt)) ReadLine(now, fds[lineAt].revents);
        now = Clock::now();
        Received(commands_.Expire(now), now);
        transmitter_.WriteDue(now);
    }
}

std::optional<Clock::time_point> Simulator::NextDeadline() const {
    std::optional<Clock::time_point> next = commands_.Deadline();
    auto earliest = [&](Clock::time_point t) { next = next ? std::min(*next, t) : t; };
    if (auto due = transmitter_.Deadline()) earliest(*due);
    if (lineRetry_) earliest(*lineRetry_);
    return next;
}

void Simulator::ReadLine(Clock::time_point now, short events) {
    uint8_t buffer[256];
    const ssize_t n = line_.Read(buffer, sizeof buffer);
    if (n < 0 || (n == 0 && (events & (POLLHUP | POLLERR | POLLNVAL)))) {
        LineFailed(n < 0 ? std::strerror(errno) : "hung up", now);
        return;
    }
    if (n == 0) return;
    lineDown_ = false;
    Heard(buffer, static_cast<size_t>(n), now);
}

void Simulator::Heard(const uint8_t* bytes, size_t count, Clock::time_point now) {
    const auto console = ConsoleSpeedApart(line_);
    if (!console) {
        Received(commands_.Feed(bytes, count, now), now);
        return;
    }
    // The bytes that arrive together were sent back to back.
    const frames::Bytes read = Values(ReadAtOtherSpeed(bytes, count, *console, line_.Baud()));
    PrintStamped("-- " + frames::HexBytes(bytes, count) + " sent at " + std::to_string(*console) +
                 " bit/s, read at " + std::to_string(line_.Baud()) + " bit/s as " +
                 (read.empty() ? std::string("nothing") : frames::HexBytes(read)));
    if (!read.empty()) Received(commands_.Feed(read.data(), read.size(), now), now);
}

void Simulator::LineFailed(const std::string& reason, Clock::time_point now) {
    if (line_.IsPseudoTerminal()) {
        // Nobody on the other side for now: keep the line and look again shortly, without
        // letting a lasting hang-up spin the loop or fill the monitor.
        if (!lineDown_) PrintStamped("-- line: " + reason);
        lineDown_ = true;
        lineRetry_ = now + kHangupRetry;
        return;
    }
    // A device that fails is gone (an adapter pulled out): it is let go, so that the one
    // plugged in again under its name is opened afresh.
    PrintStamped("-- device " + line_.Path() + " lost (" + reason + "); opening it again every " +
                 std::to_string(kReopenRetry.count()) + " ms");
    line_.Close();
    transmitter_.Abandon("device lost");
    lastOpenError_.clear();
    lineRetry_ = now + kReopenRetry;
}

void Simulator::ReopenDevice(Clock::time_point now) {
    std::string error;
    if (!line_.Reopen(error)) {
        if (error != lastOpenError_) PrintStamped("-- device: " + error);
        lastOpenError_ = error;
        lineRetry_ = now + kReopenRetry;
        return;
    }
    PrintStamped("-- device " + line_.Path() + " open again at " + std::to_string(line_.Baud()) +
                 " bit/s");
}

void Simulator::Received(const std::vector<frames::FrameEvent>& events, Clock::time_point now) {
    for (const frames::FrameEvent& event : events) {
        if (event.kind == frames::FrameEvent::Kind::Command) {
            HandleCommand(event.command, now);
            continue;
        }
        // Bytes that made no command before the line fell silent.
        controller_.ReceiveError();
        PrintStamped("<- " + frames::HexBytes(event.bytes) +
                     " (incomplete command dropped: error 1)");
    }
}

void Simulator::HandleCommand(const frames::CommandFrame& command, Clock::time_point now) {
    const auto reply = controller_.Handle(command.address, command.letter, command.data);
    const auto bytes = command.ToBytes();
    std::string text = "<- " + frames::HexBytes(bytes.data(), bytes.size());
    if (!reply) {
        PrintStamped(text + " (for address " + std::to_string(command.address) + ": ignored)");
        return;
    }
    if (reply->raisedError != frames::kNoError) {
        text += frames::FindCommand(command.letter) ? " (invalid data: error "
                                                    : " (unknown letter: error ";
        text += std::to_string(reply->raisedError) + ")";
    }
    PrintStamped(text);
    Send(*reply, now);
}

void Simulator::Send(const Reply& reply, Clock::time_point now) {
    const auto frame = BuildReplyFrame(controller_.Address(), reply, format_, faults_);
    const Clock::time_point due = now + milliseconds(faults_.delayMs);
    if (faults_.silent) {
        PrintStamped("-- no reply (silent): " + frames::HexBytes(frame));
        // The controller still obeys a speed change it does not announce.
        if (reply.switchToBaud) transmitter_.Queue({due, {}, {}, {}, reply.switchToBaud});
    } else if (faults_.splitMs > 0 && frame.size() > 1) {
        const milliseconds pause(faults_.splitMs);
        transmitter_.Queue({due,
                            {},
                            {frame.front()},
                            " (split: rest after " + std::to_string(pause.count()) + " ms)",
                            std::nullopt});
        transmitter_.Queue({due, pause, {frame.begin() + 1, frame.end()}, {}, reply.switchToBaud});
    } else {
        transmitter_.Queue({due, {}, frame, {}, reply.switchToBaud});
    }
    transmitter_.WriteDue(now);
}

bool Simulator::ReadControl(int fd, LineReader& reader) {
    std::vector<std::string> lines;
    const bool open = reader.ReadFrom(fd, lines);
    for (const std::string& line : lines) {
        const std::string answer = ApplyControlLine(line, {controller_.State(), format_, faults_});
        if (!answer.empty()) PrintStamped("-- " + answer);
    }
    return open;
}

}  // namespace sim
