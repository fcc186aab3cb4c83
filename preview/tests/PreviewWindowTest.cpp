// The preview window as the user reaches it: the main window's Preview command on a real sheet.
#include "preview/PreviewWindow.h"

#include "app/MainWindow.h"
#include "audio/AudioGraph.h"
#include "audio/ScrubOutput.h"
#include "audio/tests/PlayedRuns.h"
#include "audio/tests/WavWriter.h"
#include "document/SheetDocument.h"
#include "imaging/Compositor.h"
#include "imaging/tests/PictureTestSupport.h"
#include "preview/tests/HeldDrawingSheet.h"
#include "preview/MovieScreen.h"
#include "sheetview/SheetView.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/QStringPrinting.h"
#include "testsupport/TempFolder.h"
#include "ui/ErrorBox.h"
#include "ui/ProgressDialog.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace {
const QString kSampleSheet = CELWRIGHT_SAMPLE_SHEET;

class PreviewWindowTest : public TMainWindowFixture {
protected:
    PreviewWindowTest() {
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
        Window = NewWindow();
        Window->SetActivity(TMainWindow::TActivity::Idle);
    }
    ~PreviewWindowTest() override {
        Window.reset();
        ErrorBoxOverride() = nullptr;
    }

    // Opens the sample sheet and the preview with Auto Render set as given; waits for the opening.
    TPreviewWindow& OpenPreview(bool autoRender) {
        Window->Files().OpenDocument(kSampleSheet);
        Window->Settings().Current.Preview.AutoBuild = autoRender;
        Part(*Window, "PreviewAction")->trigger();
        EXPECT_TRUE(Window->findChild<TPreviewWindow*>());
        EXPECT_TRUE(QTest::qWaitFor([this] {
            return Window->findChild<TPreviewWindow*>()->State() == TPreviewWindow::TState::psStopped;
        }));
        return *Window->findChild<TPreviewWindow*>();
    }

    // The sheet frame as the compositor renders it on its own, for comparison.
    std::unique_ptr<TPicture> Reference(std::int32_t frame, std::int32_t width, std::int32_t height) {
        TCompositor rostrum(Window->Sheet().Document());
        rostrum.SetStageSize(width, height);
        return rostrum.RenderFrame(frame);
    }

    QStringList Errors;
    std::unique_ptr<TMainWindow> Window;
};

bool SamePixels(const TPicture& a, const TPicture& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
        return false;
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<std::size_t>(a.Width()) * 3) != 0)
            return false;
    }
    return true;
}
} // namespace

