#include "platform/ScanHelperProtocol.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace {

// More than the largest scan the source manager keeps, with its DIB header.
constexpr std::uint64_t kMaxExtraBytes = (std::uint64_t{1} << 31) + 65536;
constexpr int kWaitSliceMs = 10;

bool SendAll(int socket, const void* bytes, std::size_t size) {
    const auto* at = static_cast<const std::uint8_t*>(bytes);
    while (size > 0) {
        const ssize_t sent = ::send(socket, at, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        at += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Waits until the socket can be read, the deadline passes (false) or the other side goes.
bool WaitReadable(int socket, const std::optional<std::chrono::steady_clock::time_point>& deadline,
                  const std::function<void()>& whileWaiting) {
    for (;;) {
        int timeoutMs = -1;
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            timeoutMs = static_cast<int>(std::min<std::int64_t>(left.count(), kWaitSliceMs));
        }
        pollfd entry{socket, POLLIN, 0};
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return true; // readable, closed or failed: the read tells which
        if (whileWaiting)
            whileWaiting();
    }
}

TScanHelperReceipt ReceiveAll(int socket, void* bytes, std::size_t size,
                              const std::optional<std::chrono::steady_clock::time_point>& deadline,
                              const std::function<void()>& whileWaiting) {
    auto* at = static_cast<std::uint8_t*>(bytes);
    while (size > 0) {
        if (!WaitReadable(socket, deadline, whileWaiting))
            return TScanHelperReceipt::Late;
        const ssize_t received = ::recv(socket, at, size, 0);
        if (received < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (received <= 0)
            return TScanHelperReceipt::Gone;
        at += received;
        size -= static_cast<std::size_t>(received);
    }
    return TScanHelperReceipt::Received;
}

} // namespace

std::size_t ScanHelperDataSize(TW_UINT16 dat) {
    static constexpr struct {
        TW_UINT16 Dat;
        std::size_t Size;
    } kSizes[] = {{DAT_CAPABILITY, sizeof(TW_CAPABILITY)},  {DAT_EVENT, sizeof(TW_EVENT)},
                  {DAT_IDENTITY, sizeof(TW_IDENTITY)},      {DAT_PENDINGXFERS, sizeof(TW_PENDINGXFERS)},
                  {DAT_STATUS, sizeof(TW_STATUS)},          {DAT_USERINTERFACE, sizeof(TW_USERINTERFACE)},
                  {DAT_IMAGELAYOUT, sizeof(TW_IMAGELAYOUT)}};
    for (const auto& entry : kSizes)
        if (entry.Dat == dat)
            return entry.Size;
    return 0;
}

bool SendScanHelperMessage(int socket, const TScanHelperMessage& message) {
    TScanHelperHead head = message.Head;
    head.ExtraSize = message.Extra.size();
    return SendAll(socket, &head, sizeof head) && SendAll(socket, message.Data.data(), message.Data.size()) &&
           SendAll(socket, message.Extra.data(), message.Extra.size());
}

TScanHelperReceipt ReceiveScanHelperMessage(int socket, TScanHelperMessage& message,
                                            std::optional<std::chrono::steady_clock::time_point> deadline,
                                            const std::function<void()>& whileWaiting) {
    TScanHelperReceipt receipt =
        ReceiveAll(socket, &message.Head, sizeof message.Head, deadline, whileWaiting);
    if (receipt != TScanHelperReceipt::Received)
        return receipt;
    if (message.Head.ExtraSize > kMaxExtraBytes)
        return TScanHelperReceipt::Gone;
    message.Data.resize(ScanHelperDataSize(message.Head.Dat));
    message.Extra.resize(static_cast<std::size_t>(message.Head.ExtraSize));
    receipt = ReceiveAll(socket, message.Data.data(), message.Data.size(), deadline, whileWaiting);
    if (receipt != TScanHelperReceipt::Received)
        return receipt;
    return ReceiveAll(socket, message.Extra.data(), message.Extra.size(), deadline, whileWaiting);
}
