#include "ui/ImageEditing.h"

#include "base/Error.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/QtText.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QUrl>

namespace {
// The value of the "Exec" key of the group "[Desktop Entry]", with the escapes of a launcher's
// string values (\s, \n, \t, \r, \\) undone.
QString DesktopExec(const QString& launcher) {
    QFile file(launcher);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.startsWith("Exec"))
            continue;
        const QString key = line.section('=', 0, 0).trimmed();
        if (key != "Exec")
            continue;
        const QString raw = line.section('=', 1).trimmed();
        QString value;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\' || i + 1 == raw.size()) {
                value += raw[i];
                continue;
            }
            // Other escapes belong to the command's quoting and stay for SplitCommand.
            const QChar next = raw[++i];
            if (next == 's')
                value += ' ';
            else if (next == 'n')
                value += '\n';
            else if (next == 't')
                value += '\t';
            else if (next == 'r')
                value += '\r';
            else if (next == '\\')
                value += '\\';
            else
                value += QString('\\') + next;
        }
        return value;
    }
    return {};
}

// One argument of a launcher's command, and whether any of it was quoted.
struct TCommandWord {
    QString Text;
    bool Quoted = false;
};

// Splits a launcher's command into arguments: blanks separate them, double quotes group them, and
// inside quotes a backslash takes the next character as it is.
QList<TCommandWord> SplitCommand(const QString& command) {
    QList<TCommandWord> words;
    TCommandWord current;
    bool quoted = false;
    bool started = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (quoted) {
            if (c == '\\' && i + 1 < command.size())
                current.Text += command[++i];
            else if (c == '"')
                quoted = false;
            else
                current.Text += c;
        } else if (c == '"') {
            quoted = true;
            started = true;
            current.Quoted = true;
        } else if (c == ' ' || c == '\t') {
            if (started)
                words.append(current);
            current = {};
            started = false;
        } else {
            current.Text += c;
            started = true;
        }
    }
    if (started)
        words.append(current);
    return words;
}

bool IsFileCode(const QString& word) {
    return word == "%f" || word == "%F" || word == "%u" || word == "%U";
}

// Whether the word holds a field code ("%%" is a plain "%").
bool HoldsFieldCode(const QString& word) {
    for (qsizetype i = 0; i + 1 < word.size(); ++i) {
        if (word[i] == '%') {
            if (word[i + 1] != '%')
                return true;
            ++i;
        }
    }
    return false;
}

bool IsShell(const QString& program) {
    static const QStringList shells{"sh", "bash", "dash", "zsh", "ksh", "mksh", "fish", "csh", "tcsh"};
    return shells.contains(QFileInfo(program).fileName());
}

[[noreturn]] void RefuseLauncher(const QString& launcher) {
    throw ECwError(ToStd(Fill(Translate(LanguageKey("msgErrLauncherFieldCode")), {launcher})));
}
} // namespace

TProgramCommand ProgramCommand(const QString& location, const QString& file) {
    if (QFileInfo(location).suffix() != "desktop")
        return {location, {file}};
    const QList<TCommandWord> words = SplitCommand(DesktopExec(location));
    if (words.isEmpty())
        return {};
    bool usedFile = false;
    bool shellCommandGiven = false; // a shell's first operand is its script or command text
    QStringList arguments;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const TCommandWord& word = words[i];
        // Field codes stand alone: expanded inside other text, a file name could turn into a
        // command, quoted or not.
        if (HoldsFieldCode(word.Text) && (word.Quoted || !word.Text.startsWith('%') || word.Text.size() != 2))
            RefuseLauncher(location);
        if (IsFileCode(word.Text)) {
            if (i > 0 && IsShell(words.front().Text) && !shellCommandGiven)
                RefuseLauncher(location);
            arguments.append(file);
            usedFile = true;
        } else if (!HoldsFieldCode(word.Text)) {
            // Other field codes such as %i or %c go away.
            arguments.append(QString(word.Text).replace("%%", "%"));
        }
        if (i > 0 && !word.Text.startsWith('-'))
            shellCommandGiven = true;
    }
    if (!usedFile)
        arguments.append(file);
    const QString program = arguments.takeFirst();
    return {program, arguments};
}

QString EditImages(const QString& editor, const QStringList& paths) {
    QString missing;
    QSet<QString> handled; // each drawing once, however many cels show it
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const QString drawing = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
        if (handled.contains(drawing))
            continue;
        handled.insert(drawing);
        if (!info.exists()) {
            missing += info.fileName() + ", ";
            continue;
        }
        if (info.suffix().toLower() != "png")
            continue;
        if (editor.isEmpty()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(path));
            continue;
        }
        const TProgramCommand command = ProgramCommand(editor, path);
        if (!command.Program.isEmpty())
            QProcess::startDetached(command.Program, command.Arguments);
    }
    return missing;
}

void EditDrawings(const QString& editor, const QStringList& paths, TAlertPrompt& prompt) {
    // Without an editor the desktop's default program opens the drawings.
    if (!editor.isEmpty() && !QFileInfo(editor).isFile()) {
        prompt.Alert(Translate(LanguageKey("msgErrImageEditor")));
        return;
    }
    const QString missing = EditImages(editor, paths);
    if (!missing.isEmpty())
        prompt.Alert("The following files were not found: " + missing);
}
