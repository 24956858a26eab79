// POSIX body of the process probe: /proc of Linux, fcntl and getrusage.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>

#include "support/ProcessProbe.h"

namespace testsupport {
namespace {

size_t CountEntries(const char* directory) {
    size_t n = 0;
    if (DIR* dir = opendir(directory)) {
        while (const dirent* entry = readdir(dir)) n += entry->d_name[0] != '.' ? 1 : 0;
        closedir(dir);
    }
    return n;
}

}  // namespace

// Descriptors are only ever opened on request.
const size_t kRuntimeLazyHandles = 0;

size_t ThreadCount() { return CountEntries("/proc/self/task"); }

// The count includes the descriptor of the listing itself, the same at every call.
size_t OpenHandleCount() { return CountEntries("/proc/self/fd"); }

bool HandleIsOpen(uint64_t handle) { return fcntl(static_cast<int>(handle), F_GETFD) != -1; }

bool HandleIsInherited(uint64_t handle) {
    const int flags = fcntl(static_cast<int>(handle), F_GETFD);
    return flags != -1 && (flags & FD_CLOEXEC) == 0;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string WineVersion() { return std::string(); }

}  // namespace testsupport
