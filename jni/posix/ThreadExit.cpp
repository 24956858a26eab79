// POSIX body: a pthread key whose destructor detaches the ending thread.
#include <pthread.h>

#include <mutex>

#include "ThreadExit.h"

namespace mirav::jni {
namespace {

pthread_key_t key;
bool haveKey = false;
std::once_flag keyOnce;

void Detach(void* value) { static_cast<JavaVM*>(value)->DetachCurrentThread(); }

}  // namespace

bool DetachAtThreadExit(JavaVM* vm) {
    std::call_once(keyOnce, [] { haveKey = pthread_key_create(&key, &Detach) == 0; });
    return haveKey && pthread_setspecific(key, vm) == 0;
}

}  // namespace mirav::jni
