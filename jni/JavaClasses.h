// Every Java class and method the binding uses, resolved once from a Java thread and kept as
// global references for the life of the process. Receive threads only read the resolved table, so
// no class lookup ever runs on a thread whose class loader may not see the application's classes.
// Model objects are built in Java (com.mirav.sdk.RecordReader) from flat records, so the table
// holds only the entry points of that reader and of the delivery helpers.
#ifndef MIRAV_JNI_JAVA_CLASSES_H
#define MIRAV_JNI_JAVA_CLASSES_H

#include <jni.h>

#include <string>

namespace mirav::jni {

// com.mirav.sdk.RecordReader: builds model objects from flat records (RecordWriter.h).
struct RecordReaderClass {
    jclass cls = nullptr;
    // Static, ([B) -> model object.
    jmethodID frame, extendData, queryRigidBody, labeledMarkers, forcePlates, descriptions,
        serverDescription;
};

// com.mirav.sdk.Deliveries: the Java half of deliveries on the library's threads.
struct DeliveriesClass {
    jclass cls = nullptr;
    jmethodID markLibraryThread;  // static ()V, once per attached thread
    jmethodID message;            // static (Ljava/lang/Object;I[B)V
    jmethodID connectionState;    // static (Ljava/lang/Object;II)V
};

struct JavaClasses {
    RecordReaderClass reader;
    DeliveriesClass deliveries;
};

// The resolved table; resolves it first if needed. Call only from a Java thread (a native method
// or JNI_OnLoad). Null when any class or method is missing; no exception is left pending.
const JavaClasses* ClassesFromJavaThread(JNIEnv* env);

// Names that did not resolve in the last failed resolution ("" when everything resolved).
std::string UnresolvedNames();

// The table if it has been resolved, else null. Safe on any thread; never looks anything up.
const JavaClasses* ResolvedClasses();

}  // namespace mirav::jni

#endif
