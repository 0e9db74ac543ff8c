// Windows closes a program's windows itself at logout and shutdown: nothing to set up.

#include "app/stop_signals.h"

void CloseWindowsOnStopSignals() {}
