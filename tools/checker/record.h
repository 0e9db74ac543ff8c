#pragma once
// The run's record: every line is printed as it is made (and flushed, for a pipe or a
// watching engineer) and kept, so that --report writes exactly what was seen.

#include <cstdio>
#include <string>

namespace check {

class Record {
  public:
    explicit Record(std::FILE* out) : out_(out) {}

    void Line(const std::string& text);
    const std::string& Text() const { return text_; }

  private:
    std::FILE* out_;
    std::string text_;
};

}  // namespace check
