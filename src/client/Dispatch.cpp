// Dispatch of a complete message by its type: replies to the waiting request, frames through
// the decoder and force plates to the callbacks and the frame store, notifications and analog
// channel data straight to their callbacks.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "client/ClientChannel.h"
#include "client/ForcePlates.h"
#include "platform/Diagnostics.h"
#include "protocol/FrameDecoder.h"
#include "store/FrameStore.h"

namespace mirav {
namespace {
constexpr int kSiteUnknownType = 791;
constexpr uint32_t kConnectReplyCut = 266;
constexpr uint32_t kMulticastByteOffset = 265;
constexpr uint16_t kServerDescriptionRecordType = 4;
constexpr uint32_t kNotifySize = sizeof(sNotifyMsg);
constexpr uint32_t kAnalogSize = sizeof(sFrameOfAnalogChannelData);
constexpr uint32_t kReplyBodyCap = static_cast<uint32_t>(kReplyBodyCapacity);

struct ReplyDeleter {
    void operator()(Reply* reply) const { DeleteReply(reply); }
};
using ReplyPtr = std::unique_ptr<Reply, ReplyDeleter>;
}  // namespace

void ClientChannel::DeliverBody(const MessageHeader& header, uint16_t recordType,
                                const uint8_t* body, uint32_t length) {
    ReplyPtr reply(NewReply());
    if (!reply) return;
    const uint32_t cut = std::min(length, kReplyBodyCap);
    reply->record.type = recordType;
    reply->record.length = static_cast<int32_t>(length);
    if (cut > 0) std::memcpy(reply->record.body, body, cut);
    reply->received = static_cast<int32_t>(cut);
    DeliverReply(header, *reply);
}

void ClientChannel::DispatchFrame(const uint8_t* body, uint32_t length) {
    if (!decodeRecord_) decodeRecord_.reset(new OwnedReusableRecord);
    ReusableRecord& record = decodeRecord_->Get();
    if (DecodeFrameReusing(body, static_cast<int32_t>(length), context_.ServerVersion(), record,
                           nullptr) != 0) {
        return;
    }
    sFrameOfMocapData* frame = &record.Record();
    NoteFrameArrived();
    CallbackSlots& slots = *context_.callbacks;
    sForcePlates plates;
    if (context_.forcePlates->Compute(frame, &plates) == 0) {
        if (MiravForcePlateCallback callback = slots.forcePlate.load()) {
            InvokeCallback(callback, &plates, contexts_.Get(kCallbackForcePlate));
        }
    }
    if (MiravDataCallback callback = slots.data.load()) {
        InvokeCallback(callback, frame, contexts_.Get(kCallbackData));
    }
    // The record stays the channel's for the next frame; the store keeps a compact copy.
    context_.store->PushFrame(*frame);
}

int ClientChannel::Dispatch(const char*, int, const MessageHeader& header, const uint8_t* body,
                            uint32_t length) {
    CallbackSlots& slots = *context_.callbacks;
    switch (header.messageType) {
        case kMessageConnectReply: {
            ReplyPtr reply(NewReply());
            if (!reply) return kResultFailed;
            const uint32_t cut = std::min(length, kConnectReplyCut);
            reply->record.type = kMessageConnectReply;
            reply->record.length = static_cast<int32_t>(cut);
            // A body without the multicast byte counts as multicast.
            reply->record.body[kMulticastByteOffset] = 1;
            if (cut > 0) std::memcpy(reply->record.body, body, cut);
            reply->received = static_cast<int32_t>(cut);
            DeliverReply(header, *reply);
            return kResultOk;
        }
        case kMessageReply:
        case kMessageDescriptionsReply:
            DeliverBody(header, header.messageType, body, length);
            return kResultOk;
        case kMessageServerDescriptionReply:
            DeliverBody(header, kServerDescriptionRecordType, body, length);
            return kResultOk;
        case kMessageTextReply: {
            ReplyPtr reply(NewReply());
            if (!reply) return kResultFailed;
            const uint32_t limit = std::min(length, kReplyBodyCap);
            const auto* zero = static_cast<const uint8_t*>(std::memchr(body, 0, limit));
            const uint32_t copied =
                zero != nullptr ? static_cast<uint32_t>(zero - body) + 1 : limit;
            reply->record.type = kMessageTextReply;
            reply->record.length = static_cast<int32_t>(length);
            if (copied > 0) std::memcpy(reply->record.body, body, copied);
            reply->received = static_cast<int32_t>(copied);
            DeliverReply(header, *reply);
            return kResultOk;
        }
        case kMessageDescriptionsImageReply: {
            ReplyPtr reply(NewReply());
            if (!reply) return kResultFailed;
            const uint32_t image = std::min<uint32_t>(length, kReplyRecordSize);
            if (image > 0) std::memcpy(&reply->record, body, image);
            reply->received =
                image > kReplyBodyOffset ? static_cast<int32_t>(image - kReplyBodyOffset) : 0;
            DeliverReply(header, *reply);
            return kResultOk;
        }
        case kMessageFrame:
            DispatchFrame(body, length);
            return kResultOk;
        case kMessageDescriptionBroadcast:
        case kMessageIgnored106:
            return kResultOk;
        case kMessageNotification: {
            sNotifyMsg message;
            std::memset(&message, 0, sizeof(message));
            const uint32_t cut = std::min(length, kNotifySize);
            if (cut > 0) std::memcpy(&message, body, cut);
            if (MiravNotifyMsgCallback callback = slots.notify.load()) {
                InvokeCallback(callback, &message, contexts_.Get(kCallbackNotify));
            }
            return kResultOk;
        }
        case kMessageAnalogChannelData: {
            if (length != kAnalogSize) return kResultFailed;
            std::unique_ptr<sFrameOfAnalogChannelData> record(new (std::nothrow)
                                                                  sFrameOfAnalogChannelData);
            if (!record) return kResultFailed;
            std::memcpy(record.get(), body, kAnalogSize);
            if (MiravAnalogChCallback callback = slots.analog.load()) {
                InvokeCallback(callback, record.get(), contexts_.Get(kCallbackAnalog));
            }
            return kResultOk;
        }
        default:
            System::EmitLevel1("[MiravSDKClient] %d %s : %d.\n", kSiteUnknownType, "error command",
                               static_cast<int>(header.messageType));
            return kResultOk;
    }
}

}  // namespace mirav
