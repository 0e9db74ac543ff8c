#pragma once
// The control channel's lines: bytes from stdin or the FIFO collected into lines.

#include <string>
#include <vector>

namespace sim {

class LineReader {
  public:
    // Appends each complete line read; false once the descriptor reports its end.
    bool ReadFrom(int fd, std::vector<std::string>& lines);

  private:
    std::string pending_;
};

}  // namespace sim
