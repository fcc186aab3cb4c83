#pragma once

#include <QString>
#include <QStringList>

class TAlertPrompt;

// Handing drawings to an external image editor.

struct TProgramCommand {
    QString Program;
    QStringList Arguments;
};

// The command that opens `file` with the program `location`. An executable gets the file as its one
// argument. A desktop launcher (".desktop") runs the command of its "Exec" line, with the file in
// place of its file field code (%f, %F, %u or %U), or added at the end when it has none; an empty
// Program when the launcher cannot be read or has no command. No shell ever sees the file name: a
// launcher whose field code is not an argument of its own (inside quotes or other text), or is the
// command or script of a shell, throws ECwError naming the launcher.
TProgramCommand ProgramCommand(const QString& location, const QString& file);

// Opens each existing ".png" file of `paths` (extension in any letter case) once, in order: with
// the program `editor`, or with the desktop's default program for the file when `editor` is empty.
// Existing files of other types are skipped. Returns the names (without folder) of the paths that do
// not exist, each followed by ", ". Failures to start a program are not reported; a launcher that
// ProgramCommand refuses throws before any editor starts.
QString EditImages(const QString& editor, const QStringList& paths);

// The Edit Image command on the drawings at `paths`: EditImages with `editor`, after an alert in
// `prompt` and nothing else when `editor` is set but is not a file; the paths not found are named
// in an alert afterwards.
void EditDrawings(const QString& editor, const QStringList& paths, TAlertPrompt& prompt);
