// Frame records to Java model objects: each record is written flat (RecordWriter) and handed to
// com.mirav.sdk.RecordReader in one byte array, which builds the objects on the Java side. Counts
// are clamped to the capacities of the records, so a damaged count can never make a conversion
// read past an array.
#include "FrameConverter.h"

#include <algorithm>
#include <vector>

#include "JniSupport.h"
#include "RecordWriter.h"

namespace mirav::jni {
namespace {

constexpr size_t kInitialRecordBytes = 64 * 1024;

int Clamp(int count, int capacity) { return std::clamp(count, 0, capacity); }

// Object array of count elements; element i comes from make(i) (a local reference or null).
// Null, with any exception cleared, when the array or an element cannot be made.
template <class Make>
jobjectArray BuildArray(JNIEnv* env, jclass elementClass, int count, Make make) {
    LocalRef<jobjectArray> array(env, env->NewObjectArray(count, elementClass, nullptr));
    if (!array) {
        env->ExceptionClear();
        return nullptr;
    }
    for (int i = 0; i < count; ++i) {
        LocalRef<> element(env, make(i));
        if (env->ExceptionCheck()) {
            env->ExceptionClear();
            return nullptr;
        }
        if (element) {
            env->SetObjectArrayElement(array.Get(), i, element.Get());
        }
    }
    return array.Release();
}

// Hands the written record to a static RecordReader method; its result, or null with any
// exception cleared.
template <class Write>
jobject Read(JNIEnv* env, const JavaClasses& c, jmethodID reader, Write write) {
    std::vector<uint8_t> bytes;
    bytes.reserve(kInitialRecordBytes);
    RecordWriter w(bytes);
    write(w);
    LocalRef<jbyteArray> record(env, NewByteArrayOf(env, w.Data(), w.Size()));
    if (!record) {
        env->ExceptionClear();
        return nullptr;
    }
    jobject result = env->CallStaticObjectMethod(c.reader.cls, reader, record.Get());
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        return nullptr;
    }
    return result;
}

// Calls setter(array) and drops the array; false when the setter threw.
bool SetArray(JNIEnv* env, jobject target, jmethodID setter, jobjectArray built) {
    LocalRef<jobjectArray> array(env, built);
    if (!array) {
        return true;  // the step is skipped
    }
    return CallSetter(env, target, setter, array.Get());
}

}  // namespace

jobject ConvertFrame(JNIEnv* env, const JavaClasses& c, const sFrameOfMocapData* frame,
                     bool withExtendData) {
    if (frame == nullptr) {
        return nullptr;
    }
    return Read(env, c, c.reader.frame,
                [&](RecordWriter& w) { WriteFrame(w, *frame, withExtendData); });
}

jobject ConvertExtendData(JNIEnv* env, const JavaClasses& c, const sFrameExtendData& data) {
    return Read(env, c, c.reader.extendData, [&](RecordWriter& w) { WriteExtendData(w, data); });
}

jobject ConvertQueryRigidBody(JNIEnv* env, const JavaClasses& c, const sRigidBodyData& body) {
    return Read(env, c, c.reader.queryRigidBody,
                [&](RecordWriter& w) { WriteQueryRigidBody(w, body); });
}

jobjectArray ConvertLabeledMarkers(JNIEnv* env, const JavaClasses& c, const sMarker* markers,
                                   int count) {
    if (count < 0 || markers == nullptr) {
        return nullptr;
    }
    return static_cast<jobjectArray>(Read(env, c, c.reader.labeledMarkers, [&](RecordWriter& w) {
        WriteLabeledMarkers(w, markers, count);
    }));
}

jobject ConvertForcePlates(JNIEnv* env, const JavaClasses& c, const sForcePlates& plates) {
    const auto& k = c.forcePlates;
    LocalRef<> object(env, k.New(env));
    if (!object) {
        return nullptr;
    }
    int count = Clamp(plates.forcePlateCount, MAX_FORCEPLATES);
    const auto& p = c.forcePlate;
    bool ok = CallSetter(env, object.Get(), k.setFrameNumber, plates.frameNumber) &&
              CallSetter(env, object.Get(), k.setForcePlateCount, count);
    if (ok && k.setForcePlates != nullptr) {
        jobjectArray array = BuildArray(env, p.cls, count, [&](int i) -> jobject {
            const sForcePlateData& d = plates.forcePlates[i];
            LocalRef<> plate(env, p.New(env));
            if (!plate || !(CallSetter(env, plate.Get(), p.setFx, d.fx) &&
                            CallSetter(env, plate.Get(), p.setFy, d.fy) &&
                            CallSetter(env, plate.Get(), p.setFz, d.fz) &&
                            CallSetter(env, plate.Get(), p.setCopX, d.copX) &&
                            CallSetter(env, plate.Get(), p.setCopY, d.copY) &&
                            CallSetter(env, plate.Get(), p.setCopZ, d.copZ) &&
                            CallSetter(env, plate.Get(), p.setTz, d.tz))) {
                return nullptr;
            }
            return plate.Release();
        });
        ok = SetArray(env, object.Get(), k.setForcePlates, array);
    }
    if (!ok) {
        env->ExceptionClear();
        return nullptr;
    }
    return object.Release();
}

}  // namespace mirav::jni
