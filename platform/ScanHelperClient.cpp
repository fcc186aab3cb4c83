#include "platform/ScanHelperClient.h"

#include "base/FlagGuard.h"
#include "platform/ScanHelperProtocol.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kHelperSocket = 3;
constexpr const char* kHelperName = "celwright-scan-helper";

bool IsClosing(TW_UINT16 msg) {
    return msg == MSG_DISABLEDS || msg == MSG_CLOSEDS || msg == MSG_CLOSEDSM;
}

double SecondsFromEnvironment(const char* name, double fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr)
        return fallback;
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(seconds) && seconds > 0 ? seconds : fallback;
}

TW_HANDLE HandleOf(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty())
        return nullptr;
    TW_HANDLE handle = TwAlloc(bytes.size());
    if (handle != nullptr)
        std::memcpy(handle, bytes.data(), bytes.size());
    return handle;
}

class TScanHelperClient {
public:
    ~TScanHelperClient() { Stop(); }

    TW_UINT16 Entry(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    void Cancel();

    TScanHelperSettings Settings;

private:
    bool Start();
    // Ends the helper, killing it when it is still there.
    void Stop();
    // Lets a helper that was told to close end by itself, within the closing limit.
    void AwaitExit();
    void Fault(TScanFault fault, double seconds);
    // Sends the request and returns the helper's answer, choosing a source for it on the way;
    // nullopt when the helper failed (it is gone then).
    std::optional<TScanHelperMessage> Exchange(const TScanHelperMessage& request, double limitSeconds);
    // What the source manager answers while no helper runs: the session can always come down.
    TW_UINT16 AnswerWithoutHelper(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    void TakeAnswer(TW_UINT16 dat, const TScanHelperMessage& answer, TW_MEMREF data);

    pid_t Helper = -1;
    int Socket = -1;
    bool Waiting = false;
    bool CancelPending = false;
    TW_UINT16 Condition = TWCC_SUCCESS;
    TScanWatchdogLimits Limits;
};

TScanHelperClient& Client() {
    static TScanHelperClient client;
    return client;
}

bool TScanHelperClient::Start() {
    Limits = TScanWatchdogLimits::FromEnvironment();
    const std::string program = ScanHelperProgram();
    if (program.empty())
        return false;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Onto descriptor 3 and open across exec, also when it is descriptor 3 already.
    posix_spawn_file_actions_adddup2(&actions, ends[1], kHelperSocket);
    std::string folder = Settings.DefaultSourceFolder;
    std::string name = program;
    char* argv[] = {name.data(), folder.data(), nullptr};
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (failed != 0) {
        ::close(ends[0]);
        return false;
    }
    Helper = pid;
    Socket = ends[0];
    return true;
}

void TScanHelperClient::Stop() {
    if (Socket >= 0)
        ::close(Socket);
    Socket = -1;
    if (Helper < 0)
        return;
    ::kill(Helper, SIGKILL);
    // A process stuck in the kernel ends when its device lets go; it is not waited for long.
    for (int attempt = 0; attempt < 200 && ::waitpid(Helper, nullptr, WNOHANG) == 0; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Helper = -1;
}

void TScanHelperClient::AwaitExit() {
    const TFlagGuard waiting(Waiting);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(Limits.ClosingSeconds);
    while (Helper >= 0 && std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(Helper, nullptr, WNOHANG) != 0)
            Helper = -1;
        else if (Settings.WhileWaiting)
            Settings.WhileWaiting();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Stop();
}

void TScanHelperClient::Fault(TScanFault fault, double seconds) {
    Stop();
    Condition = TWCC_OPERATIONERROR;
    if (Settings.OnFault)
        Settings.OnFault(fault, seconds);
}

std::optional<TScanHelperMessage> TScanHelperClient::Exchange(const TScanHelperMessage& request,
                                                              double limitSeconds) {
    const TFlagGuard waiting(Waiting);
    if (!SendScanHelperMessage(Socket, request)) {
        Fault(TScanFault::Crash, 0);
        return std::nullopt;
    }
    for (;;) {
        TScanHelperMessage message;
        switch (ReceiveScanHelperMessage(Socket, message, limitSeconds, Settings.WhileWaiting)) {
        case TScanHelperReceipt::Late:
            Fault(TScanFault::Timeout, limitSeconds);
            return std::nullopt;
        case TScanHelperReceipt::Gone:
            Fault(TScanFault::Crash, 0);
            return std::nullopt;
        case TScanHelperReceipt::Received:
            break;
        }
        if (message.Head.Kind != TScanHelperKind::Choose)
            return message;
        // The user takes the time the choice needs; the helper's clock starts again after it.
        std::vector<std::string> names;
        for (std::size_t start = 0; start < message.Extra.size();) {
            const auto end =
                std::find(message.Extra.begin() + static_cast<std::ptrdiff_t>(start), message.Extra.end(), 0);
            names.emplace_back(message.Extra.begin() + static_cast<std::ptrdiff_t>(start), end);
            start = static_cast<std::size_t>(end - message.Extra.begin()) + 1;
        }
        TScanHelperMessage choice;
        choice.Head.Kind = TScanHelperKind::Choice;
        choice.Head.Value =
            Settings.Chooser ? Settings.Chooser(names, message.Head.Value) : message.Head.Value;
        if (!SendScanHelperMessage(Socket, choice)) {
            Fault(TScanFault::Crash, 0);
            return std::nullopt;
        }
    }
}

TW_UINT16 TScanHelperClient::AnswerWithoutHelper(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dat == DAT_STATUS) {
        static_cast<TW_STATUS*>(data)->ConditionCode = Condition;
        Condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
        static_cast<TW_EVENT*>(data)->TWMessage = MSG_CLOSEDSREQ;
        return TWRC_DSEVENT;
    }
    if (dat == DAT_PENDINGXFERS) {
        static_cast<TW_PENDINGXFERS*>(data)->Count = 0;
        return TWRC_SUCCESS;
    }
    if (IsClosing(msg) || msg == MSG_ENABLEDS)
        return TWRC_SUCCESS;
    if (Condition == TWCC_SUCCESS)
        Condition = TWCC_SEQERROR;
    return TWRC_FAILURE;
}

void TScanHelperClient::TakeAnswer(TW_UINT16 dat, const TScanHelperMessage& answer, TW_MEMREF data) {
    if (dat == DAT_IMAGENATIVEXFER) {
        *static_cast<TW_HANDLE*>(data) = HandleOf(answer.Extra);
        return;
    }
    // An answer without data (a call whose structure is empty) leaves the caller's as it is.
    if (answer.Data.empty() || answer.Data.size() != ScanHelperDataSize(dat))
        return;
    // The helper's pointers mean nothing here: the caller's own are kept.
    if (dat == DAT_CAPABILITY) {
        auto& capability = *static_cast<TW_CAPABILITY*>(data);
        const TW_UINT16 msg = answer.Head.Msg;
        TW_HANDLE own = capability.hContainer;
        std::memcpy(data, answer.Data.data(), answer.Data.size());
        capability.hContainer = msg == MSG_SET ? own : HandleOf(answer.Extra);
    } else if (dat == DAT_USERINTERFACE) {
        TW_HANDLE parent = static_cast<TW_USERINTERFACE*>(data)->hParent;
        std::memcpy(data, answer.Data.data(), answer.Data.size());
        static_cast<TW_USERINTERFACE*>(data)->hParent = parent;
    } else if (dat == DAT_EVENT) {
        TW_MEMREF event = static_cast<TW_EVENT*>(data)->pEvent;
        std::memcpy(data, answer.Data.data(), answer.Data.size());
        static_cast<TW_EVENT*>(data)->pEvent = event;
    } else {
        std::memcpy(data, answer.Data.data(), answer.Data.size());
    }
}

TW_UINT16 TScanHelperClient::Entry(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                   TW_MEMREF data) {
    // A window handling its events while an answer is awaited may not start another operation.
    if (Waiting) {
        Condition = TWCC_SEQERROR;
        return TWRC_FAILURE;
    }
    if (data == nullptr) {
        Condition = TWCC_BADVALUE;
        return TWRC_FAILURE;
    }
    if (Helper < 0 && dat == DAT_PARENT && msg == MSG_OPENDSM && !Start()) {
        Condition = TWCC_BUMMER;
        return TWRC_FAILURE;
    }
    if (Helper < 0)
        return AnswerWithoutHelper(dat, msg, data);

    TScanHelperMessage request;
    request.Head.Kind = TScanHelperKind::Call;
    request.Head.Dg = dg;
    request.Head.Dat = dat;
    request.Head.Msg = msg;
    request.Head.ToSource = dest != nullptr ? 1 : 0;
    if (dest != nullptr)
        request.Head.Destination = *dest;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    request.Data.assign(bytes, bytes + ScanHelperDataSize(dat));
    if (dat == DAT_CAPABILITY && msg == MSG_SET) {
        const TW_HANDLE container = static_cast<TW_CAPABILITY*>(data)->hContainer;
        if (container != nullptr)
            request.Extra.assign(static_cast<const std::uint8_t*>(container),
                                 static_cast<const std::uint8_t*>(container) + TwSize(container));
    }
    const std::optional<TScanHelperMessage> answer =
        Exchange(request, IsClosing(msg) ? Limits.ClosingSeconds : Limits.PageSeconds);
    if (!answer)
        return AnswerWithoutHelper(dat, msg, data);
    // The helper answers while the scan's driver call may still hang on its own thread.
    if (answer->Head.DriverCallSeconds > Limits.PageSeconds) {
        Fault(TScanFault::Timeout, Limits.PageSeconds);
        return AnswerWithoutHelper(dat, msg, data);
    }
    TakeAnswer(dat, *answer, data);
    const auto rc = static_cast<TW_UINT16>(answer->Head.Value);
    if (dat == DAT_PARENT && msg == MSG_CLOSEDSM && rc == TWRC_SUCCESS) {
        AwaitExit();
    } else if (CancelPending) {
        CancelPending = false;
        Cancel();
    }
    return rc;
}

void TScanHelperClient::Cancel() {
    if (Helper < 0)
        return;
    if (Waiting) {
        CancelPending = true;
        return;
    }
    TScanHelperMessage request;
    request.Head.Kind = TScanHelperKind::Cancel;
    Exchange(request, Limits.ClosingSeconds);
}

} // namespace

TScanWatchdogLimits TScanWatchdogLimits::FromEnvironment() {
    TScanWatchdogLimits limits;
    limits.PageSeconds = SecondsFromEnvironment("CELWRIGHT_SCAN_PAGE_SECONDS", limits.PageSeconds);
    limits.ClosingSeconds = SecondsFromEnvironment("CELWRIGHT_SCAN_CLOSING_SECONDS", limits.ClosingSeconds);
    return limits;
}

void SetScanHelperSettings(TScanHelperSettings settings) {
    Client().Settings = std::move(settings);
}

TW_UINT16 ScanHelperDsmEntry(TW_IDENTITY*, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                             TW_MEMREF data) {
    return Client().Entry(dest, dg, dat, msg, data);
}

void CancelScanHelperScan() {
    Client().Cancel();
}

std::string ScanHelperProgram() {
    if (const char* chosen = std::getenv("CELWRIGHT_SCAN_HELPER"); chosen != nullptr && *chosen != '\0')
        return chosen;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    for (const std::filesystem::path& candidate :
         {folder / kHelperName, folder / ".." / "libexec" / "celwright" / kHelperName})
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    return {};
}
