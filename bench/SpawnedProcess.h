#pragma once

#include <string>
#include <vector>

namespace tavro::bench {

// What one run of a program cost, measured from outside as an agent client sees it: from the
// spawn to the exit, with its input written whole and its output read to the end.
struct ProcessRun {
    std::string output;
    int exitStatus = -1;
    double seconds = 0;
    double peakMiB = 0;  // the child's largest resident set
    long pageFaults = 0; // minor and major
};

// Runs `argv` (argv[0] is the program's path) with `input` on its standard input and its
// standard error thrown away, through the small launcher that measures it.
ProcessRun runProcess(const std::vector<std::string>& argv, const std::string& input);

} // namespace tavro::bench
