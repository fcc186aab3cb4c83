#include "ScriptedSourceManager.h"

#include "imaging/CodecSupport.h"

#include <cstring>

TScriptedSourceManager* TScriptedSourceManager::Current = nullptr;

TScriptedSourceManager::~TScriptedSourceManager() {
    for (auto& [cap, handle] : Containers)
        TwFree(handle);
    Current = nullptr;
}

TW_UINT16 TScriptedSourceManager::Entry(TW_IDENTITY*, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat,
                                        TW_UINT16 msg, TW_MEMREF data) {
    return Current->Answer(dest, dg, dat, msg, data);
}

namespace {
void SetIdentity(TW_IDENTITY& identity, std::uint32_t id, const std::string& name) {
    identity = TW_IDENTITY{};
    identity.Id = id;
    std::strncpy(identity.ProductName, name.c_str(), sizeof identity.ProductName - 1);
}
} // namespace

TW_UINT16 TScriptedSourceManager::Answer(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                         TW_MEMREF data) {
    if (dest == nullptr) {
        auto* identity = static_cast<TW_IDENTITY*>(data);
        switch (dat) {
        case DAT_PARENT:
            return TWRC_SUCCESS;
        case DAT_STATUS:
            static_cast<TW_STATUS*>(data)->ConditionCode = TWCC_NODS;
            return TWRC_SUCCESS;
        case DAT_IDENTITY:
            switch (msg) {
            case MSG_GETDEFAULT:
                if (DefaultSource < 0)
                    return TWRC_FAILURE;
                SetIdentity(*identity, DefaultSource + 1, Sources[DefaultSource]);
                return TWRC_SUCCESS;
            case MSG_GETFIRST:
                NextSource = 0;
                [[fallthrough]];
            case MSG_GETNEXT:
                if (NextSource >= Sources.size())
                    return TWRC_ENDOFLIST;
                SetIdentity(*identity, static_cast<std::uint32_t>(NextSource + 1), Sources[NextSource]);
                ++NextSource;
                return TWRC_SUCCESS;
            case MSG_USERSELECT:
                if (UserChoice < 0)
                    return TWRC_CANCEL;
                DefaultSource = UserChoice;
                SetIdentity(*identity, UserChoice + 1, Sources[UserChoice]);
                return TWRC_SUCCESS;
            case MSG_OPENDS:
                if (identity->ProductName[0] == '\0') {
                    if (DefaultSource < 0)
                        return TWRC_FAILURE;
                    SetIdentity(*identity, DefaultSource + 1, Sources[DefaultSource]);
                }
                return TWRC_SUCCESS;
            case MSG_CLOSEDS:
                return TWRC_SUCCESS;
            }
        }
        return TWRC_FAILURE;
    }

    Messages.push_back(msg);
    if (dg == DG_CONTROL && dat == DAT_STATUS) {
        static_cast<TW_STATUS*>(data)->ConditionCode = SourceCondition;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_CAPABILITY) {
        auto* capability = static_cast<TW_CAPABILITY*>(data);
        if (msg == MSG_SET) {
            const auto* one = static_cast<const TW_ONEVALUE*>(capability->hContainer);
            if (capability->Cap == ICAP_UNITS)
                UnitsSetAt = Sets.size();
            Sets.push_back({capability->Cap, one->ItemType, one->Item});
            return Refused.count(capability->Cap) ? TWRC_FAILURE : TWRC_SUCCESS;
        }
        if (auto it = Ranges.find(capability->Cap); it != Ranges.end()) {
            capability->ConType = TWON_RANGE;
            capability->hContainer = TwAlloc(sizeof(TW_RANGE));
            *static_cast<TW_RANGE*>(capability->hContainer) = it->second;
            return TWRC_SUCCESS;
        }
        if (auto it = Containers.find(capability->Cap); it != Containers.end()) {
            capability->ConType = ContainerTypes[capability->Cap];
            capability->hContainer = it->second;
            Containers.erase(it);
            return TWRC_SUCCESS;
        }
        return TWRC_FAILURE;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGELAYOUT) {
        Layout = *static_cast<TW_IMAGELAYOUT*>(data);
        LayoutSet = true;
        LayoutSetAfter = Sets.size();
        return TWRC_SUCCESS;
    }
    if (dat == DAT_USERINTERFACE) {
        Enabled = msg == MSG_ENABLEDS && !EnableFails;
        return msg == MSG_ENABLEDS && EnableFails ? TWRC_FAILURE : TWRC_SUCCESS;
    }
    if (dat == DAT_EVENT) {
        auto* event = static_cast<TW_EVENT*>(data);
        if (!Enabled || ++EventsSeen <= IdleEvents)
            return TWRC_NOTDSEVENT;
        event->TWMessage = CloseRequest ? MSG_CLOSEDSREQ : MSG_XFERREADY;
        return TWRC_DSEVENT;
    }
    if (dat == DAT_IMAGENATIVEXFER) {
        TImage& image = Images.at(NextImage++);
        if (image.Rc == TWRC_XFERDONE) {
            TW_HANDLE memory = TwAlloc(image.Dib.size());
            std::memcpy(memory, image.Dib.data(), image.Dib.size());
            *static_cast<TW_HANDLE*>(data) = memory;
        }
        return image.Rc;
    }
    if (dat == DAT_PENDINGXFERS) {
        auto* pending = static_cast<TW_PENDINGXFERS*>(data);
        if (msg == MSG_RESET)
            NextImage = Images.size();
        pending->Count = static_cast<TW_UINT16>(Images.size() - NextImage);
        return TWRC_SUCCESS;
    }
    return TWRC_FAILURE;
}

std::vector<std::uint8_t> MakeGreyDib(std::int32_t width, std::int32_t height) {
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    std::vector<std::uint8_t> dib(40 + 1024 + stride * static_cast<std::size_t>(height), 0);
    Put32(dib.data(), 40);
    Put32(dib.data() + 4, static_cast<std::uint32_t>(width));
    Put32(dib.data() + 8, static_cast<std::uint32_t>(height));
    Put16(dib.data() + 12, 1);
    Put16(dib.data() + 14, 8);
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c)
            dib[40 + 4 * i + c] = static_cast<std::uint8_t>(i);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = dib.data() + 40 + 1024 + stride * static_cast<std::size_t>(height - 1 - y);
        for (std::int32_t x = 0; x < width; ++x)
            row[x] = static_cast<std::uint8_t>(x + 2 * y);
    }
    return dib;
}
