#include "system_error.h"

#include <cctype>

namespace serial {

SystemCause CauseOf(int systemError, FailureStage stage) {
    if (systemError == 0) return SystemCause::None;
    for (const SystemCauseRow& row : PlatformCauses()) {
        for (const int code : row.systemErrors)
            if (code == systemError)
                return stage == FailureStage::Opening ? row.opening : row.running;
    }
    return SystemCause::Other;
}

std::string SystemErrorText(int systemError) {
    if (systemError == 0) return {};
    std::string text = PlatformErrorText(systemError);
    while (!text.empty() &&
           (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == '.'))
        text.pop_back();
    return text;
}

}  // namespace serial
