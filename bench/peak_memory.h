#pragma once
// The process's peak resident memory, for the memory checks of tests and benchmarks.

#include <fstream>
#include <string>

namespace tavrel {

// Peak resident set size so far in KiB (VmHWM of /proc/self/status), or -1 when it cannot be read.
inline long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kib = -1;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

}  // namespace tavrel
