#pragma once

#include "twain/TwainTypes.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// A source manager for tests: plays back the answers a test programs and records what it was sent.
struct TScriptedSourceManager {
    struct TSet {
        TW_UINT16 Cap;
        TW_UINT16 ItemType;
        TW_UINT32 Value;
    };

    std::vector<std::string> Sources; // product names
    int DefaultSource = -1;           // index into Sources; -1 when there is no default
    int UserChoice = -1;              // what MSG_USERSELECT picks; -1 cancels
    bool EnableFails = false;
    TW_UINT16 SourceCondition = TWCC_OPERATIONERROR; // what DAT_STATUS reports
    std::map<TW_UINT16, TW_RANGE> Ranges;            // answered to MSG_GET as ranges
    std::map<TW_UINT16, TW_HANDLE> Containers; // answered to MSG_GET as they are (then owned by the caller)
    std::map<TW_UINT16, TW_UINT16> ContainerTypes;
    std::set<TW_UINT16> Refused; // MSG_SET answers TWRC_FAILURE
    // One entry per image the source holds: the transfer's return code and the DIB it hands over.
    struct TImage {
        TW_UINT16 Rc = TWRC_XFERDONE;
        std::vector<std::uint8_t> Dib;
    };
    std::vector<TImage> Images;
    bool CloseRequest = false; // ask to be closed instead of offering a transfer
    int IdleEvents = 2;        // events that are not the source's before it offers its images

    // What happened, in order.
    std::vector<TSet> Sets;
    std::vector<TW_UINT16> Messages; // every MSG_ sent to the source
    TW_IMAGELAYOUT Layout;
    bool LayoutSet = false;
    std::size_t UnitsSetAt = SIZE_MAX; // position in Sets of ICAP_UNITS
    std::size_t LayoutSetAfter = 0;    // Sets.size() when the layout arrived

    static TScriptedSourceManager* Current;
    static TW_UINT16 Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                           TW_MEMREF data);
    TW_UINT16 Answer(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

    TScriptedSourceManager() { Current = this; }
    ~TScriptedSourceManager();

private:
    std::size_t NextSource = 0;
    std::size_t NextImage = 0;
    int EventsSeen = 0;
    bool Enabled = false;
};

// A packed 8-bit grey DIB, bottom-up, colours-used 0; pixel (x, y) from the top is (x + 2y) & 255.
std::vector<std::uint8_t> MakeGreyDib(std::int32_t width, std::int32_t height);
