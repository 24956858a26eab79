// Frame records to Java model objects: each record is written flat (RecordWriter) and handed to
// com.mirav.sdk.RecordReader in one byte array, which builds the objects on the Java side. The
// writer clamps every count to the capacities of the records, so a damaged count can never make a
// conversion read past an array.
#include "FrameConverter.h"

#include <vector>

#include "JniSupport.h"
#include "RecordWriter.h"

namespace mirav::jni {
namespace {

constexpr size_t kInitialRecordBytes = 64 * 1024;

// Hands the written record to a static RecordReader method: its result, or null with the
// exception (OutOfMemoryError, or whatever the reader threw) left pending for the caller.
template <class Write>
jobject Read(JNIEnv* env, const JavaClasses& c, jmethodID reader, Write write) {
    std::vector<uint8_t> bytes;
    bytes.reserve(kInitialRecordBytes);
    RecordWriter w(bytes);
    write(w);
    LocalRef<jbyteArray> record(env, NewByteArrayOf(env, w.Data(), w.Size()));
    if (!record) {
        return nullptr;
    }
    jobject result = env->CallStaticObjectMethod(c.reader.cls, reader, record.Get());
    if (env->ExceptionCheck()) {
        return nullptr;
    }
    return result;
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
    return Read(env, c, c.reader.forcePlates,
                [&](RecordWriter& w) { WriteForcePlates(w, plates); });
}

jobject ConvertDescriptions(JNIEnv* env, const JavaClasses& c, const sDataDescriptions& set) {
    return Read(env, c, c.reader.descriptions, [&](RecordWriter& w) { WriteDescriptions(w, set); });
}

jobject ConvertServerDescription(JNIEnv* env, const JavaClasses& c, const sServerDescription& s) {
    return Read(env, c, c.reader.serverDescription,
                [&](RecordWriter& w) { WriteServerDescription(w, s); });
}

}  // namespace mirav::jni
