#include "app/FolderBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString WithTrailingSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith('/'))
        return folder;
    return folder + '/';
}

QString BrowseForFolder(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(QFileInfo(start).isDir() ? start : QDir::homePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return WithTrailingSeparator(dialog.selectedFiles().first());
}
