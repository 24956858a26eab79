// One communication channel of a client: the command channel (commands and their replies) or
// the data channel (frames and other unsolicited messages). It owns the socket, the receive
// thread, the reassembly state, the pending requests and the application's context pointers.
#ifndef MIRAV_CLIENT_CLIENT_CHANNEL_H
#define MIRAV_CLIENT_CLIENT_CHANNEL_H

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <thread>

#include "client/Buffer.h"
#include "client/Callbacks.h"
#include "client/ChannelContext.h"
#include "client/FrameTiming.h"
#include "client/Reassembler.h"
#include "client/ReplyRecord.h"
#include "client/StreamStatistics.h"
#include "client/WorkerThread.h"
#include "platform/ChannelSocket.h"
#include "platform/SocketFacade.h"
#include "platform/Sync.h"
#include "protocol/MessageHeader.h"
#include "records/ReusableRecord.h"

namespace mirav {

constexpr uint32_t kSendBufferSize = 131072;
constexpr uint32_t kReceiveBufferSize = 131072;
constexpr int kChannelReceiveBufferBytes = 1048576;
constexpr int kChannelSendBufferBytes = 524288;
constexpr int32_t kMaxFragmentBody = 1462;
constexpr int kDefaultTeardownPauseMs = 400;
constexpr int kRefreshPeriodMs = 300;

// Result codes of the channel and request operations.
constexpr int kResultOk = 0;
constexpr int kResultFailed = 1;
constexpr int kResultNullArgument = 2;
constexpr int kResultUnusableAddress = 4;
constexpr int kResultNoBuffer = 6;
constexpr int kResultNotCreated = 7;
constexpr int kResultRefused = 10;
constexpr int kResultAlreadyOpen = 13;
constexpr int kResultNoReply = 15;

// Status of a pending request.
constexpr int32_t kRequestWaiting = 0;
constexpr int32_t kRequestAnswered = 1;
constexpr int32_t kRequestUnreachable = 2;  // the server's host reported its port unreachable
constexpr int32_t kRequestAborted = 3;      // the client stopped waiting (Uninitialize)

// Why a request ended without a reply.
enum class RequestFailure { kNone, kTimedOut, kUnreachable, kAborted, kClosed };

struct PendingRequest {
    int32_t sequence;
    Reply* reply;    // where DeliverReply copies the reply; may be null
    int32_t status;  // one of kRequest*
};

class ClientChannel {
public:
    ClientChannel();
    ~ClientChannel();
    ClientChannel(const ClientChannel&) = delete;
    ClientChannel& operator=(const ClientChannel&) = delete;

    // Command channel or multicast data channel (see Open in ClientChannel.cpp). The context
    // is what the channel's dispatcher delivers to from then on.
    int Open(const char* address, uint32_t port, const char* filter,
             const ChannelContext& context = ChannelContext::ProcessWide());
    // Unicast data channel bound to every local interface on port.
    int OpenUnicastData(uint32_t port, uint32_t serverAddress,
                        const ChannelContext& context = ChannelContext::ProcessWide());
    // Idempotent; ends every thread of the channel and releases its resources. Without pause
    // the channel closes at once (used when the connect handshake failed).
    void TearDown(bool pause = true);

    // Requests (ChannelRequests.cpp).
    int32_t NewSequenceNumber();
    // failure (optional) says why a request ended with 15.
    int SendRequest(uint8_t code, const uint8_t* body, int32_t length, Reply* reply, int32_t waitMs,
                    RequestFailure* failure = nullptr);
    // Ends every waiting request at once with the status given (kRequestUnreachable or
    // kRequestAborted).
    void FailPending(int32_t status);
    int SendCommand(uint8_t code, const uint8_t* body, int32_t length, uint32_t sequence);
    int DeliverReply(const MessageHeader& header, const Reply& reply);

    // Receive path (ReceivePath.cpp, Dispatch.cpp); run on the channel's receive thread.
    int Reassemble(const char* senderText, int senderPort, const uint8_t* datagram, uint32_t length,
                   const DatagramInfo& info);
    int Dispatch(const char* senderText, int senderPort, const MessageHeader& header,
                 const uint8_t* body, uint32_t length, const MessageInfo& info);
    // Where this channel counts what it receives (the client's statistics); may stay null.
    void SetStatistics(ChannelCounters* counters);

    // The least time two fragments of one message may lie apart (the command channel, whose
    // replies never interleave, waits longer than the learned window).
    void SetReassemblyWindowFloorNs(int64_t ns) { reassembler_.SetWindowFloorNs(ns); }
    bool IsOpen() const { return open_.load(std::memory_order_acquire); }
    // Frames decoded on this channel since it was constructed, and the tick of the last one.
    uint64_t FramesArrived() const { return framesArrived_.load(std::memory_order_acquire); }
    uint64_t LastFrameTickMs() const { return lastFrameTickMs_.load(std::memory_order_acquire); }
    // Rejoins the multicast group at once (a server that came back).
    int RejoinGroup();
    bool IsMulticast() const { return multicast_; }
    uint32_t ServerAddress() const { return serverAddress_; }
    CallbackContexts& Contexts() { return contexts_; }
    // Where the frames this channel delivers are timed (set before the channel opens).
    void SetFrameTiming(FrameTimingLog* timing) { frameTiming_ = timing; }
    // Internal tests shorten the pause teardown leaves the refresh thread (default 400 ms).
    void SetTeardownPauseMs(int ms) { teardownPauseMs_ = ms; }

private:
    static int ReceiveRoutine(WorkerThread* worker);
    void ReceiveLoop();
    void RefreshMembership();
    int OpenResources(int bufferSite, int lockSite, int eventsSite, int workerSite,
                      int failureResult, bool failureCodesFromSteps);
    void SendFragmented(uint8_t code, const uint8_t* body, int32_t length, uint32_t sequence);
    PendingRequest* FindPending(int32_t sequence);
    bool HasPending(int32_t sequence);
    void ResetReassembly();
    void DispatchFrame(const uint8_t* body, uint32_t length, const MessageInfo& info);
    void NoteFrameArrived();
    void DeliverBody(const MessageHeader& header, uint16_t recordType, const uint8_t* body,
                     uint32_t length);

    std::atomic<bool> open_{false};
    bool multicast_ = false;
    uint32_t port_ = 0;
    std::string addressText_;
    uint32_t serverAddress_ = 0;
    System::CMutex lock_;
    System::CSequenceEventSet events_;
    std::list<PendingRequest> pending_;
    WorkerThread receiveWorker_;
    std::atomic<uint32_t> silenceCounter_{0};
    std::atomic<uint64_t> framesArrived_{0};
    std::atomic<uint64_t> lastFrameTickMs_{0};
    std::atomic<bool> refresherRunning_{false};
    std::thread refresher_;
    System::LocalAddressList localAddresses_;
    System::ChannelSocket socket_;
    CBuffer sendBuffer_;
    CBuffer receiveBuffer_;
    Reassembler reassembler_;
    ChannelCounters* counters_ = nullptr;
    CallbackContexts contexts_;
    ChannelContext context_ = ChannelContext::ProcessWide();
    // The record frames are decoded into, made on the first frame and reused for every frame
    // after it; only the receive thread touches it.
    std::unique_ptr<OwnedReusableRecord> decodeRecord_;
    int teardownPauseMs_ = kDefaultTeardownPauseMs;
    FrameTimingLog* frameTiming_ = nullptr;
};

}  // namespace mirav

#endif
