#pragma once

#include <QIcon>
#include <QToolButton>

class QAction;
class QActionEvent;
class QToolBar;

// A tool bar button for a command's action, which it runs and whose hint and enabled state it
// shows. The picture is the button's own: an action with a picture widens every menu it is in.
class TCommandButton : public QToolButton {
    Q_OBJECT
public:
    TCommandButton(QAction& action, const QIcon& picture, QToolBar& bar);

protected:
    void actionEvent(QActionEvent* event) override;

private:
    QIcon Picture;
};
