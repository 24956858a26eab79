// A small JSON reader for the tools' output: objects, arrays, strings, numbers, true, false,
// null. Numbers keep their text so that a float written with nine digits reads back exactly.
#ifndef MIRAV_TESTS_TOOLS_MINI_JSON_H
#define MIRAV_TESTS_TOOLS_MINI_JSON_H

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace mirav::test {

struct Json {
    enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
    bool boolean = false;
    std::string text;  // string value, or the number as written
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json& operator[](const std::string& key) const {
        static const Json missing;
        const auto found = members.find(key);
        return found == members.end() ? missing : found->second;
    }
    const Json& operator[](size_t index) const {
        static const Json missing;
        return index < items.size() ? items[index] : missing;
    }
    size_t size() const { return kind == kArray ? items.size() : members.size(); }
    bool Has(const std::string& key) const { return members.count(key) != 0; }
    double Number() const { return std::strtod(text.c_str(), nullptr); }
    float Float() const { return std::strtof(text.c_str(), nullptr); }
    long long Int() const { return std::strtoll(text.c_str(), nullptr, 10); }

    // Parses one JSON text; false when it is not (exactly) one value.
    static bool Parse(const std::string& in, Json* out);
};

namespace json_detail {

inline void SkipSpace(const std::string& s, size_t& p) {
    while (p < s.size() && (s[p] == ' ' || s[p] == '\n' || s[p] == '\r' || s[p] == '\t')) ++p;
}

inline bool ParseValue(const std::string& s, size_t& p, Json* out, int depth);

inline bool ParseString(const std::string& s, size_t& p, std::string* out) {
    if (p >= s.size() || s[p] != '"') return false;
    ++p;
    while (p < s.size() && s[p] != '"') {
        if (s[p] == '\\') {
            if (++p >= s.size()) return false;
            const char c = s[p];
            if (c == 'u') {
                if (p + 4 >= s.size()) return false;
                *out += static_cast<char>(std::strtol(s.substr(p + 1, 4).c_str(), nullptr, 16));
                p += 4;
            } else {
                *out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
            }
        } else {
            *out += s[p];
        }
        ++p;
    }
    if (p >= s.size()) return false;
    ++p;
    return true;
}

inline bool ParseValue(const std::string& s, size_t& p, Json* out, int depth) {
    if (depth > 64) return false;
    SkipSpace(s, p);
    if (p >= s.size()) return false;
    const char c = s[p];
    if (c == '{') {
        out->kind = Json::kObject;
        ++p;
        SkipSpace(s, p);
        if (p < s.size() && s[p] == '}') return ++p, true;
        for (;;) {
            SkipSpace(s, p);
            std::string key;
            if (!ParseString(s, p, &key)) return false;
            SkipSpace(s, p);
            if (p >= s.size() || s[p++] != ':') return false;
            if (!ParseValue(s, p, &out->members[key], depth + 1)) return false;
            SkipSpace(s, p);
            if (p < s.size() && s[p] == ',') {
                ++p;
                continue;
            }
            return p < s.size() && s[p++] == '}';
        }
    }
    if (c == '[') {
        out->kind = Json::kArray;
        ++p;
        SkipSpace(s, p);
        if (p < s.size() && s[p] == ']') return ++p, true;
        for (;;) {
            out->items.emplace_back();
            if (!ParseValue(s, p, &out->items.back(), depth + 1)) return false;
            SkipSpace(s, p);
            if (p < s.size() && s[p] == ',') {
                ++p;
                continue;
            }
            return p < s.size() && s[p++] == ']';
        }
    }
    if (c == '"') {
        out->kind = Json::kString;
        return ParseString(s, p, &out->text);
    }
    for (const char* word : {"true", "false", "null"}) {
        const std::string w(word);
        if (s.compare(p, w.size(), w) == 0) {
            out->kind = w == "null" ? Json::kNull : Json::kBool;
            out->boolean = w == "true";
            p += w.size();
            return true;
        }
    }
    const size_t start = p;
    while (p < s.size() && (std::isdigit(static_cast<unsigned char>(s[p])) || s[p] == '-' ||
                            s[p] == '+' || s[p] == '.' || s[p] == 'e' || s[p] == 'E')) {
        ++p;
    }
    if (p == start) return false;
    out->kind = Json::kNumber;
    out->text = s.substr(start, p - start);
    return true;
}

}  // namespace json_detail

inline bool Json::Parse(const std::string& in, Json* out) {
    size_t p = 0;
    *out = Json();
    if (!json_detail::ParseValue(in, p, out, 0)) return false;
    json_detail::SkipSpace(in, p);
    return p == in.size();
}

}  // namespace mirav::test

#endif
