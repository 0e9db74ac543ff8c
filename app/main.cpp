// dravik: the traffic-light controller test console.

#include <memory>

#include "app/app_icon.h"
#include "app/stop_signals.h"
#include "console/window/application.h"
#include "console/window/form1.h"

int main(int argc, char** argv) {
    // The program takes no arguments. The toolkit is handed the program's name alone, so that
    // none of its own command-line options (-reverse, -stylesheet, -platform, ...) can change
    // the window; what it needs from the desktop it still reads from the environment.
    int toolkitArgc = argc > 0 ? 1 : 0;
    char* toolkitArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    console::TApplication application(toolkitArgc, toolkitArgv);
    CloseWindowsOnStopSignals();  // SIGTERM, SIGINT: windows closed, settings written
    application.setWindowIcon(AppIcon());
    application.setDesktopFileName("dravik");  // lets the desktop match the window to its entry
    auto Form1 = std::make_unique<console::TForm1>();
    Form1->show();
    const int result = application.exec();
    Form1.reset();  // shutdown: port closed, settings written (a failure is shown first)
    return result;
}
