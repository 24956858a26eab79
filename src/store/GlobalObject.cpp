#include "store/GlobalObject.h"

CGlobalObject& CGlobalObject::Instance() {
    static CGlobalObject instance;
    return instance;
}

CGlobalObject::CGlobalObject() = default;
CGlobalObject::~CGlobalObject() = default;
