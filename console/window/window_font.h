#pragma once
// The window's font, which every control takes: "MS Sans Serif" at 11 pixels where Windows has
// it, a close stand-in of the same size elsewhere. Each platform's file names its own
// (window_font_posix.cpp, window_font_win32.cpp).

#include <QFont>

namespace console {

QFont WindowFont();

}  // namespace console
