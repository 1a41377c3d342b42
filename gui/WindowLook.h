#pragma once
// What every window of the program shares: the dialog font its layouts are
// measured for, and titles that read exactly as the windows set them.
class QApplication;
class QFont;

namespace kerfmax::gui {

// The font of the dialog layouts: 11 pixels (8 points at 96 dpi), from the
// narrow dialog faces the layouts were made for, where the machine has one.
QFont DialogFont();

// Once, before the first window: the dialog style and font for every window,
// message box and file dialog. No application display name is set: the toolkit would
// append it to every window title.
void SetUpWindowLook(QApplication& app);

}  // namespace kerfmax::gui
