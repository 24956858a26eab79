// Class interface: argument checks and forwarding to the client core, the frame store and the
// record utilities.
#include "mirav/MiravSDKClient.h"

#include "api/Boundary.h"
#include "client/ClientCore.h"
#include "platform/Diagnostics.h"
#include "store/GlobalObject.h"

namespace {

constexpr int kNoCore = 2;
// A required out pointer that is null: the same code as a missing core, before anything else is
// checked or sent.
constexpr int kNullArgument = 2;
constexpr int kNotConnected = 10;
constexpr uint16_t kCommandPort = 5230;
constexpr uint16_t kDataPort = 5231;

FrameStore& Store() { return CGlobalObject::Instance().Store(); }

}  // namespace

MiravSDKClient::MiravSDKClient() : core_(nullptr) {
    mirav::CallGuardedVoid([this] {
        CGlobalObject::Instance();
        core_ = new ClientCore();
    });
}

MiravSDKClient::~MiravSDKClient() {
    if (core_ == nullptr) return;
    // Destroyed from one of the library's own threads while initialised: waiting for the threads
    // would wait for the caller itself, so the core is left to them (a level-1 line says so).
    if (core_->RefusedOnWorkerThread()) return;
    mirav::CallGuardedVoid([this] { delete core_; });
    core_ = nullptr;
}

MiravSDKClient& MiravSDKClient::operator=(const MiravSDKClient& other) {
    core_ = other.core_;
    return *this;
}

int MiravSDKClient::Initialize(char* serverAddress) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(
        1, [&] { return core_->Initialize(nullptr, serverAddress, kCommandPort, kDataPort); });
}

int MiravSDKClient::Uninitialize() {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return core_->Uninitialize(); });
}

int MiravSDKClient::WaitForForcePlateInit(int timeoutMs) {
    if (!core_) return kNoCore;
    if (!core_->IsConnected()) return core_->NotConnected();
    return mirav::CallGuarded(1, [&] { return core_->WaitForForcePlateInit(timeoutMs); });
}

int MiravSDKClient::GetServerDescription(sServerDescription* description) {
    if (!core_) return kNoCore;
    if (description == nullptr) return kNullArgument;
    return mirav::CallGuarded(1, [&] { return core_->GetServerDescription(description); });
}

int MiravSDKClient::GetDataDescriptions(sDataDescriptions** descriptions) {
    if (!core_) return kNoCore;
    if (descriptions == nullptr) return kNullArgument;
    if (!core_->IsConnected()) return core_->NotConnected();
    return mirav::CallGuarded(1, [&] { return core_->GetDataDescriptions(descriptions); });
}

int MiravSDKClient::GetDataDescriptionsEx(sDataDescriptions** descriptions) {
    if (!core_) return kNoCore;
    if (descriptions == nullptr) return kNullArgument;
    if (!core_->IsConnected()) return core_->NotConnected();
    return mirav::CallGuarded(1, [&] { return core_->GetDataDescriptionsEx(descriptions); });
}

int MiravSDKClient::GetTposeDataDescriptions(char* name, sDataDescriptions** descriptions) {
    if (!core_) return kNoCore;
    if (descriptions == nullptr) return kNullArgument;
    if (!core_->IsConnected()) return core_->NotConnected();
    return mirav::CallGuarded(1,
                              [&] { return core_->GetTposeDataDescriptions(name, descriptions); });
}

int MiravSDKClient::FreeDataDescriptions(sDataDescriptions* descriptions) {
    return Solvanta_FreeDescriptions(descriptions);
}

int MiravSDKClient::SetDataCallback(MiravDataCallback callback, void* userData) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return core_->SetDataCallback(callback, userData); });
}

int MiravSDKClient::SetForcePlateCallback(MiravForcePlateCallback callback, void* userData) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return core_->SetForcePlateCallback(callback, userData); });
}

int MiravSDKClient::SetNotifyMsgCallback(MiravNotifyMsgCallback callback, void* userData) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return core_->SetNotifyMsgCallback(callback, userData); });
}

int MiravSDKClient::SetAnalogChCallback(MiravAnalogChCallback callback, void* userData) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return core_->SetAnalogChCallback(callback, userData); });
}

int MiravSDKClient::SetMessageCallback(MiravMessageCallback callback) {
    if (!core_) return kNoCore;
    System::SetMessageCallback(callback);
    return 0;
}

void MiravSDKClient::SetVerbosityLevel(int level) {
    if (core_) System::SetVerbosityLevel(level);
}

sFrameOfMocapData* MiravSDKClient::GetLastFrameOfMocapData() {
    if (!core_) return nullptr;
    return mirav::CallGuarded<sFrameOfMocapData*>(nullptr, [] { return Store().TakeFrame(); });
}

