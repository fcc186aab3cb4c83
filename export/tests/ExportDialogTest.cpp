// The export dialog as the user reaches it from the main window and the preview, checked on the
// files it writes.
#include "export/ExportDialog.h"

#include "app/MainWindow.h"
#include "export/EncoderSettingsDialog.h"
#include "preview/PreviewWindow.h"
#include "testsupport/CommandOutput.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/TempFolder.h"
#include "ui/ErrorBox.h"
#include "ui/ProgressDialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>

namespace fs = std::filesystem;

namespace {

class ExportDialogTest : public TMainWindowFixture {
protected:
    ExportDialogTest() {
        ::setenv("TMPDIR", Temp.Path().c_str(), 1);
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
        Window = NewWindow();
        Window->SetActivity(TMainWindow::TActivity::Idle);
    }
    ~ExportDialogTest() override {
        Window.reset();
        ErrorBoxOverride() = nullptr;
        ::unsetenv("TMPDIR");
    }

    // A copy of the sample sheet in the test's folder ("bounce.xps"), or one without its sound
    // ("silent.xps"); the export dialog starts in the sheet's folder.
    void OpenSample(bool sound) {
        std::ifstream in(CELWRIGHT_SAMPLE_SHEET, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const std::string sheet = Files / (sound ? "bounce.xps" : "silent.xps");
        std::ofstream(sheet, std::ios::binary)
            << (sound ? text
                      : std::regex_replace(text, std::regex("<audiofile>[^<]*</audiofile>"), "<audiofile></audiofile>"));
        Window->Files().OpenDocument(QString::fromStdString(sheet));
    }

    // Opens the dialog with Export Movie..., lets `act` work on it once its lists are filled,
    // closes the dialog and returns the log it ended with.
    QString Export(const std::function<void(TExportDialog&)>& act) {
        QString log;
        WhenShown<TExportDialog>([&](TExportDialog& dialog) {
            EXPECT_TRUE(QTest::qWaitFor([&dialog] { return dialog.CompressorsListed(); }, 20000));
            act(dialog);
            log = dialog.debug->toPlainText();
            if (dialog.isVisible())
                dialog.reject();
        });
        Part(*Window, "ExportAction")->trigger();
        return log;
    }

    // Clicks the Settings... link as a user does and lets `act` work on the settings dialog.
    static void OpenSettings(TExportDialog& dialog, const std::function<void(TEncoderSettingsDialog&)>& act) {
        WhenShown<TEncoderSettingsDialog>(act);
        QTest::mouseClick(dialog.SettingsLbl, Qt::LeftButton, {},
                          QPoint(10, dialog.SettingsLbl->height() / 2));
    }

    std::string IniFile() const { return User / "Celwright/3.0/celwright.ini"; }

    static std::string Probe(const std::string& file) {
        const std::string command =
            "ffprobe -v error -show_entries stream=codec_name,width,nb_frames -of csv=p=0 '" + file +
            "' 2>&1";
        return CommandOutput(command);
    }

    // The sound track keeps its own temporary folder; the export's raw movie folder must be gone.
    bool NoRawMovieLeft() const {
        for (const auto& entry : fs::directory_iterator(Temp.Path()))
            if (entry.path().filename().string().starts_with("celwright-export-"))
                return false;
        return true;
    }

    TTempFolder Files, Temp;
    QStringList Errors;
    std::unique_ptr<TMainWindow> Window;
};

int IndexOf(const QComboBox* box, const QString& element) {
    return box->findData(element);
}

} // namespace

TEST_F(ExportDialogTest, ASilentSheetWithoutEncoderIsWrittenDirectly) {
    OpenSample(false);
    const QString log = Export([](TExportDialog& dialog) {
        EXPECT_EQ(dialog.FileName->text(), "silent.avi");
        EXPECT_FALSE(dialog.AudioFilterSel->isEnabled());
        EXPECT_EQ(dialog.VidFilterSel->currentText(), "none");
        EXPECT_GE(IndexOf(dialog.VidFilterSel, "jpegenc"), 1);
        dialog.SaveBtn->click();
    });
    EXPECT_EQ(log, "Movie size: 320 x 240\nThe movie is saved as " + QString::fromStdString(Files / "silent.avi") + ".");
    EXPECT_EQ(Probe(Files / "silent.avi"), "rawvideo,320,48\n");
    EXPECT_TRUE(NoRawMovieLeft());
    EXPECT_TRUE(Part<QPlainTextEdit>(*Window, "InfoPanel")->toPlainText().endsWith("Build Complete"));
}

TEST_F(ExportDialogTest, SoundTakesTheCompressedRouteAndLeavesNoRawMovie) {
    OpenSample(true);
    const QString log = Export([](TExportDialog& dialog) {
        EXPECT_TRUE(dialog.AudioFilterSel->isEnabled());
        EXPECT_EQ(dialog.AudioFilterSel->currentText(), "none");
        EXPECT_GE(IndexOf(dialog.AudioFilterSel, "lamemp3enc"), 1);
        dialog.VidFilterSel->setCurrentIndex(IndexOf(dialog.VidFilterSel, "avenc_mpeg4"));
        dialog.MovieResSel->setCurrentIndex(1);
        dialog.SaveBtn->click();
    });
    EXPECT_TRUE(log.endsWith("Compressing...\nThe movie is saved as " + QString::fromStdString(Files / "bounce.avi") +
                             "."))
        << log.toStdString();
    // The sound is 1.849 s; silence fills it to the movie's 2 s.
    EXPECT_EQ(Probe(Files / "bounce.avi"), "mpeg4,180,48\npcm_s16le,44100\n");
    EXPECT_TRUE(NoRawMovieLeft());
}

TEST_F(ExportDialogTest, FileNamesGetAviAndAnExistingFileIsOnlyReplacedWhenAsked) {
    OpenSample(false);
    std::ofstream(Files / "clip.avi") << "old";
    QStringList asked;
    Export([&asked, this](TExportDialog& dialog) {
        dialog.AskOverwrite = [&asked](const QString& target) {
            asked.append(target);
            return false;
        };
        dialog.FileName->setText("clip.AVI");
        dialog.SaveBtn->click();
        EXPECT_EQ(asked, QStringList{QString::fromStdString(Files / "clip.avi")});
        dialog.FileName->setText("");
        dialog.SaveBtn->click();
        dialog.FileName->setText("scene");
        dialog.SaveBtn->click();
    });
    EXPECT_EQ(Errors, QStringList{"Enter a file name to save to."});
    EXPECT_EQ(fs::file_size(Files / "clip.avi"), 3u);
    EXPECT_EQ(Probe(Files / "scene.avi"), "rawvideo,320,48\n");
}

TEST_F(ExportDialogTest, AbortDuringCompressionKeepsTheOldMovieAndLeavesNoFiles) {
    OpenSample(true);
    std::ofstream(Files / "bounce.avi") << "old";
    const QString log = Export([](TExportDialog& dialog) {
        dialog.AskOverwrite = [](const QString&) { return true; };
        WhenShown<TProgressDialog>([](TProgressDialog& progress) { progress.Button1->click(); });
        dialog.SaveBtn->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.SaveBtn->isEnabled());
    });
    EXPECT_TRUE(log.endsWith("Compressing...\nThe movie could not be saved: The export was cancelled."))
        << log.toStdString();
    EXPECT_EQ(ReadText(Files / "bounce.avi"), "old");
    for (const auto& entry : fs::directory_iterator(Files.Path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".bounce.avi")) << entry.path();
    EXPECT_TRUE(NoRawMovieLeft());
}

