#pragma once
// The window's pictures, compiled in from resources/pictures (drawn by
// make_pictures.py there), by the resource numbers the layouts use:
//   128 application icon (64 px)            129 / 130 job width / height (32 px)
//   134, 136, 137, 138 rotation menu items: none, 90, 180, 270 degrees (16 px)
//   139 / 140 Mirror off / on (20 px)       141 - 144 rotation none, 90, 180, 270 (20 px)
//   151 the Feature dialog's job with its margins (96 x 72 px)
//   153 logo (192 x 64 px)
//   164 / 166 Cut Order button: Reduce Feed / Default Order (24 px)
//   167 / 168 Cutting Order button: Default Order / Reduce Feed (24 px)
#include <QIcon>
#include <QPixmap>

namespace kerfmax::gui {

// A null pixmap for a number that is not one of the above.
QPixmap Bitmap(int resourceId);

// The application icon in every size it is drawn in (16 to 256 pixels).
QIcon AppIcon();

}  // namespace kerfmax::gui
