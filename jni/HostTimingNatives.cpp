// Host timing natives: a frame's capture, arrival and delivery times, and the host clock.
#include <memory>
#include <new>

#include "JniSupport.h"
#include "NativeCommon.h"
#include "com_mirav_sdk_MiravSDKClient.h"

using namespace mirav::jni;

extern "C" {

// The five times of sFrameHostTiming in their order, or null for a handle of 0 or a frame this
// client no longer keeps.
JNIEXPORT jdoubleArray JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeGetFrameHostTiming(
    JNIEnv* env, jclass, jlong handle, jint frameNumber) {
    NativeCall call(env, handle);
    if (!call) {
        return nullptr;
    }
    // Only the frame number is read: the record is left uninitialised otherwise (it is large).
    std::unique_ptr<sFrameOfMocapData> frame(new (std::nothrow) sFrameOfMocapData);
    if (!frame) {
        return nullptr;
    }
    frame->frameNumber = frameNumber;
    sFrameHostTiming timing{};
    timing.size = sizeof(timing);
    if (call.Client()->GetFrameHostTiming(frame.get(), &timing) != 0) {
        return nullptr;
    }
    const jdouble values[5] = {timing.captureTime, timing.captureUncertainty, timing.arrivalTime,
                               timing.deliveryTime, timing.estimatedRate};
    jdoubleArray array = env->NewDoubleArray(5);
    if (array == nullptr) {
        return nullptr;  // OutOfMemoryError pending
    }
    env->SetDoubleArrayRegion(array, 0, 5, values);
    return array;
}

JNIEXPORT jdouble JNICALL Java_com_mirav_sdk_MiravSDKClient_nativeHostTimeNow(JNIEnv*, jclass) {
    return MiravSDKClient::HostTimeNow();
}

}  // extern "C"
