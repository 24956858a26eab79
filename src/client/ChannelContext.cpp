#include "client/ChannelContext.h"

#include "client/Callbacks.h"
#include "client/ForcePlates.h"
#include "store/GlobalObject.h"

namespace mirav {

ChannelContext ChannelContext::ProcessWide() {
    CGlobalObject& global = CGlobalObject::Instance();
    ChannelContext context;
    context.store = &global.Store();
    context.serverVersion = &global.ServerVersionValue();
    context.forcePlates = &ForcePlates::Instance();
    context.callbacks = &CallbackSlots::Instance();
    return context;
}

}  // namespace mirav
