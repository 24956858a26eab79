// UTF-8 <-> UTF-16 without the virtual machine's modified UTF-8.
#include "Utf.h"

namespace mirav::jni {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Continuation bytes a lead byte needs, and the allowed range of the first of them (which
// excludes overlong forms, surrogates and values above U+10FFFF); 0 for an invalid lead.
int Needed(unsigned char lead, unsigned char* low, unsigned char* high) {
    *low = 0x80;
    *high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead == 0xE0) {
        *low = 0xA0;
        return 2;
    }
    if (lead == 0xED) {
        *high = 0x9F;
        return 2;
    }
    if (lead >= 0xE1 && lead <= 0xEF) return 2;
    if (lead == 0xF0) {
        *low = 0x90;
        return 3;
    }
    if (lead >= 0xF1 && lead <= 0xF3) return 3;
    if (lead == 0xF4) {
        *high = 0x8F;
        return 3;
    }
    return 0;
}

void Append(std::u16string& out, char32_t code) {
    if (code < 0x10000) {
        out.push_back(static_cast<char16_t>(code));
    } else {
        code -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    }
}

}  // namespace

std::u16string Utf16FromUtf8(const char* text, size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::u16string out;
    out.reserve(size);
    size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        unsigned char low = 0;
        unsigned char high = 0;
        const int needed = Needed(lead, &low, &high);
        if (needed == 0) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        char32_t code = lead & (0x3F >> needed);
        size_t used = 1;
        for (int k = 0; k < needed; ++k) {
            if (i + used >= size) break;
            const unsigned char next = bytes[i + used];
            const unsigned char lo = k == 0 ? low : 0x80;
            const unsigned char hi = k == 0 ? high : 0xBF;
            if (next < lo || next > hi) break;
            code = (code << 6) | (next & 0x3F);
            ++used;
        }
        if (used == static_cast<size_t>(needed) + 1) {
            Append(out, code);
        } else {
            out.push_back(kReplacement);  // the valid start of a broken sequence counts once
        }
        i += used;
    }
    return out;
}

std::string Utf8FromUtf16(const char16_t* text, size_t size) {
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

}  // namespace mirav::jni
