#include "app/AboutDialog.h"
#include "app/ImageViewer.h"
#include "app/LicenseDialog.h"
#include "app/SplashWindow.h"
#include "base/Error.h"
#include "testsupport/TempFolder.h"
#include "ui/AlertPrompt.h"
#include "ui/EntryDialog.h"
#include "ui/TextLabel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
// Clicks a button of the modal window that is about to open.
void ClickSoon(QPushButton* button) {
    QTimer::singleShot(0, button, [button] { button->click(); });
}
} // namespace

TEST(AlertPrompt, ButtonsAndWidthFollowTheirCaptions) {
    TAlertPrompt prompt;
    prompt.Prepare(TAlertPrompt::TForm::Confirm, "Replace it?",
                   {"Overwrite", "Cancel", "Keep both files and number the new one"});
    EXPECT_GT(prompt.width(), 300);
    EXPECT_EQ(prompt.windowTitle(), "Confirm");
    EXPECT_GT(prompt.ExBtn->width(), 73);
    const int cancelText = prompt.NegBtn->fontMetrics().horizontalAdvance("Cancel");
    EXPECT_EQ(prompt.NegBtn->width(), cancelText > 40 ? cancelText + 20 : 73);
    EXPECT_EQ(prompt.NegBtn->x() - prompt.PosBtn->geometry().right() - 1, 20);
    EXPECT_EQ((prompt.width() - (prompt.ExBtn->geometry().right() + 1 - prompt.PosBtn->x())) / 2,
              prompt.PosBtn->x())
        << "the group is centred";

    prompt.Prepare(TAlertPrompt::TForm::Confirm, "Save changes?", {"Yes", "No", "Stop"});
    EXPECT_EQ(prompt.width(), 300);
    EXPECT_EQ(prompt.PosBtn->width(), 73) << "a short caption keeps the standard width";

    // Nothing of the confirm carries over to a plain alert.
    prompt.Prepare(TAlertPrompt::TForm::Alert, "Done.", {});
    EXPECT_EQ(prompt.width(), 280);
    EXPECT_EQ(prompt.PosBtn->text(), "OK");
    EXPECT_EQ(prompt.PosBtn->width(), 73);
    EXPECT_TRUE(prompt.NegBtn->isHidden());
    EXPECT_TRUE(prompt.ExBtn->isHidden());
    EXPECT_EQ(prompt.PosBtn->x(), (280 - 73) / 2);
}

TEST(AlertPrompt, ALongerMessageMakesItTallerWithTheButtonsBelow) {
    TAlertPrompt prompt;
    prompt.Prepare(TAlertPrompt::TForm::Prompt, "One line.", {});
    const int shortHeight = prompt.height();
    prompt.Prepare(TAlertPrompt::TForm::Prompt,
                   "The first paragraph says what happened, at some length so that it wraps.\r\n\r\n"
                   "The second paragraph says what to do about it.",
                   {});
    EXPECT_GT(prompt.height(), shortHeight);
    EXPECT_EQ(prompt.PosBtn->y(), prompt.MsgLbl->height() + 36);
    EXPECT_GT(prompt.PosBtn->y(), prompt.MsgLbl->geometry().bottom());
    EXPECT_EQ(prompt.height(), prompt.MsgLbl->height() + 25 + 66);
}

TEST(AlertPrompt, ReturnsTheAnswer) {
    TAlertPrompt prompt;
    ClickSoon(prompt.NegBtn);
    EXPECT_EQ(prompt.Confirm("Save?", "Yes", "No", "Cancel"), TAlertPrompt::TAnswer::No);
    ClickSoon(prompt.PosBtn);
    EXPECT_EQ(prompt.Confirm("Save?", "Yes", "No", "Cancel"), TAlertPrompt::TAnswer::Yes);
    ClickSoon(prompt.ExBtn);
    EXPECT_EQ(prompt.Confirm("Save?", "Yes", "No", "Cancel"), TAlertPrompt::TAnswer::Cancel);
    QTimer::singleShot(0, &prompt, [&] { prompt.reject(); });
    EXPECT_EQ(prompt.Alert("Closed by its frame"), TAlertPrompt::TAnswer::Cancel);
    ClickSoon(prompt.PosBtn);
    EXPECT_EQ(prompt.Prompt("Go on?"), TAlertPrompt::TAnswer::Ok);
}

