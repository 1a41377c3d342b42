#pragma once
// A push button drawn with the drop-down arrow of a button that opens a menu,
// while its click stays an ordinary click: the owner opens the menu itself
// (and may be told which item to take instead, as the tests do).
#include <QPushButton>

namespace kerfmax::gui {

class DropDownButton : public QPushButton {
    Q_OBJECT
public:
    explicit DropDownButton(const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kerfmax::gui
