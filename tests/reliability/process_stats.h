#pragma once
// What a leak shows as, read from /proc for this process: open descriptors, threads and
// resident memory.

#include <unistd.h>

#include <cstddef>
#include <filesystem>

#include "bench/startup/process_memory.h"

namespace reliability {

inline size_t CountEntries(const char* folder) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++n;
    }
    return n;
}

inline size_t OpenDescriptors() {
    return CountEntries("/proc/self/fd");
}

inline size_t Threads() {
    return CountEntries("/proc/self/task");
}

// Resident memory in KiB, read as the start-up benchmark reads it.
inline long ResidentKib() {
    return bench::ResidentKib(getpid());
}

// Sanitizer builds keep freed memory in quarantine and grow shadow memory: resident memory
// says nothing about leaks there (LeakSanitizer does that job).
#ifdef RELIABILITY_SANITIZED
inline constexpr bool kMemoryIsMeaningful = false;
#else
inline constexpr bool kMemoryIsMeaningful = true;
#endif

}  // namespace reliability
