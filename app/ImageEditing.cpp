#include "app/ImageEditing.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

// Splits a launcher's command into arguments: blanks separate them, double quotes group them, and
// inside quotes a backslash takes the next character as it is.
QStringList SplitCommand(const QString& command) {
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool started = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (quoted) {
            if (c == '\\' && i + 1 < command.size())
                current += command[++i];
            else if (c == '"')
                quoted = false;
            else
                current += c;
        } else if (c == '"') {
            quoted = true;
            started = true;
        } else if (c == ' ' || c == '\t') {
            if (started)
                arguments.append(current);
            current.clear();
            started = false;
        } else {
            current += c;
            started = true;
        }
    }
    if (started)
        arguments.append(current);
    return arguments;
}

// Replaces the field codes of one argument: the file codes by `file`, "%%" by "%", others by
// nothing. `usedFile` is set when a file code was met.
QString ExpandFieldCodes(const QString& argument, const QString& file, bool& usedFile) {
    QString out;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] != '%' || i + 1 == argument.size()) {
            out += argument[i];
            continue;
        }
        const QChar code = argument[++i];
        if (code == '%') {
            out += '%';
        } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
            out += file;
            usedFile = true;
        }
    }
    return out;
}
} // namespace

TProgramCommand ProgramCommand(const QString& location, const QString& file) {
    if (QFileInfo(location).suffix() != "desktop")
        return {location, {file}};
    QStringList words = SplitCommand(DesktopExec(location));
    if (words.isEmpty())
        return {};
    bool usedFile = false;
    QStringList arguments;
    for (const QString& word : words) {
        const QString expanded = ExpandFieldCodes(word, file, usedFile);
        // A word that was only a field code such as %i or %c goes away.
        if (!expanded.isEmpty() || !word.startsWith('%'))
            arguments.append(expanded);
    }
    if (!usedFile)
        arguments.append(file);
    const QString program = arguments.takeFirst();
    return {program, arguments};
}

QString EditImages(const QString& editor, const QStringList& paths) {
    QString missing;
    for (const QString& path : paths) {
        const QFileInfo info(path);
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
