#include "app/CommandButton.h"

#include <QToolBar>

TCommandButton::TCommandButton(QAction& action, const QIcon& picture, QToolBar& bar)
    : QToolButton(&bar), Picture(picture) {
    // Made as the tool bar makes the buttons of the actions added to it.
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIconSize(bar.iconSize());
    setToolButtonStyle(bar.toolButtonStyle());
    setDefaultAction(&action);
    setIcon(Picture);
}

void TCommandButton::actionEvent(QActionEvent* event) {
    QToolButton::actionEvent(event);
    // A change of the action takes its (empty) picture along.
    setIcon(Picture);
}
