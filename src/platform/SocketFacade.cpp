// Portable part of the socket facade: argument checks, the order of the steps and every
// message. The system calls themselves are the primitives of SocketOs.h.
#include "platform/SocketFacade.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/Diagnostics.h"

namespace System {
namespace {

// Reporting sites of this unit.
enum Site : int {
    kSiteBlockKind = 60,
    kSiteBlockCreate = 66,
    kSiteBlockBind = 74,
    kSiteBlockResolve = 80,
    kSiteBlockConnect = 87,
    kSiteBlockKeepAlive = 93,
    kSiteNoBlockKind = 110,
    kSiteNoBlockCreate = 116,
    kSiteNoBlockBind = 123,
    kSiteNoBlockResolve = 129,
    kSiteNoBlockNonBlocking = 136,
    kSiteNoBlockTimeout = 148,
    kSiteNoBlockBlocking = 155,
    kSiteNoBlockKeepAlive = 161,
    kSiteServerKind = 180,
    kSiteServerCreate = 186,
    kSiteServerBind = 193,
    kSiteServerConnReset = 200,
    kSiteServerWouldBlock = 202,
    kSiteServerListen = 208,
    kSiteJoinGroup = 230,
    kSiteJoinCreate = 236,
    kSiteJoinBind = 243,
    kSiteJoinDefaultIf = 250,
    kSiteJoinIf = 258,
    kSiteJoinLoop = 262,
    kSiteJoinTtl = 266,
    kSiteJoinMember = 270,
    kSiteJoinAnyMember = 282,
    kSiteRejoinArgs = 300,
    kSiteRejoinDrop = 312,
    kSiteRejoinAdd = 316,
    kSiteResolveParse = 340,
    kSiteResolveLookup = 352,
    kSiteLocalName = 370,
    kSiteLocalLookup = 376,
    kSiteNonBlocking = 395,
    kSiteKeepAlive = 405,
    kSiteSendClosed = 420,
    kSiteSendPermanent = 434,
    kSiteSendRetries = 442,
    kSiteSendToResolve = 460,
    kSiteSendToIf = 472,
    kSiteSendToError = 480,
    kSiteRecvClosed = 500,
    kSiteRecvError = 507,
    kSiteClose = 520,
    kSiteCloseDrop = 532,
};

constexpr char kUnitName[] = "SocketFacade";
constexpr char kCloseName[] = "System::CSocketFacade::Close";
constexpr uint8_t kMulticastTtl = 255;
constexpr int kKeepAliveMs = 15000;
constexpr int kListenBacklog = 5;
constexpr int kStreamRetries = 5;
constexpr int kStreamRetryPauseMs = 30;
constexpr uint32_t kLoopbackAddress = 0x7F000001u;

bool IsKnownKind(int kind) { return kind == kStreamSocket || kind == kDatagramSocket; }

os::SocketType TypeOf(int kind) {
    return kind == kStreamSocket ? os::SocketType::kStream : os::SocketType::kDatagram;
}

uint32_t NetworkToHost(uint32_t value) {
    const auto* b = reinterpret_cast<const uint8_t*>(&value);
    return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

uint32_t HostToNetwork(uint32_t value) {
    uint32_t out = 0;
    auto* b = reinterpret_cast<uint8_t*>(&out);
    b[0] = static_cast<uint8_t>(value >> 24);
    b[1] = static_cast<uint8_t>(value >> 16);
    b[2] = static_cast<uint8_t>(value >> 8);
    b[3] = static_cast<uint8_t>(value);
    return out;
}

int HandleValue(SocketHandle handle) { return static_cast<int>(handle); }

}  // namespace

uint32_t ParseAddress(const char* text) {
    if (text == nullptr) return 0;
    uint32_t address = 0;
    const char* p = text;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (*p != '.') return 0;
            ++p;
        }
        int digits = 0;
        uint32_t value = 0;
        while (*p >= '0' && *p <= '9' && digits < 4) {
            value = value * 10 + static_cast<uint32_t>(*p - '0');
            ++p;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return 0;
        address = (address << 8) | value;
    }
    return *p == '\0' ? address : 0;
}

void FormatAddress(uint32_t address, char* buffer, int size) {
    std::snprintf(buffer, static_cast<size_t>(size), "%u.%u.%u.%u", (address >> 24) & 0xFFu,
                  (address >> 16) & 0xFFu, (address >> 8) & 0xFFu, address & 0xFFu);
}

int CSocketFacade::Connect(SocketHandle* handle, const char* peer, int port, int kind,
                           int timeoutMs) {
    if (timeoutMs != 0) return NoBlockClient(handle, peer, port, kind, timeoutMs);
    return BlockClient(handle, peer, port, kind);
}

int CSocketFacade::BlockClient(SocketHandle* handle, const char* peer, int port, int kind) {
    if (!IsKnownKind(kind)) {
        ReportFailed(kSiteBlockKind);
        return kSocketFailed;
    }
    int error = os::CreateSocket(TypeOf(kind), handle);
    if (error != 0) {
        *handle = kInvalidSocket;
        ReportSysError(kSiteBlockCreate, error);
        return kSocketNotCreated;
    }
    if (kind == kStreamSocket) {
        os::SetReuseAddress(*handle);
        error = os::Bind(*handle, 0, 0);
        if (error != 0) {
            ReportValueSysError(kSiteBlockBind, HandleValue(*handle), error);
            Close(*handle);
            return kSocketNotCreated;
        }
    }
    uint32_t address = 0;
    const int resolved = ResolveHost(peer, &address);
    if (resolved != kSocketOk) {
        ReportFailed(kSiteBlockResolve);
        Close(*handle);
        return resolved;
    }
    error = os::Connect(*handle, address, static_cast<uint16_t>(port));
    if (error != 0) {
        Close(*handle);
        EmitLevel3("%s %d connect:%s %d Failed syserr:%d\n", "System::CSocketFacade::BlockClient",
                   kSiteBlockConnect, peer, port, error);
        return kSocketConnectFailed;
    }
    if (kind == kStreamSocket && SetKeepAlive(*handle) != kSocketOk) {
        ReportFailed(kSiteBlockKeepAlive);
    }
    return kSocketOk;
}

int CSocketFacade::NoBlockClient(SocketHandle* handle, const char* peer, int port, int kind,
                                 int timeoutMs) {
    if (!IsKnownKind(kind)) {
        ReportFailed(kSiteNoBlockKind);
        return kSocketBadArgument;
    }
    int error = os::CreateSocket(TypeOf(kind), handle);
    if (error != 0) {
        *handle = kInvalidSocket;
        ReportSysError(kSiteNoBlockCreate, error);
        return kSocketNotCreated;
    }
    if (kind == kStreamSocket) {
        os::SetReuseAddress(*handle);
        error = os::Bind(*handle, 0, 0);
        if (error != 0) {
            ReportValueSysError(kSiteNoBlockBind, HandleValue(*handle), error);
            Close(*handle);
            return kSocketNotCreated;
        }
    }
    uint32_t address = 0;
    const int resolved = ResolveHost(peer, &address);
    if (resolved != kSocketOk) {
        ReportFailed(kSiteNoBlockResolve);
        Close(*handle);
        return resolved;
    }
    if (SetNonBlocking(*handle, true) != kSocketOk) {
        ReportFailed(kSiteNoBlockNonBlocking);
        Close(*handle);
        return kSocketNotCreated;
    }
    os::Connect(*handle, address, static_cast<uint16_t>(port));
    int ready = 0;
    error = os::WaitReadyForConnect(*handle, timeoutMs, &ready);
    if (error != 0 || ready == 0) {
        EmitLevel3("%s %d connect:%s %d timeout:%dms syserr:%d\n",
                   "System::CSocketFacade::NoBlockClient", kSiteNoBlockTimeout, peer, port,
                   timeoutMs, error);
        Close(*handle);
        return kSocketConnectFailed;
    }
    if (SetNonBlocking(*handle, false) != kSocketOk) {
        ReportFailed(kSiteNoBlockBlocking);
        Close(*handle);
        return kSocketNotCreated;
    }
    if (kind == kStreamSocket && SetKeepAlive(*handle) != kSocketOk) {
        ReportFailed(kSiteNoBlockKeepAlive);
    }
    return kSocketOk;
}

int CSocketFacade::CreateServer(SocketHandle* handle, int localPort, int kind) {
    if (!IsKnownKind(kind)) {
        ReportFailed(kSiteServerKind);
        return kSocketFailed;
    }
    int error = os::CreateSocket(TypeOf(kind), handle);
    if (error != 0) {
        *handle = kInvalidSocket;
        ReportSysError(kSiteServerCreate, error);
        return kSocketFailed;
    }
    if (kind == kStreamSocket) os::SetReuseAddress(*handle);
    error = os::Bind(*handle, 0, static_cast<uint16_t>(localPort));
    if (error != 0) {
        ReportValueSysError(kSiteServerBind, HandleValue(*handle), error);
        Close(*handle);
        return kSocketFailed;
    }
    if (kind == kDatagramSocket) {
        error = os::DisableConnectionReset(*handle);
        if (error != 0) {
            ReportValueSysError(kSiteServerConnReset, HandleValue(*handle), error);
            if (os::IsWouldBlock(error)) ReportFailed(kSiteServerWouldBlock);
            Close(*handle);
            return kSocketFailed;
        }
    } else {
        error = os::Listen(*handle, kListenBacklog);
        if (error != 0) {
            ReportValueSysError(kSiteServerListen, HandleValue(*handle), error);
            Close(*handle);
            return kSocketFailed;
        }
    }
    return kSocketOk;
}

int CSocketFacade::JoinMulticast(SocketHandle* handle, const uint32_t* localAddresses,
                                 uint32_t count, const char* group, int localPort, int loop) {
    if (group == nullptr) {
        ReportFailed(kSiteJoinGroup);
        return kSocketBadArgument;
    }
    int error = os::CreateSocket(os::SocketType::kDatagram, handle);
    if (error != 0) {
        *handle = kInvalidSocket;
        ReportSysError(kSiteJoinCreate, error);
        return kSocketNotCreated;
    }
    os::SetReuseAddress(*handle);
    error = os::Bind(*handle, 0, static_cast<uint16_t>(localPort));
    if (error != 0) {
        ReportValueSysError(kSiteJoinBind, HandleValue(*handle), error);
        Close(*handle);
        return kSocketNotCreated;
    }
    error = os::SetMulticastInterface(*handle, 0);
    if (error != 0) {
        ReportValueSysError(kSiteJoinDefaultIf, HandleValue(*handle), error);
        Close(*handle);
        return kSocketNotCreated;
    }
    const uint32_t groupAddress = ParseAddress(group);
    const auto loopFlag = static_cast<uint8_t>(loop & 0xFF);
    const uint32_t usable = count > kMaxLocalAddresses ? kMaxLocalAddresses : count;
    if (localAddresses != nullptr && usable > 0) {
        // Any interface that joins is enough; failures on the others are only reported.
        for (uint32_t i = 0; i < usable; ++i) {
            const uint32_t local = NetworkToHost(localAddresses[i]);
            if ((error = os::SetMulticastInterface(*handle, local)) != 0)
                ReportValueSysError(kSiteJoinIf, HandleValue(*handle), error);
            if ((error = os::SetMulticastLoop(*handle, loopFlag)) != 0)
                ReportValueSysError(kSiteJoinLoop, HandleValue(*handle), error);
            if ((error = os::SetMulticastTtl(*handle, kMulticastTtl)) != 0)
                ReportValueSysError(kSiteJoinTtl, HandleValue(*handle), error);
            if ((error = os::ChangeMembership(*handle, true, groupAddress, local)) != 0)
                ReportValueSysError(kSiteJoinMember, HandleValue(*handle), error);
        }
        return kSocketOk;
    }
    if ((error = os::SetMulticastLoop(*handle, loopFlag)) != 0)
        ReportValueSysError(kSiteJoinLoop, HandleValue(*handle), error);
    if ((error = os::SetMulticastTtl(*handle, kMulticastTtl)) != 0)
        ReportValueSysError(kSiteJoinTtl, HandleValue(*handle), error);
    error = os::ChangeMembership(*handle, true, groupAddress, 0);
    if (error != 0) {
        ReportValueSysError(kSiteJoinAnyMember, HandleValue(*handle), error);
        Close(*handle);
        return kSocketNotCreated;
    }
    return kSocketOk;
}

int CSocketFacade::RejoinMulticast(SocketHandle handle, const char* group) {
    if (handle == kInvalidSocket || group == nullptr) {
        ReportFailed(kSiteRejoinArgs);
        return kSocketBadArgument;
    }
    LocalAddressList list;
    GetLocalAddresses(list.addresses, &list.count);
    const uint32_t groupAddress = ParseAddress(group);
    const auto rejoin = [&](uint32_t local) {
        int error = os::ChangeMembership(handle, false, groupAddress, local);
        if (error != 0) ReportValueSysError(kSiteRejoinDrop, HandleValue(handle), error);
        error = os::ChangeMembership(handle, true, groupAddress, local);
        if (error != 0) ReportValueSysError(kSiteRejoinAdd, HandleValue(handle), error);
    };
    if (list.count == 0) {
        rejoin(0);
        return kSocketOk;
    }
    for (uint32_t i = 0; i < list.count; ++i) rejoin(NetworkToHost(list.addresses[i]));
    return kSocketOk;
}

int CSocketFacade::ResolveHost(const char* text, uint32_t* address) {
    if (text == nullptr) {
        ReportFailed(kSiteResolveLookup);
        return kSocketBadArgument;
    }
    const uint32_t parsed = ParseAddress(text);
    if (parsed != 0 || std::strcmp(text, "255.255.255.255") == 0) {
        *address = parsed;
        return kSocketOk;
    }
    // Anything that is not dotted decimal is looked up as a name ("0.0.0.0" included).
    if (std::strcmp(text, "0.0.0.0") != 0) ReportFailed(kSiteResolveParse);
    uint32_t found = 0;
    if (os::LookupHost(text, &found) == 0) {
        *address = found;
        return kSocketOk;
    }
    ReportFailed(kSiteResolveLookup);
    return kSocketBadArgument;
}

int CSocketFacade::GetLocalAddresses(uint32_t* addresses, uint32_t* count) {
    char name[256] = {};
    int error = os::LocalHostName(name, sizeof(name));
    if (error != 0) {
        ReportSysError(kSiteLocalName, error);
        return kSocketFailed;
    }
    uint32_t found[kMaxLocalAddresses] = {};
    int foundCount = 0;
    error = os::LookupHostAll(name, found, kMaxLocalAddresses, &foundCount);
    if (error != 0) {
        ReportSysError(kSiteLocalLookup, error);
        return kSocketFailed;
    }
    // At most 32 addresses are kept; the loopback address is left out.
    *count = 0;
    for (int i = 0; i < foundCount && *count < kMaxLocalAddresses; ++i) {
        if (found[i] == kLoopbackAddress) continue;
        addresses[(*count)++] = HostToNetwork(found[i]);
    }
    return kSocketOk;
}

int CSocketFacade::SetNonBlocking(SocketHandle handle, bool on) {
    const int error = os::SetNonBlocking(handle, on);
    if (error != 0) {
        ReportValueSysError(kSiteNonBlocking, HandleValue(handle), error);
        return kSocketNotCreated;
    }
    return kSocketOk;
}

int CSocketFacade::SetKeepAlive(SocketHandle handle) {
    const int error = os::SetStreamKeepAlive(handle, kKeepAliveMs, kKeepAliveMs);
    if (error != 0) {
        ReportValueSysError(kSiteKeepAlive, HandleValue(handle), error);
        return kSocketFailed;
    }
    return kSocketOk;
}

int CSocketFacade::SetBufferSize(SocketHandle handle, bool receiveBuffer, int bytes) {
    return os::SetBufferSize(handle, receiveBuffer, bytes) == 0 ? kSocketOk : kSocketFailed;
}

int CSocketFacade::Send(SocketHandle handle, const void* data, int length) {
    if (handle == kInvalidSocket) {
        ReportFailed(kSiteSendClosed);
        return kSocketFailed;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t remaining = length > 0 ? static_cast<size_t>(length) : 0;
    int failures = 0;
    while (remaining > 0) {
        size_t sent = 0;
        const int error = os::Send(handle, bytes, remaining, &sent);
        if (error == 0 && sent > 0) {
            bytes += sent;
            remaining -= sent;
            failures = 0;
            continue;
        }
        if (error != 0 && os::IsPermanentStreamError(error)) {
            ReportValueSysError(kSiteSendPermanent, HandleValue(handle), error);
            return kSocketFailed;
        }
        if (++failures > kStreamRetries) {
            ReportValueSysError(kSiteSendRetries, HandleValue(handle), error);
            return kSocketFailed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kStreamRetryPauseMs));
    }
    return kSocketOk;
}

int CSocketFacade::SendWhole(SocketHandle handle, const uint8_t* data, int length, uint32_t address,
                             int port) {
    size_t offset = 0;
    const size_t total = length > 0 ? static_cast<size_t>(length) : 0;
    do {
        size_t sent = 0;
        const int error = os::SendTo(handle, data + offset, total - offset, address,
                                     static_cast<uint16_t>(port), &sent);
        if (error != 0) {
            ReportValueSysError(kSiteSendToError, HandleValue(handle), error);
            return kSocketFailed;
        }
        offset += sent;
    } while (offset < total);
    return kSocketOk;
}

int CSocketFacade::SendTo(SocketHandle handle, const void* data, int length, uint32_t address,
                          int port, const uint32_t* interfaces, uint32_t interfaceCount) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (interfaces == nullptr || interfaceCount == 0) {
        return SendWhole(handle, bytes, length, address, port);
    }
    for (uint32_t i = 0; i < interfaceCount && i < kMaxLocalAddresses; ++i) {
        const int error = os::SetMulticastInterface(handle, NetworkToHost(interfaces[i]));
        if (error != 0) ReportValueSysError(kSiteSendToIf, HandleValue(handle), error);
        if (SendWhole(handle, bytes, length, address, port) != kSocketOk) return kSocketFailed;
    }
    return kSocketOk;
}

