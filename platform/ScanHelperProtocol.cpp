#include "platform/ScanHelperProtocol.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
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

// The time a receiver has waited, counted look by look. A look polls for a few milliseconds and
// runs the waiting callback; one that took much longer means this process was held up, and only
// its first quarter second counts.
class TWaitedTime {
public:
    explicit TWaitedTime(std::optional<double> limitSeconds) : LimitSeconds(limitSeconds) {}

    // How long the next look may poll, in milliseconds; -1 (for ever) without a limit.
    int PollMs() const {
        if (!LimitSeconds)
            return -1;
        const double left = std::ceil((*LimitSeconds - CountedSeconds) * 1000);
        return static_cast<int>(std::clamp(left, 0.0, static_cast<double>(kWaitSliceMs)));
    }
    // Counts a look that found nothing; false once the limit has been waited.
    bool Count(std::chrono::steady_clock::time_point lookStarted) {
        if (!LimitSeconds)
            return true;
        const std::chrono::duration<double> look = std::chrono::steady_clock::now() - lookStarted;
        CountedSeconds += std::min(look.count(), kMostCountedSeconds);
        return CountedSeconds < *LimitSeconds;
    }

private:
    static constexpr double kMostCountedSeconds = 0.25;
    std::optional<double> LimitSeconds;
    double CountedSeconds = 0;
};

// Waits until the socket can be read, the limit has been waited (false) or the other side goes.
// The socket is looked at before the time is judged, so an answer that came is never late.
bool WaitReadable(int socket, TWaitedTime& waited, const std::function<void()>& whileWaiting) {
    for (;;) {
        const auto lookStarted = std::chrono::steady_clock::now();
        pollfd entry{socket, POLLIN, 0};
        const int ready = ::poll(&entry, 1, waited.PollMs());
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return true; // readable, closed or failed: the read tells which
        if (whileWaiting)
            whileWaiting();
        if (!waited.Count(lookStarted))
            return false;
    }
}

TScanHelperReceipt ReceiveAll(int socket, void* bytes, std::size_t size, TWaitedTime& waited,
                              const std::function<void()>& whileWaiting) {
    auto* at = static_cast<std::uint8_t*>(bytes);
    while (size > 0) {
        if (!WaitReadable(socket, waited, whileWaiting))
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
                                            std::optional<double> limitSeconds,
                                            const std::function<void()>& whileWaiting) {
    TWaitedTime waited(limitSeconds);
    TScanHelperReceipt receipt = ReceiveAll(socket, &message.Head, sizeof message.Head, waited, whileWaiting);
    if (receipt != TScanHelperReceipt::Received)
        return receipt;
    if (message.Head.ExtraSize > kMaxExtraBytes)
        return TScanHelperReceipt::Gone;
    message.Data.resize(ScanHelperDataSize(message.Head.Dat));
    message.Extra.resize(static_cast<std::size_t>(message.Head.ExtraSize));
    receipt = ReceiveAll(socket, message.Data.data(), message.Data.size(), waited, whileWaiting);
    if (receipt != TScanHelperReceipt::Received)
        return receipt;
    return ReceiveAll(socket, message.Extra.data(), message.Extra.size(), waited, whileWaiting);
}
