// Continuity of a client's stream: its connection state and the callback that reports each
// change, stall detection, automatic reconnection, bounded request waits and the sentence about
// the last failure. The monitor thread runs from the start of Initialize to Uninitialize.
#include <algorithm>
#include <cstring>

#include "client/ClientCore.h"
#include "client/FailureText.h"
#include "client/ForcePlates.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "records/DescriptionMemory.h"

using namespace mirav;

namespace {
constexpr int kSiteMonitorWorker = 121;
constexpr uint8_t kCommandKeepAlive = 111;
constexpr uint8_t kCommandDescriptions = 101;
constexpr uint32_t kMonitorSliceMs = 10;
constexpr uint32_t kAbortPollMs = 2;
constexpr int kMinAttemptWaitMs = 100;
constexpr int kMaxWaitMs = 3600000;
constexpr int kMaxStallMs = 3600000;
constexpr int kMaxRetryIntervalMs = 3600000;
}  // namespace

int ClientCore::GetConnectionState(int* state) const {
    if (state == nullptr) return kResultNullArgument;
    *state = state_.load(std::memory_order_acquire);
    return kResultOk;
}

int ClientCore::SetConnectionStateCallback(MiravConnectionStateCallback callback, void* userData) {
    System::CGuard guard(stateLock_);
    stateCallback_ = callback;
    stateUserData_ = userData;
    return kResultOk;
}

int ClientCore::SetStallTimeout(int milliseconds) {
    if (milliseconds < 0 || milliseconds > kMaxStallMs) return kResultNullArgument;
    stallTimeoutMs_.store(milliseconds, std::memory_order_release);
    return kResultOk;
}

int ClientCore::SetAutoReconnect(int enabled, int retryIntervalMs) {
    if (retryIntervalMs < 0 || retryIntervalMs > kMaxRetryIntervalMs) return kResultNullArgument;
    retryIntervalMs_.store(retryIntervalMs == 0 ? kDefaultRetryIntervalMs : retryIntervalMs,
                           std::memory_order_release);
    autoReconnect_.store(enabled != 0, std::memory_order_release);
    return kResultOk;
}

int ClientCore::SetRequestTimeout(int milliseconds) {
    if (milliseconds < 1 || milliseconds > kMaxWaitMs) return kResultNullArgument;
    requestTimeoutMs_.store(milliseconds, std::memory_order_release);
    return kResultOk;
}

int ClientCore::GetLastErrorText(char* buffer, int size) {
    if (buffer == nullptr || size < 1) return kResultNullArgument;
    System::CGuard guard(stateLock_);
    const size_t copied = std::min(lastError_.size(), static_cast<size_t>(size) - 1);
    if (copied > 0) std::memcpy(buffer, lastError_.data(), copied);
    buffer[copied] = '\0';
    return kResultOk;
}

void ClientCore::SetLastErrorText(const std::string& text) {
    System::CGuard guard(stateLock_);
    lastError_ = text;
}

void ClientCore::RecordRequestFailure(RequestFailure failure, int32_t waitMs) {
    const std::string server = AddressText(command_.ServerAddress());
    switch (failure) {
        case RequestFailure::kUnreachable:
            SetLastErrorText(UnreachableText(server, commandPort_));
            break;
        case RequestFailure::kAborted:
            SetLastErrorText(AbortedText());
            break;
        case RequestFailure::kClosed:
            SetLastErrorText("the command channel is closed: call Initialize first");
            break;
        case RequestFailure::kTimedOut:
            SetLastErrorText(NoReplyText(server, commandPort_, waitMs));
            break;
        case RequestFailure::kNone:
            break;
    }
}

// A server that came back numbers its frames from the beginning again: gaps are counted from
// the next frame on, and the capture clock is fitted anew.
void ClientCore::OnStreamRestarted() {
    statistics_.RestartFrameNumbers();
    RestartFrameTiming();
}

void ClientCore::SetState(int state) {
    System::CGuard guard(stateLock_);
    const int previous = state_.load(std::memory_order_acquire);
    if (previous == state) return;
    state_.store(state, std::memory_order_release);
    stateChanges_.emplace_back(state, previous);
}

// Monitor thread only: each change goes to the callback in order, without any lock held, so the
// callback may call back into the client.
void ClientCore::DeliverStateChanges() {
    for (;;) {
        std::pair<int, int> change;
        MiravConnectionStateCallback callback = nullptr;
        void* userData = nullptr;
        {
            System::CGuard guard(stateLock_);
            if (stateChanges_.empty()) return;
            change = stateChanges_.front();
            stateChanges_.pop_front();
            callback = stateCallback_;
            userData = stateUserData_;
        }
        if (callback != nullptr) InvokeCallback(callback, change.first, change.second, userData);
    }
}

int ClientCore::StartMonitor() {
    monitorStop_.store(false, std::memory_order_release);
    seenFrames_ = data_.FramesArrived() + command_.FramesArrived();
    lastProgressMs_ = 0;
    nextAttemptMs_ = 0;
    return monitor_.Start(this, &ClientCore::MonitorRoutine, kSiteMonitorWorker) == 0
               ? kResultOk
               : kResultNotCreated;
}

