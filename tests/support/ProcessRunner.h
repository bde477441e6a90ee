#pragma once

#include <string>
#include <vector>

namespace tavro::test {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Starts a program with arguments and optional standard input; waits for it.
class ProcessRunner {
public:
    explicit ProcessRunner(std::vector<std::string> argv);
    ~ProcessRunner();
    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    void start(const std::string& input = {});
    ProcessResult wait();

    // Convenience: start and wait.
    static ProcessResult run(std::vector<std::string> argv, const std::string& input = {});

private:
    std::vector<std::string> argv_;
    int pid_ = -1;
    int inFd_ = -1, outFd_ = -1, errFd_ = -1;
    std::string input_;
};

} // namespace tavro::test
