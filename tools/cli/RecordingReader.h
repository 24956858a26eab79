// A capture file opened for reading frame by frame: the data descriptions and server version it
// recorded, and every complete frame message put together from its datagrams. Frames are kept
// as their message bodies and decoded on demand (a decoded frame takes about 1 MB).
#ifndef MIRAV_CLI_RECORDING_READER_H
#define MIRAV_CLI_RECORDING_READER_H

#include <mirav/Mirav.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FrameQueue.h"

namespace mirav::cli {

struct RecordedMessage {
    int64_t micros = 0;  // arrival time of its first datagram
    std::vector<uint8_t> body;
};

class RecordingReader {
public:
    RecordingReader() = default;
    ~RecordingReader();
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    // Reads the capture at path. Fails when the file cannot be read or holds no frame.
    bool Open(const std::string& path, std::string& error);

    size_t FrameCount() const { return frames_.size(); }
    int64_t FrameMicros(size_t index) const { return frames_[index].micros; }
    // Decodes frame index; false when its body is malformed.
    bool Frame(size_t index, FrameCopy& out) const;
    // The recorded data descriptions, or null when the recording holds none.
    const sDataDescriptions* Descriptions() const { return descriptions_; }
    // The frame number a frame message opens with (0 when too short to hold one).
    int32_t FrameNumber(size_t index) const;
    // Frames per second: frame numbers over arrival times (rounded to 0.1 Hz, or to a whole number
    // when within 1 % of one); 0 with fewer than two frames.
    double EstimatedRate() const;
    // Messages the reader dropped: fragments out of order, lengths that do not add up, frames
    // left unfinished, frames the decoder refused.
    uint64_t Dropped() const { return dropped_.load(); }

private:
    void TakeReply(uint8_t type, std::vector<uint8_t> body);

    std::vector<RecordedMessage> frames_;
    sDataDescriptions* descriptions_ = nullptr;
    uint32_t serverVersion_ = 0;  // first byte in the low byte, as the decoder wants it
    mutable std::atomic<uint64_t> dropped_{0};
};

}  // namespace mirav::cli

#endif
