#include "tools/checker/record.h"

namespace check {

void Record::Line(const std::string& text) {
    text_ += text;
    text_ += '\n';
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

}  // namespace check
