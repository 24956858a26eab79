// String and array helpers of the binding.
#include "JniSupport.h"

#include <cstring>

namespace mirav::jni {

NativeString::NativeString(JNIEnv* env, jstring value) {
    if (value == nullptr) {
        return;
    }
    const char* chars = env->GetStringUTFChars(value, nullptr);
    if (chars == nullptr) {
        valid_ = false;
        return;
    }
    text_.assign(chars);
    env->ReleaseStringUTFChars(value, chars);
}

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed one- to three-byte UTF-8 sequence at text[i], or 0. Four-byte
// sequences and overlong or surrogate forms are refused: the virtual machine expects modified
// UTF-8, and text from the network must never reach NewStringUTF malformed.
size_t SequenceLength(const unsigned char* text, size_t i, size_t end) {
    unsigned char lead = text[i];
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return (i + 1 < end && IsContinuation(text[i + 1])) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (i + 2 >= end || !IsContinuation(text[i + 1]) || !IsContinuation(text[i + 2])) {
            return 0;
        }
        unsigned char second = text[i + 1];
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0)) {
            return 0;
        }
        return 3;
    }
    return 0;
}

}  // namespace

std::string FixedText(const char* text, size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t end = 0;
    while (end < size && bytes[end] != 0) {
        ++end;
    }
    std::string out;
    out.reserve(end);
    for (size_t i = 0; i < end;) {
        size_t length = SequenceLength(bytes, i, end);
        if (length == 0) {
            out.push_back('?');
            ++i;
        } else {
            out.append(text + i, length);
            i += length;
        }
    }
    return out;
}

bool CallStringSetter(JNIEnv* env, jobject object, jmethodID method, const char* text,
                      size_t size) {
    if (method == nullptr) {
        return true;
    }
    LocalRef<jstring> value(env, env->NewStringUTF(FixedText(text, size).c_str()));
    if (!value) {
        return !env->ExceptionCheck();
    }
    return CallSetter(env, object, method, value.Get());
}

jfloatArray NewPoint(JNIEnv* env, const float* point) {
    jfloatArray array = env->NewFloatArray(3);
    if (array != nullptr) {
        env->SetFloatArrayRegion(array, 0, 3, point);
    }
    return array;
}

}  // namespace mirav::jni
