#include "platform/PlatformResource.h"

#include "platform/Diagnostics.h"
#include "platform/SocketOs.h"

namespace System {

int CPlatformResource::Startup() {
    if (started_.exchange(true)) {
        EmitLevel2("Already Initialized");
        return 1;
    }
    os::StartSocketLibrary();
    return 0;
}

}  // namespace System