TEST_F(ExportDialogTest, AFailedExportKeepsTheOldMovieAndSaysWhy) {
    // The sheet's sound, spoilt after it was read, makes the encoders fail.
    const std::string sample = ReadText(CELWRIGHT_SAMPLE_SHEET);
    std::smatch sound;
    ASSERT_TRUE(std::regex_search(sample, sound, std::regex("<audiofile>([^<]*)</audiofile>")));
    fs::copy_file(sound[1].str(), Files / "voice.wav");
    WriteText(Files / "bounce.xps",
              std::regex_replace(sample, std::regex("<audiofile>[^<]*</audiofile>"),
                                 "<audiofile>" + Files / "voice.wav" + "</audiofile>"));
    Window->Files().OpenDocument(QString::fromStdString(Files / "bounce.xps"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Window->Sheet().Document().HasAudio(); }));
    WriteText(Files / "voice.wav", "RIFF, but nothing more");
    std::ofstream(Files / "bounce.avi") << "old";
    QString result;
    Export([&result](TExportDialog& dialog) {
        dialog.AskOverwrite = [](const QString&) { return true; };
        dialog.SaveBtn->click();
        result = dialog.ResultLabel->text();
        EXPECT_FALSE(dialog.ShowFileBtn->isEnabled());
        EXPECT_TRUE(dialog.isVisible());
    });
    EXPECT_TRUE(result.startsWith("The movie could not be saved: ")) << result.toStdString();
    EXPECT_EQ(ReadText(Files / "bounce.avi"), "old");
    for (const auto& entry : fs::directory_iterator(Files.Path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".bounce.avi")) << entry.path();
}

