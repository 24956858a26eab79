// Detaching a receive thread from the virtual machine when the thread ends. The binding attaches
// each library thread once, at its first delivery, and keeps it attached; this hook detaches it as
// the thread exits. The POSIX body uses a thread-specific key with a destructor, the Win32 body a
// fiber-local slot with a callback (mingw-w64 runs no destructors of C++ thread-local objects at
// thread exit, so neither body relies on them).
#ifndef MIRAV_JNI_THREAD_EXIT_H
#define MIRAV_JNI_THREAD_EXIT_H

#include <jni.h>

namespace mirav::jni {

// Arranges DetachCurrentThread on vm when the calling thread ends. False when the platform could
// not give a slot; the caller then detaches after the delivery itself.
bool DetachAtThreadExit(JavaVM* vm);

}  // namespace mirav::jni

#endif
