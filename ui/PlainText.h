#pragma once

#include <QString>

class QMessageBox;

// Text from files, devices and users is shown as it is: markup in it is never rendered, so a
// caption such as "<img src=...>" can neither read files nor change how a window looks.

// A tool tip that shows `text` literally (tool tips render whatever looks like markup).
QString PlainToolTip(const QString& text);

// Makes the box show its text and informative text literally; call once they are set.
void ShowTextsPlain(QMessageBox& box);
