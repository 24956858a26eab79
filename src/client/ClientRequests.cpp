// Requests of a client built on the command channel: server description, data descriptions
// (plain, extended, T-pose) and the force plate set-up.
#include <chrono>
#include <cstring>

#include "client/ClientCore.h"
#include "client/FailureText.h"
#include "client/ForcePlates.h"
#include "protocol/DescriptionDecoder.h"
#include "records/DescriptionMemory.h"
#include "store/GlobalObject.h"

using namespace mirav;

namespace {
constexpr uint8_t kCommandDescriptions = 101;
constexpr uint8_t kCommandServerDescription = 102;
constexpr uint8_t kCommandDescriptionsEx = 107;
constexpr uint8_t kCommandTpose = 109;

struct ReplyHolder {
    Reply* reply = NewReply();
    ~ReplyHolder() { DeleteReply(reply); }
};
}  // namespace

int ClientCore::NotConnected() {
    SetLastErrorText(NotConnectedText());
    return kResultRefused;
}

int ClientCore::GetServerDescription(sServerDescription* description) {
    ReplyHolder holder;
    if (description == nullptr) return kResultNullArgument;
    if (holder.reply == nullptr) return kResultFailed;
    const int32_t waitMs = RequestTimeoutMs();
    RequestFailure failure = RequestFailure::kNone;
    if (command_.SendRequest(kCommandServerDescription, nullptr, 0, holder.reply, waitMs,
                             &failure) != kResultOk) {
        RecordRequestFailure(failure, waitMs);
        return kResultFailed;
    }
    std::memcpy(description, holder.reply->record.body, sizeof(sServerDescription));
    return kResultOk;
}

int ClientCore::DescriptionsRequest(uint8_t code, const uint8_t* body, int32_t length,
                                    bool feedCache, sDataDescriptions** descriptions) {
    ReplyHolder holder;
    if (holder.reply == nullptr) return kResultFailed;
    const int32_t waitMs = RequestTimeoutMs();
    RequestFailure failure = RequestFailure::kNone;
    if (command_.SendRequest(code, body, length, holder.reply, waitMs, &failure) != kResultOk) {
        RecordRequestFailure(failure, waitMs);
        return kResultFailed;
    }
    const uint8_t* data = holder.reply->record.body;
    int32_t consumed = 0;
    *descriptions = nullptr;
    DecodeDescriptions(data, holder.reply->received, descriptions, &consumed);
    if (feedCache) CGlobalObject::Instance().Store().SetDescriptions(data, consumed);
    return kResultOk;
}

int ClientCore::GetDataDescriptions(sDataDescriptions** descriptions) {
    if (!IsConnected()) return NotConnected();
    if (descriptions == nullptr) return kResultNullArgument;
    return DescriptionsRequest(kCommandDescriptions, nullptr, 0, true, descriptions);
}

int ClientCore::GetDataDescriptionsEx(sDataDescriptions** descriptions) {
    if (!IsConnected()) return NotConnected();
    if (descriptions == nullptr) return kResultNullArgument;
    return DescriptionsRequest(kCommandDescriptionsEx, nullptr, 0, false, descriptions);
}

int ClientCore::GetTposeDataDescriptions(const char* name, sDataDescriptions** descriptions) {
    if (!IsConnected()) return NotConnected();
    if (descriptions == nullptr) return kResultNullArgument;
    const char* text = name != nullptr ? name : "";
    return DescriptionsRequest(kCommandTpose, reinterpret_cast<const uint8_t*>(text),
                               static_cast<int32_t>(std::strlen(text)), false, descriptions);
}

int ClientCore::WaitForForcePlateInit(int timeoutMs) {
    if (!IsConnected()) return NotConnected();
    const auto start = std::chrono::steady_clock::now();
    sDataDescriptions* descriptions = nullptr;
    for (;;) {
        if (DescriptionsRequest(kCommandDescriptions, nullptr, 0, true, &descriptions) ==
            kResultOk) {
            break;
        }
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        // A closed command channel can never answer: stop instead of retrying for ever.
        if ((timeoutMs != 0 && elapsed > timeoutMs) || !command_.IsOpen()) return kResultFailed;
    }
    const int result = ForcePlates::Instance().Prepare(descriptions);
    if (descriptions != nullptr) mirav::ReleaseDescriptionSet(descriptions);
    // A reconnection prepares the plates again from the descriptions of the server that came back.
    if (result == kResultOk) platesPrepared_.store(true, std::memory_order_release);
    return result;
}
