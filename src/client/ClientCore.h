// The per-client implementation object behind MiravSDKClient: settings, the command and data
// channels and the keep-alive worker.
#ifndef MIRAV_CLIENT_CLIENT_CORE_H
#define MIRAV_CLIENT_CLIENT_CORE_H

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>

#include "client/ClientChannel.h"
#include "client/StreamStatistics.h"
#include "client/WorkerThread.h"
#include "mirav/MiravTypes.h"

class ClientCore {
public:
    static constexpr uint16_t kDefaultCommandPort = 5230;
    static constexpr uint16_t kDefaultDataPort = 5231;
    static constexpr int32_t kRequestWaitMs = 5000;
    static constexpr int kDefaultStallTimeoutMs = 1000;
    static constexpr int kDefaultRetryIntervalMs = 1000;

    ClientCore();
    ~ClientCore();
    ClientCore(const ClientCore&) = delete;
    ClientCore& operator=(const ClientCore&) = delete;

    // localAddress has no effect. Result codes: 0, 1, 4, 6, 7, 10, 13, 14, 15.
    int Initialize(const char* localAddress, const char* serverAddress, uint16_t commandPort,
                   uint16_t dataPort);
    // 1 at once (level-1 line) when called on a library thread while initialised: the teardown
    // would wait for the calling thread itself.
    int Uninitialize();
    bool RefusedOnWorkerThread();
    bool IsConnected() const { return connected_.load(std::memory_order_acquire); }
    bool IsInitialized() const { return initialized_.load(std::memory_order_acquire); }

    int WaitForForcePlateInit(int timeoutMs);
    int GetServerDescription(sServerDescription* description);
    int GetDataDescriptions(sDataDescriptions** descriptions);
    int GetDataDescriptionsEx(sDataDescriptions** descriptions);
    int GetTposeDataDescriptions(const char* name, sDataDescriptions** descriptions);

    int SetDataCallback(MiravDataCallback callback, void* userData);
    int SetForcePlateCallback(MiravForcePlateCallback callback, void* userData);
    int SetNotifyMsgCallback(MiravNotifyMsgCallback callback, void* userData);
    int SetAnalogChCallback(MiravAnalogChCallback callback, void* userData);

    // Copies the client's stream statistics: 0, or 2 for a null record or a size below the
    // first version of the record.
    int GetStreamStatistics(sStreamStatistics* stats) const;
    // Host timing of this client's frames (MiravSDKClient::GetFrameHostTiming).
    const mirav::FrameTimingLog& FrameTiming() const { return frameTiming_; }
    // The stream starts again (reconnect, server restart): the capture clock is fitted anew.
    void RestartFrameTiming() { frameTiming_.Reset(); }
    // Connection state, stall detection, automatic reconnection and bounded waits
    // (Continuity.cpp). The state callback runs on the client's monitor thread, no lock held.
    int GetConnectionState(int* state) const;
    int SetConnectionStateCallback(MiravConnectionStateCallback callback, void* userData);
    int SetStallTimeout(int milliseconds);
    int SetAutoReconnect(int enabled, int retryIntervalMs);
    int SetRequestTimeout(int milliseconds);
    int32_t RequestTimeoutMs() const { return requestTimeoutMs_.load(std::memory_order_acquire); }
    // One sentence about the client's last failure ("" when none); truncated to the buffer.
    int GetLastErrorText(char* buffer, int size);
    void SetLastErrorText(const std::string& text);
    // Records why a request needs a connection; returns 10.
    int NotConnected();
    // The frame numbers of the stream start again (the server came back): whatever counts gaps
    // or models the server's clock starts afresh here.
    void OnStreamRestarted();

    // Internal tests shorten the waits: the pause of each channel teardown (400 ms) and the
    // keep-alive sleep (500 ms; a keep-alive leaves after every 10th sleep).
    void SetTeardownPauseMs(int ms);
    void SetKeepAliveSleepMs(int ms) { keepAliveSleepMs_.store(ms); }

private:
    static int KeepAliveRoutine(mirav::WorkerThread* worker);
    void KeepAliveLoop(mirav::WorkerThread* worker);
    int Connect(int32_t waitMs, mirav::RequestFailure* failure = nullptr);
    int OpenDataChannel(bool multicast);
    void RecordRequestFailure(mirav::RequestFailure failure, int32_t waitMs);

    // Monitor thread (Continuity.cpp): delivers state changes, detects stalls, reconnects.
    static int MonitorRoutine(mirav::WorkerThread* worker);
    void MonitorLoop(mirav::WorkerThread* worker);
    void CheckStream(uint64_t now);
    void Reconnect();
    void LoseServer();
    int StartMonitor();
    void StopMonitor();
    void SetState(int state);
    void DeliverStateChanges();
    int DescriptionsRequest(uint8_t code, const uint8_t* body, int32_t length, bool feedCache,
                            sDataDescriptions** descriptions);
    void ResetDefaults();

    std::atomic<bool> connected_{false};
    std::atomic<bool> initialized_{false};
    uint32_t commandPort_ = kDefaultCommandPort;
    uint32_t dataPort_ = kDefaultDataPort;
    mirav::FrameTimingLog frameTiming_;  // outlives the channels that feed it
    // Declared before the channels, which count into it until they are torn down.
    mirav::StreamStatistics statistics_;
    mirav::ClientChannel command_;
    mirav::ClientChannel data_;
    mirav::WorkerThread keepAlive_;
    std::atomic<int> keepAliveSleepMs_{500};

    // Continuity settings and state.
    std::atomic<int32_t> requestTimeoutMs_{kRequestWaitMs};
    std::atomic<int> stallTimeoutMs_{kDefaultStallTimeoutMs};
    std::atomic<bool> autoReconnect_{false};
    std::atomic<int> retryIntervalMs_{kDefaultRetryIntervalMs};
    std::atomic<bool> platesPrepared_{false};
    bool multicast_ = false;  // mode of the data channel; Initialize and the monitor only
    std::atomic<int> state_{0};
    mirav::WorkerThread monitor_;
    std::atomic<bool> monitorStop_{false};
    // Monitor thread only: progress of the stream.
    uint64_t seenFrames_ = 0;
    uint64_t lastProgressMs_ = 0;
    uint64_t nextAttemptMs_ = 0;

    // Guards the state queue, the state callback and the last error text.
    System::CMutex stateLock_;
    std::deque<std::pair<int, int>> stateChanges_;
    MiravConnectionStateCallback stateCallback_ = nullptr;
    void* stateUserData_ = nullptr;
    std::string lastError_;
};

#endif
