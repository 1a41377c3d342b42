#pragma once
// The platform's style with the measures of a classic dialog: check and radio
// indicators of 13 pixels with 3 pixels before their text, a drop-down arrow
// of 15 pixels, and push-button labels that may use all but one pixel of the
// frame. The dialog-unit layouts were made for these; the toolkit's roomier
// measures would cut captions such as "Blade offset" or "English" short.
#include <QProxyStyle>

namespace kerfmax::gui {

class DialogStyle : public QProxyStyle {
    Q_OBJECT
public:
    DialogStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget = nullptr) const override;
};

}  // namespace kerfmax::gui
