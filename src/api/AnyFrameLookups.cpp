// Look-ups by name on any frame record, names of ids, and the const text forms of the class:
// class members and their flat functions. All of them read the process-wide description cache,
// whichever client they are called on.
#include "api/Boundary.h"
#include "mirav/MiravFlatApi.h"
#include "store/GlobalObject.h"

namespace {

constexpr int kMissing = 2;

FrameStore& Store() { return CGlobalObject::Instance().Store(); }

}  // namespace

int MiravSDKClient::Initialize(const char* serverAddress) {
    return Initialize(const_cast<char*>(serverAddress));
}

int MiravSDKClient::GetTposeDataDescriptions(const char* name, sDataDescriptions** descriptions) {
    return GetTposeDataDescriptions(const_cast<char*>(name), descriptions);
}

int MiravSDKClient::FindRigidBodyByName(const sFrameOfMocapData* frame, const char* name,
                                        sRigidBodyData** rigidBody) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(1,
                              [&] { return Store().FindRigidBodyByName(frame, name, rigidBody); });
}

int MiravSDKClient::FindMarkerByName(const sFrameOfMocapData* frame, const char* markerSetName,
                                     const char* markerName, float** point) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(
        1, [&] { return Store().FindMarkerByName(frame, markerSetName, markerName, point); });
}

int MiravSDKClient::FindSkeletonBoneByName(const sFrameOfMocapData* frame, const char* skeletonName,
                                           const char* boneName, sRigidBodyData** bone) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(
        1, [&] { return Store().FindSkeletonBoneByName(frame, skeletonName, boneName, bone); });
}

int MiravSDKClient::FindAnalogValueByName(const sFrameOfMocapData* frame, const char* channelName,
                                          float* value) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(
        1, [&] { return Store().FindAnalogValueByName(frame, channelName, value); });
}

int MiravSDKClient::GetRigidBodyName(int id, char* name, int nameSize) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(1, [&] { return Store().GetRigidBodyName(id, name, nameSize); });
}

int MiravSDKClient::GetSkeletonName(int skeletonId, char* name, int nameSize) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(1,
                              [&] { return Store().GetSkeletonName(skeletonId, name, nameSize); });
}

int MiravSDKClient::GetSkeletonBoneName(int skeletonId, int boneId, char* name, int nameSize) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(
        1, [&] { return Store().GetSkeletonBoneName(skeletonId, boneId, name, nameSize); });
}

int MiravSDKClient::GetMarkerName(const char* markerSetName, int index, char* name, int nameSize) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(
        1, [&] { return Store().GetMarkerName(markerSetName, index, name, nameSize); });
}

int MiravSDKClient::GetAnalogChannelName(int index, char* name, int nameSize) {
    if (!core_) return kMissing;
    return mirav::CallGuarded(1,
                              [&] { return Store().GetAnalogChannelName(index, name, nameSize); });
}

extern "C" {

int FindRigidBodyByName(MiravSDKClient* client, const sFrameOfMocapData* frame, const char* name,
                        sRigidBodyData** rigidBody) {
    return client ? client->FindRigidBodyByName(frame, name, rigidBody) : kMissing;
}

int FindMarkerByName(MiravSDKClient* client, const sFrameOfMocapData* frame,
                     const char* markerSetName, const char* markerName, float** point) {
    return client ? client->FindMarkerByName(frame, markerSetName, markerName, point) : kMissing;
}

int FindSkeletonBoneByName(MiravSDKClient* client, const sFrameOfMocapData* frame,
                           const char* skeletonName, const char* boneName, sRigidBodyData** bone) {
    return client ? client->FindSkeletonBoneByName(frame, skeletonName, boneName, bone) : kMissing;
}

int FindAnalogValueByName(MiravSDKClient* client, const sFrameOfMocapData* frame,
                          const char* channelName, float* value) {
    return client ? client->FindAnalogValueByName(frame, channelName, value) : kMissing;
}

int GetRigidBodyName(MiravSDKClient* client, int id, char* name, int nameSize) {
    return client ? client->GetRigidBodyName(id, name, nameSize) : kMissing;
}

int GetSkeletonName(MiravSDKClient* client, int skeletonId, char* name, int nameSize) {
    return client ? client->GetSkeletonName(skeletonId, name, nameSize) : kMissing;
}

int GetSkeletonBoneName(MiravSDKClient* client, int skeletonId, int boneId, char* name,
                        int nameSize) {
    return client ? client->GetSkeletonBoneName(skeletonId, boneId, name, nameSize) : kMissing;
}

int GetMarkerName(MiravSDKClient* client, const char* markerSetName, int index, char* name,
                  int nameSize) {
    return client ? client->GetMarkerName(markerSetName, index, name, nameSize) : kMissing;
}

int GetAnalogChannelName(MiravSDKClient* client, int index, char* name, int nameSize) {
    return client ? client->GetAnalogChannelName(index, name, nameSize) : kMissing;
}

}  // extern "C"
