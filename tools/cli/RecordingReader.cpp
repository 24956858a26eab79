#include "RecordingReader.h"

#include <cmath>
#include <map>
#include <utility>

#include "CaptureFile.h"
#include "protocol/DescriptionDecoder.h"
#include "protocol/FrameDecoder.h"
#include "protocol/MessageHeader.h"
#include "records/DescriptionMemory.h"
#include "records/FrameMemory.h"

namespace mirav::cli {
namespace {

constexpr size_t kVersionOffset = 260;  // in the connect reply body

// Puts messages together from their datagrams. A message is complete when its fragments,
// numbered from 0 without a gap, add up to exactly its announced length.
class Assembler {
public:
    // Adds one datagram; returns true and fills type/body when it completes a message.
    bool Add(const std::vector<uint8_t>& datagram, uint8_t* type, std::vector<uint8_t>* body,
             uint64_t* dropped) {
        MessageHeader h;
        if (!ParseMessageHeader(datagram.data(), datagram.size(), &h) || h.magic != kMessageMagic) {
            ++*dropped;
            return false;
        }
        const size_t payload = datagram.size() - kMessageHeaderSize;
        if (h.totalLength < 0 || static_cast<size_t>(h.totalLength) > kReassemblyCapacity ||
            h.fragmentLength != payload) {
            ++*dropped;
            return false;
        }
        Partial& partial = partial_[h.messageType];
        if (h.fragmentIndex == 0) {
            if (!partial.body.empty()) ++*dropped;  // an unfinished earlier message
            partial = Partial{};
            partial.totalLength = h.totalLength;
        } else if (partial.body.empty() || h.fragmentIndex != partial.nextIndex ||
                   h.totalLength != partial.totalLength) {
            if (!partial.body.empty()) ++*dropped;
            partial = Partial{};
            return false;
        }
        if (partial.body.size() + payload > static_cast<size_t>(partial.totalLength)) {
            ++*dropped;
            partial = Partial{};
            return false;
        }
        partial.body.insert(partial.body.end(), datagram.begin() + kMessageHeaderSize,
                            datagram.end());
        partial.nextIndex = static_cast<uint8_t>(h.fragmentIndex + 1);
        if (partial.body.size() < static_cast<size_t>(partial.totalLength)) {
            if (partial.totalLength > 0) return false;
        }
        *type = h.messageType;
        *body = std::move(partial.body);
        partial = Partial{};
        return true;
    }

private:
    struct Partial {
        int32_t totalLength = 0;
        uint8_t nextIndex = 0;
        std::vector<uint8_t> body;
    };
    std::map<uint8_t, Partial> partial_;
};

}  // namespace

RecordingReader::~RecordingReader() {
    if (descriptions_ != nullptr) ReleaseDescriptionSet(descriptions_);
}

void RecordingReader::TakeReply(uint8_t type, std::vector<uint8_t> body) {
    if (type == kMessageConnectReply && body.size() >= kVersionOffset + 4) {
        serverVersion_ = 0;
        for (int i = 3; i >= 0; --i)
            serverVersion_ = (serverVersion_ << 8) | body[kVersionOffset + i];
        return;
    }
    const uint8_t* data = body.data();
    size_t length = body.size();
    if (type == kMessageDescriptionsImageReply) {
        // A reply record: its body area starts after the type and length words.
        if (length < kReplyBodyOffset) return;
        data += kReplyBodyOffset;
        length -= kReplyBodyOffset;
    } else if (type != kMessageDescriptionsReply && type != kMessageDescriptionBroadcast) {
        return;
    }
    sDataDescriptions* decoded = nullptr;
    if (DecodeDescriptions(data, static_cast<int32_t>(length), &decoded, nullptr) != 0) return;
    if (descriptions_ != nullptr) ReleaseDescriptionSet(descriptions_);
    descriptions_ = decoded;
}

bool RecordingReader::Open(const std::string& path, std::string& error) {
    capture::CaptureHeader header;
    std::vector<capture::CapturedDatagram> datagrams;
    if (!capture::ReadCapture(path, header, datagrams, error)) return false;
    Assembler commands, data;
    uint64_t dropped = 0;
    for (const capture::CapturedDatagram& datagram : datagrams) {
        uint8_t type = 0;
        std::vector<uint8_t> body;
        const bool onData = datagram.channel == capture::kDataChannel;
        if (!(onData ? data : commands).Add(datagram.bytes, &type, &body, &dropped)) continue;
        if (onData && type == kMessageFrame) {
            frames_.push_back(RecordedMessage{datagram.micros, std::move(body)});
        } else {
            TakeReply(type, std::move(body));
        }
    }
    dropped_ += dropped;
    if (frames_.empty()) {
        error = path + " holds no complete frame";
        return false;
    }
    return true;
}

bool RecordingReader::Frame(size_t index, FrameCopy& out) const {
    const std::vector<uint8_t>& body = frames_[index].body;
    sFrameOfMocapData* frame = nullptr;
    if (DecodeFrame(body.data(), static_cast<int32_t>(body.size()), serverVersion_, &frame,
                    nullptr) != 0 ||
        frame == nullptr) {
        ++dropped_;
        return false;
    }
    out = FrameCopy::From(*frame, nullptr, {});
    ReleaseDecodedFrame(frame);
    return true;
}

int32_t RecordingReader::FrameNumber(size_t index) const {
    const std::vector<uint8_t>& body = frames_[index].body;
    if (body.size() < 4) return 0;
    return static_cast<int32_t>(body[0] | (body[1] << 8) | (body[2] << 16) |
                                (static_cast<uint32_t>(body[3]) << 24));
}

double RecordingReader::EstimatedRate() const {
    // Frame numbers advanced per second of arrival time, over the steps where the numbers go
    // forward: lost frames leave gaps in the numbers, not in the clock.
    double numbers = 0, seconds = 0;
    for (size_t i = 1; i < frames_.size(); ++i) {
        const int64_t step = int64_t{FrameNumber(i)} - FrameNumber(i - 1);
        if (step <= 0) continue;
        numbers += static_cast<double>(step);
        seconds += static_cast<double>(frames_[i].micros - frames_[i - 1].micros) / 1e6;
    }
    if (!(seconds > 0) || !(numbers > 0)) return 0;
    const double rate = numbers / seconds;
    const double whole = std::round(rate);
    if (whole > 0 && std::fabs(rate - whole) <= 0.01 * whole) return whole;
    return std::round(rate * 10.0) / 10.0;
}

}  // namespace mirav::cli
