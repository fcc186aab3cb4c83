// Every window in German: what a user reads (titles, labels, buttons, menu items, list items, tool
// tips) comes from the language table, the user's data or a device's own name. An English text
// left in is named with the window that shows it.
#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "capture/CaptureWindow.h"
#include "capture/VideoSettingsDialog.h"
#include "export/ExportDialog.h"
#include "settings/LanguageCatalogue.h"
#include "settings/LanguageTable.h"
#include "testsupport/MainWindowFixture.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/SaneTestBackend.h"
#include "ui/ErrorBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

class LanguageWalkTest : public TMainWindowFixture {
protected:
    LanguageWalkTest() {
        WriteText(User / "Celwright/3.0/celwright.ini", "[capture devices]\ntest camera=1\n");
        UseSaneTestBackend();
        ErrorBoxOverride() = [this](const QString& text) { Errors << text; };
        TLanguageTable german;
        EXPECT_TRUE(german.LoadLanguage((Folders.ProgramFolder + "Languages/").toStdString(), "German"));
        for (const TLanguageKey& entry : kLanguageCatalogue) {
            for (const QString& line : QString::fromStdString(german.Lookup(entry.Key)).split(QRegularExpression("\r?\n"))) {
                const QString pattern = Normal(line);
                // A line that is all placeholder would let anything through.
                if (pattern.contains(QRegularExpression("[^\\W\\d_]")) && QString(pattern).remove("%s").contains(QRegularExpression("[^\\W\\d_]")))
                    Patterns.append(QRegularExpression("^" + Escaped(pattern.split("%s")).join(".*") + "$"));
            }
        }
    }
    ~LanguageWalkTest() override { ErrorBoxOverride() = nullptr; }

    static QStringList Escaped(QStringList parts) {
        for (QString& part : parts)
            part = QRegularExpression::escape(part);
        return parts;
    }

    // Mnemonics, the title's mark of unsaved work, a file type's pattern ("(*.avi)", the same in every
    // language), the dots of "Open...", a closing colon and the space around go.
    static QString Normal(QString text) {
        text.remove('&').remove("[*]").remove(QRegularExpression(" \\(\\*\\.\\w+\\)$"));
        text = text.trimmed();
        while (text.endsWith("...") || text.endsWith(QChar(0x2026)) || text.endsWith(':'))
            text = text.endsWith("...") ? text.chopped(3).trimmed() : text.chopped(1).trimmed();
        return text;
    }

    bool TranslatedPart(const QString& part) const {
        const QString shown = Normal(part);
        // Numbers, sizes ("320 x 240") and signs are the same in every language.
        if (!QString(shown).remove("fps").contains(QRegularExpression("[^\\W\\d_x]")) || Data.contains(shown) ||
            shown.startsWith('/') || shown.contains("https://"))
            return true;
        return std::any_of(Patterns.begin(), Patterns.end(),
                           [&](const QRegularExpression& pattern) { return pattern.match(shown).hasMatch(); });
    }

    // Line by line; a line that is no text of the table may be made of such texts and data, as
    // "Celwright 3.0 - bounce.xps" or "Aufnahme: Test pattern".
    bool Translated(const QString& text) const {
        for (const QString& line : text.split('\n')) {
            if (TranslatedPart(line))
                continue;
            const QStringList parts = line.split(QRegularExpression(" - |: "));
            if (parts.size() < 2 || !std::all_of(parts.begin(), parts.end(),
                                                 [&](const QString& part) { return TranslatedPart(part); }))
                return false;
        }
        return true;
    }

