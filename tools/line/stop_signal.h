#pragma once
// SIGINT and SIGTERM end a line tool cleanly: the handler only writes a byte to a pipe, which
// the tool's poll loop watches, so the loop ends between two chunks and the monitor still
// prints what it holds. SIGPIPE is ignored: a monitor whose reader went away must not kill
// the line.

namespace sim {

// Installs the handlers; the descriptor that becomes readable once a stop signal came, or -1
// with errno set when the pipe or the handlers could not be made.
int InstallStopSignals();

}  // namespace sim
