// Stream statistics natives: the client's integrity counters as one long array.
#include "JniSupport.h"
#include "NativeCommon.h"
#include "com_mirav_sdk_MiravSDKClient.h"

using namespace mirav::jni;

extern "C" {

// The counters in the order of com.mirav.sdk.model.StreamStatistics, or null for a handle of 0.
JNIEXPORT jlongArray JNICALL
Java_com_mirav_sdk_MiravSDKClient_nativeGetStreamStatistics(JNIEnv* env, jclass, jlong handle) {
    NativeCall call(env, handle);
    if (!call) {
        return nullptr;
    }
    sStreamStatistics s{};
    s.size = sizeof(s);
    if (call.Client()->GetStreamStatistics(&s) != 0) {
        return nullptr;
    }
    const jlong values[14] = {
        static_cast<jlong>(s.kernelDropsReported),     static_cast<jlong>(s.datagramsReceived),
        static_cast<jlong>(s.bytesReceived),           static_cast<jlong>(s.framesDelivered),
        static_cast<jlong>(s.framesMissing),           static_cast<jlong>(s.framesOutOfOrder),
        static_cast<jlong>(s.framesDroppedByQueue),    static_cast<jlong>(s.messagesAbandoned),
        static_cast<jlong>(s.messagesKernelDiscarded), static_cast<jlong>(s.datagramsMalformed),
        static_cast<jlong>(s.fragmentsRepeated),       static_cast<jlong>(s.datagramsForeign),
        static_cast<jlong>(s.kernelDrops),             static_cast<jlong>(s.millisecondsSinceLastFrame)};
    jlongArray array = env->NewLongArray(14);
    if (array == nullptr) {
        return nullptr;  // OutOfMemoryError pending
    }
    env->SetLongArrayRegion(array, 0, 14, values);
    return array;
}

}  // extern "C"
