#pragma once

#include <QString>

class QWidget;

// The file dialogs through which the user picks an exposure sheet. Both return the chosen path,
// or an empty text when the user cancelled.

// Opens in `folder`, showing the files `filter` lets through (sheets, sound files).
QString AskOpenPath(QWidget* parent, const QString& folder, const QString& filter);
// Opens in `folder` with `name` typed in. A name typed without an extension gets the one of the
// filter's first pattern (".xps" for sheets), so the file can be found again by the open dialog and
// the command line.
QString AskSheetSavePath(QWidget* parent, const QString& folder, const QString& name, const QString& filter);
