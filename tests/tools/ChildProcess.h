// A program started by a test, with its standard output and standard error collected.
#ifndef MIRAV_TESTS_TOOLS_CHILD_PROCESS_H
#define MIRAV_TESTS_TOOLS_CHILD_PROCESS_H

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace mirav::test {

class ChildProcess {
public:
    // Starts program with the arguments; Started() tells whether it runs.
    explicit ChildProcess(const std::vector<std::string>& command);
    ~ChildProcess();  // kills the program if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const;
    // Waits for the program to end: its exit code, or -1 when it did not end in time (it is
    // then killed) or ended by a signal.
    int Wait(std::chrono::milliseconds timeout);
    // Asks the program to stop as Ctrl-C would.
    void Interrupt();
    // Waits until standard output contains text; false on time-out or when the program ended.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);

    std::string Output() const;  // standard output so far
    std::string Errors() const;  // standard error so far

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Runs a program to its end (at most timeout) and returns its exit code and output.
struct RunResult {
    int exitCode = -1;
    std::string output, errors;
    double seconds = 0;
};
RunResult RunProgram(const std::vector<std::string>& command, std::chrono::milliseconds timeout);

}  // namespace mirav::test

#endif
