#include "gui/WindowLook.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

#include "gui/DialogStyle.h"

namespace kerfmax::gui {

namespace {

constexpr int kDialogFontPixels = 11;

}  // namespace

QFont DialogFont()
{
    QFont font = QApplication::font();
    // The dialog face of Windows first, then faces of the same narrow build;
    // the system's own face last, and its fall-backs for the Chinese texts.
    QStringList families = {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"),
                            QStringLiteral("Liberation Sans Narrow")};
    families << (font.families().isEmpty() ? QStringList{font.family()} : font.families());
    font.setFamilies(families);
    font.setPixelSize(kDialogFontPixels);
    return font;
}

void SetUpWindowLook(QApplication& app)
{
    QApplication::setStyle(new DialogStyle);
    app.setFont(DialogFont());
}

}  // namespace kerfmax::gui