int MiravSDKClient::GetLastFrameMarkerByName(const char* markerSetName, const char* markerName,
                                             float** point) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(
        1, [&] { return Store().GetLastFrameMarkerByName(markerSetName, markerName, point); });
}

int MiravSDKClient::GetLastFrameRigidBodyByName(const char* name, sRigidBodyData** rigidBody) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1,
                              [&] { return Store().GetLastFrameRigidBodyByName(name, rigidBody); });
}

int MiravSDKClient::GetLastFrameSkeletonByName(const char* skeletonName, const char* boneName,
                                               sRigidBodyData** bone) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(
        1, [&] { return Store().GetLastFrameSkeletonByName(skeletonName, boneName, bone); });
}

int MiravSDKClient::GetLastFrameAnalogdata(const char* channelName, float* value) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1,
                              [&] { return Store().GetLastFrameAnalogdata(channelName, value); });
}

int MiravSDKClient::GetLastFrameDataByType(int type) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(-1, [&] { return Store().GetLastFrameDataByType(type); });
}

int MiravSDKClient::GetLastFrameExtendData(sFrameExtendData& extendData) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return Store().GetLastFrameExtendData(extendData); });
}

int MiravSDKClient::GetLastFrameLabeledMarker(sMarker** markers) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return Store().GetLastFrameLabeledMarker(markers); });
}

float MiravSDKClient::GetLastFrameLatency() {
    if (!core_) return 2.0f;
    return mirav::CallGuarded(0.0f, [] { return Store().GetLastFrameLatency(); });
}

uint32_t MiravSDKClient::GetLastFrameSubframe() {
    if (!core_) return 2;
    return mirav::CallGuarded(0u, [] { return Store().GetLastFrameSubframe(); });
}

int64_t MiravSDKClient::GetLastFrameTimeStamp() {
    if (!core_) return 2;
    return mirav::CallGuarded<int64_t>(0, [] { return Store().GetLastFrameTimeStamp(); });
}

uint32_t MiravSDKClient::GetLastFrameTimecode() {
    if (!core_) return 2;
    return mirav::CallGuarded(0u, [] { return Store().GetLastFrameTimecode(); });
}

int MiravSDKClient::GetLastFrameUndefined(int index, float** point) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return Store().GetLastFrameUndefined(index, point); });
}

int MiravSDKClient::MiravCopyFrame(const sFrameOfMocapData* source,
                                   sFrameOfMocapData* destination) {
    return Solvanta_CopyFrame(source, destination);
}

int MiravSDKClient::MiravFreeFrame(sFrameOfMocapData* frame) { return Solvanta_FreeFrame(frame); }

void MiravSDKClient::MiravSDKVersion(unsigned char* version) { Solvanta_GetVersion(version); }

bool MiravSDKClient::DecodeTimecode(uint32_t timecode, uint32_t subframe, int* hour, int* minute,
                                    int* second, int* frame, int* subframeOut) {
    return Solvanta_DecodeTimecode(timecode, subframe, hour, minute, second, frame, subframeOut);
}

bool MiravSDKClient::TimecodeStringify(uint32_t timecode, uint32_t subframe, char* buffer,
                                       int bufferSize) {
    return Solvanta_TimecodeStringify(timecode, subframe, buffer, bufferSize);
}

int MiravSDKClient::GetConnectionState(int* state) {
    if (!core_) return kNoCore;
    return core_->GetConnectionState(state);
}

int MiravSDKClient::SetConnectionStateCallback(MiravConnectionStateCallback callback,
                                               void* userData) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(
        1, [&] { return core_->SetConnectionStateCallback(callback, userData); });
}

int MiravSDKClient::SetStallTimeout(int milliseconds) {
    if (!core_) return kNoCore;
    return core_->SetStallTimeout(milliseconds);
}

int MiravSDKClient::SetAutoReconnect(int enabled, int retryIntervalMs) {
    if (!core_) return kNoCore;
    return core_->SetAutoReconnect(enabled, retryIntervalMs);
}

int MiravSDKClient::SetRequestTimeout(int milliseconds) {
    if (!core_) return kNoCore;
    return core_->SetRequestTimeout(milliseconds);
}

int MiravSDKClient::GetLastErrorText(char* buffer, int size) {
    if (!core_) return kNoCore;
    return mirav::CallGuarded(1, [&] { return core_->GetLastErrorText(buffer, size); });
}

int MiravSDKClient::SetFrameQueueCapacity(int frames) {
    if (!core_) return kNoCore;
    if (frames < 1) return kNullArgument;
    return mirav::CallGuarded(1, [&] {
        return Store().SetQueueCapacity(static_cast<size_t>(frames)) ? 0 : kNullArgument;
    });
}
