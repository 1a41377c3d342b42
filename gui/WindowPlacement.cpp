#include "gui/WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "app/IniFile.h"
#include "app/SettingsKeys.h"
#include "app/WindowPosition.h"
#include "gui/PathText.h"

namespace kerfmax::gui {

namespace {

// Enough of the title bar to take the window by it.
constexpr int kGripWidth = 60;
constexpr int kGripHeight = 20;

bool Holds(const QScreen* screen, const QRect& grip)
{
    return screen != nullptr && screen->geometry().contains(grip);
}

}  // namespace

std::optional<QPoint> RestorablePosition(int x, int y, const QString& screenName, int windowWidth)
{
    const QRect grip(x, y, std::clamp(windowWidth, 1, kGripWidth), kGripHeight);
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto named =
        std::find_if(screens.begin(), screens.end(), [&](const QScreen* s) { return s->name() == screenName; });
    if (named != screens.end()) return Holds(*named, grip) ? std::optional<QPoint>(QPoint(x, y)) : std::nullopt;
    // The screen is gone (another monitor, another machine): any screen that holds it.
    for (const QScreen* screen : screens)
        if (Holds(screen, grip)) return QPoint(x, y);
    return std::nullopt;
}

void RestoreWindowPosition(QWidget& window, CIniFile& ini)
{
    const std::optional<WindowPosition> stored =
        ParseWindowPosition(ini.ReadString(settings::kDeviceSection, settings::kWindowPositionKey, ""));
    if (!stored) return;
    if (const auto at = RestorablePosition(stored->x, stored->y, FromUtf8(stored->screen), window.width()))
        window.move(*at);
}

void SaveWindowPosition(const QWidget& window, CIniFile& ini)
{
    const QScreen* screen = window.screen();
    const WindowPosition position{window.x(), window.y(), screen ? ToUtf8(screen->name()) : std::string()};
    ini.WriteString(settings::kDeviceSection, settings::kWindowPositionKey, FormatWindowPosition(position));
}

}  // namespace kerfmax::gui
