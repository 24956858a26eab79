// Small helpers shared by every source of the binding: owning holders for local references and
// local frames, the string argument copy, and new strings and arrays.
#ifndef MIRAV_JNI_JNI_SUPPORT_H
#define MIRAV_JNI_JNI_SUPPORT_H

#include <jni.h>

#include <string>
#include <utility>

namespace mirav::jni {

// Version the binding asks for when it looks up a thread's environment.
constexpr jint kJniVersion = JNI_VERSION_1_8;

// Owns one local reference and deletes it when it goes out of scope.
template <class T = jobject>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    ~LocalRef() { Reset(); }
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    LocalRef(LocalRef&& other) noexcept : env_(other.env_), ref_(other.Release()) {}

    T Get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }
    T Release() { return std::exchange(ref_, nullptr); }
    void Reset() {
        if (ref_ != nullptr) {
            env_->DeleteLocalRef(ref_);
            ref_ = nullptr;
        }
    }

private:
    JNIEnv* env_;
    T ref_;
};

// A local reference frame: pushed on construction, popped on destruction unless Pop kept a result.
class LocalFrame {
public:
    LocalFrame(JNIEnv* env, jint capacity) : env_(env) {
        pushed_ = env_->PushLocalFrame(capacity) == 0;
        if (!pushed_) {
            env_->ExceptionClear();  // OutOfMemoryError from the push; the caller gives up quietly
        }
    }
    ~LocalFrame() {
        if (pushed_) {
            env_->PopLocalFrame(nullptr);
        }
    }
    LocalFrame(const LocalFrame&) = delete;
    LocalFrame& operator=(const LocalFrame&) = delete;

    bool Pushed() const { return pushed_; }
    // Pops the frame and returns a reference to result that is valid in the enclosing frame.
    jobject Pop(jobject result) {
        if (!pushed_) {
            return nullptr;
        }
        pushed_ = false;
        return env_->PopLocalFrame(result);
    }

private:
    JNIEnv* env_;
    bool pushed_;
};

// Copy of a Java string argument as standard UTF-8: null becomes "".
class NativeString {
public:
    NativeString(JNIEnv* env, jstring value);
    // NUL-terminated, modifiable (some library operations take a char*).
    char* Data() { return &text_[0]; }
    const char* CStr() const { return text_.c_str(); }
    bool Empty() const { return text_.empty(); }
    // False when the string could not be read (an exception is pending then).
    bool Valid() const { return valid_; }

private:
    std::string text_;
    bool valid_ = true;
};

// Java string of a fixed UTF-8 text field: stops at the first NUL or at the end of the field.
// Null with an exception pending when it cannot be made.
jstring NewJavaString(JNIEnv* env, const char* text, size_t size);

// New byte[] holding size bytes; null with an exception pending when it cannot be made.
jbyteArray NewByteArrayOf(JNIEnv* env, const void* bytes, size_t size);

// New float[3] holding a point.
jfloatArray NewPoint(JNIEnv* env, const float* point);

}  // namespace mirav::jni

#endif
