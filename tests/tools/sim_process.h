#pragma once
// Test fixtures for the simulated controller: the controller_sim process itself (stdin for
// control lines, stdout collected line by line) and the console's end of its line.

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

class SimProcess {
  public:
    // Starts controller_sim with these arguments (and --exit-on-eof, so that it cannot
    // outlive a test that crashed).
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The first line: the device the console opens. Empty if it did not come in time.
    std::string DevicePath(std::chrono::milliseconds timeout = 10s);
    // Waits for a monitor line containing text, after those already matched by earlier calls.
    bool WaitForLine(const std::string& text, std::chrono::milliseconds timeout = 5s);
    // Sends a control line and waits for its acknowledgement ("-- " + ack).
    bool Control(const std::string& line, const std::string& ack);
    std::vector<std::string> Lines();

    pid_t Pid() const { return pid_; }
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
    size_t matched_ = 0;  // lines before this index have been consumed by WaitForLine
    bool ended_ = false;
    bool reaped_ = false;
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
