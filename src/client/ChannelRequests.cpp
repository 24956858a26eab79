// The command side of a channel: sequence numbers, the fragmenting send, requests that wait for
// their reply, commands that expect none, and the hand-over of a reply to its waiting request.
#include <cstring>

#include "client/ClientChannel.h"
#include "client/SequenceNumbers.h"
#include "platform/Clock.h"
#include "platform/Diagnostics.h"

namespace mirav {
namespace {
constexpr int kSiteNoEvent = 329;
constexpr int kSiteNoReply = 363;
constexpr int kSiteVanished = 387;
constexpr uint32_t kCollisionPauseMs = 100;
}  // namespace

PendingRequest* ClientChannel::FindPending(int32_t sequence) {
    for (PendingRequest& request : pending_) {
        if (request.sequence == sequence) return &request;
    }
    return nullptr;
}

bool ClientChannel::HasPending(int32_t sequence) { return FindPending(sequence) != nullptr; }

int32_t ClientChannel::NewSequenceNumber() {
    System::CGuard guard(lock_);
    for (;;) {
        const int32_t candidate = DrawSequenceCandidate();
        if (!HasPending(candidate)) return candidate;
        System::SleepMs(kCollisionPauseMs);
    }
}

// Caller holds the channel lock. A send failure is reported by the facade only; a request then
// runs into its time-out.
void ClientChannel::SendFragmented(uint8_t code, const uint8_t* body, int32_t length,
                                   uint32_t sequence) {
    if (!open_.load(std::memory_order_acquire) || sendBuffer_.Capacity() == 0) return;
    const int32_t total = length > 0 ? length : 0;
    int32_t sent = 0;
    uint8_t index = 0;
    do {
        sendBuffer_.Clear();
        const int32_t n = total - sent < kMaxFragmentBody ? total - sent : kMaxFragmentBody;
        MessageHeader header;
        header.totalLength = total;
        header.messageType = code;
        header.fragmentIndex = index;
        header.fragmentLength = static_cast<uint16_t>(n);
        header.sequence = sequence;
        EncodeMessageHeader(header, sendBuffer_.Data(), sendBuffer_.Capacity());
        sendBuffer_.Advance(kMessageHeaderSize);
        if (body != nullptr && n > 0) sendBuffer_.Append(body + sent, static_cast<uint32_t>(n));
        const int size = static_cast<int>(sendBuffer_.Used());
        if (!addressText_.empty()) {
            socket_.SendToPeer(sendBuffer_.Data(), size, addressText_.c_str(),
                               static_cast<int>(port_), nullptr, 0);
        } else {
            socket_.SendDefault(sendBuffer_.Data(), size);
        }
        ++index;
        sent += n;
    } while (sent < total);
}

int ClientChannel::SendCommand(uint8_t code, const uint8_t* body, int32_t length,
                               uint32_t sequence) {
    System::CGuard guard(lock_);
    SendFragmented(code, body, length, sequence);
    return kResultOk;
}

int ClientChannel::SendRequest(uint8_t code, const uint8_t* body, int32_t length, Reply* reply,
                               int32_t waitMs, RequestFailure* failure) {
    RequestFailure ignored = RequestFailure::kNone;
    RequestFailure& why = failure != nullptr ? *failure : ignored;
    why = RequestFailure::kNone;
    int32_t sequence = 0;
    {
        System::CGuard guard(lock_);
        if (!open_.load(std::memory_order_acquire)) {
            // A closed channel can never answer: fail at once instead of waiting it out.
            System::ReportFailed(kSiteNoReply);
            why = RequestFailure::kClosed;
            return kResultNoReply;
        }
        sequence = NewSequenceNumber();
        if (events_.Add(sequence) != System::kResultOk) {
            System::ReportFailed(kSiteNoEvent);
            return kResultFailed;
        }
        pending_.push_back(PendingRequest{sequence, reply, 0});
        SendFragmented(code, body, length, static_cast<uint32_t>(sequence));
    }

    const uint64_t start = System::TickCountMs();
    int64_t remaining = waitMs;
    bool answered = false;
    why = RequestFailure::kTimedOut;
    while (remaining > 0) {
        events_.Wait(sequence, static_cast<int32_t>(remaining));
        int32_t status = kRequestWaiting;
        {
            System::CGuard guard(lock_);
            const PendingRequest* request = FindPending(sequence);
            if (request == nullptr) {
                System::ReportFailed(kSiteVanished);
                why = RequestFailure::kClosed;
                break;
            }
            status = request->status;
        }
        answered = status == kRequestAnswered;
        if (answered) break;
        // No reply can come: stop waiting now rather than at the end of the wait.
        if (status == kRequestUnreachable || status == kRequestAborted) {
            why = status == kRequestUnreachable ? RequestFailure::kUnreachable
                                                : RequestFailure::kAborted;
            break;
        }
        remaining =
            static_cast<int64_t>(waitMs) - static_cast<int64_t>(System::TickCountMs() - start);
    }
    {
        System::CGuard guard(lock_);
        pending_.remove_if(
            [sequence](const PendingRequest& request) { return request.sequence == sequence; });
        events_.Remove(sequence);
    }
    if (!answered) {
        System::ReportFailed(kSiteNoReply);
        return kResultNoReply;
    }
    why = RequestFailure::kNone;
    return kResultOk;
}

void ClientChannel::FailPending(int32_t status) {
    System::CGuard guard(lock_);
    for (PendingRequest& request : pending_) {
        if (request.status != kRequestWaiting) continue;
        request.status = status;
        events_.Signal(request.sequence);
    }
}

int ClientChannel::DeliverReply(const MessageHeader& header, const Reply& reply) {
    if (header.sequence == 0) return kResultFailed;
    System::CGuard guard(lock_);
    if (header.sequence > 0x7FFFFFFFu) return kResultFailed;
    const auto sequence = static_cast<int32_t>(header.sequence);
    PendingRequest* request = FindPending(sequence);
    if (request == nullptr) return kResultFailed;
    if (request->status != kRequestWaiting) return kResultFailed;
    if (request->reply != nullptr) std::memcpy(request->reply, &reply, sizeof(Reply));
    request->status = kRequestAnswered;
    events_.Signal(sequence);
    return kResultOk;
}

}  // namespace mirav
