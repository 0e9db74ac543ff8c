// controller_sim: a simulated traffic-light controller on a pseudo-terminal or a serial
// device, doubling as a line monitor. See --help.

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "tools/line/line.h"
#include "tools/line/monitor.h"
#include "tools/line/stop_signal.h"
#include "tools/ports/serial_ports.h"
#include "tools/simulator/settings.h"
#include "tools/simulator/simulator.h"

namespace {

// The --control FIFO; opened for reading and writing so that it never reports an end
// when a writer closes it.
class ControlFifo {
  public:
    ~ControlFifo() {
        if (fd_ >= 0) ::close(fd_);
        if (created_) ::unlink(path_.c_str());
    }
    bool Open(const std::string& path, std::string& error) {
        path_ = path;
        if (::mkfifo(path.c_str(), 0600) == 0) {
            created_ = true;
        } else if (errno != EEXIST) {
            error = "mkfifo " + path + ": " + std::strerror(errno);
            return false;
        }
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) {
            error = path + " is not a FIFO";
            return false;
        }
        fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) error = "open " + path + ": " + std::strerror(errno);
        return fd_ >= 0;
    }
    int Fd() const { return fd_; }

  private:
    std::string path_;
    int fd_ = -1;
    bool created_ = false;
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "controller_sim: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    sim::Options options;
    std::string error;
    std::string hint;
    if (!sim::ParseOptions(argc, argv, options, error, hint)) {
        std::fprintf(stderr, "controller_sim: %s (see --help)\n", error.c_str());
        if (!hint.empty()) std::fprintf(stderr, "controller_sim: %s\n", hint.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::HelpText("controller_sim").c_str(), stdout);
        return 0;
    }
    if (options.listPorts) return ports::PrintSerialPorts();
    const int stop = sim::InstallStopSignals();
    if (stop < 0) return Fail(std::string("signals: ") + std::strerror(errno));
    // Reply bytes are timed to the microsecond (87 us a byte at 115200): the loop's waits
    // must not be stretched by the default 50 us of timer slack.
    ::prctl(PR_SET_TIMERSLACK, 1000UL);

    std::unique_ptr<sim::Line> line =
        options.device.empty() ? sim::Line::OpenPseudoTerminal(options.baud, error)
                               : sim::Line::OpenDevice(options.device, options.baud, error);
    if (!line) return Fail(error);

    sim::DeviceLink link;
    if (!options.link.empty() && !link.Create(line->Path(), options.link, error)) {
        return Fail(error);
    }
    ControlFifo fifo;
    if (!options.control.empty() && !fifo.Open(options.control, error)) return Fail(error);

    sim::PrintPlain(line->Path());
    sim::PrintStamped("-- controller " + std::to_string(options.controller.address) + ", " +
                      std::to_string(static_cast<int>(options.format)) + "-byte replies" +
                      (options.link.empty() ? "" : ", link " + options.link) +
                      ", faults: " + options.faults.Describe());

    sim::Simulator simulator(options, *line);
    const int code = simulator.Run({stop, STDIN_FILENO, fifo.Fd()});
    sim::PrintStamped("-- stopped");
    return code;
}
