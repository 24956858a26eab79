// Lifecycle of a client: construction, Initialize (connect handshake, data channel, keep-alive),
// Uninitialize, the keep-alive thread and callback registration.
#include "client/ClientCore.h"

#include <cstring>
#include <string>

#include "client/FailureText.h"
#include "mirav/MiravUtilities.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "store/GlobalObject.h"

using namespace mirav;

namespace {
constexpr int kSiteKeepAliveWorker = 120;
constexpr uint8_t kCommandConnect = 0;
constexpr uint8_t kCommandKeepAlive = 111;
constexpr int32_t kConnectBodySize = 265;
constexpr size_t kVersionOffset = 260;
constexpr size_t kAcceptedOffset = 264;
constexpr size_t kMulticastOffset = 265;
constexpr char kMulticastGroup[] = "239.239.239.52";
constexpr int kKeepAliveEvery = 10;
constexpr uint32_t kNotInitializedPauseMs = 5;
constexpr uint32_t kKeepAliveSliceMs = 10;
}  // namespace

ClientCore::ClientCore() {
    command_.SetFrameTiming(&frameTiming_);
    data_.SetFrameTiming(&frameTiming_);
    System::CPlatformResource& platform = CGlobalObject::Instance().Platform();
    if (!platform.IsStarted()) platform.Startup();
    stateLock_.Create();
    command_.SetStatistics(&statistics_.Command());
    command_.SetReassemblyWindowFloorNs(Reassembler::kRepliesWindowFloorNs);
    data_.SetStatistics(&statistics_.Data());
}

int ClientCore::GetStreamStatistics(sStreamStatistics* stats) const {
    // The first version of the record ends with millisecondsSinceLastFrame.
    constexpr uint32_t kFirstVersionSize = 112;
    if (stats == nullptr || stats->size < kFirstVersionSize) return kResultNullArgument;
    sStreamStatistics current;
    std::memset(&current, 0, sizeof(current));
    statistics_.Fill(&current, System::MonotonicNs());
    const uint32_t size = stats->size;
    // Only the fields this version knows are written; the size stays the caller's.
    std::memcpy(reinterpret_cast<uint8_t*>(stats) + sizeof(uint32_t),
                reinterpret_cast<const uint8_t*>(&current) + sizeof(uint32_t),
                sizeof(current) - sizeof(uint32_t));
    stats->size = size;
    return kResultOk;
}

ClientCore::~ClientCore() {
    Uninitialize();
    stateLock_.Dispose();
}

// Teardown from a callback: the receive thread (or keep-alive thread) would wait for itself.
bool ClientCore::RefusedOnWorkerThread() {
    if (!initialized_.load(std::memory_order_acquire) || !WorkerThread::OnWorkerThread()) {
        return false;
    }
    System::EmitLevel1(
        "[MiravSDKClient] Uninitialize refused: called on a library thread (from a callback), "
        "it would wait for that thread itself\n");
    SetLastErrorText(InsideCallbackText());
    return true;
}

void ClientCore::SetTeardownPauseMs(int ms) {
    command_.SetTeardownPauseMs(ms);
    data_.SetTeardownPauseMs(ms);
}

void ClientCore::ResetDefaults() {
    connected_.store(false, std::memory_order_release);
    initialized_.store(false, std::memory_order_release);
    commandPort_ = kDefaultCommandPort;
    dataPort_ = kDefaultDataPort;
}

// Connect request and version check; 0 when the server accepted this client (unicast), -1 when
// it accepted it and sends frames to the multicast group.
int ClientCore::Connect(int32_t waitMs, RequestFailure* failureOut) {
    Reply* reply = NewReply();
    if (reply == nullptr) return kResultNoBuffer;
    uint8_t body[kConnectBodySize] = {};
    Solvanta_GetVersion(body + kVersionOffset);
    RequestFailure failure = RequestFailure::kNone;
    int result =
        command_.SendRequest(kCommandConnect, body, kConnectBodySize, reply, waitMs, &failure);
    if (result == kResultOk) {
        const uint8_t* version = reply->record.body + kVersionOffset;
        if (reply->record.body[kAcceptedOffset] == 0) {
            char line[160];
            std::snprintf(line, sizeof(line), "%s%s%u.%u.%u.%u\n",
                          "[Error] Current SDKVersion is Not Supported, ",
                          "Found the Server Version is:", version[0], version[1], version[2],
                          version[3]);
            System::EmitLevel3("%s", line);
            SetLastErrorText(RefusedText(version));
            result = kResultRefused;
        } else {
            CGlobalObject::Instance().SetServerVersion(
                uint32_t{version[0]} | (uint32_t{version[1]} << 8) | (uint32_t{version[2]} << 16) |
                (uint32_t{version[3]} << 24));
            connected_.store(true, std::memory_order_release);
            result = reply->record.body[kMulticastOffset] != 0 ? -1 : kResultOk;
        }
    } else {
        RecordRequestFailure(failure, waitMs);
    }
    if (failureOut != nullptr) *failureOut = failure;
    DeleteReply(reply);
    return result;
}