TEST_F(ExportDialogTest, OnlySaveExportsAndTheDialogStaysOpenWithTheResult) {
    OpenSample(false);
    fs::create_directory(Files.Path() / "movies");
    QStringList shown;
    QString folder;
    Export([&](TExportDialog& dialog) {
        EXPECT_EQ(dialog.Folder().toStdString(), Files.Path().string());
        dialog.ShowFile = [&shown](const QString& file) { shown.append(file); };
        dialog.SetFolder(QString::fromStdString(Files / "movies"));
        // Return in a field is no click on Save.
        for (QWidget* field : std::initializer_list<QWidget*>{dialog.FileName, dialog.ShellComboBox1}) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
        }
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(fs::exists(Files / "movies/silent.avi"));
        EXPECT_FALSE(dialog.ShowFileBtn->isEnabled());
        dialog.SaveBtn->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.ResultLabel->text().toStdString(),
                  "The movie is saved as " + Files / "movies/silent.avi" + ".");
        EXPECT_EQ(dialog.CancelBtn->text(), "Close");
        QTest::mouseClick(dialog.ShowFileBtn, Qt::LeftButton);
    });
    EXPECT_EQ(shown, QStringList{QString::fromStdString(Files / "movies/silent.avi")});
    EXPECT_EQ(Probe(Files / "movies/silent.avi"), "rawvideo,320,48\n");
    // The next export of the same sheet starts where the last one went.
    Export([&folder](TExportDialog& dialog) { folder = dialog.Folder(); });
    EXPECT_EQ(folder.toStdString(), Files / "movies");
}

TEST_F(ExportDialogTest, AMovieNameThatIsOneOfTheSheetsFilesIsRefused) {
    OpenSample(false);
    fs::create_symlink(Files / "silent.xps", Files / "clip.avi");
    const std::string before = ReadText(Files / "silent.xps");
    Export([](TExportDialog& dialog) {
        dialog.AskOverwrite = [](const QString&) { return true; };
        dialog.FileName->setText("clip");
        dialog.SaveBtn->click();
    });
    EXPECT_EQ(Errors, QStringList{QString::fromStdString(
                          Files / "clip.avi" +
                          " is the sheet, its sound file or one of its drawings and is not written over. "
                          "Choose another file.")});
    EXPECT_EQ(ReadText(Files / "silent.xps"), before);
}

