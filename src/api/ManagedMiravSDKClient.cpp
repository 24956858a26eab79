// Flat interface: plain C functions taking the client first. A null client answers 2 (null for
// GetLastFrameOfMocapData); required pointer arguments are asserted before anything else.
#include <cstring>

#include "api/Boundary.h"
#include "client/WorkerThread.h"
#include "mirav/MiravFlatApi.h"
#include "platform/Diagnostics.h"

namespace {

constexpr int kOk = 0;
constexpr int kMissing = 2;

// Assertion sites of this unit.
constexpr int kSiteCreateClient = 19;
constexpr int kSiteGetDataDescriptions = 111;
constexpr int kSiteFreeDataDescriptions = 121;
constexpr int kSiteGetDataDescriptionsEx = 131;
constexpr int kSiteFreeDataDescriptionsEx = 148;

// A failed assertion is reported at level 1 with unit and line; the caller then returns 2
// without touching the argument.
bool AssertNotNull(const void* pointer, const char* expression, int line) {
    if (pointer != nullptr) return true;
    System::EmitLevel1(
        "[MiravSDKClient] Assertion failed: %s, file ManagedMiravSDKClient, line %d\n", expression,
        line);
    return false;
}

template <class T>
int StoreValue(MiravSDKClient* client, T* out, T (MiravSDKClient::*accessor)()) {
    if (client == nullptr || out == nullptr) return kMissing;
    *out = (client->*accessor)();
    return kOk;
}

}  // namespace

