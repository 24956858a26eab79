#include "CaptureFile.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace mirav::capture {
namespace {

void PutLe(uint8_t* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLe(const uint8_t* in, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= uint64_t{in[i]} << (8 * i);
    return value;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

CaptureWriter::~CaptureWriter() {
    std::string ignored;
    Close(ignored);
}

bool CaptureWriter::Open(const std::string& path, const CaptureHeader& header, std::string& error) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t bytes[kFileHeaderSize] = {};
    std::memcpy(bytes, kMagic, sizeof(kMagic));
    PutLe(bytes + 8, kFormatVersion, 4);
    // The address in network order: a.b.c.d as four bytes.
    for (int i = 0; i < 4; ++i)
        bytes[12 + i] = static_cast<uint8_t>(header.serverAddress >> (24 - 8 * i));
    PutLe(bytes + 16, static_cast<uint64_t>(header.startMicros), 8);
    PutLe(bytes + 24, header.multicast ? 1 : 0, 4);
    failed_ = std::fwrite(bytes, 1, sizeof(bytes), file_) != sizeof(bytes);
    bytes_ = sizeof(bytes);
    if (failed_) error = "cannot write " + path;
    return !failed_;
}

bool CaptureWriter::Write(int64_t micros, uint8_t channel, const uint8_t* data, size_t length) {
    if (file_ == nullptr || length > kMaxDatagram) return false;
    uint8_t record[kRecordHeaderSize] = {};
    PutLe(record, static_cast<uint64_t>(micros), 8);
    record[8] = channel;
    PutLe(record + 12, length, 4);
    const bool ok = std::fwrite(record, 1, sizeof(record), file_) == sizeof(record) &&
                    std::fwrite(data, 1, length, file_) == length;
    failed_ = failed_ || !ok;
    bytes_ += sizeof(record) + length;
    return ok;
}

bool CaptureWriter::Close(std::string& error) {
    if (file_ == nullptr) return !failed_;
    const bool ok = std::fflush(file_) == 0 && !failed_;
    std::fclose(file_);
    file_ = nullptr;
    if (!ok) error = "the recording could not be written completely (disk full?)";
    return ok;
}

bool ReadCapture(const std::string& path, CaptureHeader& header,
                 std::vector<CapturedDatagram>& datagrams, std::string& error, bool* truncated) {
    datagrams.clear();
    if (truncated != nullptr) *truncated = false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t bytes[kFileHeaderSize];
    if (std::fread(bytes, 1, sizeof(bytes), file.get()) != sizeof(bytes) ||
        std::memcmp(bytes, kMagic, sizeof(kMagic)) != 0) {
        error = path + " is not a mirav capture file";
        return false;
    }
    const auto version = static_cast<uint32_t>(GetLe(bytes + 8, 4));
    if (version != kFormatVersion) {
        error = path + " has capture format " + std::to_string(version) + "; this tool reads " +
                std::to_string(kFormatVersion);
        return false;
    }
    header.serverAddress = 0;
    for (int i = 0; i < 4; ++i) header.serverAddress = (header.serverAddress << 8) | bytes[12 + i];
    header.startMicros = static_cast<int64_t>(GetLe(bytes + 16, 8));
    header.multicast = (GetLe(bytes + 24, 4) & 1) != 0;

    for (;;) {
        uint8_t record[kRecordHeaderSize];
        const size_t got = std::fread(record, 1, sizeof(record), file.get());
        if (got == 0) break;
        CapturedDatagram datagram;
        datagram.micros = static_cast<int64_t>(GetLe(record, 8));
        datagram.channel = record[8];
        const auto length = static_cast<uint32_t>(GetLe(record + 12, 4));
        if (got == sizeof(record) && (length > kMaxDatagram || datagram.channel > kDataChannel)) {
            error = path + ": malformed record " + std::to_string(datagrams.size() + 1);
            return false;
        }
        if (got == sizeof(record)) {
            datagram.bytes.resize(length);
            if (std::fread(datagram.bytes.data(), 1, length, file.get()) == length) {
                datagrams.push_back(std::move(datagram));
                continue;
            }
        }
        if (truncated != nullptr) *truncated = true;
        break;
    }
    return true;
}

}  // namespace mirav::capture
