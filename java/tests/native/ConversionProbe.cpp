// Test-only natives of com.mirav.sdk.ConversionProbe: hand-built records pushed through the
// binding's converters, and deliveries through its trampolines from native threads.
#include <jni.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CallbackBindings.h"
#include "DescriptionConverter.h"
#include "FrameConverter.h"
#include "JavaClasses.h"
#include "JniSupport.h"
#include "Trampolines.h"
#include "mirav/MiravSDKClient.h"

using namespace mirav::jni;

namespace {

MarkerData kPoints[4] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
int32_t kIds[4] = {101, 102, 103, 104};
float kSizes[4] = {0.5f, 0.25f, 0.125f, 1.0f};

void Name(char* field, const char* text) { std::strncpy(field, text, MAX_NAMELENGTH - 1); }

void Body(sRigidBodyData& b, int id, int markers) {
    b.id = id;
    b.x = 1.5f;
    b.y = 2.5f;
    b.z = 3.5f;
    b.qx = 0;
    b.qy = 0;
    b.qz = 0;
    b.qw = 1;
    b.markerCount = markers;
    b.markers = kPoints;
    b.markerIds = kIds;
    b.markerSizes = kSizes;
    b.meanError = 0.75f;
    b.params = 3;
}

// A frame with every part filled; owned by static storage, the pointers refer to static arrays.
sFrameOfMocapData* SampleFrame() {
    static sRigidBodyData bones[2];
    static std::unique_ptr<sFrameOfMocapData> frame;
    if (frame) {
        return frame.get();
    }
    frame.reset(new sFrameOfMocapData());
    sFrameOfMocapData& f = *frame;
    f.frameNumber = 77;
    f.markerSetCount = 2;
    Name(f.mocapData[0].name, "Arm");
    f.mocapData[0].markerCount = 3;
    f.mocapData[0].markers = kPoints;
    Name(f.mocapData[1].name, "NoPositions");
    f.mocapData[1].markerCount = 2;  // pointer stays null
    f.rigidBodyCount = 1;
    Body(f.rigidBodies[0], 5, 2);
    f.skeletonCount = 2;
    f.skeletons[0].skeletonId = 9;
    f.skeletons[0].rigidBodyCount = 2;
    Body(bones[0], 1, 1);
    Body(bones[1], 2, 0);
    f.skeletons[0].rigidBodyData = bones;
    f.skeletons[1].skeletonId = 10;
    f.otherMarkerCount = 2;
    f.otherMarkers = kPoints + 2;
    f.labeledMarkerCount = 5;
    f.analogDataCount = 4;
    f.latency = 1.25f;
    f.timecode = 0x81020304u;
    f.timecodeSubframe = 0xFFFFFFFFu;
    f.timeStamp = 1234567890123LL;
    f.params = -2;
    f.extendData.extendDataNum = 1;
    f.extendData.blocks[0].type = 1;
    f.extendData.blocks[0].itemCount = 1;
    f.extendData.blocks[0].items[0].id = 5;
    f.extendData.blocks[0].items[0].rAvel = 17;
    return frame.get();
}

sForcePlates SamplePlates() {
    sForcePlates p{};
    p.frameNumber = 42;
    p.forcePlateCount = 2;
    p.forcePlates[1] = {1, 2, 3, 4, 5, 6, 7};
    return p;
}

std::vector<std::thread> deliveryThreads;

}  // namespace

