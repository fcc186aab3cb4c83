#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class TSheetDocument;

// celwright-cli phonemes and lipsync: a dialogue breakdown into the phoneme column, and a layer's
// mouth chart applied to the phonemes.

// Work on an opened sheet; `saveAs` writes it, with the settings in force, to the path given.
using TSheetEdit =
    std::function<int(TSheetDocument& sheet, const std::function<void(const std::string& path)>& saveAs)>;
using TSheetEditOpener = std::function<int(const std::string& path, std::ostream& err, const TSheetEdit& edit)>;

extern const char* const kPhonemesHelp;
extern const char* const kLipSyncHelp;

int RunPhonemes(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const TSheetEditOpener& open);
int RunLipSync(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const TSheetEditOpener& open);
