#pragma once
// The main window's position between runs: kept in the settings file with the
// name of its screen and put back at start when it still lies on a screen.
#include <QPoint>
#include <QString>

#include <optional>

class QWidget;

namespace kerfmax {
class CIniFile;
}  // namespace kerfmax

namespace kerfmax::gui {

// The position to restore: on the named screen when it is there, else on any
// screen that holds it; nothing when no screen holds the window's top edge.
std::optional<QPoint> RestorablePosition(int x, int y, const QString& screenName, int windowWidth);

// Before the window is shown.
void RestoreWindowPosition(QWidget& window, CIniFile& ini);
// When a shown window ends.
void SaveWindowPosition(const QWidget& window, CIniFile& ini);

}  // namespace kerfmax::gui
