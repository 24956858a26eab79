// What the tests observe about their own process: threads, open descriptors or handles, CPU
// time, and whether it runs under Wine. One body per operating system.
#ifndef MIRAV_TESTS_SUPPORT_PROCESS_PROBE_H
#define MIRAV_TESTS_SUPPORT_PROCESS_PROBE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// Threads of this process.
size_t ThreadCount();
// Open descriptors (POSIX) or handles (Windows) of this process.
size_t OpenHandleCount();
bool HandleIsOpen(uint64_t handle);
// True when a started program would inherit the descriptor or handle.
bool HandleIsInherited(uint64_t handle);
// User plus system CPU time of this process.
double CpuSeconds();
// Handles the runtime may open once and keep for the rest of the process, so that a count after
// some work can exceed the count before it by this much without anything having leaked.
extern const size_t kRuntimeLazyHandles;
// Wine's version when the process runs under Wine, else "".
std::string WineVersion();

inline bool RunningUnderWine() { return !WineVersion().empty(); }

}  // namespace testsupport

#endif
