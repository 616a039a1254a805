#pragma once

// What a benchmark reads of its own process: the CPU time it has used and its memory figures.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

namespace korvelan::bench {

// User and system time, in seconds.
inline double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A figure of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 where there is none.
inline long statusKb(const char* key)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long value = -1;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, n) == 0) {
            value = std::atol(line + n + 1);
            break;
        }
    }
    std::fclose(f);
    return value;
}

} // namespace korvelan::bench
