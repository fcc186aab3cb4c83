#include "ui/WindowPlacement.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "settings/IniFile.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <sstream>
#include <vector>

namespace {
constexpr const char* kSection = "window places";
constexpr int kGap = 4; // between the main window and the one beside it
} // namespace

QRect PlaceBesideSheet(const QRect& screen, const QRect& main, int layerColumnsLeft, const QSize& wanted, int least) {
    const int height = std::min(wanted.height(), screen.height());
    const int top = std::clamp(main.top(), screen.top(), screen.bottom() + 1 - height);
    const int roomRight = screen.right() - main.right() - kGap;
    const int roomLeft = main.left() - screen.left() - kGap;
    if (roomRight >= least || roomLeft >= least) {
        const bool right = roomRight >= least && (roomRight >= wanted.width() || roomRight >= roomLeft);
        const int width = std::min(wanted.width(), right ? roomRight : roomLeft);
        const int left = right ? main.right() + 1 + kGap : main.left() - kGap - width;
        return {left, top, width, height};
    }
    // No room beside: over the thumbnail panel, ending before the layer columns.
    const int width = std::clamp(layerColumnsLeft - std::max(screen.left(), main.left()), least, wanted.width());
    return {std::max(screen.left(), layerColumnsLeft - width), top, width, height};
}

std::optional<QRect> RememberedPlace(const std::string& settingsFile, const std::string& window) {
    TIniFile ini;
    if (settingsFile.empty() || !ini.LoadFromFile(settingsFile))
        return std::nullopt;
    std::vector<std::int32_t> numbers;
    std::istringstream parts(ini.ReadString(kSection, window, ""));
    for (std::string part; std::getline(parts, part, ',');) {
        const auto number = ParseInt32(Trim(part));
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
    }
    if (numbers.size() != 4 || numbers[2] < 1 || numbers[3] < 1)
        return std::nullopt;
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

void RememberPlace(const std::string& settingsFile, const std::string& window, const QRect& place) {
    if (settingsFile.empty())
        return;
    TIniFile ini;
    if (!ini.LoadForUpdate(settingsFile))
        return;
    ini.WriteString(kSection, window,
                    std::to_string(place.x()) + "," + std::to_string(place.y()) + "," +
                        std::to_string(place.width()) + "," + std::to_string(place.height()));
    ini.SaveToFile(settingsFile);
}

void ForgetPlaces(const std::string& settingsFile) {
    EraseSectionsInFile(settingsFile, kSection);
}

TWindowPlaceKeeper::TWindowPlaceKeeper(QWidget& window, const QWidget& main, std::string key,
                                       std::string settingsFile, std::function<int()> layerColumnsLeft)
    : QObject(&window), Window(window), Main(main), Key(std::move(key)), SettingsFile(std::move(settingsFile)),
      LayerColumnsLeft(std::move(layerColumnsLeft)) {
    Window.installEventFilter(this);
}

bool TWindowPlaceKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Window && event->type() == QEvent::Show && !event->spontaneous())
        Place();
    if (watched == &Window && event->type() == QEvent::Hide && !event->spontaneous()) {
        try {
            RememberPlace(SettingsFile, Key, Window.geometry());
        } catch (const ECwError&) {
            // A settings file that cannot be written costs only the place.
        }
    }
    return QObject::eventFilter(watched, event);
}

void TWindowPlaceKeeper::Place() {
    const QScreen* screen = Main.screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    if (const auto kept = RememberedPlace(SettingsFile, Key); kept && available.contains(*kept)) {
        Window.setGeometry(*kept);
        return;
    }
    // The place is the frame's: its borders must not reach the layer columns either.
    const QRect inner = Window.geometry();
    const QRect outer = Window.frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    const QSize wanted = Window.size().expandedTo(Window.minimumSizeHint()).grownBy(frame);
    const int least = std::max(Window.minimumWidth(), Window.minimumSizeHint().width()) + frame.left() + frame.right();
    Window.setGeometry(
        PlaceBesideSheet(available, Main.frameGeometry(), LayerColumnsLeft(), wanted, least).marginsRemoved(frame));
}
