#pragma once
// Ctrl-C (and a polite kill) must not leave the lights switched: the signal only sets an
// event, which the checker's waits watch, and the checker then puts back what it can.

#include "serial/event.h"

namespace check {

// From now on Ctrl-C and SIGTERM set stop instead of ending the program. False when the
// handlers could not be installed.
bool InstallInterrupt(serial::Event& stop);

}  // namespace check
