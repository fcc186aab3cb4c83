// Unsaved work kept in recovery records and offered again at start, through the real prompts.
#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "app/SheetRecovery.h"
#include "app/tests/DialogScript.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/XpsFile.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryRecorder.h"
#include "sheetview/SheetView.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/MainWindowFixture.h"
#include "ui/AlertPrompt.h"
#include "ui/TextLabel.h"

#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
const std::string kSampleSheet = CELWRIGHT_SAMPLE_SHEET;

std::function<void(TAlertPrompt&)> Click(QPushButton* TAlertPrompt::*button) {
    return [button](TAlertPrompt& prompt) { QTest::mouseClick(prompt.*button, Qt::LeftButton); };
}

class RecoveryTest : public TMainWindowFixture {
protected:
    RecoveryTest() {
        Folders.RecoveryFolder = QString::fromStdString(Recovery / "");
        Sheet = Files / "walk.xps";
        WriteText(Sheet, *ReadFileBytes(kSampleSheet));
    }

    std::unique_ptr<TMainWindow> ShownWindow() {
        auto window = NewWindow();
        window->show();
        return window;
    }

    static std::string SheetText(TMainWindow& window) {
        TXpsSettings settings;
        window.Settings().GetDocumentSettings(settings);
        return TXpsFile::SheetText(window.Sheet().Document(), settings);
    }

    static void Edit(TMainWindow& window, const std::string& name) {
        window.Sheet().PlaceHeldCel(1, 3, name, 2);
    }

    static bool WaitForRecord(TMainWindow& window) {
        const fs::path record = window.Recovery()->Recorder().RecordPath();
        return QTest::qWaitFor([&] { return fs::exists(record); }, 3000);
    }

    // What a program that was killed leaves: its record and a lock naming a process that ended. The
    // record holds `window`'s sheet as it is now; returns that sheet's text.
    std::string LeaveRecordOf(TMainWindow& window, const std::string& key) {
        window.Recovery()->RecordNow();
        fs::copy_file(window.Recovery()->Recorder().RecordPath(), Recovery / (key + ".record"));
        WriteText(Recovery / (key + ".lock"), LockText({TProcessIdentity::Of(EndedProcess()), ""}));
        const std::string text = SheetText(window);
        window.Files().SetModified(false);
        return text;
    }

    TTempFolder Recovery;
    TTempFolder Files;
    std::string Sheet;
    TNewLayerAnswer NewLayers;
};
} // namespace

TEST_F(RecoveryTest, TheRecordFollowsEveryChangeAndGoesWithASaveOrANo) {
    auto window = ShownWindow();
    window->Files().OpenDocument(QString::fromStdString(Sheet));
    const fs::path record = window->Recovery()->Recorder().RecordPath();
    EXPECT_FALSE(fs::exists(record));

    Edit(*window, "first.png");
    ASSERT_TRUE(WaitForRecord(*window));
    Edit(*window, "second.png");
    window->Sheet().SelectCell(1, 4);
    Edit(*window, "third.png");
    // The last change of a burst reaches the disk too, within the write interval.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadText(record).find("third.png") != std::string::npos; }, 2000));
    const TRecoveryInfo info = ReadRecoveryInfo(record);
    EXPECT_EQ(info.SheetPath, fs::path(Sheet).string());
    EXPECT_EQ(info.CursorLayer, 1);
    TSheetDocument recorded;
    TXpsSettings settings;
    LoadSheet(recorded, record, settings);
    EXPECT_EQ(TXpsFile::SheetText(recorded, settings), SheetText(*window));

    window->Files().Save();
    EXPECT_FALSE(fs::exists(record));

    Edit(*window, "fourth.png");
    ASSERT_TRUE(WaitForRecord(*window));
    TDialogScript answers;
    answers.Then<TAlertPrompt>(Click(&TAlertPrompt::NegBtn)); // "No" to saving the changes
    window->close();
    EXPECT_TRUE(answers.Done());
    EXPECT_FALSE(fs::exists(record));
    const fs::path lock = window->Recovery()->Recorder().LockPath();
    window.reset();
    EXPECT_FALSE(fs::exists(lock));
    EXPECT_TRUE(fs::is_empty(Recovery.Path()));
}

