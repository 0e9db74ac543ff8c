#pragma once
// Pieces of the Windows device backend that are worth testing on their own: how the
// platform's results of a transfer map onto the device layer's.

#include <cstdint>

#include "device.h"

namespace serial {

// True for the errors with which a device says that it cannot wait for line events at all.
bool CannotWaitForLineEvents(int error);

// The device layer's result for a finished (or refused) read or write: ok and count as the
// platform reported them, error its GetLastError() when not ok. A time-out is a completion
// with what was moved; ERROR_INVALID_HANDLE is told apart from other failures.
IoResult TransferEnded(bool ok, int error, uint32_t count);

}  // namespace serial
