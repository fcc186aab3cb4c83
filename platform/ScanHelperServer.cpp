#include "platform/ScanHelperServer.h"

#include "platform/SaneSourceManager.h"
#include "platform/ScanHelperProtocol.h"

#include <cstring>

namespace {

std::vector<std::uint8_t> HandleBytes(TW_HANDLE handle) {
    const auto* bytes = static_cast<const std::uint8_t*>(handle);
    return handle == nullptr ? std::vector<std::uint8_t>{}
                             : std::vector<std::uint8_t>(bytes, bytes + TwSize(handle));
}

// Asks the program to choose; the program answers with a Choice message.
int AskProgramToChoose(int socket, const std::vector<std::string>& names, int current) {
    TScanHelperMessage question;
    question.Head.Kind = TScanHelperKind::Choose;
    question.Head.Value = current;
    for (const std::string& name : names)
        question.Extra.insert(question.Extra.end(), name.c_str(), name.c_str() + name.size() + 1);
    TScanHelperMessage answer;
    if (!SendScanHelperMessage(socket, question) ||
        ReceiveScanHelperMessage(socket, answer) != TScanHelperReceipt::Received ||
        answer.Head.Kind != TScanHelperKind::Choice)
        return -1;
    return answer.Head.Value;
}

// Runs one TWAIN operation with the request's data, and answers with the data as the source left it.
TScanHelperMessage Call(TScanHelperMessage& request) {
    const TScanHelperHead& head = request.Head;
    TScanHelperMessage answer;
    answer.Head = head;
    answer.Head.Kind = TScanHelperKind::Answer;
    // Pointers in the request meant something only in the program: they are set here.
    std::vector<std::uint8_t> data = request.Data;
    data.resize(std::max<std::size_t>(data.size(), 64), 0);
    TW_HANDLE handle = nullptr;
    TW_MEMREF reference = data.data();
    if (head.Dat == DAT_PARENT || head.Dat == DAT_IMAGENATIVEXFER) {
        reference = &handle;
    } else if (head.Dat == DAT_CAPABILITY) {
        auto* capability = reinterpret_cast<TW_CAPABILITY*>(data.data());
        capability->hContainer = nullptr;
        if (!request.Extra.empty()) {
            capability->hContainer = TwAlloc(request.Extra.size());
            if (capability->hContainer != nullptr)
                std::memcpy(capability->hContainer, request.Extra.data(), request.Extra.size());
        }
    } else if (head.Dat == DAT_USERINTERFACE) {
        reinterpret_cast<TW_USERINTERFACE*>(data.data())->hParent = nullptr;
    } else if (head.Dat == DAT_EVENT) {
        reinterpret_cast<TW_EVENT*>(data.data())->pEvent = nullptr;
    }
    TW_IDENTITY destination = head.Destination;
    answer.Head.Value = SaneDsmEntry(nullptr, head.ToSource != 0 ? &destination : nullptr, head.Dg, head.Dat,
                                     head.Msg, reference);
    if (head.Dat == DAT_CAPABILITY) {
        auto* capability = reinterpret_cast<TW_CAPABILITY*>(data.data());
        if (head.Msg != MSG_SET)
            answer.Extra = HandleBytes(capability->hContainer);
        TwFree(capability->hContainer);
        capability->hContainer = nullptr;
    } else if (head.Dat == DAT_IMAGENATIVEXFER) {
        answer.Extra = HandleBytes(handle);
        TwFree(handle);
    }
    answer.Data.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(request.Data.size()));
    answer.Head.DriverCallSeconds = SaneScanCallSeconds();
    return answer;
}

} // namespace

int ServeScanHelper(int socket) {
    SetSaneSourceChooser([socket](const std::vector<std::string>& names, int current) {
        return AskProgramToChoose(socket, names, current);
    });
    for (;;) {
        TScanHelperMessage request;
        if (ReceiveScanHelperMessage(socket, request) != TScanHelperReceipt::Received)
            return 1;
        TScanHelperMessage answer;
        if (request.Head.Kind == TScanHelperKind::Cancel) {
            CancelSaneScan();
            answer.Head.Kind = TScanHelperKind::Answer;
            answer.Head.Value = TWRC_SUCCESS;
        } else if (request.Head.Kind == TScanHelperKind::Call) {
            answer = Call(request);
        } else {
            return 1;
        }
        if (!SendScanHelperMessage(socket, answer))
            return 1;
        if (request.Head.Dat == DAT_PARENT && request.Head.Msg == MSG_CLOSEDSM &&
            answer.Head.Value == TWRC_SUCCESS)
            return 0;
    }
}