    // The texts of `window` and of its visible parts that are not German, with where they are.
    QStringList English(const QWidget& window) const {
        QStringList found;
        const auto check = [&](const QString& text, const QObject& where) {
            if (!text.isEmpty() && !Translated(text))
                found << QString("%1 \"%2\"").arg(where.metaObject()->className(), text);
        };
        check(window.windowTitle(), window);
        const auto visible = [&](const QWidget* widget) { return widget->isVisibleTo(&window); };
        for (const QWidget* widget : window.findChildren<QWidget*>()) {
            if (!visible(widget) || widget->window() != &window)
                continue;
            check(widget->toolTip(), *widget);
            if (const auto* label = qobject_cast<const QLabel*>(widget))
                check(label->text(), *label);
            if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
                check(button->text(), *button);
            if (const auto* group = qobject_cast<const QGroupBox*>(widget))
                check(group->title(), *group);
            if (const auto* box = qobject_cast<const QComboBox*>(widget)) {
                for (int i = 0; i < box->count(); ++i)
                    check(box->itemText(i), *box);
            }
            if (const auto* tabs = qobject_cast<const QTabBar*>(widget)) {
                for (int i = 0; i < tabs->count(); ++i)
                    check(tabs->tabText(i), *tabs);
            }
        }
        // Menus and tool bars, down to every item of every menu.
        for (const QMenu* menu : window.findChildren<QMenu*>()) {
            check(menu->title(), *menu);
            for (const QAction* action : menu->actions()) {
                if (action->isVisible() && !action->isSeparator()) {
                    check(action->text(), *menu);
                    check(action->toolTip(), *menu);
                }
            }
        }
        for (const QToolBar* bar : window.findChildren<QToolBar*>()) {
            for (const QAction* action : bar->actions()) {
                if (action->isVisible())
                    check(action->toolTip(), *bar);
            }
        }
        return found;
    }

    void ExpectGerman(const QWidget& window, const char* step) const {
        const QStringList found = English(window);
        EXPECT_TRUE(found.isEmpty()) << step << ":\n" << found.join("\n").toStdString();
    }

    QList<QRegularExpression> Patterns;
    // Texts of the user's data (paths too), the devices' own names, the languages' own names and
    // technical names that no language changes: video standards and the scanner's sizes in them,
    // the encoders' "none", the sheet's colour schemes.
    QStringList Data{"Celwright", "Celwright " + QString(TMainWindow::kVersion), "Test pattern",
                     "Noname frontend-tester (test:0)", "720x540-DV(NTSC)", "360x270-DV(NTSC)",
                     "768x576-DV(PAL)", "384x288-DV(PAL)", "bounce.xps", "Background", "Ball", "Default",
                     "English", "Français", "Deutsch", "DV", "DV - NTSC", "DV - PAL", "none", "Orange", "Blue",
                     "Green"};
    QStringList Errors;
};

} // namespace

TEST_F(LanguageWalkTest, EveryWindowSpeaksGerman) {
    auto window = NewWindow();
    window->SelectLanguage("German");
    window->show();
    window->Files().OpenDocument(CELWRIGHT_SAMPLE_SHEET);
    window->Settings().Current.Preview.AutoBuild = false;
    ExpectGerman(*window, "main window");

    // The windows that stay open beside the sheet.
    for (const char* command : {"VideoCaptureAction", "PreviewAction", "ImportImagesAction",
                                "AdjustVolumeAction", "ScannerAction"}) {
        const QWidgetList before = QApplication::topLevelWidgets();
        Part(*window, command)->trigger();
        QTest::qWait(200);
        for (QWidget* shown : QApplication::topLevelWidgets()) {
            if (shown->isVisible() && shown != window.get() && !before.contains(shown) )
                ExpectGerman(*shown, command);
        }
    }
    auto* capture = window->findChild<TCaptureWindow*>();
    ASSERT_NE(capture, nullptr);
    capture->VideoSettings1->trigger();
    QTest::qWait(100);
    const auto* settings = capture->findChild<TVideoSettingsDialog*>();
    ASSERT_TRUE(settings && settings->isVisible());
    ExpectGerman(*settings, "video device settings");

    // The modal windows, each closed once checked.
    for (const char* command : {"ExportAction", "PreferencesAction", "EditLayerPropertiesAction", "NewWithFoldersAction",
                                "AboutAction", "ManageProfilesAction"}) {
        WhenShown<QDialog>([&](QDialog& dialog) {
            ExpectGerman(dialog, command);
            dialog.reject();
        });
        Part(*window, command)->trigger();
    }
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}
