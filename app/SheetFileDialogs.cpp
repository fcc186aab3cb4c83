#include "app/SheetFileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>

namespace {
QString AskPath(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
} // namespace

QString AskOpenPath(QWidget* parent, const QString& folder, const QString& filter) {
    QFileDialog dialog(parent, {}, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return AskPath(dialog);
}

QString AskSheetSavePath(QWidget* parent, const QString& folder, const QString& name, const QString& filter) {
    QFileDialog dialog(parent, {}, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The suffix of the filter's first pattern: "Exposure Sheet (*.xps)" gives "xps".
    const QRegularExpressionMatch pattern = QRegularExpression(R"(\*\.(\w+))").match(filter);
    dialog.setDefaultSuffix(pattern.hasMatch() ? pattern.captured(1) : QString("xps"));
    dialog.selectFile(QDir(folder).filePath(name));
    return AskPath(dialog);
}
