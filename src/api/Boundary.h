// The exported boundary: no exception may leave the library. Each exported operation runs its
// body through CallGuarded, which reports an escaping exception and answers with a fallback.
#ifndef MIRAV_API_BOUNDARY_H
#define MIRAV_API_BOUNDARY_H

#include <exception>
#include <new>

#include "platform/Diagnostics.h"

namespace mirav {

// Site numbers of the boundary's own reports.
constexpr int kSiteOutOfMemory = 900;
constexpr int kSiteUnexpectedException = 901;

template <class Result, class Body>
Result CallGuarded(Result fallback, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        System::ReportFailed(kSiteOutOfMemory);
    } catch (...) {
        System::ReportFailed(kSiteUnexpectedException);
    }
    return fallback;
}

template <class Body>
void CallGuardedVoid(Body&& body) noexcept {
    CallGuarded(0, [&] {
        body();
        return 0;
    });
}

}  // namespace mirav

#endif
