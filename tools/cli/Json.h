// A small JSON writer: objects, arrays, strings, numbers. Numbers are written with the shortest
// text that reads back as the same float (or double): 0.1f is written 0.1, not 0.100000001. NaN
// and infinities become null.
#ifndef MIRAV_CLI_JSON_H
#define MIRAV_CLI_JSON_H

#include <cstdint>
#include <string>
#include <vector>

namespace mirav::cli {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& key);
    JsonWriter& String(const std::string& value);
    JsonWriter& Float(float value);
    JsonWriter& Float(double value);
    JsonWriter& Int(int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // An array of three floats.
    JsonWriter& Point(float x, float y, float z);

    const std::string& Text() const { return out_; }
    void Clear();

private:
    void BeforeValue();
    std::string out_;
    std::vector<bool> first_;  // per open container: no element written yet
    bool afterKey_ = false;
};

}  // namespace mirav::cli

#endif