TEST(EntryDialog, AnEmptyValueIsNotConfirmed) {
    TEntryDialog dialog;
    QString text = "old";
    ClickSoon(dialog.Button1);
    EXPECT_FALSE(dialog.AskValue("Fps", text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(dialog.Label1->text(), "Please enter value for Fps");

    QTimer::singleShot(0, &dialog, [&] {
        dialog.Edit1->setText("15");
        dialog.Button1->click();
    });
    EXPECT_TRUE(dialog.AskValue("Fps", text));
    EXPECT_EQ(text, "15");

    QTimer::singleShot(0, &dialog, [&] {
        dialog.Edit1->setText("30");
        dialog.Button2->click();
    });
    EXPECT_FALSE(dialog.AskValue("Fps", text));
    EXPECT_EQ(text, "30") << "the text is kept for the caller either way";
}

TEST(ImageViewer, TakesThePicturesSize) {
    TImageViewer viewer;
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(Qt::red);
    viewer.ShowImage(&picture);
    EXPECT_EQ(viewer.size(), QSize(640, 480));
    EXPECT_EQ(viewer.Pane->grab().toImage().pixelColor(10, 10), QColor(Qt::red));
    viewer.ShowImage(nullptr);
    EXPECT_EQ(viewer.Pane->grab().toImage().pixelColor(10, 10), QColor(Qt::white));
}

TEST(Splash, ClosesOnAClickOrWhenItsTimeIsUp) {
    TSplashWindow clicked;
    clicked.show();
    EXPECT_FALSE(clicked.close()) << "it refuses to close while its timer runs";
    QTest::mouseClick(&clicked, Qt::LeftButton);
    EXPECT_FALSE(clicked.isVisible());

    TSplashWindow timed;
    timed.Timer1->start(50);
    timed.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !timed.isVisible(); }, 2000));
    EXPECT_EQ(timed.size(), QSize(451, 232));
    EXPECT_NE(timed.grab().toImage().pixelColor(5, 5), QColor(Qt::black)) << "the picture was found";
}

// The words stand on the paper: below its cels, the sheet strip at the right (from x 300) shows
// nothing darker than its own ruling, nor does the paper just before it.
TEST(Splash, ItsWordsStayOffTheSheetStrip) {
    TSplashWindow splash;
    const QImage shown = splash.grab().toImage();
    const int ruling = qGray(0xC9BFA8);
    for (int y = 165; y < shown.height(); ++y) {
        for (int x = 290; x < shown.width(); ++x)
            ASSERT_GE(qGray(shown.pixel(x, y)), ruling - 10) << "ink at " << x << "," << y;
    }
}

TEST(Licence, ShowsTheLicenceFileOrReportsItMissing) {
    TTempFolder folder;
    TLicenseDialog window;
    EXPECT_THROW(window.LoadLicense(QString::fromStdString(folder / "")), ECwError);
    WriteText(folder / "license.txt", "GNU GENERAL PUBLIC LICENSE\nVersion 3\n");
    window.LoadLicense(QString::fromStdString(folder / ""));
    EXPECT_TRUE(window.Memo1->toPlainText().startsWith("GNU GENERAL PUBLIC LICENSE"));
    EXPECT_EQ(window.windowTitle(), "Celwright - License");

    TAboutDialog about("3.0Beta_050529");
    about.show();
    EXPECT_EQ(about.windowTitle(), "Celwright - About");
    EXPECT_EQ(about.size(), QSize(459, 366));
}

TEST(TextLabel, ResizesToItsLines) {
    TTextLabel label;
    label.setWordWrap(true);
    label.resize(248, 10);
    label.SetText("one\r\ntwo\r\nthree");
    EXPECT_EQ(label.Lines(), QStringList({"one", "two", "three"}));
    EXPECT_GE(label.height(), 3 * label.fontMetrics().lineSpacing() - 2);
    EXPECT_EQ(label.width(), 248);
}
