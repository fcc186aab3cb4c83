#include "scanner/ScanSettingsDialog.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/TempFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ScanSettingsManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (Config / "").c_str(), 1);
        std::filesystem::create_directories(Config.Path() / "Celwright/3.0");
    }
    std::string Ini() const { return ReadText(Config.Path() / "Celwright/3.0/scan.ini"); }

    // Saves `record` under `name`, typed into the dialog.
    void SaveAs(const std::string& name, const TScanSettings& record) {
        WhenShown<TScanSettingsDialog>([name](TScanSettingsDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Save Settings");
            EXPECT_EQ(dialog.SaveLoadBtn->text(), "Save");
            dialog.NameEdit->setText(QString::fromStdString(name));
            QTest::mouseClick(dialog.SaveLoadBtn, Qt::LeftButton);
        });
        TScanSettingsDialog::Save(record, nullptr);
    }

    TTempFolder Config;
};

TEST_F(ScanSettingsManagerTest, SavedSetsAreListedSortedAndLoadByName) {
    const TScanSettings pencil{1, 2, 3, 0, 5, 6, 70, 80};
    SaveAs("pencil", pencil);
    SaveAs("charcoal", TScanSettings{0, 1, 0, 1, 1, 2, 3, 4});
    SaveAs("Pastel", TScanSettings{0, 1, 0, 1, 1, 2, 3, 4}); // sorts between, whatever its case
    EXPECT_NE(Ini().find("[pencil]\norientation=portrait\nrotation=r90cclock\nimage size=NtscDvFull\n"
                         "color mode=ccmColor\n"),
              std::string::npos)
        << Ini();

    TScanSettings loaded;
    QStringList listed;
    WhenShown<TScanSettingsDialog>([&](TScanSettingsDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Load Settings");
        for (int i = 0; i < dialog.SettingsListBox->count(); ++i)
            listed << dialog.SettingsListBox->item(i)->text();
        EXPECT_EQ(dialog.NameEdit->text(), "charcoal"); // the first name, selected
        QListWidgetItem* item = dialog.SettingsListBox->item(2);
        QTest::mouseClick(dialog.SettingsListBox->viewport(), Qt::LeftButton, {},
                          dialog.SettingsListBox->visualItemRect(item).center());
        EXPECT_EQ(dialog.NameEdit->text(), "pencil");
        QTest::mouseClick(dialog.SaveLoadBtn, Qt::LeftButton);
    });
    EXPECT_TRUE(TScanSettingsDialog::Load(loaded, nullptr));
    EXPECT_EQ(listed, (QStringList{"charcoal", "Pastel", "pencil"}));
    EXPECT_EQ(loaded, pencil);

    // Cancel leaves the record as it was.
    TScanSettings untouched;
    WhenShown<TScanSettingsDialog>([](TScanSettingsDialog& dialog) { dialog.CancelBtn->click(); });
    EXPECT_FALSE(TScanSettingsDialog::Load(untouched, nullptr));
    EXPECT_EQ(untouched, TScanSettings{});
}

TEST_F(ScanSettingsManagerTest, DeleteInTheListErasesTheSetAtOnce) {
    SaveAs("a", TScanSettings{});
    SaveAs("b", TScanSettings{});
    WhenShown<TScanSettingsDialog>([](TScanSettingsDialog& dialog) {
        dialog.SettingsListBox->setFocus();
        QTest::keyClick(dialog.SettingsListBox, Qt::Key_Delete);
        ASSERT_EQ(dialog.SettingsListBox->count(), 1);
        EXPECT_EQ(dialog.NameEdit->text(), "b");
        // Typed into the name, Delete edits the name only; Ctrl+Enter clears it.
        QTest::keyClick(dialog.NameEdit, Qt::Key_Home);
        QTest::keyClick(dialog.NameEdit, Qt::Key_Delete);
        EXPECT_EQ(dialog.SettingsListBox->count(), 1);
        QTest::keyClick(dialog.NameEdit, Qt::Key_Return, Qt::ControlModifier);
        EXPECT_EQ(dialog.NameEdit->text(), "");
        dialog.CancelBtn->click();
    });
    TScanSettings record;
    EXPECT_FALSE(TScanSettingsDialog::Load(record, nullptr));
    EXPECT_EQ(Ini().find("[a]"), std::string::npos);
    EXPECT_NE(Ini().find("[b]"), std::string::npos);
}

} // namespace
