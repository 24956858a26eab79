#include "Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace mirav::cli {

void JsonWriter::Clear() {
    out_.clear();
    first_.clear();
    afterKey_ = false;
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    out_ += '{';
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    out_ += '}';
    first_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    out_ += '[';
    first_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    out_ += ']';
    first_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(const std::string& key) {
    String(key);
    out_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(const std::string& value) {
    BeforeValue();
    out_ += '"';
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out_ += '\\';
            out_ += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", u);
            out_ += escaped;
        } else {
            out_ += c;
        }
    }
    out_ += '"';
    return *this;
}

namespace {

// Fewest significant digits that read back as the same value, in the style of %g (0.0002, not
// 2e-04; 1e+20 for large values). Only finite values come here.
template <class T>
void AppendShortest(std::string& out, T value) {
    char text[64];
    const std::to_chars_result written =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::general);
    out.append(text, written.ptr);
}

}  // namespace

JsonWriter& JsonWriter::Float(float value) {
    if (!std::isfinite(value)) return Null();
    BeforeValue();
    AppendShortest(out_, value);
    return *this;
}

JsonWriter& JsonWriter::Float(double value) {
    if (!std::isfinite(value)) return Null();
    BeforeValue();
    AppendShortest(out_, value);
    return *this;
}

JsonWriter& JsonWriter::Int(int64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
    return *this;
}

JsonWriter& JsonWriter::Point(float x, float y, float z) {
    return BeginArray().Float(x).Float(y).Float(z).EndArray();
}

}  // namespace mirav::cli