extern "C" {

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_ConversionProbe_sampleFrame(JNIEnv* env, jclass) {
    const JavaClasses* c = ClassesFromJavaThread(env);
    LocalFrame locals(env, 64);
    return c ? locals.Pop(ConvertFrame(env, *c, SampleFrame())) : nullptr;
}

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_ConversionProbe_sampleExtend(JNIEnv* env, jclass,
                                                                          jint variant) {
    const JavaClasses* c = ClassesFromJavaThread(env);
    auto data = std::make_unique<sFrameExtendData>();
    std::memset(data.get(), 0, sizeof(*data));
    data->extendDataNum = variant == 0 ? 1 : 2;
    data->blocks[0].type = 2;
    data->blocks[0].itemCount = 3;
    data->blocks[1].type = 1;
    data->blocks[1].itemCount = variant == 2 ? 0 : 2;
    data->blocks[1].items[1].id = 33;
    data->blocks[1].items[1].roll = 1.0f;
    data->blocks[1].items[1].rAvel = 17.0f;
    LocalFrame locals(env, 64);
    return c ? locals.Pop(ConvertExtendData(env, *c, *data)) : nullptr;
}

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_ConversionProbe_queryRigidBody(JNIEnv* env, jclass,
                                                                            jint markerCount) {
    const JavaClasses* c = ClassesFromJavaThread(env);
    static std::vector<MarkerData> points(1000);
    static std::vector<int32_t> ids(1000, 7);
    static std::vector<float> sizes(1000, 0.5f);
    sRigidBodyData body;
    Body(body, 12, markerCount);
    body.markers = points.data();
    body.markerIds = ids.data();
    body.markerSizes = sizes.data();
    points[0][0] = 9.0f;
    LocalFrame locals(env, 64);
    return c ? locals.Pop(ConvertQueryRigidBody(env, *c, body)) : nullptr;
}

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_ConversionProbe_sampleDescriptions(JNIEnv* env,
                                                                                jclass) {
    const JavaClasses* c = ClassesFromJavaThread(env);
    static char first[MAX_NAMELENGTH] = "Hip";
    static char third[MAX_NAMELENGTH] = "Knee";
    static char* names[3] = {first, nullptr, third};
    static sMarkerSetDescription markerSet{};
    static sRigidBodyDescription body{};
    static sSkeletonDescription emptySkeleton{};
    static sSkeletonDescription skeleton{};
    static sForcePlateDescription plate{};
    Name(markerSet.name, "Leg");
    markerSet.markerCount = 3;
    markerSet.markerNames = names;
    Name(body.name, "Wand");
    body.id = 4;
    body.parentId = -1;
    body.offsetY = 2.0f;
    body.qw = 1.0f;
    Name(emptySkeleton.name, "Nobody");
    emptySkeleton.skeletonId = 8;
    Name(skeleton.name, "Walker");
    skeleton.rigidBodyCount = 2;
    Name(skeleton.rigidBodies[1].name, "Shin");
    skeleton.rigidBodies[1].parentId = 1;
    auto set = std::make_unique<sDataDescriptions>();
    std::memset(set.get(), 0, sizeof(*set));
    const int types[6] = {0, 7, 1, 2, 3, 2};
    void* payloads[6] = {&markerSet, &body, &body, &emptySkeleton, &plate, &skeleton};
    set->descriptionCount = 6;
    for (int i = 0; i < 6; ++i) {
        set->descriptions[i].type = types[i];
        set->descriptions[i].Data.Any = payloads[i];
    }
    LocalFrame locals(env, 64);
    return c ? locals.Pop(ConvertDescriptions(env, *c, *set)) : nullptr;
}

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_ConversionProbe_sampleServer(JNIEnv* env, jclass) {
    const JavaClasses* c = ClassesFromJavaThread(env);
    sServerDescription s{};
    s.hostPresent = true;
    Name(s.hostComputerName, "capture-1");
    const uint8_t address[4] = {192, 168, 0, 200};
    std::memcpy(s.hostComputerAddress, address, 4);
    std::memset(s.hostApp, 'A', sizeof(s.hostApp));  // no terminating zero at all
    s.hostApp[3] = static_cast<char>(0xFF);          // not UTF-8
    const uint8_t version[4] = {4, 0, 56, 34};
    std::memcpy(s.hostAppVersion, version, 4);
    std::memcpy(s.sdkVersion, version, 4);
    LocalFrame locals(env, 16);
    return c ? locals.Pop(ConvertServerDescription(env, *c, s)) : nullptr;
}

JNIEXPORT jobjectArray JNICALL Java_com_mirav_sdk_ConversionProbe_labeledMarkers(JNIEnv* env,
                                                                                 jclass,
                                                                                 jint count) {
    const JavaClasses* c = ClassesFromJavaThread(env);
    static sMarker markers[2] = {{1, 1, 2, 3, 0.5f, 0}, {2, 4, 5, 6, 0.25f, 0}};
    return c ? ConvertLabeledMarkers(env, *c, markers, count) : nullptr;
}

JNIEXPORT jobject JNICALL Java_com_mirav_sdk_ConversionProbe_sampleForcePlates(JNIEnv* env,
                                                                               jclass) {
    const JavaClasses* c = ClassesFromJavaThread(env);
    LocalFrame locals(env, 16);
    return c ? locals.Pop(ConvertForcePlates(env, *c, SamplePlates())) : nullptr;
}

JNIEXPORT jlong JNICALL Java_com_mirav_sdk_ConversionProbe_register(JNIEnv* env, jclass, jint kind,
                                                                    jobject listener,
                                                                    jobject user) {
    if (ClassesFromJavaThread(env) == nullptr) {
        return 0;
    }
    return static_cast<jlong>(
        RegisterListener(env, static_cast<CallbackKind>(kind), listener, user));
}

// Starts a native thread that makes count deliveries of kind with the token.
JNIEXPORT void JNICALL Java_com_mirav_sdk_ConversionProbe_startDeliveries(JNIEnv*, jclass,
                                                                          jint kind, jlong token,
                                                                          jint count) {
    SampleFrame();
    deliveryThreads.emplace_back([kind, token, count] {
        void* user = reinterpret_cast<void*>(static_cast<uintptr_t>(token));
        sForcePlates plates = SamplePlates();
        sNotifyMsg notify{};
        notify.data[0] = 9;
        auto analog = std::make_unique<sFrameOfAnalogChannelData>();
        std::memset(analog.get(), 0, sizeof(*analog));
        analog->data[9639] = 7;
        for (int i = 0; i < count; ++i) {
            switch (static_cast<CallbackKind>(kind)) {
                case CallbackKind::kData:
                    DataTrampoline(SampleFrame(), user);
                    break;
                case CallbackKind::kForcePlate:
                    ForcePlateTrampoline(&plates, user);
                    break;
                case CallbackKind::kNotify:
                    NotifyTrampoline(&notify, user);
                    break;
                case CallbackKind::kAnalog:
                    AnalogTrampoline(analog.get(), user);
                    break;
                case CallbackKind::kConnectionState:
                    // Every state in turn, each reported with the one before it.
                    ConnectionStateTrampoline(i % 5, (i + 4) % 5, user);
                    break;
            }
        }
    });
}

JNIEXPORT void JNICALL Java_com_mirav_sdk_ConversionProbe_joinDeliveries(JNIEnv*, jclass) {
    for (std::thread& t : deliveryThreads) {
        t.join();
    }
    deliveryThreads.clear();
}

JNIEXPORT void JNICALL Java_com_mirav_sdk_ConversionProbe_releaseAll(JNIEnv*, jclass) {
    ReleaseAllBindings();
}

JNIEXPORT jint JNICALL Java_com_mirav_sdk_ConversionProbe_bindingCount(JNIEnv*, jclass) {
    return static_cast<jint>(BindingCount());
}

JNIEXPORT jstring JNICALL Java_com_mirav_sdk_ConversionProbe_fixedText(JNIEnv* env, jclass,
                                                                       jbyteArray bytes) {
    jsize size = env->GetArrayLength(bytes);
    std::vector<char> buffer(size);
    env->GetByteArrayRegion(bytes, 0, size, reinterpret_cast<jbyte*>(buffer.data()));
    return NewJavaString(env, buffer.data(), buffer.size());
}

}  // extern "C"

