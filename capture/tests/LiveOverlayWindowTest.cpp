// The View menu's guides and reference picture over the live picture of the test camera: drawn on
// the screen in both layouts, kept per camera and per sheet, never in a captured file.
#include "CaptureWindowFixture.h"
#include "app/SheetFiles.h"
#include "capture/CaptureViewMenu.h"
#include "capture/GridSettingsDialog.h"
#include "capture/VideoView.h"
#include "settings/LiveGuideSettings.h"
#include "settings/ReferencePictureSettings.h"
#include "testsupport/ModalAnswer.h"
#include "ui/AlertPrompt.h"
#include "ui/TextLabel.h"
#include "ui/PictureImage.h"

#include <QAction>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>

namespace {
class LiveOverlayWindowTest : public TCaptureWindowFixture {
protected:
    TCaptureWindow& Open() {
        Part(*Window, "VideoCaptureAction")->trigger();
        TCaptureWindow& capture = *Window->findChild<TCaptureWindow*>();
        EXPECT_TRUE(WaitFor([&] { return capture.ButtonCapture->isEnabled(); })) << "no live picture";
        // The frame each capture was made of, as the camera gave it.
        auto completed = capture.Grabber.OnFrameCaptureCompleted;
        capture.Grabber.OnFrameCaptureCompleted = [this, completed](TVideoGrabber& sender, const TPicture& frame) {
            Captured = PictureToImage(frame).convertToFormat(QImage::Format_RGB32);
            completed(sender, frame);
        };
        return capture;
    }

    // What the live view shows on the screen, and the camera's picture under it, taken together;
    // unless `scaled`, the window shows the picture at its own size.
    void Look(TCaptureWindow& capture, bool scaled = false) {
        const int shown = Shown;
        capture.VideoGrabber1->OnFrameShown = [this](std::int32_t) { ++Shown; };
        ASSERT_TRUE(WaitFor([&] { return Shown > shown; })) << "no live frame";
        Screen = capture.VideoGrabber1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        Live = capture.VideoGrabber1->Frame().convertToFormat(QImage::Format_RGB32);
        if (!scaled)
            ASSERT_EQ(Screen.size(), Live.size()) << "the live picture is shown at its own size";
    }

    // Captures the frame, and checks that the file holds the camera's picture and nothing drawn over it.
    void ExpectCaptureIsTheCameraPicture(TCaptureWindow& capture) {
        Capture(capture);
        const std::string name = capture.FileName.toStdString();
        const QImage file = QImage(QString::fromStdString(Ink / name)).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(file.isNull()) << name;
        EXPECT_EQ(file, Captured) << name << " differs from the camera's frame";
    }

    static int Distance(QRgb a, QRgb b) {
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
    }
    // `live` blended toward `over` by `share` (0..1), per channel.
    static QRgb Blend(QRgb live, QRgb over, double share) {
        auto mix = [share](int l, int o) { return qRound(l + (o - l) * share); };
        return qRgb(mix(qRed(live), qRed(over)), mix(qGreen(live), qGreen(over)), mix(qBlue(live), qBlue(over)));
    }

    // The window as the user guide shows it, when pictures are being taken.
    static void Screenshot(TCaptureWindow& capture, const char* name) {
        if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS")) {
            WaitFor([] { return false; }, 300);
            capture.grab().save(QString(shots) + "/" + name);
        }
    }

    int Shown = 0;
    QImage Screen;
    QImage Live;
    QImage Captured;
};
} // namespace

