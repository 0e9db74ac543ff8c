#pragma once

// From here on SIGTERM and SIGINT close the program's windows as a desktop's logout does, so
// that the normal shutdown runs (port closed, settings written) instead of an abrupt end.
// Needs the application object; a failure to set this up is reported and leaves the
// signals' default action.
void CloseWindowsOnStopSignals();
