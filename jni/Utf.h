// Exact conversion between the library's UTF-8 text and Java's UTF-16 strings. Four-byte
// sequences become surrogate pairs; every invalid byte and every sequence cut short (by the end
// of a fixed field, for example) becomes one U+FFFD per maximal invalid part, as the Java
// platform's own UTF-8 decoder does. Unpaired surrogates from Java become U+FFFD.
#ifndef MIRAV_JNI_UTF_H
#define MIRAV_JNI_UTF_H

#include <cstddef>
#include <string>

namespace mirav::jni {

std::u16string Utf16FromUtf8(const char* text, size_t size);
std::string Utf8FromUtf16(const char16_t* text, size_t size);

}  // namespace mirav::jni

#endif
