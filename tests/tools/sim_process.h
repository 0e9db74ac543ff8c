#pragma once
// Test fixtures for the line tools: their processes (the simulated controller takes control
// lines on stdin), stdout collected line by line, and the console's end of the line.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace simtest {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// A tool's process: its stdin a pipe, its stdout collected line by line (stderr is left to
// the test's own).
class ToolProcess {
  public:
    ToolProcess(const std::string& program, const std::vector<std::string>& args);
    // Closes stdin and waits for the process; kills one that is still running after 3 s.
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // The first line of output. Empty if it did not come in time.
    std::string FirstLine(std::chrono::milliseconds timeout);
    // Waits for a line containing text, after those already matched by earlier calls.
    bool WaitForLine(const std::string& text, std::chrono::milliseconds timeout = 5s) {
        return NextLineWith(text, timeout).has_value();
    }
    // The same, giving the whole line.
    std::optional<std::string> NextLineWith(const std::string& text,
                                            std::chrono::milliseconds timeout = 5s);
    bool Write(const std::string& text);
    std::vector<std::string> Lines();

    pid_t Pid() const { return pid_; }
    // The CPU time the process has used so far, in clock ticks.
    long CpuTicks() const;
    void Signal(int signal);
    // Waits for the process to end; its exit status, or nothing after the timeout.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout = 5s);

  private:
    void CollectOutput();

    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    size_t matched_ = 0;  // lines before this index have been consumed by NextLineWith
    bool ended_ = false;
    bool reaped_ = false;
};

class SimProcess : public ToolProcess {
  public:
    // Starts controller_sim with these arguments (and --exit-on-eof, so that it cannot
    // outlive a test that crashed).
    explicit SimProcess(const std::vector<std::string>& args);

    // The first line: the device the console opens. Empty if it did not come in time.
    std::string DevicePath(std::chrono::milliseconds timeout = 10s) { return FirstLine(timeout); }
    // Sends a control line and waits for its acknowledgement ("-- " + ack).
    bool Control(const std::string& line, const std::string& ack);
};

// The console's end of the line: the device opened raw and O_NOCTTY, as the console does.
class ConsoleEnd {
  public:
    explicit ConsoleEnd(const std::string& path);
    // Takes over an open descriptor (such as a pseudo-terminal master standing for a cable).
    explicit ConsoleEnd(int fd) : fd_(fd) {}
    ~ConsoleEnd();
    ConsoleEnd(const ConsoleEnd&) = delete;
    ConsoleEnd& operator=(const ConsoleEnd&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Sets the line speed on this end, as the console does when it opens the port.
    bool SetSpeed(uint32_t baud);
    void Send(const Bytes& bytes);
    // Reads until count bytes arrived or the timeout passed; returns what arrived.
    Bytes Read(size_t count, std::chrono::milliseconds timeout = 3s);
    // One read call once something is there: the bytes of one burst (or several).
    Bytes ReadChunk(std::chrono::milliseconds timeout = 3s);
    // Sends a command and returns the reply of the given length.
    Bytes Ask(const Bytes& command, size_t replyLength = 5);

  private:
    int fd_ = -1;
};

// A fresh directory under /tmp, removed with its contents by the destructor.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace simtest
