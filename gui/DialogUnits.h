#pragma once
// Dialog units to pixels. The window layouts are given in dialog units of an
// 8-point dialog font, whose base unit is 6 x 13 pixels at 96 dpi: a
// horizontal unit is a quarter of the base width, a vertical unit an eighth
// of the base height. Qt scales logical pixels for high-dpi screens itself,
// so the fixed base keeps every layout identical on every machine.
#include <QRect>
#include <QSize>

namespace kerfmax::gui {

inline constexpr int kDialogBaseWidth = 6;
inline constexpr int kDialogBaseHeight = 13;

// Each value converted on its own, rounded half away from zero, as the
// dialog-template mapping does.
int DialogX(int units);
int DialogY(int units);

QRect DialogRect(int x, int y, int w, int h);
QSize DialogSize(int w, int h);

}  // namespace kerfmax::gui