// A text dump of every value a frame record carries, in the form the Java test builds from the
// converted objects (FrameDump.java): floats as their bit patterns, so equality is exact.
namespace {

class Dump {
public:
    void I(long long v) { out_ += std::to_string(v) + ' '; }
    void F(float v) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof(bits));
        out_ += 'f' + std::to_string(bits) + ' ';
    }
    void S(const std::string& text) { out_ += '"' + text + "\" "; }
    void Points(const MarkerData* points, int n) {
        I(n);
        for (int i = 0; i < n; ++i) {
            F(points[i][0]);
            F(points[i][1]);
            F(points[i][2]);
        }
    }
    void Body(const sRigidBodyData& b) {
        I(b.id);
        for (float v : {b.x, b.y, b.z, b.qx, b.qy, b.qz, b.qw}) F(v);
        I(b.markerCount);
        const int n = std::clamp(b.markerCount, 0, MAX_MARKERS);
        Points(b.markers, b.markers != nullptr ? n : 0);
        const int ids = b.markerIds != nullptr ? n : 0;
        I(ids);
        for (int i = 0; i < ids; ++i) I(b.markerIds[i]);
        const int sizes = b.markerSizes != nullptr ? n : 0;
        I(sizes);
        for (int i = 0; i < sizes; ++i) F(b.markerSizes[i]);
        F(b.meanError);
        I(b.params);
    }
    std::string& Text() { return out_; }

