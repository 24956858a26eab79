// Native callbacks given to the library. They run on the library's receive threads, attach the
// thread to the virtual machine for one delivery, and call the Java listener found by token.
#ifndef MIRAV_JNI_TRAMPOLINES_H
#define MIRAV_JNI_TRAMPOLINES_H

#include "mirav/MiravTypes.h"

namespace mirav::jni {

void DataTrampoline(sFrameOfMocapData* frame, void* token);
void ForcePlateTrampoline(sForcePlates* plates, void* token);
void NotifyTrampoline(sNotifyMsg* message, void* token);
void AnalogTrampoline(sFrameOfAnalogChannelData* analog, void* token);
// Runs on the client's monitor thread, once per change of its connection state.
void ConnectionStateTrampoline(int state, int previousState, void* token);
// Installed by the message setter: the library's diagnostic lines are discarded.
void MessageHook(int level, char* message);

}  // namespace mirav::jni

#endif