TEST_F(ExportDialogTest, SavingFromThePreviewWritesItsFramesAtTheirSize) {
    OpenSample(false);
    Window->Settings().Current.Preview.AutoBuild = false;
    Part(*Window, "PreviewAction")->trigger();
    TPreviewWindow& preview = *Window->findChild<TPreviewWindow*>();
    ASSERT_TRUE(QTest::qWaitFor([&preview] { return preview.State() == TPreviewWindow::TState::psStopped; }));
    preview.FrameTo->setText("10");
    preview.SizeButtons->button(1)->click();
    preview.Build1->trigger();
    // The preview pushed off the screen's top-left corner, the main window in the screen's lower
    // right: the dialog opens over the main window, not in the corner.
    const QRect screen = Window->screen()->availableGeometry();
    Window->setGeometry(screen.adjusted(screen.width() / 4, screen.height() / 4, 0, 0));
    preview.move(screen.topLeft() - QPoint(preview.width(), preview.height()) / 2);
    QRect opened;
    WhenShown<TExportDialog>([&opened](TExportDialog& dialog) {
        opened = dialog.frameGeometry();
        dialog.MovieResSel->setCurrentIndex(3);
        dialog.SaveBtn->click();
        dialog.reject();
    });
    preview.Save1->trigger();
    EXPECT_EQ(Probe(Files / "silent.avi"), "rawvideo,160,10\n");
    EXPECT_NE(opened.topLeft(), screen.topLeft());
    EXPECT_TRUE(Window->frameGeometry().contains(opened.center()));
}

// A sheet whose 3-second sound outlasts its 48 frames of drawings: the movie runs to the sound's
// end (frame 72) in the dialog's To and the preview's alike. A range goes into the kind of movie
// the type list or the name's suffix chooses, with its own part of the sound.
TEST_F(ExportDialogTest, TheRangeRunsToTheSoundsEndAndTheTypeFollowsTheName) {
    const std::string sound = Files / "long.wav";
    CommandOutput("gst-launch-1.0 -q audiotestsrc samplesperbuffer=4800 num-buffers=30 ! "
                  "audio/x-raw,rate=48000,channels=1,format=S16LE ! wavenc ! filesink location='" + sound + "'");
    WriteText(Files / "long.xps", std::regex_replace(ReadText(CELWRIGHT_SAMPLE_SHEET),
                                                     std::regex("<audiofile>[^<]*</audiofile>"),
                                                     "<audiofile>" + sound + "</audiofile>"));
    Window->Files().OpenDocument(QString::fromStdString(Files / "long.xps"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Window->Sheet().Document().HasAudio(); }));
    Export([this](TExportDialog& dialog) {
        EXPECT_EQ(dialog.FromFrame->value(), 1);
        EXPECT_EQ(dialog.ToFrame->value(), 72);
        EXPECT_EQ(dialog.FileName->text(), "long.avi");
        dialog.FileName->setText("clip.webm");
        emit dialog.FileName->editingFinished();
        EXPECT_EQ(dialog.FormatSel->currentText(), "WebM movie (*.webm)");
        dialog.FormatSel->setCurrentIndex(dialog.FormatSel->findText("MP4 movie (*.mp4)"));
        EXPECT_EQ(dialog.FileName->text(), "clip.mp4");
        EXPECT_TRUE(QTest::qWaitFor([&dialog] { return dialog.CompressorsListed(); }, 20000));
        EXPECT_EQ(dialog.VidFilterSel->findText("none"), -1);
        EXPECT_EQ(dialog.VidFilterSel->currentData().toString(), "x264enc");
        dialog.FromFrame->setValue(25);
        dialog.ToFrame->setValue(60);
        dialog.SaveBtn->click();
        EXPECT_EQ(dialog.ResultLabel->text().toStdString(), "The movie is saved as " + Files / "clip.mp4" + ".");
        dialog.FormatSel->setCurrentIndex(dialog.FormatSel->findText("Animated GIF (*.gif)"));
        EXPECT_FALSE(dialog.VidFilterSel->isEnabled());
        EXPECT_FALSE(dialog.AudioFilterSel->isEnabled());
        dialog.SaveBtn->click();
    });
    EXPECT_EQ(CommandOutput("ffprobe -v error -count_frames -show_entries stream=codec_name,nb_read_frames -of csv=p=0 '" +
                            Files / "clip.mp4" + "'")
                  .substr(0, 12),
              "h264,36\naac,");
    EXPECT_EQ(CommandOutput("ffprobe -v error -count_frames -show_entries stream=codec_name,nb_read_frames -of csv=p=0 '" +
                            Files / "clip.gif" + "'"),
              "gif,36\n");

    Window->Settings().Current.Preview.AutoBuild = false;
    Part(*Window, "PreviewAction")->trigger();
    TPreviewWindow& preview = *Window->findChild<TPreviewWindow*>();
    ASSERT_TRUE(QTest::qWaitFor([&preview] { return preview.State() == TPreviewWindow::TState::psStopped; }));
    EXPECT_EQ(preview.FrameTo->text(), "72");
}

