#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

// A window with a collapsible instruction panel on its left. It starts collapsed: the panel is a
// narrow strip with its button, and the window's working part (MainPanel) keeps its place on the
// screen when the panel opens or closes, the window growing or shrinking on its left.
class TInstructionWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCollapsedWidth = 18;

    explicit TInstructionWindow(QWidget* parent = nullptr);

    void Collapse();
    void Expand();
    bool Expanded() const { return IsExpanded; }

    QWidget* InfoPanel;
    QLabel* InfoText;
    QToolButton* InfoBtn;
    QWidget* Splitter1;
    QWidget* MainPanel;

protected:
    // Sets the expanded panel's width; windows call it once their instructions are in place.
    void SetInfoWidth(int width);
    // The panel's colour for the state it is in; the import window overrides it.
    virtual void PaintPanel();

private:
    void Resize(int panelWidth);

    int DesignWidth = 200;
    bool IsExpanded = true;
};
