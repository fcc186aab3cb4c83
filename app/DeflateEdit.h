#pragma once

#include <QLineEdit>
#include <functional>

// A path shortened to fit a width: the first folder names, "...", and the last names, separated by
// "/". It starts from the first two names and the last one, adds names (at the front first) while
// the text fits, and takes names away (from the back of the front part first) while it does not.
// `fits` tells whether a text fits. A path that fits as it is comes back unchanged.
QString DeflatePath(const QString& path, const std::function<bool(const QString&)>& fits);

// A path field: it keeps the full path and, while it does not have the focus, shows it shortened
// when it is wider than the field, with the full path as its hint. With the focus it shows the full
// path for editing.
class TDeflateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDeflateEdit(QWidget* parent = nullptr);

    QString Path() const { return FullPath; }
    void SetPath(const QString& path);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowPath();

    QString FullPath;
};
