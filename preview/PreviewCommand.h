#pragma once

#include "preview/PreviewWindow.h"

#include <QPointer>
#include <functional>

class QWidget;
class TAlertPrompt;
class TCompositor;
class TSheetDocument;

// The Preview command: one preview window of the sheet at a time, made when first asked for and
// deleted when closed.
class TPreviewCommand {
public:
    // `parent` owns the windows; all must outlive this.
    TPreviewCommand(TSheetDocument& sheet, TCompositor& rostrum, TAlertPrompt& prompt, QWidget& parent);

    // What each new preview window asks of the main window.
    TPreviewHost Host;
    // A preview window was made, before it shows (the main window places it).
    std::function<void(TPreviewWindow& window)> OnMade;

    // Throws ECwError for an empty sheet. Without an open preview, asks whether to go on when
    // drawings of the visible frames are missing, then makes one. Shows and raises the preview.
    void Open();
    // The open preview window; null when there is none.
    TPreviewWindow* Window() const { return Preview; }

private:
    TSheetDocument& Sheet;
    TCompositor& Rostrum;
    TAlertPrompt& Prompt;
    QWidget& Parent;
    QPointer<TPreviewWindow> Preview;
};
