#pragma once
// CPU time a process has used so far, from /proc.

#include <sys/types.h>

namespace bench {

// Time on a CPU of all the process's threads, in milliseconds, or -1 when it cannot be read.
double CpuMs(pid_t pid);

}  // namespace bench
