// C3D header, parameter section and data section. The file is held in memory; every offset
// and size derived from it is checked before use, so a damaged file gives a reason, not a crash.
#include "C3dReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>

namespace mirav::sim {

namespace {

constexpr size_t kBlockSize = 512;
constexpr uint8_t kHeaderKey = 0x50;
constexpr int kProcessorIntel = 84;
constexpr int kProcessorDec = 85;
constexpr int kProcessorMips = 86;
// Limits far above any real recording; they keep a corrupt header from asking for gigabytes.
constexpr size_t kMaxValues = size_t{1} << 28;

// A number from the file as an int; NaN and out-of-range values (undefined to cast) give fallback.
int SafeInt(double v, int fallback = 0) {
    if (!std::isfinite(v) || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max()) {
        return fallback;
    }
    return static_cast<int>(v);
}

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

float FloatAt(const uint8_t* p) {
    const uint32_t bits = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                          (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Header word n (1-based, as C3D documents number them).
uint16_t HeaderWord(const std::vector<uint8_t>& bytes, int n) {
    return Word(bytes.data() + 2 * (n - 1));
}

bool ReadHeader(const std::vector<uint8_t>& bytes, C3dHeader& h, std::string& error) {
    if (bytes.size() < kBlockSize) {
        error = "file is shorter than the 512-byte C3D header";
        return false;
    }
    if (bytes[1] != kHeaderKey) {
        error = "not a C3D file (byte 2 of the header is not 0x50)";
        return false;
    }
    h.parameterBlock = bytes[0];
    h.pointCount = HeaderWord(bytes, 2);
    h.analogPerFrame = HeaderWord(bytes, 3);
    h.firstFrame = HeaderWord(bytes, 4);
    h.lastFrame = HeaderWord(bytes, 5);
    h.pointScale = FloatAt(bytes.data() + 12);
    h.dataStartBlock = HeaderWord(bytes, 9);
    h.analogSamplesPerFrame = HeaderWord(bytes, 10);
    h.frameRate = FloatAt(bytes.data() + 20);
    return true;
}

bool ReadParameterSection(const std::vector<uint8_t>& bytes, C3dFile& out, std::string& error) {
    C3dHeader& h = out.header;
    if (h.parameterBlock < 2) {
        error = "header points the parameter section at block " + std::to_string(h.parameterBlock);
        return false;
    }
    const size_t start = (static_cast<size_t>(h.parameterBlock) - 1) * kBlockSize;
    if (start + 4 > bytes.size()) {
        error = "file ends before its parameter section";
        return false;
    }
    h.parameterBlockCount = bytes[start + 2];
    h.processorType = bytes[start + 3];
    if (h.processorType == kProcessorDec) {
        error = "DEC (VAX) processor format is not supported; convert the file to Intel format";
        return false;
    }
    if (h.processorType == kProcessorMips) {
        error = "MIPS (big-endian) processor format is not supported; convert it to Intel format";
        return false;
    }
    if (h.processorType != kProcessorIntel) {
        error = "unknown processor type " + std::to_string(h.processorType) +
                " in the parameter section";
        return false;
    }
    // Trust the block count only as far as the file reaches.
    size_t end = start + std::max(1, h.parameterBlockCount) * kBlockSize;
    if (end > bytes.size()) end = bytes.size();
    return ParseC3dParameterRecords(bytes.data() + start + 4, end - start - 4, out.parameters,
                                    error);
}

int IntParameter(const C3dParameters& p, const char* group, const char* name, int fallback) {
    const auto v = p.Number(group, name);
    return v ? SafeInt(*v, fallback) : fallback;
}

// Frame range: the header's 16-bit words, unless TRIAL holds the longer 32-bit range.
void ReadFrameRange(C3dFile& out) {
    const C3dParameters& p = out.parameters;
    int first = out.header.firstFrame;
    int last = out.header.lastFrame;
    const auto start = p.Numbers("TRIAL", "ACTUAL_START_FIELD");
    const auto end = p.Numbers("TRIAL", "ACTUAL_END_FIELD");
    if (start.size() >= 2 && end.size() >= 2) {
        // Two 16-bit words, low first, each stored as a signed word.
        const auto wide = [](const std::vector<double>& v) {
            const uint32_t low = static_cast<uint16_t>(SafeInt(v[0]));
            const uint32_t high = static_cast<uint16_t>(SafeInt(v[1]));
            return static_cast<int>(std::min<uint32_t>(low | (high << 16), 0x7fffffff));
        };
        const int wideFirst = wide(start);
        const int wideLast = wide(end);
        if (wideLast >= wideFirst && wideFirst >= 0 && wideLast > last) {
            first = wideFirst;
            last = wideLast;
        }
    }
    out.firstFrame = first;
    out.frameCount = last >= first ? last - first + 1 : 0;
}

bool ReadLayout(C3dFile& out, std::string& error) {
    const C3dParameters& p = out.parameters;
    const C3dHeader& h = out.header;
    ReadFrameRange(out);
    const double rate = p.Number("POINT", "RATE").value_or(h.frameRate);
    out.frameRate = std::isfinite(rate) && rate > 0 ? rate : h.frameRate;
    if (!(out.frameRate > 0) || !std::isfinite(out.frameRate)) {
        error = "file gives no usable frame rate";
        return false;
    }
    const double scale = p.Number("POINT", "SCALE").value_or(h.pointScale);
    out.floatData = scale < 0;
    out.header.pointScale = static_cast<float>(scale);
    out.pointUnits = p.Strings("POINT", "UNITS").empty() ? "" : p.Strings("POINT", "UNITS")[0];

    out.analogSamplesPerFrame = h.analogSamplesPerFrame;
    if (h.analogPerFrame > 0) {
        if (out.analogSamplesPerFrame <= 0) {
            error = "header has analog values but no analog samples per frame";
            return false;
        }
        if (h.analogPerFrame % out.analogSamplesPerFrame != 0) {
            error = "analog values per frame (" + std::to_string(h.analogPerFrame) +
                    ") are not a multiple of the samples per frame (" +
                    std::to_string(out.analogSamplesPerFrame) + ")";
            return false;
        }
        out.analogChannelCount = h.analogPerFrame / out.analogSamplesPerFrame;
    } else {
        out.analogSamplesPerFrame = 0;
        out.analogChannelCount = 0;
    }
    out.analogRate = p.Number("ANALOG", "RATE").value_or(out.frameRate * out.analogSamplesPerFrame);

    out.pointLabels = p.ContinuedStrings("POINT", "LABELS");
    out.pointLabels.resize(static_cast<size_t>(h.pointCount));
    for (int i = 0; i < h.pointCount; ++i) {
        if (out.pointLabels[i].empty()) out.pointLabels[i] = "Point" + std::to_string(i + 1);
    }
    out.analogLabels = p.ContinuedStrings("ANALOG", "LABELS");
    out.analogLabels.resize(static_cast<size_t>(out.analogChannelCount));
    for (int i = 0; i < out.analogChannelCount; ++i) {
        if (out.analogLabels[i].empty()) out.analogLabels[i] = "Channel" + std::to_string(i + 1);
    }
    out.analogUnits = p.ContinuedStrings("ANALOG", "UNITS");
    out.analogUnits.resize(static_cast<size_t>(out.analogChannelCount));
    return true;
}

// Per-channel factors turning a stored value into physical units: (v - offset) * scale.
void AnalogFactors(const C3dFile& f, std::vector<double>& offset, std::vector<double>& scale) {
    const C3dParameters& p = f.parameters;
    const double general = p.Number("ANALOG", "GEN_SCALE").value_or(1.0);
    const auto scales = p.Numbers("ANALOG", "SCALE");
    const auto offsets = p.Numbers("ANALOG", "OFFSET");
    const auto format = p.Strings("ANALOG", "FORMAT");
    const bool isUnsigned = !format.empty() && format[0].rfind("UNSIGNED", 0) == 0;
    offset.assign(static_cast<size_t>(f.analogChannelCount), 0.0);
    scale.assign(static_cast<size_t>(f.analogChannelCount), general);
    for (int i = 0; i < f.analogChannelCount; ++i) {
        if (static_cast<size_t>(i) < scales.size()) scale[i] = scales[i] * general;
        if (static_cast<size_t>(i) < offsets.size()) {
            // Offsets of unsigned data are stored in a signed word; read them back as unsigned.
            offset[i] = isUnsigned && offsets[i] < 0 ? offsets[i] + 65536.0 : offsets[i];
        }
    }
}

bool ReadData(const std::vector<uint8_t>& bytes, C3dFile& out, std::string& error) {
    const C3dHeader& h = out.header;
    if (h.dataStartBlock < 1) {
        error = "header gives no data section";
        return false;
    }
    const size_t start = (static_cast<size_t>(h.dataStartBlock) - 1) * kBlockSize;
    const size_t word = out.floatData ? 4 : 2;
    const size_t pointValues = static_cast<size_t>(h.pointCount) * 4;
    const size_t analogValues = static_cast<size_t>(h.analogPerFrame);
    const size_t frameBytes = (pointValues + analogValues) * word;
    const size_t frames = static_cast<size_t>(out.frameCount);
    if (frames * (pointValues + analogValues) > kMaxValues) {
        error = "header claims " + std::to_string(frames) + " frames of " +
                std::to_string(pointValues + analogValues) + " values, more than this reader takes";
        return false;
    }
    if (start > bytes.size() || frames * frameBytes > bytes.size() - start) {
        const size_t available = start > bytes.size() ? 0 : (bytes.size() - start);
        error = "file ends in frame " +
                std::to_string(frameBytes ? available / frameBytes + 1 : 0) + " of " +
                std::to_string(frames) + " (data section truncated)";
        return false;
    }

    const bool isUnsigned = [&] {
        const auto format = out.parameters.Strings("ANALOG", "FORMAT");
        return !format.empty() && format[0].rfind("UNSIGNED", 0) == 0;
    }();
    std::vector<double> offset, scale;
    AnalogFactors(out, offset, scale);
    const double pointScale = std::fabs(out.header.pointScale);

    out.points.resize(frames * static_cast<size_t>(h.pointCount));
    out.analog.resize(frames * analogValues);
    const uint8_t* p = bytes.data() + start;
    auto value = [&](size_t index) -> double {
        const uint8_t* e = p + index * word;
        return out.floatData ? static_cast<double>(FloatAt(e))
                             : static_cast<double>(static_cast<int16_t>(Word(e)));
    };
    for (size_t f = 0; f < frames; ++f, p += frameBytes) {
        for (int i = 0; i < h.pointCount; ++i) {
            C3dPoint& pt = out.points[f * h.pointCount + i];
            const double factor = out.floatData ? 1.0 : out.header.pointScale;
            pt.x = static_cast<float>(value(4 * i) * factor);
            pt.y = static_cast<float>(value(4 * i + 1) * factor);
            pt.z = static_cast<float>(value(4 * i + 2) * factor);
            const double info = value(4 * i + 3);
            // Writers mark a missing sample with a negative residual word, some also (or
            // only) with a point at exactly 0, 0, 0.
            pt.valid =
                std::isfinite(info) && info >= 0 && !(pt.x == 0.0f && pt.y == 0.0f && pt.z == 0.0f);
            if (pt.valid) {
                const auto bits = static_cast<uint16_t>(SafeInt(info));
                pt.cameraMask = static_cast<uint8_t>(bits >> 8);
                pt.residual = static_cast<float>((bits & 0xff) * pointScale);
            } else {
                pt.residual = -1.0f;
            }
        }
        for (size_t a = 0; a < analogValues; ++a) {
            const size_t channel = a % static_cast<size_t>(out.analogChannelCount);
            double v = value(pointValues + a);
            if (!out.floatData && isUnsigned) v = Word(p + (pointValues + a) * word);
            out.analog[f * analogValues + a] =
                static_cast<float>((v - offset[channel]) * scale[channel]);
        }
    }
    return true;
}

void ReadPlatforms(C3dFile& out) {
    const C3dParameters& p = out.parameters;
    const int used = IntParameter(p, "FORCE_PLATFORM", "USED", 0);
    if (used <= 0) return;
    const auto types = p.Numbers("FORCE_PLATFORM", "TYPE");
    const C3dParameter* channel = p.Find("FORCE_PLATFORM", "CHANNEL");
    const auto corners = p.Numbers("FORCE_PLATFORM", "CORNERS");
    const auto origins = p.Numbers("FORCE_PLATFORM", "ORIGIN");
    const auto zero = p.Numbers("FORCE_PLATFORM", "ZERO");
    const C3dParameter* cal = p.Find("FORCE_PLATFORM", "CAL_MATRIX");

    const size_t perPlate =
        channel && !channel->dimensions.empty() ? static_cast<size_t>(channel->dimensions[0]) : 0;
    for (int i = 0; i < used && i < 255; ++i) {
        C3dForcePlatform plate;
        plate.type = static_cast<size_t>(i) < types.size() ? SafeInt(types[i]) : 0;
        for (size_t c = 0; channel && c < perPlate; ++c) {
            const auto number = channel->Number(i * perPlate + c);
            if (!number) break;
            plate.channels.push_back(SafeInt(*number) - 1);
        }
        for (int k = 0; k < 12; ++k) {
            const size_t at = static_cast<size_t>(i) * 12 + k;
            if (at < corners.size()) plate.corners[k / 3][k % 3] = corners[at];
        }
        for (int k = 0; k < 3; ++k) {
            const size_t at = static_cast<size_t>(i) * 3 + k;
            if (at < origins.size()) plate.origin[k] = origins[at];
        }
        if (zero.size() >= 2) {
            plate.zeroFirst = SafeInt(zero[0]);
            plate.zeroLast = SafeInt(zero[1]);
        }
        if (cal && cal->dimensions.size() >= 2 && cal->dimensions[0] == cal->dimensions[1]) {
            const int rows = cal->dimensions[0];
            const size_t size = static_cast<size_t>(rows) * rows;
            if ((static_cast<size_t>(i) + 1) * size <= cal->numbers.size()) {
                plate.calibrationRows = rows;
                // Stored column by column (first index fastest): element (r, c) at r + c * rows.
                plate.calibration.resize(size);
                for (int r = 0; r < rows; ++r) {
                    for (int c = 0; c < rows; ++c) {
                        plate.calibration[r * rows + c] = cal->numbers[i * size + r + c * rows];
                    }
                }
            }
        }
        out.platforms.push_back(std::move(plate));
    }
}

}  // namespace

bool ParseC3d(const std::vector<uint8_t>& bytes, C3dFile& out, std::string& error) {
    out = C3dFile{};
    if (!ReadHeader(bytes, out.header, error)) return false;
    if (!ReadParameterSection(bytes, out, error)) return false;
    if (!ReadLayout(out, error)) return false;
    if (!ReadData(bytes, out, error)) return false;
    ReadPlatforms(out);
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

bool ReadC3dFile(const std::string& path, C3dFile& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, bytes, error)) return false;
    if (!ParseC3d(bytes, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace mirav::sim
