#pragma once
// The tips of a window's controls. Each control with a tip of its own shows it
// in the window's language; a control too narrow for its text shows the whole
// text in its tip as well, and drop-downs and edit boxes keep that up to date
// as their text changes (a long serial-port name, a typed value).
class QWidget;

namespace kerfmax::gui {

// windowId: the window's dialog id (app/ControlTips.h). Only the window's own
// controls are touched, not those of windows it owns.
void ApplyControlTips(QWidget& window, int windowId, int language);

}  // namespace kerfmax::gui
