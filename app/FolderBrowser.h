#pragma once

#include <QString>

class QWidget;

// `folder` with a "/" at its end; an empty text stays empty.
QString WithTrailingSeparator(const QString& folder);

// The folder browser: Qt's own directory dialog, starting at `start` when that folder exists, else at
// the user's home. Returns the chosen folder ending with "/", or an empty text when cancelled.
QString BrowseForFolder(QWidget* parent, const QString& start);
