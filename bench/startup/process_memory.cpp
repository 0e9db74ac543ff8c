#include "process_memory.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace bench {

long ResidentKib(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::strtol(line + 6, nullptr, 10);
    std::fclose(f);
    return kib;
}

}  // namespace bench
