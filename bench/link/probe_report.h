#pragma once
// What the programs under test report to the device driver, one line each on stdout: the
// moment of an event on the system's monotonic clock, which the driver shares, and the
// resident memory at that moment.
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace zelmar::bench {

inline std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// VmRSS of this process in kB; 0 when the system does not say.
inline long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

// FNV-1a over a table, so that the driver can tell that every byte arrived where it belongs.
template <class Table>
std::uint32_t TableHash(const Table& table, int size) {
    std::uint32_t hash = 2166136261u;
    for (int i = 0; i < size; ++i) {
        hash ^= static_cast<std::uint8_t>(table[i]);
        hash *= 16777619u;
    }
    return hash;
}

inline void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace zelmar::bench