TEST_F(ExportDialogTest, EncodersThatShareALongNameAreToldApartInEveryKindOfMovie) {
    OpenSample(true);
    Export([](TExportDialog& dialog) {
        for (int kind = 0; kind < dialog.FormatSel->count(); ++kind) {
            dialog.FormatSel->setCurrentIndex(kind);
            ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog.CompressorsListed(); }, 20000));
            for (const QComboBox* box : {dialog.VidFilterSel, dialog.AudioFilterSel}) {
                QStringList names;
                for (int i = 0; i < box->count(); ++i)
                    names << box->itemText(i);
                EXPECT_EQ(QStringList(names).removeDuplicates(), 0)
                    << dialog.FormatSel->currentText().toStdString() << ":\n"
                    << names.join("\n").toStdString();
            }
        }
    });
}

TEST_F(ExportDialogTest, TheMovieSizeIsLoggedOnceWhenTheDialogOpens) {
    OpenSample(false);
    const QString log = Export([](TExportDialog& dialog) {
        for (int size : {2, 1, 0, 3})
            dialog.MovieResSel->setCurrentIndex(size);
    });
    EXPECT_EQ(log.toStdString(), "Movie size: 320 x 240");
}

TEST_F(ExportDialogTest, EncoderSettingsAreUsedForTheMovieAndRemembered) {
    OpenSample(false);
    // Exports through jpegenc after setting its quality in the settings dialog; returns the quality
    // the dialog showed when it opened.
    const auto exportAt = [this](int quality, const QString& file) {
        int shown = -1;
        Export([&](TExportDialog& dialog) {
            EXPECT_FALSE(dialog.SettingsLbl->isEnabled());
            dialog.VidFilterSel->setCurrentIndex(IndexOf(dialog.VidFilterSel, "jpegenc"));
            EXPECT_TRUE(dialog.SettingsLbl->isEnabled());
            dialog.VidFilterSel->setCurrentIndex(0);
            EXPECT_FALSE(dialog.SettingsLbl->isEnabled());
            dialog.VidFilterSel->setCurrentIndex(IndexOf(dialog.VidFilterSel, "jpegenc"));
            OpenSettings(dialog, [&](TEncoderSettingsDialog& settings) {
                auto* box = settings.findChild<QSpinBox*>("quality");
                ASSERT_TRUE(box);
                EXPECT_EQ(box->maximum(), 100);
                EXPECT_FALSE(box->toolTip().isEmpty());
                shown = box->value();
                box->setValue(quality);
                settings.Buttons->button(QDialogButtonBox::Ok)->click();
            });
            dialog.FileName->setText(file);
            dialog.SaveBtn->click();
        });
        return shown;
    };
    EXPECT_EQ(exportAt(10, "low.avi"), 85);
    EXPECT_NE(ReadText(IniFile()).find("[encoder jpegenc]\nquality=10\n"), std::string::npos);
    EXPECT_EQ(exportAt(95, "high.avi"), 10);
    EXPECT_EQ(Probe(Files / "low.avi"), "mjpeg,320,48\n");
    EXPECT_EQ(Probe(Files / "high.avi"), "mjpeg,320,48\n");
    const auto low = fs::file_size(Files / "low.avi");
    const auto high = fs::file_size(Files / "high.avi");
    EXPECT_GT(high, 2 * low) << low << " " << high;

    // A new start of the program finds them again; Cancel keeps them, Restore Defaults and OK
    // forgets them.
    Window.reset();
    Window = NewWindow();
    Window->SetActivity(TMainWindow::TActivity::Idle);
    OpenSample(false);
    QList<int> shown;
    Export([&](TExportDialog& dialog) {
        dialog.VidFilterSel->setCurrentIndex(IndexOf(dialog.VidFilterSel, "jpegenc"));
        for (const auto button : {QDialogButtonBox::Cancel, QDialogButtonBox::RestoreDefaults}) {
            OpenSettings(dialog, [&](TEncoderSettingsDialog& settings) {
                auto* box = settings.findChild<QSpinBox*>("quality");
                shown.append(box->value());
                box->setValue(50);
                settings.Buttons->button(button)->click();
                if (button == QDialogButtonBox::RestoreDefaults) {
                    shown.append(box->value());
                    settings.Buttons->button(QDialogButtonBox::Ok)->click();
                }
            });
        }
        dialog.reject();
    });
    EXPECT_EQ(shown, (QList<int>{95, 95, 85}));
    EXPECT_EQ(ReadText(IniFile()).find("[encoder jpegenc]"), std::string::npos);
}

