#pragma once

#include "ui/ErrorBox.h"
#include "app/MainWindow.h"
#include "capture/CaptureWindow.h"
#include "sheetview/SheetView.h"
#include "testsupport/RecordedGPhoto.h"
#include "testsupport/TempFolder.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/WaitFor.h"
#include "testsupport/SheetTestAccess.h"

#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// The main window on a sheet of ten frames whose layer "Ink" keeps its drawings in a temporary
// folder, with the test camera turned on and the still cameras played back from the answers
// `stillCameras` records (made in the user folder); the Video command opens the capture window.
class TCaptureWindowFixture : public TMainWindowFixture {
protected:
    using TStillCameras = std::function<std::shared_ptr<TRecordedGPhoto>(const std::filesystem::path& user)>;

    explicit TCaptureWindowFixture(const TStillCameras& stillCameras =
                                       [](const std::filesystem::path&) {
                                           return std::make_shared<TRecordedGPhoto>();
                                       })
        : Recorded(stillCameras(User.Path())) {
        GPhotoPort() = Recorded;
        WriteText(User.Path() / "Celwright/3.0/celwright.ini", "[capture devices]\ntest camera=1\n");
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
        Window = NewWindow();
        // The sheet on the left third of the screen: the capture window opens beside it, showing the
        // live picture at its own size.
        const QRect screen = Window->screen()->availableGeometry();
        Window->setGeometry(screen.left(), screen.top(), screen.width() / 3, screen.height());
        TSheetView& sheet = Window->Sheet();
        sheet.ClearSheet();
        WritableData(sheet.Document()).AddLayer("Ink", Ink / "", LayerColorScheme(0), 10);
        sheet.RefreshAll();
        sheet.SelectCell(1, 1);
    }
    ~TCaptureWindowFixture() override {
        Window.reset();
        ErrorBoxOverride() = nullptr;
        GPhotoPort() = std::make_shared<TRecordedGPhoto>();
    }

    // The Video command's window once its camera gives a live picture.
    TCaptureWindow& OpenLive() {
        Part(*Window, "VideoCaptureAction")->trigger();
        TCaptureWindow& capture = *Window->findChild<TCaptureWindow*>();
        EXPECT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); })) << "no live picture";
        return capture;
    }

    // Clicks Capture and waits until the capture is saved (the button is back).
    void Capture(TCaptureWindow& capture) {
        capture.ButtonCapture->click();
        EXPECT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); }));
    }

    TSheetView& Sheet() { return Window->Sheet(); }

    TTempFolder Ink;
    std::shared_ptr<TRecordedGPhoto> Recorded;
    QStringList Errors;
    std::unique_ptr<TMainWindow> Window;
};
