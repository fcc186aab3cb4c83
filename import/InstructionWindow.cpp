#include "import/InstructionWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TInstructionWindow::TInstructionWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), InfoPanel(new QWidget(this)), InfoText(new QLabel(InfoPanel)),
      InfoBtn(new QToolButton(InfoPanel)), Splitter1(new QWidget(this)), MainPanel(new QWidget(this)) {
    InfoPanel->setAutoFillBackground(true);
    InfoText->setWordWrap(true);
    InfoText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    InfoBtn->setAutoRaise(true);
    InfoBtn->setFixedSize(kCollapsedWidth - 2, kCollapsedWidth - 2);
    connect(InfoBtn, &QToolButton::clicked, this, [this] { IsExpanded ? Collapse() : Expand(); });
    auto* panel = new QVBoxLayout(InfoPanel);
    panel->setContentsMargins(1, 1, 1, 1);
    panel->addWidget(InfoBtn, 0, Qt::AlignRight);
    panel->addWidget(InfoText, 1);
    panel->addStretch(); // keeps the button at the top while the text is hidden
    Splitter1->setFixedWidth(3);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(InfoPanel);
    layout->addWidget(Splitter1);
    layout->addWidget(MainPanel, 1);
    InfoPanel->setFixedWidth(DesignWidth);
}

void TInstructionWindow::SetInfoWidth(int width) {
    DesignWidth = width;
    if (IsExpanded)
        InfoPanel->setFixedWidth(width);
}

void TInstructionWindow::Resize(int panelWidth) {
    // The window's left edge moves by as much as the panel changes, so MainPanel stays put.
    const int change = panelWidth - InfoPanel->width();
    const QRect frame = geometry();
    InfoPanel->setFixedWidth(panelWidth);
    setGeometry(frame.x() - change, frame.y(), frame.width() + change, frame.height());
}

void TInstructionWindow::Collapse() {
    InfoText->hide();
    Resize(kCollapsedWidth);
    InfoBtn->setArrowType(Qt::RightArrow);
    IsExpanded = false;
    PaintPanel();
}

void TInstructionWindow::Expand() {
    Resize(DesignWidth);
    InfoText->show();
    InfoBtn->setArrowType(Qt::LeftArrow);
    IsExpanded = true;
    PaintPanel();
}

void TInstructionWindow::PaintPanel() {
    QPalette palette = InfoPanel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    InfoPanel->setPalette(palette);
}
