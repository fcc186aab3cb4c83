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

    // The sample sheet, or a copy of it without its sound.
    void OpenSample(bool sound) {
        std::string sheet = CELWRIGHT_SAMPLE_SHEET;
        if (!sound) {
            std::ifstream in(sheet, std::ios::binary);
            const std::string text{std::istreambuf_iterator<char>(in), {}};
            sheet = Files / "silent.xps";
            std::ofstream(sheet, std::ios::binary) << std::regex_replace(
                text, std::regex("<audiofile>[^<]*</audiofile>"), "<audiofile></audiofile>");
        }
        Window->Files().OpenDocument(QString::fromStdString(sheet));
        // The sheet brings its own default folder; the movies go to the test's.
        Window->Settings().Current.General.DefaultPath = Files.Path().string() + "/";
    }

    // Opens the dialog with Export Avi..., lets `act` work on it once its lists are filled, and
    // returns the log it ended with.
    QString Export(const std::function<void(TExportDialog&)>& act) {
        QString log;
        WhenShown<TExportDialog>([&](TExportDialog& dialog) {
            EXPECT_TRUE(QTest::qWaitFor([&dialog] { return dialog.CompressorsListed(); }, 20000));
            act(dialog);
            if (dialog.isVisible()) {
                EXPECT_TRUE(QTest::qWaitFor([&dialog] { return !dialog.isVisible(); }, 20000));
            }
            log = dialog.debug->toPlainText();
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
    EXPECT_EQ(log, "image size = 320 x 240\nUncompressed File Created.\ndone.");
    EXPECT_EQ(Probe(Files / "silent.avi"), "rawvideo,320,48\n");
    EXPECT_TRUE(NoRawMovieLeft());
    EXPECT_TRUE(Part<QPlainTextEdit>(*Window, "InfoPanel")->toPlainText().endsWith("Build Complete"));
}

TEST_F(ExportDialogTest, SoundTakesTheCompressedRouteAndTheRawFileGoes) {
    OpenSample(true);
    const QString log = Export([](TExportDialog& dialog) {
        EXPECT_TRUE(dialog.AudioFilterSel->isEnabled());
        EXPECT_EQ(dialog.AudioFilterSel->currentText(), "none");
        EXPECT_GE(IndexOf(dialog.AudioFilterSel, "lamemp3enc"), 1);
        dialog.VidFilterSel->setCurrentIndex(IndexOf(dialog.VidFilterSel, "avenc_mpeg4"));
        dialog.MovieResSel->setCurrentIndex(1);
        dialog.SaveBtn->click();
    });
    EXPECT_TRUE(log.endsWith("Uncompressed File Created.\nCompressing...\nCompression complete.\n"
                             "Uncompressed file deleted.\ndone."))
        << log.toStdString();
    EXPECT_EQ(Probe(Files / "bounce.avi"), "mpeg4,180,48\npcm_s16le,40780\n");
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

TEST_F(ExportDialogTest, ClosingDuringCompressionLeavesNoFiles) {
    OpenSample(true);
    const QString log = Export([](TExportDialog& dialog) {
        dialog.SaveBtn->click();
        dialog.reject();
    });
    EXPECT_TRUE(log.endsWith("Compressing...")) << log.toStdString();
    EXPECT_FALSE(fs::exists(Files / "bounce.avi"));
    EXPECT_TRUE(NoRawMovieLeft());
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
    WhenShown<TExportDialog>([](TExportDialog& dialog) {
        dialog.MovieResSel->setCurrentIndex(3);
        dialog.SaveBtn->click();
    });
    preview.Save1->trigger();
    EXPECT_EQ(Probe(Files / "silent.avi"), "rawvideo,160,10\n");
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
    for (const char* line : {"Stored setting of jpegenc left out: quality=500",
                             "Stored setting of jpegenc left out: idct-method=flaot",
                             "Stored setting of jpegenc left out: no-such=1", "done."})
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