// The monitor may be waiting for a reply in a reconnection attempt: every such wait is ended
// until the thread has gone, so Uninitialize never waits out a retry.
void ClientCore::StopMonitor() {
    monitorStop_.store(true, std::memory_order_release);
    while (monitor_.Running()) {
        command_.FailPending(kRequestAborted);
        System::SleepMs(kAbortPollMs);
    }
    monitor_.Stop();
}

int ClientCore::MonitorRoutine(WorkerThread* worker) {
    if (worker == nullptr || worker->Owner() == nullptr) return 1;
    static_cast<ClientCore*>(worker->Owner())->MonitorLoop(worker);
    worker->SignalExited();
    return 0;
}

void ClientCore::MonitorLoop(WorkerThread* worker) {
    bool watching = false;
    while (!monitorStop_.load(std::memory_order_acquire) &&
           worker->run.load(std::memory_order_acquire)) {
        DeliverStateChanges();
        if (initialized_.load(std::memory_order_acquire)) {
            const uint64_t now = System::TickCountMs();
            if (!watching) {
                // The stall time counts from the end of Initialize.
                watching = true;
                lastProgressMs_ = now;
            }
            CheckStream(now);
        }
        System::SleepMs(kMonitorSliceMs);
    }
    SetState(MiravConnectionState_Disconnected);
    DeliverStateChanges();
}

void ClientCore::CheckStream(uint64_t now) {
    int state = state_.load(std::memory_order_acquire);
    if (state == MiravConnectionState_Disconnected) return;  // refused on reconnection
    const uint64_t frames = data_.FramesArrived() + command_.FramesArrived();
    if (frames != seenFrames_) {
        seenFrames_ = frames;
        lastProgressMs_ = now;
        SetState(MiravConnectionState_Streaming);
        return;
    }
    const int stallMs = stallTimeoutMs_.load(std::memory_order_acquire);
    if (stallMs > 0 &&
        (state == MiravConnectionState_Streaming || state == MiravConnectionState_Connecting) &&
        now - lastProgressMs_ >= static_cast<uint64_t>(stallMs)) {
        SetState(MiravConnectionState_Stalled);
        statistics_.StreamStalled();
        SetLastErrorText(StalledText(stallMs, dataPort_, multicast_));
        state = MiravConnectionState_Stalled;
        nextAttemptMs_ = now;
    }
    if (!autoReconnect_.load(std::memory_order_acquire) || now < nextAttemptMs_ ||
        (state != MiravConnectionState_Stalled && state != MiravConnectionState_Reconnecting)) {
        return;
    }
    nextAttemptMs_ = now + static_cast<uint64_t>(retryIntervalMs_.load());
    SetState(MiravConnectionState_Reconnecting);
    DeliverStateChanges();
    Reconnect();
}

// One connect handshake; when the server answers, the stream is set up again as Initialize
// would: same or switched mode, descriptions refreshed, force plates prepared again.
void ClientCore::Reconnect() {
    if (monitorStop_.load(std::memory_order_acquire)) return;
    const int32_t wait =
        std::min<int32_t>(RequestTimeoutMs(), std::max(retryIntervalMs_.load(), kMinAttemptWaitMs));
    const int result = Connect(wait);
    if (monitorStop_.load(std::memory_order_acquire)) return;
    if (result == kResultRefused) {
        LoseServer();  // Connect has written the refusal
        return;
    }
    if (result > 0) return;  // no answer yet: the next attempt follows after the interval
    const bool multicast = result == -1;
    if (multicast != multicast_) {
        if (!multicast_) keepAlive_.Stop();
        // Teardown forgets the application's context pointers; the reopened channel keeps them.
        void* contexts[kCallbackAnalog + 1] = {};
        for (int32_t kind = kCallbackData; kind <= kCallbackAnalog; ++kind) {
            contexts[kind] = data_.Contexts().Get(kind);
        }
        data_.TearDown(false);
        for (int32_t kind = kCallbackData; kind <= kCallbackAnalog; ++kind) {
            data_.Contexts().Set(kind, contexts[kind]);
        }
        multicast_ = multicast;
        if (OpenDataChannel(multicast) != kResultOk) {
            LoseServer();
            return;
        }
        if (!multicast &&
            keepAlive_.Start(this, &ClientCore::KeepAliveRoutine, kSiteMonitorWorker) != 0) {
            LoseServer();
            return;
        }
    } else if (multicast) {
        data_.RejoinGroup();
    } else {
        command_.SendCommand(kCommandKeepAlive, nullptr, 0, 0);
    }
    sDataDescriptions* descriptions = nullptr;
    if (DescriptionsRequest(kCommandDescriptions, nullptr, 0, true, &descriptions) == kResultOk) {
        if (platesPrepared_.load(std::memory_order_acquire)) {
            ForcePlates::Instance().Prepare(descriptions);
        }
        if (descriptions != nullptr) ReleaseDescriptionSet(descriptions);
    }
    OnStreamRestarted();
    lastProgressMs_ = System::TickCountMs();
}

// The server came back but cannot serve this client (refused version, data channel that
// cannot be opened): the client stays initialised but disconnected until Uninitialize.
void ClientCore::LoseServer() {
    connected_.store(false, std::memory_order_release);
    keepAlive_.Stop();
    data_.TearDown(false);
    SetState(MiravConnectionState_Disconnected);
}
