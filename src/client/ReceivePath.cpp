// The receive thread of a channel and the reassembly of messages from their datagrams.
#include <cstring>

#include "client/ClientChannel.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"

namespace mirav {
namespace {
constexpr int kSiteSocketClosed = 524;
constexpr int kSiteReceiveFailed = 531;
constexpr int kSiteShort = 573;
constexpr int kSiteFragmentLength = 583;
constexpr int kSiteMagic = 590;
constexpr int kSiteFragmentIndex = 621;
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
        if (sender != serverAddress_) continue;  // only the server is heard
        // A message is timed by the arrival of its first datagram.
        MessageHeader header;
        if (ParseMessageHeader(receiveBuffer_.Data(), dirty, &header) &&
            header.fragmentIndex == 0) {
            currentMessageArrivalNs_ = meta.arrivalNs;
        }
        char senderText[16];
        System::FormatAddress(sender, senderText, sizeof(senderText));
        try {
            Reassemble(senderText, senderPort, receiveBuffer_.Data(), dirty);
        } catch (...) {
            // Out of memory while handling one message: drop it, and any message half
            // collected, and keep receiving. Nothing may end this thread but teardown.
            ResetReassembly();
        }
    }
}

int ClientChannel::Reassemble(const char* senderText, int senderPort, const uint8_t* datagram,
                              uint32_t length) {
    MessageHeader header;
    if (!ParseMessageHeader(datagram, length, &header)) {
        ReportValue(kSiteShort, length);
        return kResultFailed;
    }
    if (length - kMessageHeaderSize != header.fragmentLength) {
        ReportValue(kSiteFragmentLength, header.fragmentLength);
        return kResultFailed;
    }
    if (header.magic != kMessageMagic) {
        ReportValue(kSiteMagic, header.magic);
        return kResultFailed;
    }
    const uint8_t* body = datagram + kMessageHeaderSize;
    if (static_cast<int64_t>(header.fragmentLength) == header.totalLength) {
        Dispatch(senderText, senderPort, header, body, header.fragmentLength);
        ResetReassembly();
        return kResultOk;
    }
    if (header.fragmentIndex == 0) {
        expectedFragment_ = 0;
        fragmentType_ = header.messageType;
        reassemblyBuffer_.Clear();
    } else if (header.messageType != fragmentType_) {
        expectedFragment_ = 0;
        fragmentType_ = 0;
        return kResultFailed;
    } else if (header.fragmentIndex != expectedFragment_) {
        ReportValue(kSiteFragmentIndex, header.fragmentIndex);
        // A repeated copy of the previous fragment keeps the message being collected.
        if (expectedFragment_ != static_cast<uint8_t>(header.fragmentIndex + 1)) {
            expectedFragment_ = 0;
        }
        return kResultFailed;
    }
    if (header.fragmentLength > 0) reassemblyBuffer_.Append(body, header.fragmentLength);
    expectedFragment_ = static_cast<uint8_t>(header.fragmentIndex + 1);
    if (static_cast<int64_t>(reassemblyBuffer_.Used()) == header.totalLength) {
        Dispatch(senderText, senderPort, header, reassemblyBuffer_.Data(),
                 reassemblyBuffer_.Used());
        ResetReassembly();
    }
    return kResultOk;
}

}  // namespace mirav
