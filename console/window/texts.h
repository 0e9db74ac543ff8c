#pragma once
// The window's own messages to the operator, each written once here. The replies' texts
// belong to the protocol, the captions to the control table, the cause of a port's failure to
// the serial layer (serial/failure_cause.h), which the tools share.

namespace console {

// The port object's worker reported a failure: the line to the controller is gone.
inline constexpr char kLineLost[] = "Связь с портом потеряна.";

}  // namespace console
