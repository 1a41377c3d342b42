#include "gui/DialogStyle.h"

#include <QStyleOption>

namespace kerfmax::gui {

namespace {

constexpr int kIndicatorSize = 13;
constexpr int kLabelSpacing = 3;
constexpr int kComboArrowWidth = 15;
constexpr int kButtonLabelInset = 1;

}  // namespace

DialogStyle::DialogStyle() : QProxyStyle() {}

int DialogStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight: return kIndicatorSize;
    case PM_CheckBoxLabelSpacing:
    case PM_RadioButtonLabelSpacing: return kLabelSpacing;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QRect DialogStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                  const QWidget* widget) const
{
    const QRect base = QProxyStyle::subControlRect(control, option, sub, widget);
    if (control != CC_ComboBox || option == nullptr) return base;
    const QRect arrow = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget);
    const int gained = arrow.width() - kComboArrowWidth;
    if (gained <= 0) return base;
    const bool leftToRight = option->direction != Qt::RightToLeft;
    switch (sub) {
    case SC_ComboBoxArrow: return leftToRight ? base.adjusted(gained, 0, 0, 0) : base.adjusted(0, 0, -gained, 0);
    case SC_ComboBoxEditField: return leftToRight ? base.adjusted(0, 0, gained, 0) : base.adjusted(-gained, 0, 0, 0);
    default: return base;
    }
}

QRect DialogStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    if (element != SE_PushButtonContents || option == nullptr)
        return QProxyStyle::subElementRect(element, option, widget);
    // The label may use the button but for a pixel on each side of its frame.
    const QRect base = QProxyStyle::subElementRect(element, option, widget);
    const QRect inner =
        option->rect.adjusted(kButtonLabelInset, kButtonLabelInset, -kButtonLabelInset, -kButtonLabelInset);
    return QRect(inner.left(), base.top(), inner.width(), base.height());
}

}  // namespace kerfmax::gui
