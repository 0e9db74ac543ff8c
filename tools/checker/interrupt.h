#pragma once
// Ctrl-C (and a polite kill) must not leave the lights switched: the signal only sets an
// event, which the checker's waits watch, and the checker then puts back what it can. Which
// signal it was is kept, so that the record names it.

#include <string>

#include "serial/event.h"

namespace check {

// From now on Ctrl-C and SIGTERM set stop instead of ending the program. False when the
// handlers could not be installed.
bool InstallInterrupt(serial::Event& stop);

// Noted when the console window is closed or the session ends (Windows), which no signal
// number stands for.
inline constexpr int kConsoleClosed = -1;

// Called by the handler before it sets the event; safe in a signal handler.
void NoteStopSignal(int signal);
// The signal that stopped the run: the last one noted, SIGINT when none was.
int StopSignal();
// "SIGINT (Ctrl-C)", "SIGTERM", "SIGBREAK (Ctrl-Break)", "the console window closing".
std::string StopSignalText(int signal);

}  // namespace check
