// The pumped-frame table and its lock. The library's current frame record is one per process, and
// the pump empties it with Solvanta_FreeFrame without the store's lock, so every native that
// changes or reads that record (pump, teardown, last frame, per-frame getters) runs under this
// lock: for one handle, and across handles, they never overlap.
#ifndef MIRAV_JNI_PUMPED_FRAMES_H
#define MIRAV_JNI_PUMPED_FRAMES_H

#include <jni.h>

#include <mutex>

#include "mirav/MiravSDKClient.h"

namespace mirav::jni {

// Lock held while the current frame record is changed or read.
std::unique_lock<std::mutex> LockFrames();

// Releases the handle's pumped frame and asks the library for the next one; true when one came.
// Call with the lock held.
bool PumpFrame(MiravSDKClient* client, jlong handle);

// The frame pumped for the handle, or, when there is none, the library's current frame (which the
// binding then neither stores nor releases). Null when neither exists. Call with the lock held.
sFrameOfMocapData* ChooseFrame(MiravSDKClient* client, jlong handle);

// Releases the handle's pumped frame and forgets the handle. Takes the lock itself.
void ForgetPumpedFrame(jlong handle);

}  // namespace mirav::jni

#endif
