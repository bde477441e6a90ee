#pragma once

#include <ctime>

namespace tavro::bench {

// The calling thread's own processor time, in seconds: what it ran, not what it waited.
inline double threadSeconds() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) * 1e-9;
}

} // namespace tavro::bench
