// Parameter records: every length and count comes from the file, so each is checked against the
// bytes left before anything is read or allocated.
#include "C3dParameters.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace mirav::sim {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string TrimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

// A cursor over the section that refuses reads past its end.
class SectionReader {
public:
    SectionReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }

    bool Byte(uint8_t& value) {
        if (Remaining() < 1) return false;
        value = data_[pos_++];
        return true;
    }
    bool Int16(int16_t& value) {
        if (Remaining() < 2) return false;
        value = static_cast<int16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool Text(size_t length, std::string& value) {
        if (length > Remaining()) return false;
        value.assign(reinterpret_cast<const char*>(data_ + pos_), length);
        pos_ += length;
        return true;
    }
    const uint8_t* Take(size_t length) {
        if (length > Remaining()) return nullptr;
        const uint8_t* p = data_ + pos_;
        pos_ += length;
        return p;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

struct PendingParameter {
    int groupId;
    C3dParameter parameter;
};

bool ReadValues(SectionReader& reader, C3dParameter& p, std::string& error) {
    uint8_t rawType = 0, dimensionCount = 0;
    if (!reader.Byte(rawType) || !reader.Byte(dimensionCount)) {
        error = "parameter " + p.name + " is cut short";
        return false;
    }
    const int8_t type = static_cast<int8_t>(rawType);
    if (type != -1 && type != 1 && type != 2 && type != 4) {
        error = "parameter " + p.name + " has unknown element type " + std::to_string(type);
        return false;
    }
    p.type = static_cast<C3dType>(type);
    size_t elements = 1;
    for (uint8_t i = 0; i < dimensionCount; ++i) {
        uint8_t d = 0;
        if (!reader.Byte(d)) {
            error = "parameter " + p.name + " is cut short in its dimensions";
            return false;
        }
        p.dimensions.push_back(d);
        elements *= d;  // at most 255^255 in theory; the size check below catches overflow
        if (elements > reader.Remaining()) elements = reader.Remaining() + 1;
    }
    const size_t width = type < 0 ? 1 : static_cast<size_t>(type);
    if (elements > reader.Remaining() / width) {
        error = "parameter " + p.name + " claims more data than the section holds";
        return false;
    }
    const uint8_t* data = reader.Take(elements * width);
    if (p.type == C3dType::Char) {
        p.text.assign(reinterpret_cast<const char*>(data), elements);
        return true;
    }
    p.numbers.reserve(elements);
    for (size_t i = 0; i < elements; ++i) {
        const uint8_t* e = data + i * width;
        if (p.type == C3dType::Byte) {
            p.numbers.push_back(e[0]);
        } else if (p.type == C3dType::Int16) {
            p.numbers.push_back(static_cast<int16_t>(e[0] | (e[1] << 8)));
        } else {
            const uint32_t bits = static_cast<uint32_t>(e[0]) | (static_cast<uint32_t>(e[1]) << 8) |
                                  (static_cast<uint32_t>(e[2]) << 16) |
                                  (static_cast<uint32_t>(e[3]) << 24);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            p.numbers.push_back(f);
        }
    }
    return true;
}

}  // namespace

size_t C3dParameter::ElementCount() const {
    return type == C3dType::Char ? text.size() : numbers.size();
}

std::optional<double> C3dParameter::Number(size_t index) const {
    if (index >= numbers.size()) return std::nullopt;
    return numbers[index];
}

std::vector<std::string> C3dParameter::Strings() const {
    std::vector<std::string> out;
    if (type != C3dType::Char) return out;
    if (dimensions.size() < 2) {
        out.push_back(TrimRight(text));
        return out;
    }
    const size_t width = static_cast<size_t>(dimensions[0]);
    if (width == 0) return out;
    for (size_t start = 0; start + width <= text.size(); start += width) {
        out.push_back(TrimRight(text.substr(start, width)));
    }
    return out;
}

std::string C3dParameters::Key(const std::string& group, const std::string& name) {
    return Upper(group) + ":" + Upper(name);
}

const C3dParameter* C3dParameters::Find(const std::string& group, const std::string& name) const {
    const auto it = parameters_.find(Key(group, name));
    return it == parameters_.end() ? nullptr : &it->second;
}

std::optional<double> C3dParameters::Number(const std::string& group, const std::string& name,
                                            size_t index) const {
    const C3dParameter* p = Find(group, name);
    return p ? p->Number(index) : std::nullopt;
}

std::vector<double> C3dParameters::Numbers(const std::string& group,
                                           const std::string& name) const {
    const C3dParameter* p = Find(group, name);
    return p ? p->numbers : std::vector<double>{};
}

std::vector<std::string> C3dParameters::Strings(const std::string& group,
                                                const std::string& name) const {
    const C3dParameter* p = Find(group, name);
    return p ? p->Strings() : std::vector<std::string>{};
}

std::vector<std::string> C3dParameters::ContinuedStrings(const std::string& group,
                                                         const std::string& name) const {
    std::vector<std::string> out = Strings(group, name);
    for (int part = 2;; ++part) {
        const C3dParameter* p = Find(group, name + std::to_string(part));
        if (!p) break;
        const auto more = p->Strings();
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

bool C3dParameters::HasGroup(const std::string& group) const {
    return groups_.count(Upper(group)) != 0;
}

void C3dParameters::AddGroup(const std::string& name, const std::string& description) {
    groups_[Upper(name)] = description;
}

void C3dParameters::Add(C3dParameter parameter) {
    const std::string key = Key(parameter.group, parameter.name);
    parameters_[key] = std::move(parameter);
}

bool ParseC3dParameterRecords(const uint8_t* section, size_t size, C3dParameters& out,
                              std::string& error) {
    SectionReader reader(section, size);
    std::map<int, std::string> groupNames;
    std::vector<PendingParameter> pending;
    bool ok = true;

    while (reader.Remaining() >= 2) {
        const size_t recordStart = reader.Position();
        uint8_t rawLength = 0, rawId = 0;
        reader.Byte(rawLength);
        reader.Byte(rawId);
        const int8_t nameLength = static_cast<int8_t>(rawLength);
        const int8_t id = static_cast<int8_t>(rawId);
        if (nameLength == 0 || id == 0) break;  // end of the records

        std::string name;
        int16_t next = 0;
        if (!reader.Text(static_cast<size_t>(nameLength < 0 ? -nameLength : nameLength), name) ||
            !reader.Int16(next)) {
            error = "parameter record at byte " + std::to_string(recordStart) + " is cut short";
            ok = false;
            break;
        }
        const size_t nextField = reader.Position() - 2;
        name = TrimRight(name);

        if (id < 0) {
            uint8_t descriptionLength = 0;
            std::string description;
            reader.Byte(descriptionLength);
            reader.Text(descriptionLength, description);
            groupNames[-id] = name;
            out.AddGroup(name, description);
        } else {
            PendingParameter entry{id, {}};
            entry.parameter.name = name;
            entry.parameter.locked = nameLength < 0;
            if (!ReadValues(reader, entry.parameter, error)) {
                ok = false;
                break;
            }
            uint8_t descriptionLength = 0;
            reader.Byte(descriptionLength);
            reader.Text(descriptionLength, entry.parameter.description);
            pending.push_back(std::move(entry));
        }

        // A zero offset marks the last record; a negative one would loop, so it ends the list too.
        if (next <= 0) break;
        const size_t target = nextField + static_cast<size_t>(next);
        if (target > size) break;
        if (target <= recordStart) break;
        // Records are found through the offset, not by where the description ended.
        reader = SectionReader(section, size);
        reader.Take(target);
    }

    for (PendingParameter& entry : pending) {
        const auto it = groupNames.find(entry.groupId);
        entry.parameter.group =
            it != groupNames.end() ? it->second : "GROUP" + std::to_string(entry.groupId);
        out.Add(std::move(entry.parameter));
    }
    return ok;
}

}  // namespace mirav::sim