TEST_F(PreviewWindowTest, AutoRenderRendersTheVisibleFramesAndShowsTheFirst) {
    TPreviewWindow& preview = OpenPreview(true);
    ASSERT_TRUE(preview.Rendered());
    EXPECT_EQ(preview.FrameTo->text(), "48");
    ASSERT_EQ(preview.Frames().size(), 48u);
    EXPECT_EQ(preview.MovieSize().Width, 320);
    EXPECT_TRUE(preview.Screen->isVisible());
    EXPECT_TRUE(preview.TrackBar1->isEnabled());
    EXPECT_EQ(preview.TrackBar1->maximum(), 47);
    EXPECT_TRUE(SamePixels(*preview.Frames()[47], *Reference(48, 320, 240)));
    EXPECT_EQ(preview.Screen->Picture().size(), QSize(320, 240));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(PreviewWindowTest, ARangeBackwardsRendersUpwardsFromFrom) {
    TPreviewWindow& preview = OpenPreview(false);
    EXPECT_FALSE(preview.Rendered());
    EXPECT_FALSE(preview.TrackBar1->isEnabled());
    preview.FrameFrom->setText("5");
    preview.FrameTo->setText("2");
    preview.Build1->trigger();
    ASSERT_EQ(preview.Frames().size(), 4u);
    for (std::int32_t i = 0; i < 4; ++i)
        EXPECT_TRUE(SamePixels(*preview.Frames()[i], *Reference(5 + i, 320, 240))) << i;
    EXPECT_EQ(preview.Label1->text(), "5");
    preview.TrackBar1->setValue(3);
    EXPECT_EQ(preview.Label1->text(), "8");
}

TEST_F(PreviewWindowTest, RangeFieldsResetWhenOutOfTheSheet) {
    TPreviewWindow& preview = OpenPreview(false);
    struct Case {
        QLineEdit* Field;
        const char* Typed;
        const char* Becomes;
    };
    for (const Case& c : {Case{preview.FrameFrom, "0", "1"}, Case{preview.FrameFrom, "x", "1"},
                          Case{preview.FrameFrom, "100000", "1"}, Case{preview.FrameTo, "-3", "48"},
                          Case{preview.FrameTo, "12", "12"}}) {
        c.Field->setText(c.Typed);
        EXPECT_EQ(c.Field->text(), c.Becomes) << c.Typed;
    }
}

TEST_F(PreviewWindowTest, SmallSizeAndBlackAndWhite) {
    TPreviewWindow& preview = OpenPreview(false);
    preview.FrameTo->setText("3");
    preview.SizeButtons->button(1)->click();
    EXPECT_FALSE(preview.Screen->isVisible());
    preview.BlackandWhite1->trigger();
    preview.Build1->trigger();
    ASSERT_EQ(preview.Frames().size(), 3u);
    EXPECT_EQ(preview.Frames()[0]->Width(), 160);
    EXPECT_EQ(preview.Frames()[0]->Height(), 120);
    EXPECT_EQ(preview.Frames()[0]->PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(preview.Screen->size(), QSize(160, 120));
}

TEST_F(PreviewWindowTest, AbortFreesEverything) {
    TPreviewWindow& preview = OpenPreview(false);
    preview.OnFrameRendered = [](std::int32_t done) {
        if (done == 3) {
            TProgressDialog* found = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<TProgressDialog*>(widget); window && window->isVisible())
                    found = window;
            ASSERT_NE(found, nullptr);
            found->Button1->click();
        }
    };
    preview.Build1->trigger();
    EXPECT_FALSE(preview.Rendered());
    EXPECT_TRUE(preview.Frames().empty());
    EXPECT_FALSE(preview.Screen->isVisible());
    EXPECT_FALSE(preview.TrackBar1->isEnabled());
    EXPECT_EQ(preview.TrackBar1->maximum(), 0);
    EXPECT_EQ(preview.State(), TPreviewWindow::TState::psStopped);
}

TEST_F(PreviewWindowTest, ClosingWhileRenderingStopsTheRendering) {
    TPreviewWindow& preview = OpenPreview(false);
    preview.OnFrameRendered = [&preview](std::int32_t done) {
        if (done == 3)
            preview.close();
    };
    preview.Build1->trigger();
    EXPECT_FALSE(preview.Rendered());
    EXPECT_TRUE(preview.Frames().empty());
    EXPECT_EQ(preview.State(), TPreviewWindow::TState::psStopped);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Window->findChild<TPreviewWindow*>(); }));
}

