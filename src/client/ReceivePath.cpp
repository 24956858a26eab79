// The receive thread of a channel and the reassembly of messages from their datagrams.
#include <cstring>

#include "client/ClientChannel.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"

namespace mirav {
namespace {
constexpr int kSiteSocketClosed = 524;
constexpr int kSiteReceiveFailed = 531;
constexpr uint32_t kRetryPauseMs = 10;
constexpr uint32_t kIdlePauseMs = 2;

void ReportValue(int site, unsigned value) {
    System::EmitLevel1("[MiravSDKClient] %d %u.\n", site, value);
}
}  // namespace

int ClientChannel::ReceiveRoutine(WorkerThread* worker) {
    if (worker == nullptr || worker->Owner() == nullptr) return 1;
    while (worker->run.load(std::memory_order_acquire)) {
        auto* channel = static_cast<ClientChannel*>(worker->Owner());
        if (channel == nullptr) break;
        channel->ReceiveLoop();
        // The channel is closing: wait for teardown to stop this worker.
        if (worker->run.load(std::memory_order_acquire)) System::SleepMs(kIdlePauseMs);
    }
    worker->SignalExited();
    return 0;
}

void ClientChannel::ReceiveLoop() {
    // Bytes of the buffer written by the previous datagram; the rest is still zero, so clearing
    // these keeps every received body followed by zeros.
    uint32_t dirty = receiveBuffer_.Capacity();
    while (open_.load(std::memory_order_acquire)) {
        std::memset(receiveBuffer_.Data(), 0, dirty);
        if (socket_.IsClosed()) {
            System::ReportFailed(kSiteSocketClosed);
            return;
        }
        int length = static_cast<int>(receiveBuffer_.Capacity());
        uint32_t sender = 0;
        int senderPort = 0;
        System::os::ReceiveMeta meta;
        const int result =
            socket_.Receive(receiveBuffer_.Data(), &length, &sender, &senderPort, &meta);
        if (!open_.load(std::memory_order_acquire)) return;  // woken by teardown
        if (result == System::kSocketNoDatagram) {
            dirty = 0;
            continue;
        }
        if (result != System::kSocketOk || length <= 0) {
            // Nobody listens on the server's port: no waiting request can get its reply.
            if (result == System::kSocketPeerUnreachable) FailPending(kRequestUnreachable);
            System::ReportFailed(kSiteReceiveFailed);
            System::SleepMs(kRetryPauseMs);
            dirty = 0;
            continue;
        }
        dirty = static_cast<uint32_t>(length);
        silenceCounter_.store(0, std::memory_order_relaxed);
        if (sender != serverAddress_) {
            // Only the server is heard.
            if (counters_ != nullptr) counters_->datagramsForeign.Add();
            continue;
        }
        if (counters_ != nullptr) {
            counters_->datagramsReceived.Add();
            counters_->bytesReceived.Add(dirty);
        }
        DatagramInfo info;
        info.arrivalNs = meta.arrivalNs;
        info.dropCounterValid = meta.dropCounterValid;
        info.dropCounter = meta.dropCounter;
        char senderText[16];
        System::FormatAddress(sender, senderText, sizeof(senderText));
        try {
            Reassemble(senderText, senderPort, receiveBuffer_.Data(), dirty, info);
        } catch (...) {
            // Out of memory while handling one message: drop it, and any message half
            // collected, and keep receiving. Nothing may end this thread but teardown.
            ResetReassembly();
        }
    }
}

int ClientChannel::Reassemble(const char* senderText, int senderPort, const uint8_t* datagram,
                              uint32_t length, const DatagramInfo& info) {
    const Reassembler::Result result = reassembler_.Accept(datagram, length, info);
    if (result.reportSite != 0) ReportValue(result.reportSite, result.reportValue);
    switch (result.outcome) {
        case Reassembler::Outcome::kComplete:
            Dispatch(senderText, senderPort, result.header, result.body, result.length,
                     result.info);
            return kResultOk;
        case Reassembler::Outcome::kStored:
            return kResultOk;
        case Reassembler::Outcome::kDropped:
            break;
    }
    return kResultFailed;
}

}  // namespace mirav
