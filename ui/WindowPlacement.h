#pragma once

#include <QObject>
#include <QRect>
#include <functional>
#include <optional>
#include <string>

class QWidget;

// Where the windows that work beside the sheet (capture, scanner, import, preview) open, and
// their places kept in celwright.ini.

// The place for a window of `wanted` size, no narrower than `least` width, on `screen` (its
// available area): beside the main window `main`, on its right or else its left, where the screen
// has room for at least `least` width; else over the thumbnail panel at the main window's left,
// narrowed to end before the layer columns (which start at `layerColumnsLeft`), never over them.
// The top is the main window's, moved up as far as needed to keep the window on the screen.
QRect PlaceBesideSheet(const QRect& screen, const QRect& main, int layerColumnsLeft, const QSize& wanted, int least);

// A window's place as celwright.ini keeps it ([window places], the window's key, "x,y,w,h");
// nothing when none is kept or it is not four whole numbers.
std::optional<QRect> RememberedPlace(const std::string& settingsFile, const std::string& window);
void RememberPlace(const std::string& settingsFile, const std::string& window, const QRect& place);
// Forgets the places of all windows: each opens beside the sheet again. Throws ECwError when the
// file cannot be written.
void ForgetPlaces(const std::string& settingsFile);

// Opens a window beside the sheet: at its remembered place when that lies on the screen, else
// where PlaceBesideSheet puts it; remembers its place and size each time it is hidden.
class TWindowPlaceKeeper : public QObject {
public:
    // `layerColumnsLeft` tells where the sheet's layer columns start on the screen, when asked.
    TWindowPlaceKeeper(QWidget& window, const QWidget& main, std::string key, std::string settingsFile,
                       std::function<int()> layerColumnsLeft);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();

    QWidget& Window;
    const QWidget& Main;
    std::string Key;
    std::string SettingsFile;
    std::function<int()> LayerColumnsLeft;
};
