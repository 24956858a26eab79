// Host timing of frames: class members and their flat functions.
#include <cstddef>

#include "api/Boundary.h"
#include "client/ClientCore.h"
#include "mirav/MiravFlatApi.h"
#include "platform/Clock.h"

namespace {

constexpr int kMissing = 2;
constexpr int kNotKept = 8;

}  // namespace

int MiravSDKClient::GetFrameHostTiming(const sFrameOfMocapData* frame, sFrameHostTiming* timing) {
    if (!core_ || frame == nullptr || timing == nullptr) return kMissing;
    if (timing->size < offsetof(sFrameHostTiming, captureTime) + sizeof(double)) return kMissing;
    return mirav::CallGuarded(
        1, [&] { return core_->FrameTiming().Find(frame->frameNumber, timing) ? 0 : kNotKept; });
}

double MiravSDKClient::HostTimeNow() { return static_cast<double>(System::MonotonicNs()) * 1e-9; }

int GetFrameHostTiming(MiravSDKClient* client, const sFrameOfMocapData* frame,
                       sFrameHostTiming* timing) {
    return client ? client->GetFrameHostTiming(frame, timing) : kMissing;
}

double MiravHostTimeNow(void) { return MiravSDKClient::HostTimeNow(); }