TEST_F(RecoveryTest, ANoToSavingKeepsTheRecordWhileTheSheetStaysOpen) {
    auto window = ShownWindow();
    window->Files().OpenDocument(QString::fromStdString(Sheet));
    Edit(*window, "kept.png");
    ASSERT_TRUE(WaitForRecord(*window));
    // "No" to saving the changes, and then no sheet chosen to open after all.
    TDialogScript answers;
    answers.Then<TAlertPrompt>(Click(&TAlertPrompt::NegBtn)).Then<QFileDialog>([](QFileDialog& dialog) {
        dialog.reject();
    });
    Part(*window, "OpenAction")->trigger();
    EXPECT_TRUE(answers.Done());
    ASSERT_TRUE(window->Files().Modified());
    const fs::path record = window->Recovery()->Recorder().RecordPath();
    ASSERT_TRUE(fs::exists(record));
    EXPECT_NE(ReadText(record).find("kept.png"), std::string::npos);
}

TEST_F(RecoveryTest, RecoverOpensTheSheetAsItWasWithoutTouchingItsFile) {
    struct Case {
        const char* what;
        bool named;
    };
    for (const Case& c : {Case{"a sheet with a file", true}, Case{"a sheet never saved", false}}) {
        SCOPED_TRACE(c.what);
        std::string recorded;
        {
            auto crashed = ShownWindow();
            if (c.named)
                crashed->Files().OpenDocument(QString::fromStdString(Sheet));
            else
                crashed->Sheet().AddLayer("Ink", Files / "", {});
            Edit(*crashed, "lost.png");
            crashed->Sheet().HideAudio();
            crashed->Sheet().SelectCell(1, 4);
            recorded = LeaveRecordOf(*crashed, "crashed");
        }
        const std::string onDisk = ReadText(Sheet);

        TDialogScript answers;
        answers.Then<TAlertPrompt>(Click(&TAlertPrompt::PosBtn)); // Recover
        auto window = ShownWindow();
        EXPECT_TRUE(answers.Done());
        EXPECT_EQ(SheetText(*window), recorded);
        EXPECT_TRUE(window->Files().Modified());
        EXPECT_EQ(window->Files().DocumentName().toStdString(), c.named ? "walk.xps" : "");
        EXPECT_FALSE(window->Sheet().Document().AudioShown());
        EXPECT_EQ(window->Sheet().CurrentFrame(), 4);
        EXPECT_EQ(ReadText(Sheet), onDisk);
        // The record is this program's now.
        EXPECT_FALSE(fs::exists(Recovery / "crashed.record"));
        EXPECT_FALSE(fs::exists(Recovery / "crashed.lock"));
        EXPECT_TRUE(fs::exists(window->Recovery()->Recorder().RecordPath()));
        if (c.named) {
            window->Files().Save();
            EXPECT_NE(ReadText(Sheet).find("lost.png"), std::string::npos);
        }
        window->Files().SetModified(false);
    }
}

TEST_F(RecoveryTest, LaterKeepsTheRecordForTheNextStartAndDiscardRemovesIt) {
    {
        auto crashed = ShownWindow();
        crashed->Files().OpenDocument(QString::fromStdString(Sheet));
        Edit(*crashed, "lost.png");
        LeaveRecordOf(*crashed, "crashed");
    }
    {
        TDialogScript answers;
        answers.Then<TAlertPrompt>(Click(&TAlertPrompt::ExBtn)); // Later
        auto window = ShownWindow();
        EXPECT_TRUE(answers.Done());
        EXPECT_FALSE(window->Files().Modified());
        // Opening the sheet in the same run does not ask again.
        window->Files().OpenDocument(QString::fromStdString(Sheet));
        EXPECT_EQ(answers.Unexpected, QStringList());
        EXPECT_EQ(ReadText(Sheet).find("lost.png"), std::string::npos);
    }
    EXPECT_TRUE(fs::exists(Recovery / "crashed.record"));
    {
        TDialogScript answers;
        answers.Then<TAlertPrompt>(Click(&TAlertPrompt::NegBtn)); // Discard
        auto window = ShownWindow();
        EXPECT_TRUE(answers.Done());
    }
    EXPECT_FALSE(fs::exists(Recovery / "crashed.record"));
    EXPECT_FALSE(fs::exists(Recovery / "crashed.lock"));
}