TEST_F(PreviewWindowTest, PlayLoopsForwardsAndBackwardsAndSpaceStops) {
    TPreviewWindow& preview = OpenPreview(false);
    preview.FrameTo->setText("3");
    // Play with nothing rendered renders first.
    QTest::keyClick(preview.FrameFrom, Qt::Key_Space);
    ASSERT_TRUE(preview.Rendered());
    EXPECT_EQ(preview.State(), TPreviewWindow::TState::psPlaying);
    EXPECT_EQ(preview.Timer1->timerType(), Qt::PreciseTimer);
    QList<int> seen;
    QObject::connect(preview.TrackBar1, &QSlider::valueChanged,
                     [&seen](int position) { seen.append(position); });
    EXPECT_TRUE(QTest::qWaitFor([&seen] { return seen.size() >= 4; }, 2000));
    EXPECT_EQ(seen.mid(0, 4), (QList<int>{1, 2, 0, 1}));
    QTest::keyClick(preview.TrackBar1, Qt::Key_Space);
    EXPECT_EQ(preview.State(), TPreviewWindow::TState::psStopped);
    EXPECT_FALSE(preview.Timer1->isActive());

    preview.TrackBar1->setValue(0);
    seen.clear();
    preview.Rev->click();
    EXPECT_TRUE(preview.Reverse());
    EXPECT_TRUE(QTest::qWaitFor([&seen] { return seen.size() >= 3; }, 2000));
    EXPECT_EQ(seen.mid(0, 3), (QList<int>{2, 1, 0}));
    preview.Stp->click();
    EXPECT_FALSE(preview.Timer1->isActive());
}

TEST_F(PreviewWindowTest, FrameRateChangeFollowsAtOnce) {
    TPreviewWindow& preview = OpenPreview(false);
    Part(*Window, "Fps12Action")->trigger();
    EXPECT_EQ(preview.FrameTime(), 833'333);
}

TEST_F(PreviewWindowTest, MenusSetCompositeAndAutoRenderAndSaveNeedsFrames) {
    TPreviewWindow& preview = OpenPreview(false);
    preview.Multiply1->trigger();
    EXPECT_EQ(Window->CurrentSettings().General.CompositeMode, TComp::cMultiply);
    EXPECT_TRUE(Part(*Window, "MultiplyAction")->isChecked());
    preview.AutoBuild1->trigger();
    EXPECT_TRUE(Window->CurrentSettings().Preview.AutoBuild);
    preview.Save1->trigger();
    EXPECT_EQ(Errors, QStringList{"You must first Build the Preview."});
}

TEST_F(PreviewWindowTest, ClosingForgetsTheWindowAndTheNextPreviewIsNew) {
    TPreviewWindow& preview = OpenPreview(true);
    preview.close();
    EXPECT_TRUE(preview.Frames().empty());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Window->findChild<TPreviewWindow*>(); }));
    TPreviewWindow& again = OpenPreview(false);
    EXPECT_FALSE(again.Rendered());
}

// The tests run on a 1280 x 800 screen. The preview opens with the size it keeps (the sample's
// drawings need a wide one), wholly on the screen: beside the main window where there is room, else
// over the thumbnail panel.
TEST_F(PreviewWindowTest, TheWindowOpensWhollyOnTheScreenBesideTheSheetOrOverTheThumbnailPanel) {
    const QRect screen = Window->screen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(1280, 800));
    Window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    enum class TSide { Right, Left, OverThumbnails };
    const struct {
        const char* Case;
        QRect Main; // null: where the main window first opens, on most of the screen
        TSide Side;
    } cases[] = {
        {"sheet on most of the screen", {}, TSide::OverThumbnails},
        {"sheet on the left", {0, 0, 700, 700}, TSide::Right},
        {"sheet on the right", {580, 0, 700, 700}, TSide::Left},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        ForgetPlaces(Window->Settings().SettingsFilePath());
        if (!c.Main.isNull())
            Window->setGeometry(c.Main);
        TPreviewWindow& preview = OpenPreview(false);
        const QRect main = Window->frameGeometry();
        const QRect placed = preview.frameGeometry();
        EXPECT_GT(placed.width(), 500);
        EXPECT_TRUE(screen.contains(placed))
            << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
        switch (c.Side) {
        case TSide::Right:
            EXPECT_GT(placed.left(), main.right());
            break;
        case TSide::Left:
            EXPECT_LT(placed.right(), main.left());
            break;
        case TSide::OverThumbnails:
            EXPECT_LT(placed.left(), Window->Sheet().mapToGlobal(QPoint(0, 0)).x());
            break;
        }
        if (const char* shots = std::getenv("CELWRIGHT_SCREENSHOTS"); shots && c.Main.isNull())
            preview.grab().save(QString(shots) + "/preview-on-1280.png");
        preview.close();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !Window->findChild<TPreviewWindow*>(); }));
    }
}

