// Windows body of the process probe.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <thread>

#include "support/ProcessProbe.h"

namespace testsupport {
namespace {

HANDLE AsHandle(uint64_t handle) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle));
}

// The socket library keeps a handle open from the first bound socket on, and the threads library
// two from its first thread on. Both are opened once here, before the first count, so that
// counts taken before and after a test's work compare.
void OpenOneTimeHandles() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) == 0) {
        const SOCKET probe = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (probe != INVALID_SOCKET) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            bind(probe, reinterpret_cast<const sockaddr*>(&local), sizeof(local));
            closesocket(probe);
        }
    }
    std::thread([] {}).join();
}

}  // namespace

// The threads runtime gives a std::mutex an event the first time two threads contend for it and
// keeps it until the mutex is destroyed. The library has four process-wide std::mutex objects
// (callback registry, sequence numbers, two in the force plate state).
const size_t kRuntimeLazyHandles = 4;

size_t ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    const DWORD self = GetCurrentProcessId();
    size_t n = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        n += entry.th32OwnerProcessID == self ? 1 : 0;
    }
    CloseHandle(snapshot);
    return n;
}

// GetProcessHandleCount answers 0 under Wine, so the handle table is probed instead: handle
// values are multiples of 4 and taken lowest-free-first, so the handles of a test process lie
// well below the probed range.
size_t OpenHandleCount() {
    static const bool settled = (OpenOneTimeHandles(), true);
    (void)settled;
    constexpr uintptr_t kProbedValues = 0x8000;
    size_t n = 0;
    for (uintptr_t value = 4; value < kProbedValues; value += 4) {
        DWORD flags = 0;
        n += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return n;
}

bool HandleIsOpen(uint64_t handle) {
    DWORD flags = 0;
    return GetHandleInformation(AsHandle(handle), &flags) != 0;
}

bool HandleIsInherited(uint64_t handle) {
    DWORD flags = 0;
    return GetHandleInformation(AsHandle(handle), &flags) != 0 &&
           (flags & HANDLE_FLAG_INHERIT) != 0;
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    auto seconds = [](const FILETIME& t) {
        const uint64_t ticks = (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
        return static_cast<double>(ticks) / 1e7;  // 100 ns units
    };
    return seconds(kernel) + seconds(user);
}

std::string WineVersion() {
    // Wine's ntdll exports wine_get_version; Windows' does not.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) return std::string();
    FARPROC found = GetProcAddress(ntdll, "wine_get_version");
    if (found == nullptr) return std::string();
    using VersionFunction = const char* (*)();
    auto function = reinterpret_cast<VersionFunction>(reinterpret_cast<void*>(found));
    const char* version = function();
    return version != nullptr ? std::string(version) : std::string("unknown");
}

}  // namespace testsupport
