// Natives of com.mirav.sdk.BenchProbe, used only by BindingBenchmark:
// - a JNI call counter that wraps the virtual machine's JNI function table (every slot that the
//   binding's sources call, and the common neighbours of those), so the count is the number of
//   JNI functions native code called, without JVMTI or a debug build of the virtual machine;
// - the C++ baseline: a MiravSDKClient with a plain C callback, in the same process.
#include <jni.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <thread>

#include "mirav/MiravSDKClient.h"

namespace {

std::atomic<uint64_t> calls{0};
JNINativeInterface_ original;
bool installed = false;

inline void Count() { calls.fetch_add(1, std::memory_order_relaxed); }

// One wrapper per slot: count, then forward to the original function.
#define MIRAV_FORWARD(Name, Ret, Params, Args) \
    Ret JNICALL Name Params {                  \
        Count();                               \
        return original.Name Args;             \
    }

// Variadic slots forward to their va_list forms, as the virtual machine itself does.
#define MIRAV_FORWARD_VA(Name, Ret, Params, Last, Args) \
    Ret JNICALL Name Params {                           \
        Count();                                        \
        va_list list;                                   \
        va_start(list, Last);                           \
        Ret result = original.Name##V Args;             \
        va_end(list);                                   \
        return result;                                  \
    }

#define MIRAV_FORWARD_VA_VOID(Name, Params, Last, Args) \
    void JNICALL Name Params {                          \
        Count();                                        \
        va_list list;                                   \
        va_start(list, Last);                           \
        original.Name##V Args;                          \
        va_end(list);                                   \
    }

MIRAV_FORWARD(FindClass, jclass, (JNIEnv * e, const char* n), (e, n))
MIRAV_FORWARD(GetObjectClass, jclass, (JNIEnv * e, jobject o), (e, o))
MIRAV_FORWARD(GetMethodID, jmethodID, (JNIEnv * e, jclass c, const char* n, const char* s),
              (e, c, n, s))
MIRAV_FORWARD(GetStaticMethodID, jmethodID, (JNIEnv * e, jclass c, const char* n, const char* s),
              (e, c, n, s))
MIRAV_FORWARD(GetFieldID, jfieldID, (JNIEnv * e, jclass c, const char* n, const char* s),
              (e, c, n, s))
MIRAV_FORWARD(GetStaticFieldID, jfieldID, (JNIEnv * e, jclass c, const char* n, const char* s),
              (e, c, n, s))
MIRAV_FORWARD(GetStaticObjectField, jobject, (JNIEnv * e, jclass c, jfieldID f), (e, c, f))
MIRAV_FORWARD(GetLongField, jlong, (JNIEnv * e, jobject o, jfieldID f), (e, o, f))
MIRAV_FORWARD(Throw, jint, (JNIEnv * e, jthrowable t), (e, t))
MIRAV_FORWARD(ThrowNew, jint, (JNIEnv * e, jclass c, const char* m), (e, c, m))
MIRAV_FORWARD(ExceptionOccurred, jthrowable, (JNIEnv * e), (e))
MIRAV_FORWARD(ExceptionDescribe, void, (JNIEnv * e), (e))
MIRAV_FORWARD(ExceptionClear, void, (JNIEnv * e), (e))
MIRAV_FORWARD(ExceptionCheck, jboolean, (JNIEnv * e), (e))
MIRAV_FORWARD(PushLocalFrame, jint, (JNIEnv * e, jint n), (e, n))
MIRAV_FORWARD(PopLocalFrame, jobject, (JNIEnv * e, jobject r), (e, r))
MIRAV_FORWARD(EnsureLocalCapacity, jint, (JNIEnv * e, jint n), (e, n))
MIRAV_FORWARD(NewGlobalRef, jobject, (JNIEnv * e, jobject o), (e, o))
MIRAV_FORWARD(DeleteGlobalRef, void, (JNIEnv * e, jobject o), (e, o))
MIRAV_FORWARD(NewLocalRef, jobject, (JNIEnv * e, jobject o), (e, o))
MIRAV_FORWARD(DeleteLocalRef, void, (JNIEnv * e, jobject o), (e, o))
MIRAV_FORWARD(NewWeakGlobalRef, jweak, (JNIEnv * e, jobject o), (e, o))
MIRAV_FORWARD(DeleteWeakGlobalRef, void, (JNIEnv * e, jweak o), (e, o))
MIRAV_FORWARD(IsSameObject, jboolean, (JNIEnv * e, jobject a, jobject b), (e, a, b))
MIRAV_FORWARD(GetJavaVM, jint, (JNIEnv * e, JavaVM** vm), (e, vm))
MIRAV_FORWARD(NewStringUTF, jstring, (JNIEnv * e, const char* s), (e, s))
MIRAV_FORWARD(NewString, jstring, (JNIEnv * e, const jchar* s, jsize n), (e, s, n))
MIRAV_FORWARD(GetStringLength, jsize, (JNIEnv * e, jstring s), (e, s))
MIRAV_FORWARD(GetStringRegion, void, (JNIEnv * e, jstring s, jsize a, jsize n, jchar* b),
              (e, s, a, n, b))
MIRAV_FORWARD(GetStringChars, const jchar*, (JNIEnv * e, jstring s, jboolean* c), (e, s, c))
MIRAV_FORWARD(ReleaseStringChars, void, (JNIEnv * e, jstring s, const jchar* c), (e, s, c))
MIRAV_FORWARD(GetStringUTFChars, const char*, (JNIEnv * e, jstring s, jboolean* c), (e, s, c))
MIRAV_FORWARD(ReleaseStringUTFChars, void, (JNIEnv * e, jstring s, const char* c), (e, s, c))
MIRAV_FORWARD(GetArrayLength, jsize, (JNIEnv * e, jarray a), (e, a))
MIRAV_FORWARD(NewObjectArray, jobjectArray, (JNIEnv * e, jsize n, jclass c, jobject i),
              (e, n, c, i))
MIRAV_FORWARD(GetObjectArrayElement, jobject, (JNIEnv * e, jobjectArray a, jsize i), (e, a, i))
MIRAV_FORWARD(SetObjectArrayElement, void, (JNIEnv * e, jobjectArray a, jsize i, jobject v),
              (e, a, i, v))
MIRAV_FORWARD(NewByteArray, jbyteArray, (JNIEnv * e, jsize n), (e, n))
MIRAV_FORWARD(NewShortArray, jshortArray, (JNIEnv * e, jsize n), (e, n))
MIRAV_FORWARD(NewIntArray, jintArray, (JNIEnv * e, jsize n), (e, n))
MIRAV_FORWARD(NewLongArray, jlongArray, (JNIEnv * e, jsize n), (e, n))
MIRAV_FORWARD(NewFloatArray, jfloatArray, (JNIEnv * e, jsize n), (e, n))
MIRAV_FORWARD(SetByteArrayRegion, void,
              (JNIEnv * e, jbyteArray a, jsize s, jsize n, const jbyte* b), (e, a, s, n, b))
MIRAV_FORWARD(SetIntArrayRegion, void, (JNIEnv * e, jintArray a, jsize s, jsize n, const jint* b),
              (e, a, s, n, b))
MIRAV_FORWARD(SetLongArrayRegion, void,
              (JNIEnv * e, jlongArray a, jsize s, jsize n, const jlong* b), (e, a, s, n, b))
MIRAV_FORWARD(SetFloatArrayRegion, void,
              (JNIEnv * e, jfloatArray a, jsize s, jsize n, const jfloat* b), (e, a, s, n, b))
MIRAV_FORWARD(SetShortArrayRegion, void,
              (JNIEnv * e, jshortArray a, jsize s, jsize n, const jshort* b), (e, a, s, n, b))
MIRAV_FORWARD(GetByteArrayRegion, void, (JNIEnv * e, jbyteArray a, jsize s, jsize n, jbyte* b),
              (e, a, s, n, b))
MIRAV_FORWARD(GetPrimitiveArrayCritical, void*, (JNIEnv * e, jarray a, jboolean* c), (e, a, c))
MIRAV_FORWARD(ReleasePrimitiveArrayCritical, void, (JNIEnv * e, jarray a, void* p, jint m),
              (e, a, p, m))
MIRAV_FORWARD(NewDirectByteBuffer, jobject, (JNIEnv * e, void* p, jlong n), (e, p, n))
MIRAV_FORWARD(GetDirectBufferAddress, void*, (JNIEnv * e, jobject b), (e, b))
MIRAV_FORWARD(GetDirectBufferCapacity, jlong, (JNIEnv * e, jobject b), (e, b))
MIRAV_FORWARD(CallVoidMethodV, void, (JNIEnv * e, jobject o, jmethodID m, va_list a), (e, o, m, a))
MIRAV_FORWARD(CallVoidMethodA, void, (JNIEnv * e, jobject o, jmethodID m, const jvalue* a),
              (e, o, m, a))
MIRAV_FORWARD(CallStaticVoidMethodV, void, (JNIEnv * e, jclass c, jmethodID m, va_list a),
              (e, c, m, a))
MIRAV_FORWARD(CallStaticVoidMethodA, void, (JNIEnv * e, jclass c, jmethodID m, const jvalue* a),
              (e, c, m, a))
MIRAV_FORWARD(CallStaticObjectMethodV, jobject, (JNIEnv * e, jclass c, jmethodID m, va_list a),
              (e, c, m, a))
MIRAV_FORWARD(CallStaticObjectMethodA, jobject,
              (JNIEnv * e, jclass c, jmethodID m, const jvalue* a), (e, c, m, a))
MIRAV_FORWARD(CallObjectMethodV, jobject, (JNIEnv * e, jobject o, jmethodID m, va_list a),
              (e, o, m, a))
MIRAV_FORWARD(NewObjectV, jobject, (JNIEnv * e, jclass c, jmethodID m, va_list a), (e, c, m, a))
MIRAV_FORWARD(NewObjectA, jobject, (JNIEnv * e, jclass c, jmethodID m, const jvalue* a),
              (e, c, m, a))
MIRAV_FORWARD_VA_VOID(CallVoidMethod, (JNIEnv * e, jobject o, jmethodID m, ...), m, (e, o, m, list))
MIRAV_FORWARD_VA_VOID(CallStaticVoidMethod, (JNIEnv * e, jclass c, jmethodID m, ...), m,
                      (e, c, m, list))
MIRAV_FORWARD_VA(CallStaticObjectMethod, jobject, (JNIEnv * e, jclass c, jmethodID m, ...), m,
                 (e, c, m, list))
MIRAV_FORWARD_VA(CallObjectMethod, jobject, (JNIEnv * e, jobject o, jmethodID m, ...), m,
                 (e, o, m, list))
MIRAV_FORWARD_VA(NewObject, jobject, (JNIEnv * e, jclass c, jmethodID m, ...), m, (e, c, m, list))

// The forwarders above call original.X; copying them into the live table counts every call.
void Install(JNINativeInterface_* table) {
#define MIRAV_SLOT(Name) table->Name = Name;
    MIRAV_SLOT(FindClass)
    MIRAV_SLOT(GetObjectClass) MIRAV_SLOT(GetMethodID) MIRAV_SLOT(GetStaticMethodID) MIRAV_SLOT(
        GetFieldID) MIRAV_SLOT(GetStaticFieldID) MIRAV_SLOT(GetStaticObjectField)
        MIRAV_SLOT(GetLongField) MIRAV_SLOT(Throw) MIRAV_SLOT(ThrowNew) MIRAV_SLOT(
            ExceptionOccurred) MIRAV_SLOT(ExceptionDescribe) MIRAV_SLOT(ExceptionClear)
            MIRAV_SLOT(ExceptionCheck) MIRAV_SLOT(PushLocalFrame) MIRAV_SLOT(PopLocalFrame) MIRAV_SLOT(
                EnsureLocalCapacity) MIRAV_SLOT(NewGlobalRef) MIRAV_SLOT(DeleteGlobalRef)
                MIRAV_SLOT(NewLocalRef) MIRAV_SLOT(DeleteLocalRef) MIRAV_SLOT(
                    NewWeakGlobalRef) MIRAV_SLOT(DeleteWeakGlobalRef) MIRAV_SLOT(IsSameObject)
                    MIRAV_SLOT(GetJavaVM) MIRAV_SLOT(NewStringUTF) MIRAV_SLOT(NewString) MIRAV_SLOT(
                        GetStringLength) MIRAV_SLOT(GetStringRegion) MIRAV_SLOT(GetStringChars)
                        MIRAV_SLOT(ReleaseStringChars) MIRAV_SLOT(GetStringUTFChars) MIRAV_SLOT(
                            ReleaseStringUTFChars) MIRAV_SLOT(GetArrayLength)
                            MIRAV_SLOT(NewObjectArray) MIRAV_SLOT(GetObjectArrayElement) MIRAV_SLOT(
                                SetObjectArrayElement) MIRAV_SLOT(NewByteArray) MIRAV_SLOT(NewShortArray)
                                MIRAV_SLOT(NewIntArray) MIRAV_SLOT(NewLongArray) MIRAV_SLOT(
                                    NewFloatArray) MIRAV_SLOT(SetByteArrayRegion)
                                    MIRAV_SLOT(SetIntArrayRegion) MIRAV_SLOT(
                                        SetLongArrayRegion) MIRAV_SLOT(SetFloatArrayRegion)
                                        MIRAV_SLOT(SetShortArrayRegion) MIRAV_SLOT(
                                            GetByteArrayRegion) MIRAV_SLOT(GetPrimitiveArrayCritical)
                                            MIRAV_SLOT(ReleasePrimitiveArrayCritical) MIRAV_SLOT(
                                                NewDirectByteBuffer) MIRAV_SLOT(GetDirectBufferAddress)
                                                MIRAV_SLOT(GetDirectBufferCapacity) MIRAV_SLOT(
                                                    CallVoidMethodV) MIRAV_SLOT(CallVoidMethodA)
                                                    MIRAV_SLOT(CallStaticVoidMethodV) MIRAV_SLOT(
                                                        CallStaticVoidMethodA)
                                                        MIRAV_SLOT(CallStaticObjectMethodV) MIRAV_SLOT(
                                                            CallStaticObjectMethodA)
                                                            MIRAV_SLOT(CallObjectMethodV) MIRAV_SLOT(
                                                                NewObjectV) MIRAV_SLOT(NewObjectA)
                                                                MIRAV_SLOT(CallVoidMethod)
                                                                    MIRAV_SLOT(CallStaticVoidMethod)
                                                                        MIRAV_SLOT(
                                                                            CallStaticObjectMethod)
                                                                            MIRAV_SLOT(
                                                                                CallObjectMethod)
                                                                                MIRAV_SLOT(
                                                                                    NewObject)
#undef MIRAV_SLOT
}

struct Baseline {
    std::atomic<uint64_t> frames{0};
    std::atomic<uint64_t> lost{0};
    std::atomic<int32_t> last{0};
};

void OnBaselineFrame(sFrameOfMocapData* frame, void* context) {
    auto* b = static_cast<Baseline*>(context);
    const int32_t previous = b->last.exchange(frame->frameNumber);
    if (previous != 0 && frame->frameNumber > previous + 1) {
        b->lost.fetch_add(static_cast<uint64_t>(frame->frameNumber - previous - 1));
    }
    b->frames.fetch_add(1);
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

extern "C" {

// Replaces the counted slots of the process-wide JNI function table (the one every thread's
// environment points to, also threads attached later). True when installed.
JNIEXPORT jboolean JNICALL Java_com_mirav_sdk_BenchProbe_installCounter(JNIEnv* env, jclass) {
    if (installed) {
        return JNI_TRUE;
    }
    auto* table = const_cast<JNINativeInterface_*>(env->functions);
    original = *table;
    const long page = sysconf(_SC_PAGESIZE);
    auto start = reinterpret_cast<uintptr_t>(table) & ~static_cast<uintptr_t>(page - 1);
    auto end = reinterpret_cast<uintptr_t>(table) + sizeof(*table);
    if (mprotect(reinterpret_cast<void*>(start), end - start, PROT_READ | PROT_WRITE) != 0) {
        return JNI_FALSE;
    }
    Install(table);
    installed = true;
    return JNI_TRUE;
}

JNIEXPORT jlong JNICALL Java_com_mirav_sdk_BenchProbe_jniCalls(JNIEnv*, jclass) {
    return static_cast<jlong>(calls.load());
}

// Streams from the server with a C callback for warmup + seconds: delivered frames, lost frames,
// process CPU seconds and wall seconds of the measured window.
JNIEXPORT jdoubleArray JNICALL Java_com_mirav_sdk_BenchProbe_cppBaseline(JNIEnv* env, jclass,
                                                                         jdouble seconds) {
    Baseline b;
    double out[4] = {-1, 0, 0, 0};
    {
        MiravSDKClient client;
        client.SetVerbosityLevel(0);
        client.SetDataCallback(&OnBaselineFrame, &b);
        char address[] = "127.0.0.1";
        if (client.Initialize(address) == 0) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (b.frames.load() == 0 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const uint64_t frames0 = b.frames.load();
            const uint64_t lost0 = b.lost.load();
            const double cpu0 = ProcessCpuSeconds();
            const auto t0 = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            out[0] = static_cast<double>(b.frames.load() - frames0);
            out[1] = static_cast<double>(b.lost.load() - lost0);
            out[2] = ProcessCpuSeconds() - cpu0;
            out[3] = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            client.Uninitialize();
        }
        client.SetDataCallback(nullptr, nullptr);
    }
    jdoubleArray array = env->NewDoubleArray(4);
    if (array != nullptr) {
        env->SetDoubleArrayRegion(array, 0, 4, out);
    }
    return array;
}

JNIEXPORT jdouble JNICALL Java_com_mirav_sdk_BenchProbe_processCpuSeconds(JNIEnv*, jclass) {
    return ProcessCpuSeconds();
}

}  // extern "C"
