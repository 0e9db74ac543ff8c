#pragma once
// The control channel: text lines ("split 20", "silent on", "normal") that change the
// controller's state and the injected faults while the simulator runs.

#include <string>
#include <string_view>
#include <vector>

#include "tools/simulator/controller.h"
#include "tools/simulator/faults.h"

namespace sim {

struct ControlTarget {
    Controller& controller;
    frames::ReplyFormat& format;
    Faults& faults;
};

// Applies one line; returns the acknowledgement (or complaint) to print.
std::string ApplyControlLine(std::string_view line, ControlTarget target);

std::string DescribeState(const Controller& controller, frames::ReplyFormat format,
                          const Faults& faults);

// Collects bytes from a descriptor into lines.
class LineReader {
  public:
    // Appends each complete line read; false once the descriptor reports its end.
    bool ReadFrom(int fd, std::vector<std::string>& lines);

  private:
    std::string pending_;
};

}  // namespace sim
