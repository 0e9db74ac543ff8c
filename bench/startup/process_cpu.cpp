#include "process_cpu.h"

#include <dirent.h>

#include <cstdio>
#include <string>

namespace bench {

double CpuMs(pid_t pid) {
    // The first field of each thread's schedstat is its time on a CPU in nanoseconds: finer
    // than the clock ticks of /proc/<pid>/stat, which are 10 ms.
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return -1;
    double nanos = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        FILE* f = std::fopen((tasks + "/" + entry->d_name + "/schedstat").c_str(), "r");
        if (!f) continue;
        unsigned long long onCpu = 0;
        if (std::fscanf(f, "%llu", &onCpu) == 1) nanos += static_cast<double>(onCpu);
        std::fclose(f);
    }
    closedir(dir);
    return nanos / 1e6;
}

}  // namespace bench
