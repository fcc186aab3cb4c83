#include "SheetViewFixture.h"

#include "SheetNotation.h"

#include <QTest>

void SheetViewTest::SetUp() {
    Sheet = std::make_unique<TSheetView>();
    Sheet->resize(600, 400);
    Sheet->show();
    Sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Sheet.get()));
}

void SheetViewTest::Build(const std::vector<std::string>& layers) {
    Sheet->ClearSheet();
    BuildSheet(Data(), layers);
    Data().CurLayer = 0;
    Data().CurFrame = 0;
    Data().Selection = {};
    Sheet->RefreshAll();
}

std::vector<std::string> SheetViewTest::Described() const {
    return DescribeSheet(Sheet->Document().Data());
}

QPoint SheetViewTest::CellPoint(int col, int row, int dx, int dy) const {
    return {col * W + dx - Sheet->HorzPos(), row * H + dy - Sheet->VertPos()};
}

void SheetViewTest::Press(const QPoint& at, Qt::KeyboardModifiers modifiers) {
    QTest::mousePress(&Grid(), Qt::LeftButton, modifiers, at);
}

void SheetViewTest::MoveTo(const QPoint& at) {
    QTest::mouseMove(&Grid(), at);
}

void SheetViewTest::Release(const QPoint& at) {
    QTest::mouseRelease(&Grid(), Qt::LeftButton, {}, at);
}

void SheetViewTest::Drag(const QPoint& from, const QPoint& to) {
    Press(from);
    const QPoint step = to - from;
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i)
        MoveTo(from + step * i / kSteps);
    Release(to);
}

void SheetViewTest::DoubleClick(const QPoint& at) {
    QTest::mouseClick(&Grid(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(&Grid(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(&Grid(), Qt::LeftButton, {}, at);
}

void SheetViewTest::ExpectSameAsRedrawn(const char* after) {
    const QImage drawn = Grid().Picture().copy();
    Grid().RedrawVisible();
    const QImage& whole = Grid().Picture();
    ASSERT_EQ(drawn.size(), whole.size()) << after;
    for (int y = 0; y < whole.height(); ++y) {
        for (int x = 0; x < whole.width(); ++x) {
            if (drawn.pixel(x, y) != whole.pixel(x, y)) {
                ADD_FAILURE() << "after " << after << ": pixel " << x << "," << y << " is "
                              << drawn.pixelColor(x, y).name().toStdString() << ", a redraw gives "
                              << whole.pixelColor(x, y).name().toStdString();
                return;
            }
        }
    }
}