TEST_F(RecoveryTest, TheSheetToOpenHasItsRecordOfferedFirstAndRunningProgramsKeepTheirs) {
    std::string recorded;
    {
        auto crashed = ShownWindow();
        crashed->Files().OpenDocument(QString::fromStdString(Sheet));
        Edit(*crashed, "lost.png");
        recorded = LeaveRecordOf(*crashed, "named");
        Part(*crashed, "NewAction")->trigger();
        Edit(*crashed, "ink.png");
        LeaveRecordOf(*crashed, "unnamed");
    }
    // The newer record would come first, but the sheet the program is asked to open goes first.
    std::string named = ReadText(Recovery / "named.record");
    const std::size_t changed = named.find("<changed>") + 9;
    named.replace(changed, 20, "2020-01-01T00:00:00Z");
    WriteText(Recovery / "named.record", named);
    TChildProcess other; // a record whose program still runs is not offered
    WriteText(Recovery / "other.record", ReadText(Recovery / "named.record"));
    WriteText(Recovery / "other.lock", LockText({TProcessIdentity::Of(other.Pid), ""}));

    auto window = NewWindow();
    TDialogScript answers;
    answers
        .Then<TAlertPrompt>([](TAlertPrompt& prompt) {
            EXPECT_TRUE(prompt.MsgLbl->text().contains("walk.xps")) << prompt.MsgLbl->text().toStdString();
            QTest::mouseClick(prompt.PosBtn, Qt::LeftButton); // Recover
        })
        .Then<TAlertPrompt>(Click(&TAlertPrompt::NegBtn)); // Discard, further down
    EXPECT_TRUE(window->Recovery()->OfferRecords(QString::fromStdString(Sheet)));
    EXPECT_FALSE(answers.Done());
    EXPECT_EQ(answers.Unexpected, QStringList());
    EXPECT_EQ(SheetText(*window), recorded);
    EXPECT_TRUE(fs::exists(Recovery / "unnamed.record"));
    EXPECT_TRUE(fs::exists(Recovery / "other.record"));
    window->Files().SetModified(false);

    // A program that stops while this one runs leaves a record: opening its sheet offers it.
    WriteText(Recovery / "late.record", ReadText(Recovery / "other.record"));
    window->Files().OpenDocument(QString::fromStdString(Sheet));
    EXPECT_TRUE(answers.Done());
    EXPECT_FALSE(fs::exists(Recovery / "late.record"));
}

TEST_F(RecoveryTest, ASheetAnotherProgramHasOpenOpensReadOnlyOrAnyway) {
    TChildProcess other;
    WriteText(Recovery / "other.lock", LockText({TProcessIdentity::Of(other.Pid), fs::path(Sheet).string()}));
    const std::string onDisk = ReadText(Sheet);
    struct Case {
        const char* what;
        QPushButton* TAlertPrompt::*button;
        bool opened;
        bool readOnly;
    };
    const Case cases[] = {
        {"read-only", &TAlertPrompt::PosBtn, true, true},
        {"anyway", &TAlertPrompt::NegBtn, true, false},
        {"cancel", &TAlertPrompt::ExBtn, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto window = ShownWindow();
        Part(*window, "NewAction")->trigger();
        Edit(*window, "before.png");
        window->Files().SetModified(false);
        TDialogScript answers;
        answers.Then<TAlertPrompt>(Click(c.button));
        window->Files().OpenDocument(QString::fromStdString(Sheet));
        EXPECT_TRUE(answers.Done());
        EXPECT_EQ(window->Files().DocumentName() == "walk.xps", c.opened);
        EXPECT_EQ(window->Files().ReadOnly(), c.readOnly);
        // The sheet left open keeps what it can undo; an opened one starts with nothing.
        EXPECT_EQ(Part(*window, "UndoAction")->isEnabled(), !c.opened);
        if (!c.readOnly)
            continue;
        // A save of a sheet opened read-only asks where to.
        const std::string elsewhere = Files / "mine.xps";
        window->Files().AskSaveFile = [&](const QString&, const QString&, const QString&) {
            return QString::fromStdString(elsewhere);
        };
        Edit(*window, "mine.png");
        window->Files().Save();
        EXPECT_EQ(ReadText(Sheet), onDisk);
        EXPECT_NE(ReadText(elsewhere).find("mine.png"), std::string::npos);
        EXPECT_FALSE(window->Files().ReadOnly());
    }
}
