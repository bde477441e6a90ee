#include "MemoryPeak.h"

#include <malloc.h>

#include <fstream>
#include <string>
#include <string_view>

namespace tavro::test {

namespace {

long statusKiB(std::string_view field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field))
            return std::stol(line.substr(field.size()));
    return 0;
}

} // namespace

MemoryPeak::MemoryPeak() {
    malloc_trim(0);
    // Resets the high-water mark to what is resident now.
    std::ofstream("/proc/self/clear_refs") << "5";
    startKiB_ = statusKiB("VmRSS:");
}

double MemoryPeak::aboveStartMiB() const {
    return double(statusKiB("VmHWM:") - startKiB_) / 1024;
}

} // namespace tavro::test
