// Conversion of description records into objects of com.mirav.sdk.model (FrameConverter.cpp).
// Results are new local references, or null with the Java exception that stopped them left pending.
#ifndef MIRAV_JNI_DESCRIPTION_CONVERTER_H
#define MIRAV_JNI_DESCRIPTION_CONVERTER_H

#include <jni.h>

#include "JavaClasses.h"
#include "mirav/MiravTypes.h"

namespace mirav::jni {

// DataDescriptions with one DataDescription per entry. Marker sets, rigid bodies and skeletons
// carry their payload, force plates only their kind; an entry of any other kind stays null.
jobject ConvertDescriptions(JNIEnv* env, const JavaClasses& classes, const sDataDescriptions& set);

jobject ConvertServerDescription(JNIEnv* env, const JavaClasses& classes,
                                 const sServerDescription& server);

}  // namespace mirav::jni

#endif