TEST_F(PreviewWindowTest, AnEmptySheetOpensNoPreview) {
    Part(*Window, "PreviewAction")->trigger();
    EXPECT_FALSE(Window->findChild<TPreviewWindow*>());
    EXPECT_EQ(Errors, QStringList{"Exposure Sheet is empty."});
}

// A drawing that cannot be read stops the rendering: everything is cleaned up before the standard
// error box names the file, and the preview goes on working once the drawing is repaired.
TEST_F(PreviewWindowTest, ADamagedDrawingStopsTheRenderingWithTheErrorBoxAndThePreviewGoesOn) {
    TTempFolder project;
    for (const char* name : {"a.png", "b.png", "c.png"})
        WritePng(project / name, Drawing(64, 48, TRgb{200, 30, 30}, 8, 8, 16));
    WriteText(project / "scene.xps",
              "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n</settings>\r\n<layers "
              "cols=\"1\">\r\n\t<layer col=\"1\" caption=\"\" dir=\"" +
                  (project / "") +
                  "\" color=\"0\" visible=\"1\">\r\n\t\t<cel col=\"1\" row=\"1\" "
                  "duration=\"1\">a.png</cel>\r\n\t\t<cel "
                  "col=\"1\" row=\"2\" duration=\"1\">b.png</cel>\r\n\t\t<cel col=\"1\" row=\"3\" "
                  "duration=\"1\">c.png</cel>\r\n\t</layer>\r\n"
                  "</layers>\r\n</xsheet>\r\n");
    Window->Files().OpenDocument(QString::fromStdString(project / "scene.xps"));
    Window->Settings().Current.Preview.AutoBuild = false;
    Part(*Window, "PreviewAction")->trigger();
    ASSERT_TRUE(Window->findChild<TPreviewWindow*>());
    TPreviewWindow& preview = *Window->findChild<TPreviewWindow*>();
    ASSERT_TRUE(QTest::qWaitFor([&preview] { return preview.State() == TPreviewWindow::TState::psStopped; }));
    // A drawing within the range, and the first, which also gives the movie its size.
    for (const char* name : {"b.png", "a.png"}) {
        SCOPED_TRACE(name);
        // A rendering before, which the failed one must not leave half replaced.
        preview.FrameTo->setText("1");
        preview.Build1->trigger();
        ASSERT_TRUE(preview.Rendered());
        // Damaged on disk while the sheet is open.
        const std::string damaged = project / name;
        const std::string whole = ReadText(damaged);
        WriteText(damaged, whole.substr(0, whole.size() / 2));

        ErrorBoxOverride() = nullptr;
        QString message;
        bool progressOpen = true;
        WhenShown<QMessageBox>([&](QMessageBox& box) {
            message = box.text();
            progressOpen = false;
            for (QWidget* widget : QApplication::topLevelWidgets())
                progressOpen =
                    progressOpen || (qobject_cast<TProgressDialog*>(widget) && widget->isVisible());
            box.button(QMessageBox::Ok)->click();
        });
        const qsizetype windows = QApplication::topLevelWidgets().size();
        preview.FrameTo->setText("3");
        preview.Build1->trigger();
        EXPECT_EQ(message, QString::fromStdString("Cannot read the picture \"" + damaged +
                                                  "\": the file is truncated"));
        EXPECT_FALSE(progressOpen);
        EXPECT_FALSE(preview.Rendered());
        EXPECT_TRUE(preview.Frames().empty());
        EXPECT_FALSE(preview.Screen->isVisible());
        EXPECT_FALSE(preview.TrackBar1->isEnabled());
        EXPECT_EQ(preview.State(), TPreviewWindow::TState::psStopped);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);

        // Repaired (drawn anew), the drawing renders as it is now, and plays.
        WritePng(damaged, Drawing(64, 48, TRgb{30, 30, 200}, 20, 20, 16));
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
        QTest::keyClick(preview.FrameFrom, Qt::Key_Space);
        EXPECT_TRUE(preview.Rendered());
        ASSERT_EQ(preview.Frames().size(), 3u);
        for (std::int32_t i = 0; i < 3; ++i)
            EXPECT_TRUE(SamePixels(*preview.Frames()[i], *Reference(i + 1, 64, 48))) << i;
        EXPECT_EQ(preview.State(), TPreviewWindow::TState::psPlaying);
        EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
        preview.Stp->click();
    }
}

