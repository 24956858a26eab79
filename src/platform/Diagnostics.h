// Process-wide diagnostics: a verbosity level, the application's message callback and three
// emit operations, one per message level. Nothing is ever written to a console or file.
#ifndef MIRAV_PLATFORM_DIAGNOSTICS_H
#define MIRAV_PLATFORM_DIAGNOSTICS_H

#include "mirav/MiravTypes.h"

#if defined(__GNUC__)
#  define MIRAV_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#  define MIRAV_PRINTF_FORMAT(f, a)
#endif

namespace System {

constexpr int kDefaultVerbosityLevel = 4;
constexpr int kMessageBufferSize = 1024;

void SetVerbosityLevel(int level);
int VerbosityLevel();
void SetMessageCallback(MiravMessageCallback callback);

// Each formats only when the verbosity level admits its level, cuts the text to 1,023
// characters and hands it to the message callback, if one is set. Always returns 0.
int EmitLevel1(const char* format, ...) MIRAV_PRINTF_FORMAT(1, 2);
int EmitLevel2(const char* format, ...) MIRAV_PRINTF_FORMAT(1, 2);
int EmitLevel3(const char* format, ...) MIRAV_PRINTF_FORMAT(1, 2);

// The common tagged lines; the site is the reporting statement's stable number.
void ReportFailed(int site);                                // level 1 "... %d Failed.\n"
void ReportWarning(int site);                               // level 1 "... %d Warning.\n"
void ReportSysError(int site, int syserr);                  // level 3 "... %d Failed syserr:%d\n"
void ReportValueSysError(int site, long long value, int syserr);  // level 3 "Failed:%d syserr"

// Called by CMutex when the calling thread takes or lets go of a library lock. Lines emitted
// while the thread holds one are handed to the message callback when it lets go of its last
// one, so the application's callback never runs under a library lock.
void EnterLibraryLock();
void LeaveLibraryLock();

}  // namespace System

#endif
