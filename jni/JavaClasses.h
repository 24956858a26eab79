// Every Java class and method the binding uses, resolved once from a Java thread and kept as
// global references for the life of the process. Receive threads only read the resolved table, so
// no class lookup ever runs on a thread whose class loader may not see the application's classes.
#ifndef MIRAV_JNI_JAVA_CLASSES_H
#define MIRAV_JNI_JAVA_CLASSES_H

#include <jni.h>

#include <string>

namespace mirav::jni {

// A constructed model class: global class reference and its no-argument constructor.
struct ModelClass {
    jclass cls = nullptr;
    jmethodID ctor = nullptr;

    // New instance through the no-argument constructor; null (exception cleared) on failure.
    jobject New(JNIEnv* env) const;
};

// com.mirav.sdk.RecordReader: builds frame model objects from flat records (RecordWriter.h).
struct RecordReaderClass {
    jclass cls = nullptr;
    jmethodID frame, extendData, queryRigidBody, labeledMarkers;  // static, ([B) -> object
};

// com.mirav.sdk.Deliveries: the Java half of deliveries on the library's threads.
struct DeliveriesClass {
    jclass cls = nullptr;
    jmethodID markLibraryThread;  // static ()V, once per attached thread
    jmethodID message;            // static (Ljava/lang/Object;I[B)V
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
    RecordReaderClass reader;
    DeliveriesClass deliveries;
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
// or JNI_OnLoad). Null when any class, constructor, method or constant is missing; no exception
// is left pending.
const JavaClasses* ClassesFromJavaThread(JNIEnv* env);

// Names that did not resolve in the last failed resolution ("" when everything resolved).
std::string UnresolvedNames();

// The table if it has been resolved, else null. Safe on any thread; never looks anything up.
const JavaClasses* ResolvedClasses();

}  // namespace mirav::jni

#endif
