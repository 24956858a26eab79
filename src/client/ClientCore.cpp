// Client core without its network channels: callbacks are stored, every operation that needs the
// server answers as a client without an implementation (2).
#include "client/ClientCore.h"

namespace {
constexpr int kNoImplementation = 2;
}

ClientCore::ClientCore() = default;
ClientCore::~ClientCore() = default;

int ClientCore::Initialize(const char*, const char*, uint16_t, uint16_t) { return kNoImplementation; }
int ClientCore::Uninitialize() { return kNoImplementation; }
int ClientCore::WaitForForcePlateInit(int) { return kNoImplementation; }
int ClientCore::GetServerDescription(sServerDescription*) { return kNoImplementation; }
int ClientCore::GetDataDescriptions(sDataDescriptions**) { return kNoImplementation; }
int ClientCore::GetDataDescriptionsEx(sDataDescriptions**) { return kNoImplementation; }
int ClientCore::GetTposeDataDescriptions(const char*, sDataDescriptions**) { return kNoImplementation; }
int ClientCore::SetDataCallback(MiravDataCallback, void*) { return 0; }
int ClientCore::SetForcePlateCallback(MiravForcePlateCallback, void*) { return 0; }
int ClientCore::SetNotifyMsgCallback(MiravNotifyMsgCallback, void*) { return 0; }
int ClientCore::SetAnalogChCallback(MiravAnalogChCallback, void*) { return 0; }
