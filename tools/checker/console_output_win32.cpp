// The checker writes UTF-8 (the controller's error names are Russian). A Windows console shows
// its own code page, so for the run it is switched to UTF-8, and put back at exit: the code page
// belongs to the console window, which outlives the program.

#include <windows.h>

namespace check {
namespace {

struct Utf8Console {
    UINT was = GetConsoleOutputCP();  // 0 without a console (output to a file or a pipe)
    Utf8Console() {
        if (was != 0) SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console() {
        if (was != 0) SetConsoleOutputCP(was);
    }
};

const Utf8Console utf8Console;

}  // namespace
}  // namespace check
