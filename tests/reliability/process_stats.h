#pragma once
// What a leak shows as, read from /proc for this process: open descriptors, threads and
// resident memory; and a run of cycles checked for what it leaves behind.

#include <gtest/gtest.h>
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

// Runs cycle(0) to cycle(count - 1); after the warm-up cycles, the rest may leave no
// descriptor or thread behind, and grow resident memory by no more than the slack.
template <class Cycle>
void ExpectNothingLeftBehind(int warmUp, int count, long slackKib, const Cycle& cycle) {
    for (int i = 0; i < warmUp; ++i) ASSERT_NO_FATAL_FAILURE(cycle(i));
    const size_t fds = OpenDescriptors();
    const size_t threads = Threads();
    const long rss = ResidentKib();
    for (int i = warmUp; i < count; ++i) ASSERT_NO_FATAL_FAILURE(cycle(i));

    EXPECT_EQ(OpenDescriptors(), fds);
    EXPECT_EQ(Threads(), threads);
    if (kMemoryIsMeaningful) {
        EXPECT_LE(ResidentKib() - rss, slackKib);
    }
}

}  // namespace reliability