TEST_F(LiveOverlayWindowTest, GuidesShowOverTheLivePictureInBothLayoutsAndNeverInTheCapture) {
    TCaptureWindow& capture = Open();
    TCaptureViewMenu& view = *capture.ViewMenu;
    const QRgb magenta = qRgb(255, 0, 255);

    // Grid Settings: two rows, four columns, magenta; confirming shows the grid.
    WhenShown<TGridSettingsDialog>([magenta](TGridSettingsDialog& dialog) {
        if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS"))
            dialog.grab().save(QString(shots) + "/grid-settings.png");
        dialog.RowsBox->setValue(2);
        dialog.ColumnsBox->setValue(4);
        WhenShown<QColorDialog>([magenta](QColorDialog& colors) {
            colors.setCurrentColor(QColor(magenta));
            colors.accept();
        });
        dialog.ColorButton->click();
        dialog.Buttons->button(QDialogButtonBox::Ok)->click();
    });
    view.GridSettingsAction->trigger();
    EXPECT_TRUE(view.GridAction->isChecked());
    view.MaskActions[4]->trigger(); // 2.39:1
    view.CentreCrossAction->trigger();
    view.ActionSafeAction->trigger();
    view.TitleSafeAction->trigger();
    const TLiveGuideSettings expected{.Grid = true, .GridRows = 2, .GridColumns = 4, .GuideColor = 0xFF00FF,
                                      .Mask = TAspectMask::am239, .TitleSafe = true, .ActionSafe = true,
                                      .CentreCross = true};
    EXPECT_EQ(view.Guides.Settings, expected);

    for (const bool stopMotion : {false, true}) {
        SCOPED_TRACE(stopMotion ? "Stop Motion" : "Standard");
        (stopMotion ? capture.StopMotion1 : capture.XSheet1)->trigger();
        Look(capture);
        const int w = Live.width();
        const int h = Live.height();
        const int band = qRound((h - w / 2.39) / 2); // shaded above and below the 2.39:1 frame
        const int inside = h / 2 + 7;                // a row of the movie's frame off every line
        // Shaded: the camera's picture darkened.
        for (const int x : {5, w / 3, w - 5})
            EXPECT_LE(Distance(Screen.pixel(x, 2), Blend(Live.pixel(x, 2), qRgb(0, 0, 0), 160 / 255.0)), 2) << x;
        EXPECT_LE(Distance(Screen.pixel(w / 2, band / 2), Blend(Live.pixel(w / 2, band / 2), 0, 160 / 255.0)), 2);
        // In the movie's frame: the picture as it is between the lines, the guides' colour on them.
        for (const int x : {w / 8, 3 * w / 8, 5 * w / 8})
            EXPECT_EQ(Screen.pixel(x, inside), Live.pixel(x, inside)) << x;
        for (const int quarter : {1, 2, 3})
            EXPECT_EQ(Screen.pixel(w * quarter / 4, inside), magenta) << "grid column " << quarter;
        EXPECT_EQ(Screen.pixel(w / 8, h / 2), magenta) << "grid row";
        EXPECT_EQ(Screen.pixel(w / 2, h / 2 - 3), magenta) << "centre cross";
        EXPECT_EQ(Screen.pixel(w / 20, inside), magenta) << "action-safe frame";
        if (!stopMotion) {
            Screenshot(capture, "capture-guides.png");
            if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS")) {
                view.ViewMenu->popup(capture.mapToGlobal(QPoint(0, 0)));
                WaitFor([] { return false; }, 300);
                view.ViewMenu->grab().save(QString(shots) + "/capture-view-menu.png");
                view.ViewMenu->close();
            }
        }
        ExpectCaptureIsTheCameraPicture(capture);
    }
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();

    // Kept for this camera: the window opened again shows them, from celwright.ini.
    capture.close();
    EXPECT_EQ(LoadLiveGuideSettings(User / "Celwright/3.0/celwright.ini", "Test pattern"), expected);
    view.Guides.Settings = {};
    Open();
    EXPECT_EQ(view.Guides.Settings, expected);
    EXPECT_TRUE(view.MaskActions[4]->isChecked());
    EXPECT_TRUE(view.TitleSafeAction->isChecked());
}