TEST_F(ExportDialogTest, BadStoredEncoderSettingsAreLeftOutAndTheExportWorks) {
    WriteText(IniFile(), "[encoder jpegenc]\nquality=500\nidct-method=flaot\nno-such=1\nsnapshot=false\n");
    OpenSample(false);
    QString idct;
    int quality = -1;
    const QString log = Export([&](TExportDialog& dialog) {
        dialog.VidFilterSel->setCurrentIndex(IndexOf(dialog.VidFilterSel, "jpegenc"));
        OpenSettings(dialog, [&](TEncoderSettingsDialog& settings) {
            quality = settings.findChild<QSpinBox*>("quality")->value();
            idct = settings.findChild<QComboBox*>("idct-method")->currentData().toString();
            settings.reject();
        });
        dialog.SaveBtn->click();
    });
    EXPECT_EQ(quality, 85);
    EXPECT_EQ(idct, "ifast");
    for (const char* line : {"Left out the stored setting quality=500 of jpegenc: the encoder takes no such value.",
                             "Left out the stored setting idct-method=flaot of jpegenc: the encoder takes no such value.",
                             "Left out the stored setting no-such=1 of jpegenc: the encoder takes no such value.",
                             "The movie is saved as "})
        EXPECT_TRUE(log.contains(line)) << line << "\n" << log.toStdString();
    EXPECT_EQ(Probe(Files / "silent.avi"), "mjpeg,320,48\n");
}

// Each kind of control gives its value back in stored form; a control left alone keeps the exact
// value it was given, even where the widget cannot show it exactly.
TEST(EncoderSettingsDialogTest, ControlsGiveBackWhatDiffersFromTheDefaults) {
    const TEncoderProperties mpeg4("avenc_mpeg4");
    TEncoderSettingsDialog dialog(mpeg4, {{"quantizer", "0.00005"}, {"trellis", "1"}});
    EXPECT_EQ(dialog.Values(), (TEncoderValues{{"quantizer", "0.00005"}, {"trellis", "1"}}));

    dialog.findChild<QComboBox*>("pass")->setCurrentIndex(
        dialog.findChild<QComboBox*>("pass")->findData("quant"));
    auto* flags = dialog.findChild<QToolButton*>("mpv-flags");
    ASSERT_TRUE(flags);
    for (QAction* action : flags->menu()->actions())
        action->setChecked(action->data() == "qp_rd" || action->data() == "skip_rd");
    EXPECT_EQ(flags->text(), "skip_rd, qp_rd");
    dialog.findChild<QCheckBox*>("alternate-scan")->setChecked(true);
    dialog.findChild<QLineEdit*>("multipass-cache-file")->setText("pass.log");
    dialog.findChild<QSpinBox*>("trellis")->setValue(0);
    EXPECT_EQ(dialog.Values(), (TEncoderValues{{"alternate-scan", "true"},
                                               {"mpv-flags", "skip_rd+qp_rd"},
                                               {"multipass-cache-file", "pass.log"},
                                               {"pass", "quant"},
                                               {"quantizer", "0.00005"}}));
    dialog.RestoreDefaults();
    EXPECT_EQ(dialog.Values(), TEncoderValues{});
    EXPECT_EQ(flags->text(), "(none)");
}