extern "C" {

int CreateClient(MiravSDKClient** phClient) {
    if (!AssertNotNull(phClient, "phClient", kSiteCreateClient)) return kMissing;
    *phClient = nullptr;
    MiravSDKClient* client =
        mirav::CallGuarded<MiravSDKClient*>(nullptr, [] { return new MiravSDKClient(); });
    *phClient = client;
    return client != nullptr ? kOk : kMissing;
}

int DestroyClient(MiravSDKClient* client) {
    if (client == nullptr) return kMissing;
    // From a callback the teardown would wait for the calling thread: refused, with 1.
    if (mirav::WorkerThread::OnWorkerThread() && client->Uninitialize() == 1) return 1;
    delete client;
    return kOk;
}

int Initialize(MiravSDKClient* client, const char* serverAddress) {
    return client ? client->Initialize(serverAddress) : kMissing;
}

int Uninitialize(MiravSDKClient* client) { return client ? client->Uninitialize() : kMissing; }

int WaitForForcePlateInit(MiravSDKClient* client, int timeoutMs) {
    return client ? client->WaitForForcePlateInit(timeoutMs) : kMissing;
}

int GetServerDescription(MiravSDKClient* client, sServerDescription* description) {
    return client ? client->GetServerDescription(description) : kMissing;
}

int GetDataDescriptions(MiravSDKClient* client, sDataDescriptions** pDataDescriptions) {
    if (!AssertNotNull(pDataDescriptions, "pDataDescriptions", kSiteGetDataDescriptions))
        return kMissing;
    return client ? client->GetDataDescriptions(pDataDescriptions) : kMissing;
}

int GetDataDescriptionsEx(MiravSDKClient* client, sDataDescriptions* pDataDescriptions,
                          sDataDescriptions** descriptions) {
    if (!AssertNotNull(pDataDescriptions, "pDataDescriptions", kSiteGetDataDescriptionsEx))
        return kMissing;
    if (client == nullptr || descriptions == nullptr) return kMissing;
    sDataDescriptions* fetched = nullptr;
    if (client->GetDataDescriptions(&fetched) != kOk || fetched == nullptr) return kMissing;
    *descriptions = fetched;
    // The caller's record shares the typed description records of the returned one.
    std::memcpy(pDataDescriptions, fetched, sizeof(sDataDescriptions));
    return kOk;
}

int FreeDataDescriptions(MiravSDKClient* client, sDataDescriptions* pDataDescriptions) {
    if (!AssertNotNull(pDataDescriptions, "pDataDescriptions", kSiteFreeDataDescriptions))
        return kMissing;
    return client ? client->FreeDataDescriptions(pDataDescriptions) : kMissing;
}

int FreeDataDescriptionsEx(MiravSDKClient* client, sDataDescriptions* pDataDescriptions) {
    if (!AssertNotNull(pDataDescriptions, "pDataDescriptions", kSiteFreeDataDescriptionsEx))
        return kMissing;
    return client ? client->FreeDataDescriptions(pDataDescriptions) : kMissing;
}

int GetTposeDataDescriptions(MiravSDKClient* client, const char* name,
                             sDataDescriptions** descriptions) {
    return client ? client->GetTposeDataDescriptions(name, descriptions) : kMissing;
}

int SetDataCallback(MiravSDKClient* client, MiravDataCallback callback, void* userData) {
    return client ? client->SetDataCallback(callback, userData) : kMissing;
}

int SetForcePlateCallback(MiravSDKClient* client, MiravForcePlateCallback callback,
                          void* userData) {
    return client ? client->SetForcePlateCallback(callback, userData) : kMissing;
}

int SetNotifyMsgCallback(MiravSDKClient* client, MiravNotifyMsgCallback callback, void* userData) {
    return client ? client->SetNotifyMsgCallback(callback, userData) : kMissing;
}

int SetAnalogChCallback(MiravSDKClient* client, MiravAnalogChCallback callback, void* userData) {
    return client ? client->SetAnalogChCallback(callback, userData) : kMissing;
}

int SetMessageCallback(MiravSDKClient* client, MiravMessageCallback callback) {
    return client ? client->SetMessageCallback(callback) : kMissing;
}

int SetVerbosityLevel(MiravSDKClient* client, int level) {
    if (client == nullptr) return kMissing;
    client->SetVerbosityLevel(level);
    return kOk;
}

sFrameOfMocapData* GetLastFrameOfMocapData(MiravSDKClient* client) {
    return client ? client->GetLastFrameOfMocapData() : nullptr;
}

int GetLastFrameMarkerByName(MiravSDKClient* client, const char* markerSetName,
                             const char* markerName, float** point) {
    return client ? client->GetLastFrameMarkerByName(markerSetName, markerName, point) : kMissing;
}

int GetLastFrameRigidBodyByName(MiravSDKClient* client, const char* name,
                                sRigidBodyData** rigidBody) {
    return client ? client->GetLastFrameRigidBodyByName(name, rigidBody) : kMissing;
}

int GetLastFrameSkeletonByName(MiravSDKClient* client, const char* skeletonName,
                               const char* boneName, sRigidBodyData** bone) {
    return client ? client->GetLastFrameSkeletonByName(skeletonName, boneName, bone) : kMissing;
}

int GetLastFrameAnalogdata(MiravSDKClient* client, const char* channelName, float* value) {
    return client ? client->GetLastFrameAnalogdata(channelName, value) : kMissing;
}

int GetLastFrameLabeledMarker(MiravSDKClient* client, sMarker** markers) {
    return client ? client->GetLastFrameLabeledMarker(markers) : kMissing;
}

int GetLastFrameUndefined(MiravSDKClient* client, int index, float** point) {
    return client ? client->GetLastFrameUndefined(index, point) : kMissing;
}

int GetLastFrameDataByType(MiravSDKClient* client, int type, int* value) {
    if (client == nullptr || value == nullptr) return kMissing;
    *value = client->GetLastFrameDataByType(type);
    return kOk;
}

int GetLastFrameLatency(MiravSDKClient* client, float* value) {
    return StoreValue(client, value, &MiravSDKClient::GetLastFrameLatency);
}

int GetLastFrameSubframe(MiravSDKClient* client, uint32_t* value) {
    return StoreValue(client, value, &MiravSDKClient::GetLastFrameSubframe);
}

int GetLastFrameTimecode(MiravSDKClient* client, uint32_t* value) {
    return StoreValue(client, value, &MiravSDKClient::GetLastFrameTimecode);
}

int GetLastFrameTimeStamp(MiravSDKClient* client, int64_t* value) {
    return StoreValue(client, value, &MiravSDKClient::GetLastFrameTimeStamp);
}

int MiravFreeFrame(MiravSDKClient* client, sFrameOfMocapData* frame) {
    return client ? client->MiravFreeFrame(frame) : kMissing;
}

int MiravVersion(MiravSDKClient* client, unsigned char* version) {
    if (client == nullptr) return kMissing;
    client->MiravSDKVersion(version);
    return kOk;
}

int DecodeTimecode(MiravSDKClient* client, uint32_t timecode, uint32_t subframe, int* hour,
                   int* minute, int* second, int* frame, int* subframeOut) {
    if (client == nullptr) return kMissing;
    return client->DecodeTimecode(timecode, subframe, hour, minute, second, frame, subframeOut) ? 1
                                                                                                : 0;
}

int TimecodeStringify(MiravSDKClient* client, uint32_t timecode, uint32_t subframe, char* buffer,
                      int bufferSize) {
    if (client == nullptr) return kMissing;
    return client->TimecodeStringify(timecode, subframe, buffer, bufferSize) ? 1 : 0;
}

int GetConnectionState(MiravSDKClient* client, int* state) {
    return client ? client->GetConnectionState(state) : kMissing;
}

int SetConnectionStateCallback(MiravSDKClient* client, MiravConnectionStateCallback callback,
                               void* userData) {
    return client ? client->SetConnectionStateCallback(callback, userData) : kMissing;
}

int SetStallTimeout(MiravSDKClient* client, int milliseconds) {
    return client ? client->SetStallTimeout(milliseconds) : kMissing;
}

int SetAutoReconnect(MiravSDKClient* client, int enabled, int retryIntervalMs) {
    return client ? client->SetAutoReconnect(enabled, retryIntervalMs) : kMissing;
}

int SetRequestTimeout(MiravSDKClient* client, int milliseconds) {
    return client ? client->SetRequestTimeout(milliseconds) : kMissing;
}

int GetLastErrorText(MiravSDKClient* client, char* buffer, int size) {
    return client ? client->GetLastErrorText(buffer, size) : kMissing;
}

int SetFrameQueueCapacity(MiravSDKClient* client, int frames) {
    return client ? client->SetFrameQueueCapacity(frames) : kMissing;
}

}  // extern "C"