int CSocketFacade::SendToHost(SocketHandle handle, const void* data, int length, const char* peer,
                              int port, const uint32_t* interfaces, uint32_t interfaceCount) {
    uint32_t address = 0;
    if (peer == nullptr || ResolveHost(peer, &address) != kSocketOk) {
        ReportFailed(kSiteSendToResolve);
        return kSocketFailed;
    }
    return SendTo(handle, data, length, address, port, interfaces, interfaceCount);
}

bool CSocketFacade::EnableReceiveReports(SocketHandle handle) {
    bool dropsReported = false;
    if (handle == kInvalidSocket) return false;
    os::EnableReceiveReports(handle, &dropsReported);
    return dropsReported;
}

int CSocketFacade::RecvFrom(SocketHandle handle, void* buffer, int* length, uint32_t* address,
                            int* port, os::ReceiveMeta* meta) {
    if (handle == kInvalidSocket) {
        ReportFailed(kSiteRecvClosed);
        return kSocketFailed;
    }
    size_t received = 0;
    uint16_t senderPort = 0;
    const size_t capacity = *length > 0 ? static_cast<size_t>(*length) : 0;
    const int error =
        os::ReceiveFrom(handle, buffer, capacity, &received, address, &senderPort, meta);
    if (error != 0) {
        ReportValueSysError(kSiteRecvError, HandleValue(handle), error);
        return os::IsPortUnreachable(error) ? kSocketPeerUnreachable : kSocketFailed;
    }
    *length = static_cast<int>(received);
    *port = senderPort;
    return kSocketOk;
}