// The sound of each forward step while stopped, at the step output's fakesink: a sound whose frame
// n holds level n shows which frames' slices were played, whole, in order.
TEST_F(PreviewWindowTest, ForwardStepsPlayTheSliceOfTheFrameShownAndNothingElse) {
    TTempFolder project;
    WriteMonoWav(project / "levels.wav", LevelTrack(14, 24, 48000), 48000);
    Window->Files().OpenDocument(QString::fromStdString(WriteHeldDrawingSheet(project, 24, project / "levels.wav", 14)));
    Window->Settings().Current.Preview.AutoBuild = false;
    Part(*Window, "PreviewAction")->trigger();
    TPreviewWindow& preview = *Window->findChild<TPreviewWindow*>();
    preview.AudioSink = "fakesink sync=true";
    ASSERT_TRUE(QTest::qWaitFor([&preview] { return preview.State() == TPreviewWindow::TState::psStopped; }));
    preview.FrameTo->setText("10");
    preview.Build1->trigger();
    TAudioGraph* graph = preview.PreviewAudioGraph();
    ASSERT_TRUE(graph && graph->Active());
    // Rendering again renders the file into the same graph: one sound, not two.
    preview.Build1->trigger();
    ASSERT_EQ(preview.PreviewAudioGraph(), graph);
    ASSERT_TRUE(graph->Active());
    ASSERT_TRUE(preview.StepOutput() && preview.StepOutput()->Active());
    EXPECT_TRUE(preview.AudioMuteBtn->isEnabled());

    // Runs `step` and checks the frames played since the last rendering, each a whole frame's
    // 2000 samples.
    auto played = std::make_unique<TPlayedRuns>(preview.StepOutput()->Sink());
    std::vector<TPlayedRuns::TRun> slices;
    auto expectPlayed = [&](const std::vector<std::int32_t>& frames, const std::function<void()>& step) {
        step();
        for (std::int32_t frame : frames)
            slices.emplace_back(frame, 2000);
        if (frames.empty())
            QTest::qWait(150);
        else
            ASSERT_TRUE(QTest::qWaitFor([&] { return played->Count() >= slices.size(); }, 3000));
        EXPECT_EQ(played->Runs(), slices);
    };
    // From position 0 to 3: the sound under frames 2 to 4.
    expectPlayed({2, 3, 4}, [&] { preview.TrackBar1->setValue(3); });
    EXPECT_EQ(preview.LastAudioPosition(), 3);
    // Backwards is silent; muted is silent.
    expectPlayed({}, [&] { preview.TrackBar1->setValue(2); });
    preview.AudioMuteBtn->click();
    expectPlayed({}, [&] { preview.TrackBar1->setValue(6); });
    preview.AudioMuteBtn->click();
    expectPlayed({8}, [&] { preview.TrackBar1->setValue(7); });

    // A range from frame 11 hears the sound under frame 11 onwards.
    preview.FrameFrom->setText("11");
    preview.FrameTo->setText("14");
    preview.Build1->trigger();
    played = std::make_unique<TPlayedRuns>(preview.StepOutput()->Sink());
    slices.clear();
    expectPlayed({12}, [&] { preview.TrackBar1->setValue(1); });
}
