// Opening and teardown of a channel, and the multicast membership refresh thread.
#include "client/ClientChannel.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/Clock.h"
#include "platform/Diagnostics.h"
#include "store/GlobalObject.h"

namespace mirav {
namespace {

// Reporting sites of channel opening.
constexpr int kSiteJoin = 114;
constexpr int kSiteConnect = 123;
constexpr int kSiteBuffers = 144;
constexpr int kSiteLock = 151;
constexpr int kSiteEvents = 159;
constexpr int kSiteWorker = 166;
constexpr int kSiteUnicastSocket = 42;
constexpr int kSiteUnicastBuffers = 60;
constexpr int kSiteUnicastLock = 67;
constexpr int kSiteUnicastEvents = 75;
constexpr int kSiteUnicastWorker = 82;

constexpr int kSiteThreadRefused = 58;
constexpr int kTeardownSlices = 4;

// An address whose first three characters read as 224..239 names a multicast group.
bool IsMulticastText(const char* text) {
    if (text == nullptr) return false;
    const std::string head(text, strnlen(text, 3));
    if (head.size() < 3) return false;
    const long leading = std::strtol(head.c_str(), nullptr, 10);
    return leading >= 224 && leading <= 239;
}

}  // namespace

ClientChannel::ClientChannel() {
    // The lock lives as long as the channel, so a sender racing with teardown always finds it.
    lock_.Create();
}

ClientChannel::~ClientChannel() {
    TearDown();
    lock_.Dispose();
}

int ClientChannel::Open(const char* address, uint32_t port, const char* filter,
                        const ChannelContext& context) {
    if (open_.load()) return kResultAlreadyOpen;
    context_ = context;
    port_ = port;
    open_.store(true, std::memory_order_release);
    multicast_ = IsMulticastText(address);
    addressText_ = address != nullptr ? address : "";
    serverAddress_ = System::ParseAddress(address);
    ResetReassembly();

    System::CSocketFacade& facade = CGlobalObject::Instance().Facade();
    System::SocketHandle handle = System::kInvalidSocket;
    if (multicast_) {
        serverAddress_ = System::ParseAddress(filter);
        localAddresses_ = System::LocalAddressList{};
        facade.GetLocalAddresses(localAddresses_.addresses, &localAddresses_.count);
        const int result =
            facade.JoinMulticast(&handle, localAddresses_.addresses, localAddresses_.count,
                                 addressText_.c_str(), static_cast<int>(port), 1);
        if (result != System::kSocketOk) {
            System::ReportFailed(kSiteJoin);
            TearDown();
            return result;
        }
    } else {
        // A host name is resolved once: the channel then filters on, and sends to, the address
        // it resolved to.
        uint32_t resolved = 0;
        if (facade.ResolveHost(addressText_.c_str(), &resolved) == System::kSocketOk) {
            char text[16];
            System::FormatAddress(resolved, text, sizeof(text));
            addressText_ = text;
            serverAddress_ = resolved;
        }
        const int result = facade.Connect(&handle, addressText_.c_str(), static_cast<int>(port),
                                          System::kDatagramSocket, 0);
        if (result != System::kSocketOk) {
            System::ReportFailed(kSiteConnect);
            TearDown();
            return result;
        }
    }
    socket_.Attach(handle, 1);
    socket_.SetBufferSize(true, kChannelReceiveBufferBytes);
    socket_.SetBufferSize(false, kChannelSendBufferBytes);
    const int result = OpenResources(kSiteBuffers, kSiteLock, kSiteEvents, kSiteWorker, 0, true);
    if (result != kResultOk) return result;
    if (multicast_ && !refresherRunning_.exchange(true)) {
        try {
            refresher_ = std::thread([this] { RefreshMembership(); });
        } catch (const std::system_error& error) {
            System::ReportSysError(kSiteThreadRefused, error.code().value());
            System::ReportFailed(kSiteWorker);
            TearDown();
            return kResultNotCreated;
        }
    }
    return kResultOk;
}

int ClientChannel::OpenUnicastData(uint32_t port, uint32_t serverAddress,
                                   const ChannelContext& context) {
    if (open_.load()) return kResultFailed;
    context_ = context;
    port_ = port;
    open_.store(true, std::memory_order_release);
    multicast_ = false;
    addressText_.clear();
    serverAddress_ = serverAddress;
    ResetReassembly();

    System::SocketHandle handle = System::kInvalidSocket;
    if (CGlobalObject::Instance().Facade().CreateServer(
            &handle, static_cast<int>(port), System::kDatagramSocket) != System::kSocketOk) {
        System::ReportFailed(kSiteUnicastSocket);
        TearDown();
        return kResultFailed;
    }
    socket_.Attach(handle, 1);
    socket_.SetBufferSize(true, kChannelReceiveBufferBytes);
    return OpenResources(kSiteUnicastBuffers, kSiteUnicastLock, kSiteUnicastEvents,
                         kSiteUnicastWorker, kResultFailed, false);
}

// Buffers, lock, sequence events and receive thread. With failureCodesFromSteps the result
// names the failed step (6 buffers, 7 otherwise); else every failure gives failureResult.
int ClientChannel::OpenResources(int bufferSite, int lockSite, int eventsSite, int workerSite,
                                 int failureResult, bool failureCodesFromSteps) {
    const auto fail = [&](int site, int stepResult) {
        System::ReportFailed(site);
        TearDown();
        return failureCodesFromSteps ? stepResult : failureResult;
    };
    if (sendBuffer_.Allocate(kSendBufferSize) != 0 ||
        receiveBuffer_.Allocate(kReceiveBufferSize) != 0 ||
        reassemblyBuffer_.Allocate(kReassemblyBufferSize) != 0) {
        return fail(bufferSite, kResultNoBuffer);
    }
    if (!lock_.IsCreated() && lock_.Create() != System::kResultOk) {
        return fail(lockSite, kResultNotCreated);
    }
    if (events_.Open() != System::kResultOk) return fail(eventsSite, kResultNotCreated);
    if (receiveWorker_.Start(this, &ClientChannel::ReceiveRoutine, workerSite) != 0) {
        // The worker has already reported its own failure line.
        TearDown();
        return failureCodesFromSteps ? kResultNotCreated : failureResult;
    }
    return kResultOk;
}

void ClientChannel::TearDown(bool pause) {
    if (!open_.load(std::memory_order_acquire)) return;
    {
        // Under the lock, so no sender is half-way through a send when the channel closes.
        System::CGuard guard(lock_);
        open_.store(false, std::memory_order_release);
        refresherRunning_.store(false, std::memory_order_release);
    }
    for (int i = 0; pause && i < kTeardownSlices; ++i) {
        System::SleepMs(static_cast<uint32_t>(teardownPauseMs_ / kTeardownSlices));
    }
    events_.SignalAll();
    // Wake the receive thread, wait for it and for the refresh thread, and only then release
    // the descriptor: no thread of this channel can touch a reused descriptor number.
    socket_.Wake();
    receiveWorker_.Stop();
    if (refresher_.joinable()) refresher_.join();
    if (multicast_) {
        socket_.CloseLeavingGroup(addressText_.c_str());
    } else {
        socket_.CloseSocket();
    }
    {
        System::CGuard guard(lock_);
        sendBuffer_.Release();
        receiveBuffer_.Release();
        reassemblyBuffer_.Release();
    }
    events_.Shutdown();
    {
        System::CGuard guard(lock_);
        pending_.clear();
    }
    contexts_.Clear();
}

void ClientChannel::RefreshMembership() {
    using Clock = std::chrono::steady_clock;
    while (refresherRunning_.load(std::memory_order_acquire)) {
        const auto start = Clock::now();
        if (silenceCounter_.load() == 3 && multicast_) socket_.Rejoin(addressText_.c_str());
        silenceCounter_.fetch_add(1);
        // Sleep in short slices until 300 ms after the start, so teardown never waits long.
        const auto end = start + std::chrono::milliseconds(kRefreshPeriodMs);
        while (refresherRunning_.load(std::memory_order_acquire)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - Clock::now() + std::chrono::microseconds(999));
            if (left.count() <= 0) break;
            System::SleepMs(static_cast<uint32_t>(left.count() < 10 ? left.count() : 10));
        }
    }
}

int ClientChannel::RejoinGroup() {
    if (!multicast_ || !open_.load(std::memory_order_acquire)) return kResultFailed;
    return socket_.Rejoin(addressText_.c_str()) == System::kSocketOk ? kResultOk : kResultFailed;
}

void ClientChannel::NoteFrameArrived() {
    lastFrameTickMs_.store(System::TickCountMs(), std::memory_order_release);
    framesArrived_.fetch_add(1, std::memory_order_acq_rel);
}

void ClientChannel::ResetReassembly() {
    expectedFragment_ = 0;
    fragmentType_ = 0;
    reassemblyBuffer_.Clear();
}

}  // namespace mirav