int CSocketFacade::Wake(SocketHandle handle) {
    if (handle != kInvalidSocket && handle != 0) os::ShutdownBoth(handle);
    return kSocketOk;
}

void CSocketFacade::CloseQuietly(SocketHandle handle) {
    os::ShutdownBoth(handle);
    os::CloseHandle(handle);
}

int CSocketFacade::Close(SocketHandle handle) {
    if (handle == 0 || handle == kInvalidSocket) return kSocketOk;
    EmitLevel1("[BrisalSDKClient] %s %s %d h:%d.\n", kUnitName, kCloseName, kSiteClose,
               HandleValue(handle));
    CloseQuietly(handle);
    return kSocketOk;
}

int CSocketFacade::CloseMulticast(SocketHandle handle, const char* group) {
    if (handle == 0 || handle == kInvalidSocket) return kSocketOk;
    EmitLevel1("[BrisalSDKClient] %s %s %d h:%d.\n", kUnitName, kCloseName, kSiteClose,
               HandleValue(handle));
    if (group != nullptr) {
        const int error = os::ChangeMembership(handle, false, ParseAddress(group), 0);
        if (error != 0) ReportValueSysError(kSiteCloseDrop, HandleValue(handle), error);
    }
    CloseQuietly(handle);
    return kSocketOk;
}

}  // namespace System
