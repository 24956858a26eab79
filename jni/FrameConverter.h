// Conversion of frame records into objects of com.mirav.sdk.model. Every function returns a new
// local reference, or null with the Java exception that stopped it left pending. A conversion
// holds two local references at most.
#ifndef MIRAV_JNI_FRAME_CONVERTER_H
#define MIRAV_JNI_FRAME_CONVERTER_H

#include <jni.h>

#include "JavaClasses.h"
#include "mirav/MiravTypes.h"

namespace mirav::jni {

// FrameOfMocapData with counts, scalars, marker sets, rigid bodies (markers as Marker objects,
// plus their IDs, sizes, mean error and flags), skeletons, unlabelled and labelled markers and
// analog values; with withExtendData also the extended data (deliveries attach it).
jobject ConvertFrame(JNIEnv* env, const JavaClasses& classes, const sFrameOfMocapData* frame,
                     bool withExtendData = false);

// FrameExtendData from the first block of type 1; null when there is none or its item count is
// outside 1..1000.
jobject ConvertExtendData(JNIEnv* env, const JavaClasses& classes, const sFrameExtendData& data);

// RigidBodyData in query form: markers as float[3] arrays plus IDs, sizes, mean error and flags.
// Marker arrays are carried only for 1..999 markers.
jobject ConvertQueryRigidBody(JNIEnv* env, const JavaClasses& classes, const sRigidBodyData& body);

// Marker[] of count labelled markers with ID, position and size; null if count < 0.
jobjectArray ConvertLabeledMarkers(JNIEnv* env, const JavaClasses& classes, const sMarker* markers,
                                   int count);

// ForcePlates with the frame number and one ForcePlateData per plate (at most 8).
jobject ConvertForcePlates(JNIEnv* env, const JavaClasses& classes, const sForcePlates& plates);

}  // namespace mirav::jni

#endif
