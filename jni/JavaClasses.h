// Every Java class and method the binding uses, resolved once from a Java thread and kept as
// global references for the life of the process. Receive threads only read the resolved table, so
// no class lookup ever runs on a thread whose class loader may not see the application's classes.
#ifndef MIRAV_JNI_JAVA_CLASSES_H
#define MIRAV_JNI_JAVA_CLASSES_H

#include <jni.h>

namespace mirav::jni {

// A constructed model class: global class reference and its no-argument constructor.
struct ModelClass {
    jclass cls = nullptr;
    jmethodID ctor = nullptr;

    // New instance through the no-argument constructor; null (exception cleared) on failure.
    jobject New(JNIEnv* env) const;
};

struct FrameOfMocapDataClass : ModelClass {
    jmethodID setFrame, setMarkerSetCount, setRigidBodyCount, setSkeletonCount,
        setLabeledMarkerCount, setOtherMarkerCount, setAnalogDataCount, setLatency, setTimecode,
        setTimecodeSubframe, setTimeStamp, setParams;
    jmethodID setMocapData, setRigidBodies, setSkeletons, setOtherMarkers, setExtendData;
};

struct MarkerSetDataClass : ModelClass {
    jmethodID setName, setMarkerCount, setMarkers;
};

struct MarkerClass : ModelClass {
    jmethodID setId, setX, setY, setZ, setSize;
};

struct RigidBodyDataClass : ModelClass {
    jmethodID setId, setX, setY, setZ, setQx, setQy, setQz, setQw, setMarkerCount;
    jmethodID setMarkerObjects;    // setMarkers([Lcom/mirav/sdk/model/Marker;)V, frame form
    jmethodID setMarkerPositions;  // setMarkers([[F)V, query form
    jmethodID setMarkerIds, setMarkerSizes, setMeanError, setParams;
};

struct SkeletonDataClass : ModelClass {
    jmethodID setSkeletonId, setRigidBodyCount, setRigidBodyData;
};

struct FrameExtendDataClass : ModelClass {
    jmethodID setExtendDataNum, setRigidBodyExtendData;
};

constexpr int kExtendFloatCount = 17;

struct RigidBodyExtendDataClass : ModelClass {
    jmethodID setId;
    jmethodID floatSetters[kExtendFloatCount];  // setRoll ... setRAvel, in record order
};

struct DataDescriptionsClass : ModelClass {
    jmethodID setDataDescriptionCount, setDataDescriptions;
};

struct DataDescriptionClass : ModelClass {
    jmethodID setType, setMarkerSetDescription, setRigidBodyDescription, setSkeletonDescription;
};

struct MarkerSetDescriptionClass : ModelClass {
    jmethodID setName, setMarkerCount, setMarkerNames;
};

struct RigidBodyDescriptionClass : ModelClass {
    jmethodID setName, setId, setParentId, setOffsetX, setOffsetY, setOffsetZ, setQx, setQy, setQz,
        setQw;
};

struct SkeletonDescriptionClass : ModelClass {
    jmethodID setName, setSkeletonId, setRigidBodyCount, setRigidBodies;
};

struct ServerDescriptionClass : ModelClass {
    jmethodID setHostPresent, setHostComputerName, setHostComputerAddress, setHostApp,
        setHostAppVersion, setMiravSDKVersion;
};

struct ForcePlatesClass : ModelClass {
    jmethodID setFrameNumber, setForcePlateCount, setForcePlates;
};

struct ForcePlateDataClass : ModelClass {
    jmethodID setFx, setFy, setFz, setCopX, setCopY, setCopZ, setTz;
};

// Number of description kinds that have a Java enum constant (marker set to force plate).
constexpr int kJavaDescriptorKinds = 4;

struct JavaClasses {
    FrameOfMocapDataClass frame;
    MarkerSetDataClass markerSet;
    MarkerClass marker;
    RigidBodyDataClass rigidBody;
    SkeletonDataClass skeleton;
    FrameExtendDataClass extendData;
    RigidBodyExtendDataClass rigidBodyExtend;
    DataDescriptionsClass descriptions;
    DataDescriptionClass description;
    MarkerSetDescriptionClass markerSetDescription;
    RigidBodyDescriptionClass rigidBodyDescription;
    SkeletonDescriptionClass skeletonDescription;
    ServerDescriptionClass serverDescription;
    ForcePlatesClass forcePlates;
    ForcePlateDataClass forcePlate;
    jclass stringClass = nullptr;
    jclass floatArrayClass = nullptr;
    jobject descriptorKinds[kJavaDescriptorKinds] = {};  // enum constants, global references
};

// The resolved table; resolves it first if needed. Call only from a Java thread (a native method
// or JNI_OnLoad). Null when a class or constructor is missing; no exception is left pending.
const JavaClasses* ClassesFromJavaThread(JNIEnv* env);

// The table if it has been resolved, else null. Safe on any thread; never looks anything up.
const JavaClasses* ResolvedClasses();

}  // namespace mirav::jni

#endif
