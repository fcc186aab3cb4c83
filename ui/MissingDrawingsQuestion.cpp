#include "ui/MissingDrawingsQuestion.h"

#include "document/MissingDrawings.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/QtText.h"

#include <filesystem>

namespace {
// More lines than this would push the buttons off the screen; the rest are counted.
constexpr std::size_t kListedDrawings = 12;
} // namespace

bool GoOnDespiteMissingDrawings(const TSheetDocument& sheet, std::int32_t first, std::int32_t last,
                                TAlertPrompt& prompt) {
    const std::vector<TMissingDrawing> missing = FindMissingDrawings(sheet, first, last);
    if (missing.empty())
        return true;
    QStringList lines{Translate(LanguageKey("msgMissingDrawings"))};
    for (std::size_t i = 0; i < missing.size() && i < kListedDrawings; ++i) {
        const TMissingDrawing& drawing = missing[i];
        lines.append(Fill(Translate(LanguageKey("msgMissingDrawingLine")),
                          {FromStd(std::filesystem::path(drawing.File).filename().string()),
                           drawing.LayerCaption.empty() ? QString::number(drawing.Layer) : FromStd(drawing.LayerCaption),
                           FromStd(FrameRunsText(drawing.Frames))}));
    }
    if (missing.size() > kListedDrawings)
        lines.append(Fill(Translate(LanguageKey("msgMissingDrawingsMore")),
                          {QString::number(missing.size() - kListedDrawings)}));
    lines.append(Translate(LanguageKey("msgMissingDrawingsGoOn")));
    return prompt.Prompt(lines.join('\n'), Translate(LanguageKey("sGoOn")), Translate(LanguageKey("sStop"))) ==
           TAlertPrompt::TAnswer::Ok;
}
