// String and array helpers of the binding.
#include "JniSupport.h"

#include <cstring>

#include "Utf.h"

namespace mirav::jni {

NativeString::NativeString(JNIEnv* env, jstring value) {
    if (value == nullptr) {
        return;
    }
    // The UTF-16 contents, converted exactly (GetStringUTFChars would give modified UTF-8, in
    // which characters outside the basic plane can never match a name from the network).
    const jsize length = env->GetStringLength(value);
    std::u16string chars(static_cast<size_t>(length), u'\0');
    env->GetStringRegion(value, 0, length, reinterpret_cast<jchar*>(&chars[0]));
    if (env->ExceptionCheck()) {
        valid_ = false;
        return;
    }
    text_ = Utf8FromUtf16(chars.data(), chars.size());
}

jstring NewJavaString(JNIEnv* env, const char* text, size_t size) {
    const void* end = std::memchr(text, 0, size);
    const size_t length =
        end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - text) : size;
    const std::u16string chars = Utf16FromUtf8(text, length);
    return env->NewString(reinterpret_cast<const jchar*>(chars.data()),
                          static_cast<jsize>(chars.size()));
}

jfloatArray NewPoint(JNIEnv* env, const float* point) {
    jfloatArray array = env->NewFloatArray(3);
    if (array != nullptr) {
        env->SetFloatArrayRegion(array, 0, 3, point);
    }
    return array;
}

jbyteArray NewByteArrayOf(JNIEnv* env, const void* bytes, size_t size) {
    jbyteArray array = env->NewByteArray(static_cast<jsize>(size));
    if (array != nullptr && size > 0) {
        env->SetByteArrayRegion(array, 0, static_cast<jsize>(size),
                                static_cast<const jbyte*>(bytes));
    }
    return array;
}

}  // namespace mirav::jni
