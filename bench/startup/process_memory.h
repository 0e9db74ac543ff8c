#pragma once
// Resident memory of a process, from /proc.

#include <sys/types.h>

namespace bench {

// VmRSS of the process in KiB, or -1 when it cannot be read.
long ResidentKib(pid_t pid);

}  // namespace bench
