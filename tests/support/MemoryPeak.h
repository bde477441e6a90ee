#pragma once

namespace tavro::test {

// The most this process held in memory since it was made, above what it held then. Memory freed
// before is handed back first, so that what is measured cannot hide in it.
class MemoryPeak {
public:
    MemoryPeak();
    double aboveStartMiB() const;

private:
    long startKiB_ = 0;
};

} // namespace tavro::test