TEST_F(LiveOverlayWindowTest, AReferencePictureBlendsMovesScalesAndStaysWithItsSheet) {
    // The sheet has a file: the reference picture is kept for it.
    const std::string sheetFile = Ink / "walk.xps";
    Window->Files().AskSaveFile = [&](const QString&, const QString&, const QString&) {
        return QString::fromStdString(sheetFile);
    };
    Window->Files().SaveAs();
    TCaptureWindow& capture = Open();
    TCaptureViewMenu& view = *capture.ViewMenu;
    EXPECT_FALSE(view.ReferenceAction->isEnabled()); // nothing to show yet

    // A picture of the set, half the live picture's height, in two colours.
    const QRgb red = qRgb(200, 40, 40);
    const QRgb blue = qRgb(30, 60, 220);
    QImage set(200, 100, QImage::Format_RGB32);
    set.fill(red);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            set.setPixel(x, y, blue);
    const QString setFile = QString::fromStdString(Ink / "set.png");
    ASSERT_TRUE(set.save(setFile));
    WhenShown<QFileDialog>([setFile](QFileDialog& files) {
        files.selectFile(setFile);
        static_cast<QDialog&>(files).accept();
    });
    view.OpenReferenceAction->trigger();
    ASSERT_EQ(view.Reference.Settings.File, setFile.toStdString());
    EXPECT_TRUE(view.ReferenceAction->isChecked());

    // It lies over the whole width, centred; its left half red, its right half blue.
    Look(capture);
    const int w = Live.width();
    const int h = Live.height();
    const int top = h / 2 - w / 4;
    const QPoint left(w / 4, h / 2);
    const QPoint right(3 * w / 4, h / 2);
    const QPoint outside(w / 2, top / 2);
    struct TCase {
        const char* What;
        int Opacity;
        bool Difference;
    };
    for (const TCase& c : {TCase{"opacity 100", 100, false}, TCase{"opacity 50", 50, false},
                           TCase{"difference", 100, true}, TCase{"difference, 40", 40, true}}) {
        SCOPED_TRACE(c.What);
        view.ReferenceOpacityBar->setValue(c.Opacity);
        if (view.ReferenceDifferenceAction->isChecked() != c.Difference)
            view.ReferenceDifferenceAction->trigger();
        Look(capture);
        for (const auto& [at, colour] : {std::pair{left, red}, std::pair{right, blue}}) {
            const QRgb live = Live.pixel(at);
            const QRgb over = c.Difference ? qRgb(std::abs(qRed(live) - qRed(colour)),
                                                  std::abs(qGreen(live) - qGreen(colour)),
                                                  std::abs(qBlue(live) - qBlue(colour)))
                                           : colour;
            EXPECT_LE(Distance(Screen.pixel(at), Blend(live, over, c.Opacity / 100.0)), 2) << at.x();
        }
        EXPECT_EQ(Screen.pixel(outside), Live.pixel(outside));
    }
    view.ReferenceDifferenceAction->trigger();
    view.ReferenceOpacityBar->setValue(100);

    // Dragged by the user: its corner taken halfway to its centre halves it, then it is moved a
    // quarter of the width to the right.
    TVideoView& screen = *capture.VideoGrabber1;
    const QRectF whole = view.Reference.Area(screen.PictureRect());
    const QPoint corner = whole.bottomRight().toPoint() - QPoint(1, 1);
    const QPoint halfway = ((whole.center() + whole.bottomRight()) / 2).toPoint();
    QTest::mousePress(&screen, Qt::LeftButton, {}, corner);
    QTest::mouseMove(&screen, halfway);
    QTest::mouseRelease(&screen, Qt::LeftButton, {}, halfway);
    EXPECT_NEAR(view.Reference.Settings.Width, 5000, 100);
    QTest::mousePress(&screen, Qt::LeftButton, {}, QPoint(w / 2, h / 2));
    QTest::mouseMove(&screen, QPoint(w / 2 + w / 8, h / 2));
    QTest::mouseMove(&screen, QPoint(3 * w / 4, h / 2));
    QTest::mouseRelease(&screen, Qt::LeftButton, {}, QPoint(3 * w / 4, h / 2));
    EXPECT_EQ(view.Reference.Settings.CentreX, 7500);
    Look(capture);
    EXPECT_EQ(Screen.pixel(left), Live.pixel(left)) << "the picture moved away";
    EXPECT_EQ(Screen.pixel(3 * w / 4 - w / 16, h / 2), red);
    EXPECT_EQ(Screen.pixel(3 * w / 4 + w / 16, h / 2), blue);

    view.ReferenceOpacityBar->setValue(50);
    Screenshot(capture, "capture-reference.png");

    // Never in the captured file.
    ExpectCaptureIsTheCameraPicture(capture);

    // Kept for this sheet: the window opened again shows it where it was left.
    const TReferencePictureSettings kept = view.Reference.Settings;
    capture.close();
    Open();
    EXPECT_EQ(view.Reference.Settings, kept);
    EXPECT_FALSE(view.Reference.Picture().isNull());
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(LiveOverlayWindowTest, AReferenceFromACelOfTheSheetOrAFileThatIsNoPicture) {
    TCaptureWindow& capture = Open();
    TCaptureViewMenu& view = *capture.ViewMenu;
    QImage drawing(64, 48, QImage::Format_RGB32);
    drawing.fill(Qt::white);
    ASSERT_TRUE(drawing.save(QString::fromStdString(Ink / "Ink_0003.png")));
    Sheet().PlaceCelAt(1, 3, "Ink_0003.png", 2);

    Sheet().SelectCell(1, 4); // held from frame 3
    view.ReferenceFromCelAction->trigger();
    EXPECT_EQ(view.Reference.Settings.File, Ink / "Ink_0003.png");
    EXPECT_EQ(view.Reference.Picture().size(), QSize(64, 48));
    // The sheet had no file; saved, it keeps its reference.
    const std::string sheetFile = Ink / "walk.xps";
    Window->Files().AskSaveFile = [&](const QString&, const QString&, const QString&) {
        return QString::fromStdString(sheetFile);
    };
    Window->Files().SaveAs();
    EXPECT_EQ(LoadReferencePictureSettings(User / "Celwright/3.0/celwright.ini", sheetFile).File, Ink / "Ink_0003.png");

    Sheet().SelectCell(1, 6);
    view.ReferenceFromCelAction->trigger();
    EXPECT_EQ(Errors, QStringList{"There is no drawing at frame 6 of the layer Ink."});

    // A broken file names itself, and the picture shown stays.
    Errors.clear();
    const std::string broken = Ink / "broken.png";
    WriteText(broken, "not a picture");
    WhenShown<QFileDialog>([&](QFileDialog& files) {
        files.selectFile(QString::fromStdString(broken));
        static_cast<QDialog&>(files).accept();
    });
    view.OpenReferenceAction->trigger();
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains(QString::fromStdString(broken))) << Errors[0].toStdString();
    EXPECT_EQ(view.Reference.Settings.File, Ink / "Ink_0003.png");
    EXPECT_EQ(view.Reference.Picture().size(), QSize(64, 48));
}

