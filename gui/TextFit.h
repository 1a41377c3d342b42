#pragma once
// Whether the text a control shows fits the room the style leaves it: a
// caption, the entry a closed drop-down shows, an edit box's value. Measured
// with the control's own font and style, in its own pixels.
#include <QSize>
#include <QString>

#include <optional>

class QComboBox;
class QWidget;

namespace kerfmax::gui {

struct TextRoom {
    QString text;
    QSize needed;
    QSize available;
    bool Fits() const { return needed.width() <= available.width() && needed.height() <= available.height(); }
};

// The room of a control's text; nullopt for a control that shows no text of
// its own (or an empty one).
std::optional<TextRoom> MeasureText(const QWidget& control);

// A caption of a two-line button: broken at its first blank; a text without
// one (as Chinese is written) is broken between its characters, in the middle.
QString TwoLineCaption(const QString& text);

// The width a drop-down's list needs to show its widest entry whole.
int WidestEntryWidth(const QComboBox& combo);

// A push button that draws the drop-down arrow of a button with a menu
// carries this property; its text has the room left of the arrow.
inline constexpr const char* kDropDownProperty = "dropDownArrow";

}  // namespace kerfmax::gui
