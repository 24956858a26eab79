// The per-client implementation object behind MiravSDKClient.
#ifndef MIRAV_CLIENT_CLIENT_CORE_H
#define MIRAV_CLIENT_CLIENT_CORE_H

#include <atomic>
#include <cstdint>

#include "mirav/MiravTypes.h"

class ClientCore {
public:
    ClientCore();
    ~ClientCore();
    ClientCore(const ClientCore&) = delete;
    ClientCore& operator=(const ClientCore&) = delete;

    int Initialize(const char* localAddress, const char* serverAddress, uint16_t commandPort,
                   uint16_t dataPort);
    int Uninitialize();
    bool IsConnected() const { return connected_.load(std::memory_order_acquire); }

    int WaitForForcePlateInit(int timeoutMs);
    int GetServerDescription(sServerDescription* description);
    int GetDataDescriptions(sDataDescriptions** descriptions);
    int GetDataDescriptionsEx(sDataDescriptions** descriptions);
    int GetTposeDataDescriptions(const char* name, sDataDescriptions** descriptions);

    int SetDataCallback(MiravDataCallback callback, void* userData);
    int SetForcePlateCallback(MiravForcePlateCallback callback, void* userData);
    int SetNotifyMsgCallback(MiravNotifyMsgCallback callback, void* userData);
    int SetAnalogChCallback(MiravAnalogChCallback callback, void* userData);

private:
    std::atomic<bool> connected_{false};
};

#endif