private:
    std::string out_;
};

std::string DumpFrame(const sFrameOfMocapData& f) {
    Dump d;
    for (long long v :
         {static_cast<long long>(f.frameNumber), static_cast<long long>(f.markerSetCount),
          static_cast<long long>(f.rigidBodyCount), static_cast<long long>(f.skeletonCount),
          static_cast<long long>(f.labeledMarkerCount), static_cast<long long>(f.otherMarkerCount),
          static_cast<long long>(f.analogDataCount)}) {
        d.I(v);
    }
    d.F(f.latency);
    d.I(static_cast<int32_t>(f.timecode));
    d.I(static_cast<int32_t>(f.timecodeSubframe));
    d.I(f.timeStamp);
    d.I(f.params);
    const int sets = std::clamp(f.markerSetCount, 0, MAX_MARKERSETS);
    d.I(sets);
    for (int i = 0; i < sets; ++i) {
        const sMarkerSetData& s = f.mocapData[i];
        d.S(std::string(s.name, strnlen(s.name, sizeof(s.name))));
        d.I(s.markerCount);
        const int n = std::clamp(s.markerCount, 0, MAX_MARKERS);
        d.Points(s.markers, s.markers != nullptr ? n : 0);
    }
    const int bodies = std::clamp(f.rigidBodyCount, 0, MAX_RIGIDBODIES);
    d.I(bodies);
    for (int i = 0; i < bodies; ++i) d.Body(f.rigidBodies[i]);
    const int skeletons = std::clamp(f.skeletonCount, 0, MAX_SKELETONS);
    d.I(skeletons);
    for (int i = 0; i < skeletons; ++i) {
        const sSkeletonData& s = f.skeletons[i];
        d.I(s.skeletonId);
        d.I(s.rigidBodyCount);
        const int bones =
            s.rigidBodyData != nullptr ? std::clamp(s.rigidBodyCount, 0, MAX_SKELRIGIDBODIES) : 0;
        d.I(bones);
        for (int b = 0; b < bones; ++b) d.Body(s.rigidBodyData[b]);
    }
    const int others = std::clamp(f.otherMarkerCount, 0, MAX_UNLABELED_MARKERS);
    d.Points(f.otherMarkers, f.otherMarkers != nullptr ? others : 0);
    const int labeled = std::clamp(f.labeledMarkerCount, 0, MAX_LABELED_MARKERS);
    d.I(labeled);
    for (int i = 0; i < labeled; ++i) {
        const sMarker& m = f.labeledMarkers[i];
        d.I(m.id);
        for (float v : {m.x, m.y, m.z, m.size}) d.F(v);
    }
    const int analog = std::clamp(f.analogDataCount, 0, MAX_ANALOG_CHANNELS);
    d.I(analog);
    for (int i = 0; i < analog; ++i) d.F(f.analogData[i]);
    return d.Text();
}

}  // namespace

extern "C" {

JNIEXPORT jstring JNICALL Java_com_mirav_sdk_ConversionProbe_sampleFrameDump(JNIEnv* env, jclass) {
    const std::string text = DumpFrame(*SampleFrame());
    return NewJavaString(env, text.data(), text.size());
}

// The library's current frame record, dumped from C++ (found as the binding finds it).
JNIEXPORT jstring JNICALL Java_com_mirav_sdk_ConversionProbe_currentFrameDump(JNIEnv* env, jclass) {
    MiravSDKClient client;
    sMarker* markers = nullptr;
    if (client.GetLastFrameLabeledMarker(&markers) != 0 || markers == nullptr) {
        return nullptr;
    }
    const auto* frame = reinterpret_cast<const sFrameOfMocapData*>(
        reinterpret_cast<const char*>(markers) - offsetof(sFrameOfMocapData, labeledMarkers));
    const std::string text = DumpFrame(*frame);
    return NewJavaString(env, text.data(), text.size());
}

JNIEXPORT jstring JNICALL Java_com_mirav_sdk_ConversionProbe_unresolvedNames(JNIEnv* env, jclass) {
    const std::string text =
        ClassesFromJavaThread(env) != nullptr ? std::string() : UnresolvedNames() + " ";
    return NewJavaString(env, text.data(), text.size());
}

}  // extern "C"
