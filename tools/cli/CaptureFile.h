// The capture file written by `mirav-cli record` and replayed by `mirav-sim --replay`: every
// datagram the recorder received from the server, as received, with its arrival time. The
// layout is described in docs/recording-format.md.
#ifndef MIRAV_CLI_CAPTURE_FILE_H
#define MIRAV_CLI_CAPTURE_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace mirav::capture {

constexpr char kMagic[8] = {'M', 'I', 'R', 'A', 'V', 'C', 'A', 'P'};
constexpr uint32_t kFormatVersion = 1;
constexpr size_t kFileHeaderSize = 32;
constexpr size_t kRecordHeaderSize = 16;
// Largest datagram a record may hold (the UDP payload limit).
constexpr uint32_t kMaxDatagram = 65535;

enum Channel : uint8_t { kCommandChannel = 0, kDataChannel = 1 };

struct CaptureHeader {
    uint32_t serverAddress = 0;  // host order
    int64_t startMicros = 0;     // wall clock at the start, microseconds since 1970 (UTC)
    bool multicast = false;      // frames arrived on the multicast group
};

struct CapturedDatagram {
    int64_t micros = 0;  // arrival time since the start of the recording
    uint8_t channel = kDataChannel;
    std::vector<uint8_t> bytes;  // the whole datagram, message header included
};

class CaptureWriter {
public:
    CaptureWriter() = default;
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    bool Open(const std::string& path, const CaptureHeader& header, std::string& error);
    bool Write(int64_t micros, uint8_t channel, const uint8_t* data, size_t length);
    // Flushes and closes; false when anything written was lost.
    bool Close(std::string& error);
    uint64_t BytesWritten() const { return bytes_; }

private:
    std::FILE* file_ = nullptr;
    uint64_t bytes_ = 0;
    bool failed_ = false;
};

// Reads a whole capture. A file cut short inside its last record (a recorder that was killed)
// keeps every complete record and sets *truncated; anything else malformed is an error.
bool ReadCapture(const std::string& path, CaptureHeader& header,
                 std::vector<CapturedDatagram>& datagrams, std::string& error,
                 bool* truncated = nullptr);

}  // namespace mirav::capture

#endif