// The window made larger shows the live picture larger with the camera's aspect, the guides and the
// reference picture over it; the captured file keeps the camera's size; made as narrow as it goes,
// it still shows the whole picture.
TEST_F(LiveOverlayWindowTest, TheLivePictureGrowsWithItsWindowKeepingTheCamerasAspect) {
    TCaptureWindow& capture = Open();
    TCaptureViewMenu& view = *capture.ViewMenu;
    TVideoView& screen = *capture.VideoGrabber1;
    Look(capture); // at first the camera's picture as it is
    const QSize camera = Live.size();
    QImage set(camera, QImage::Format_RGB32);
    set.fill(qRgb(30, 60, 220));
    const QString setFile = QString::fromStdString(Ink / "set.png");
    ASSERT_TRUE(set.save(setFile));
    view.OpenReferenceFile(setFile.toStdString());
    view.ReferenceOpacityBar->setValue(50);
    view.Reference.Settings.Width = TReferencePictureSettings::kWhole / 2; // the left half of the picture
    view.Reference.Settings.CentreX = TReferencePictureSettings::kWhole / 4;
    view.CentreCrossAction->trigger();
    const QRgb cross = view.Guides.Settings.GuideColor | 0xFF000000;

    for (const bool stopMotion : {false, true}) {
        SCOPED_TRACE(stopMotion ? "Stop Motion" : "Standard");
        (stopMotion ? capture.StopMotion1 : capture.XSheet1)->trigger();
        const QSize before = screen.size();
        capture.resize(capture.size() + QSize(camera.width(), camera.height()));
        ASSERT_TRUE(WaitFor([&] { return screen.width() > before.width(); })) << "the picture did not grow";
        Look(capture, true);
        const QSize shown = screen.size();
        EXPECT_GE(shown.width(), 2 * camera.width() - 1);
        EXPECT_NEAR(double(shown.width()) / shown.height(), double(camera.width()) / camera.height(), 0.01);
        EXPECT_EQ(screen.PictureRect(), screen.rect());
        EXPECT_TRUE(capture.centralWidget()->rect().contains(capture.ButtonCapture->geometry()));
        EXPECT_GT(capture.ButtonCapture->y(), screen.geometry().bottom());
        if (stopMotion) {
            EXPECT_EQ(capture.FrameImage->geometry(), screen.geometry()) << "the reviewed frame's view";
            EXPECT_GT(capture.FrameBar->y(), screen.geometry().bottom());
        }
        // The right half shows the camera's picture scaled; the left half has the reference over it.
        const double scale = double(shown.width()) / camera.width();
        for (const double share : {0.6, 0.75, 0.9}) {
            const QPoint at(qRound(camera.width() * share), camera.height() / 3);
            const QRgb seen = Screen.pixel(qRound(at.x() * scale), qRound(at.y() * scale));
            int nearest = 255;
            for (int dx = -2; dx <= 2; ++dx)
                nearest = std::min(nearest, Distance(seen, Live.pixel(at.x() + dx, at.y())));
            EXPECT_LE(nearest, 2) << "at " << share << " of the width";
        }
        const QPoint left(camera.width() / 4, camera.height() / 3);
        const QRgb underLeft = Live.pixel(left);
        int blended = 255;
        for (int dx = -2; dx <= 2; ++dx)
            blended = std::min(blended, Distance(Screen.pixel(qRound(left.x() * scale), qRound(left.y() * scale)),
                                                 Blend(Live.pixel(left.x() + dx, left.y()), set.pixel(0, 0), 0.5)));
        EXPECT_LE(blended, 3) << Distance(underLeft, set.pixel(0, 0));
        bool crossShown = false; // on the middle column, or next to it for an odd width
        for (int dx = -1; dx <= 1; ++dx)
            crossShown |= Screen.pixel(shown.width() / 2 + dx, shown.height() / 2 - qRound(3 * scale)) == cross;
        EXPECT_TRUE(crossShown) << "centre cross";
        if (!stopMotion)
            Screenshot(capture, "capture-large.png");
        ExpectCaptureIsTheCameraPicture(capture); // the camera's size, nothing drawn over it
        EXPECT_EQ(Captured.size(), camera);
    }

    // As narrow as it goes: the whole picture, smaller, still in the camera's shape.
    capture.resize(capture.minimumSizeHint());
    ASSERT_TRUE(WaitFor([&] { return screen.width() < camera.width(); }));
    EXPECT_NEAR(double(screen.width()) / screen.height(), double(camera.width()) / camera.height(), 0.02);
    EXPECT_TRUE(capture.centralWidget()->rect().contains(screen.geometry()));
    EXPECT_TRUE(capture.centralWidget()->rect().contains(capture.Rebuild->geometry()));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

// A reference picture whose file has gone is named once per sheet while the program runs: kept, it
// shows again when its file is back; forgotten, the sheet has none. A file written anew (a cel
// captured again) shows at once, while the window is open.
TEST_F(LiveOverlayWindowTest, AReferenceFollowsItsFileAndOneThatIsGoneIsNamedOnce) {
    // Every question is answered with the button `Answer` names, and noted.
    QStringList asked;
    QPushButton* TAlertPrompt::*answer = &TAlertPrompt::NegBtn; // Keep
    auto* poll = new QTimer(Window.get());
    QObject::connect(poll, &QTimer::timeout, Window.get(), [&] {
        auto* prompt = Window->findChild<TAlertPrompt*>();
        if (!prompt->isVisible())
            return;
        asked.append(prompt->MsgLbl->text());
        (prompt->*answer)->click();
    });
    poll->start(10);
    auto saveSheetAs = [this](const std::string& file) {
        Window->Files().AskSaveFile = [file](const QString&, const QString&, const QString&) {
            return QString::fromStdString(file);
        };
        Window->Files().SaveAs();
    };
    auto picture = [](QRgb colour) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    };
    const QRgb red = qRgb(200, 40, 40);
    const QRgb green = qRgb(40, 200, 40);
    const std::string setFile = Ink / "set.png";
    ASSERT_TRUE(picture(red).save(QString::fromStdString(setFile)));
    saveSheetAs(Ink / "walk.xps");
    TCaptureWindow& capture = Open();
    TCaptureViewMenu& view = *capture.ViewMenu;
    view.OpenReferenceFile(setFile);

    // Written anew by another program (into a new file renamed over it): shown at once.
    const std::string written = Ink / "set.new.png";
    ASSERT_TRUE(picture(green).save(QString::fromStdString(written)));
    std::filesystem::rename(written, setFile);
    EXPECT_TRUE(WaitFor([&] { return view.Reference.Picture().pixel(0, 0) == green; })) << "not read again";

    // Gone: named once, however often the window opens; kept, it comes back with its file.
    capture.close();
    std::filesystem::remove(setFile);
    for (int opening = 0; opening < 3; ++opening) {
        Open();
        capture.close();
    }
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QString::fromStdString(setFile))) << asked[0].toStdString();
    EXPECT_EQ(LoadReferencePictureSettings(User / "Celwright/3.0/celwright.ini", Ink / "walk.xps").File, setFile);
    Open();
    ASSERT_TRUE(picture(red).save(QString::fromStdString(setFile)));
    EXPECT_TRUE(WaitFor([&] {
        return !view.Reference.Picture().isNull() && view.Reference.Picture().pixel(0, 0) == red;
    }))
        << "not shown when its file came back";
    EXPECT_TRUE(view.ReferenceAction->isEnabled());

    // Another sheet whose picture has gone: forgotten, it has none, also in celwright.ini.
    const std::string otherFile = Ink / "other.png";
    ASSERT_TRUE(picture(green).save(QString::fromStdString(otherFile)));
    saveSheetAs(Ink / "run.xps");
    view.OpenReferenceFile(otherFile);
    capture.close();
    std::filesystem::remove(otherFile);
    answer = &TAlertPrompt::PosBtn; // Forget
    Open();
    EXPECT_EQ(asked.size(), 2);
    EXPECT_TRUE(view.Reference.Settings.File.empty());
    EXPECT_FALSE(view.ReferenceAction->isEnabled());
    EXPECT_TRUE(LoadReferencePictureSettings(User / "Celwright/3.0/celwright.ini", Ink / "run.xps").File.empty());
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
    poll->stop();
}