// Opens the data channel in the mode the server chose; in unicast mode the first keep-alive
// goes out at once.
int ClientCore::OpenDataChannel(bool multicast) {
    const std::string server = AddressText(command_.ServerAddress());
    if (multicast) {
        const int result = data_.Open(kMulticastGroup, dataPort_, server.c_str());
        if (result != kResultOk) SetLastErrorText(MulticastJoinText(kMulticastGroup, dataPort_));
        return result;
    }
    const int result = data_.OpenUnicastData(dataPort_, command_.ServerAddress());
    if (result != kResultOk) {
        SetLastErrorText(DataPortInUseText(dataPort_));
        return result;
    }
    command_.SendCommand(kCommandKeepAlive, nullptr, 0, 0);
    return kResultOk;
}

int ClientCore::Initialize(const char*, const char* serverAddress, uint16_t commandPort,
                           uint16_t dataPort) {
    if (serverAddress == nullptr) {
        SetLastErrorText("no server address was given");
        return kResultUnusableAddress;
    }
    if (initialized_.load(std::memory_order_acquire)) {
        SetLastErrorText("the client is already initialised: call Uninitialize first");
        return kResultAlreadyOpen;
    }
    commandPort_ = commandPort;
    dataPort_ = dataPort;
    frameTiming_.Reset();
    SetState(MiravConnectionState_Connecting);
    if (StartMonitor() != kResultOk) {
        SetState(MiravConnectionState_Disconnected);
        DeliverStateChanges();
        return kResultNotCreated;
    }
    const auto fail = [this](int result, bool pause) {
        data_.TearDown();
        command_.TearDown(pause);
        ResetDefaults();
        StopMonitor();
        return result;
    };

    int result = command_.Open(serverAddress, commandPort_, "");
    if (result != kResultOk) {
        SetLastErrorText(result == kResultUnusableAddress
                             ? UnusableAddressText(serverAddress)
                             : CommandChannelText(serverAddress, commandPort_, result));
        return fail(result, true);
    }
    RequestFailure failure = RequestFailure::kNone;
    result = Connect(RequestTimeoutMs(), &failure);
    if (result > 0) {
        // Nothing listens there: no reason to keep the caller waiting for the teardown pause.
        return fail(result, failure != RequestFailure::kUnreachable);
    }
    multicast_ = result == -1;
    result = OpenDataChannel(multicast_);
    // The client is not connected after a failure: requests answer 10 again.
    if (result != kResultOk) return fail(result, true);
    if (!multicast_ &&
        keepAlive_.Start(this, &ClientCore::KeepAliveRoutine, kSiteKeepAliveWorker) != 0) {
        return fail(kResultNotCreated, true);
    }
    platesPrepared_.store(false, std::memory_order_release);
    initialized_.store(true, std::memory_order_release);
    return kResultOk;
}

int ClientCore::Uninitialize() {
    if (RefusedOnWorkerThread()) return kResultFailed;
    if (initialized_.exchange(false)) {
        StopMonitor();
        data_.TearDown();
        command_.TearDown();
        keepAlive_.Stop();
    }
    ResetDefaults();
    return kResultOk;
}

int ClientCore::KeepAliveRoutine(WorkerThread* worker) {
    if (worker == nullptr || worker->Owner() == nullptr) return 1;
    static_cast<ClientCore*>(worker->Owner())->KeepAliveLoop(worker);
    worker->SignalExited();
    return 0;
}

void ClientCore::KeepAliveLoop(WorkerThread* worker) {
    while (worker->run.load(std::memory_order_acquire)) {
        if (!initialized_.load(std::memory_order_acquire)) {
            // Between thread start and the end of Initialize, and during Uninitialize.
            System::SleepMs(kNotInitializedPauseMs);
            continue;
        }
        int sleeps = 0;
        while (initialized_.load(std::memory_order_acquire) &&
               worker->run.load(std::memory_order_acquire)) {
            // One sleep in short slices, so Uninitialize never waits for a whole sleep.
            const uint64_t end = System::TickCountMs() + static_cast<uint64_t>(keepAliveSleepMs_);
            while (System::TickCountMs() < end && worker->run.load(std::memory_order_acquire)) {
                System::SleepMs(kKeepAliveSliceMs);
            }
            if (++sleeps < kKeepAliveEvery) continue;
            sleeps = 0;
            if (!initialized_.load(std::memory_order_acquire)) break;
            const int32_t sequence = command_.NewSequenceNumber();
            command_.SendCommand(kCommandKeepAlive, nullptr, 0, static_cast<uint32_t>(sequence));
        }
    }
}

int ClientCore::SetDataCallback(MiravDataCallback callback, void* userData) {
    command_.Contexts().Set(kCallbackData, userData);
    data_.Contexts().Set(kCallbackData, userData);
    CallbackSlots::Instance().data.store(callback);
    return 0;
}

int ClientCore::SetForcePlateCallback(MiravForcePlateCallback callback, void* userData) {
    command_.Contexts().Set(kCallbackForcePlate, userData);
    data_.Contexts().Set(kCallbackForcePlate, userData);
    CallbackSlots::Instance().forcePlate.store(callback);
    return 0;
}

int ClientCore::SetNotifyMsgCallback(MiravNotifyMsgCallback callback, void* userData) {
    command_.Contexts().Set(kCallbackNotify, userData);
    data_.Contexts().Set(kCallbackNotify, userData);
    CallbackSlots::Instance().notify.store(callback);
    return 0;
}

int ClientCore::SetAnalogChCallback(MiravAnalogChCallback callback, void* userData) {
    command_.Contexts().Set(kCallbackAnalog, userData);
    data_.Contexts().Set(kCallbackAnalog, userData);
    CallbackSlots::Instance().analog.store(callback);
    return 0;
}
