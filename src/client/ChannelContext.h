// What a channel's dispatcher works with, handed to the channel when it opens: the frame store,
// the server's version bytes, the force plate state and the callback slots. The objects are
// the process-wide ones unless a test gives others; a dispatcher looks nothing up per message.
#ifndef MIRAV_CLIENT_CHANNEL_CONTEXT_H
#define MIRAV_CLIENT_CHANNEL_CONTEXT_H

#include <atomic>
#include <cstdint>

class FrameStore;

namespace mirav {

class ForcePlates;
struct CallbackSlots;

struct ChannelContext {
    FrameStore* store = nullptr;
    // The server's four version bytes, first byte in the low byte; 0 until a connect.
    const std::atomic<uint32_t>* serverVersion = nullptr;
    ForcePlates* forcePlates = nullptr;
    CallbackSlots* callbacks = nullptr;

    uint32_t ServerVersion() const { return serverVersion->load(std::memory_order_acquire); }

    // The objects every client of the process shares.
    static ChannelContext ProcessWide();
};

}  // namespace mirav

#endif
