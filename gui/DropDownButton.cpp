#include "gui/DropDownButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include "gui/TextFit.h"

namespace kerfmax::gui {

DropDownButton::DropDownButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    setProperty(kDropDownProperty, true);
}

QSize DropDownButton::sizeHint() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    option.features |= QStyleOptionButton::HasMenu;
    QSize size = QPushButton::sizeHint();
    size.rwidth() += style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, this);
    return size;
}

void DropDownButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.features |= QStyleOptionButton::HasMenu;
    painter.drawControl(QStyle::CE_PushButton, option);
}

}  // namespace kerfmax::gui
