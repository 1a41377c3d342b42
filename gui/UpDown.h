#pragma once
// The arrows beside a length box: they only produce steps (+1 up, -1 down),
// from a click (or, where asked for, from the arrow keys in the buddy box), and
// never show or set a number themselves.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kerfmax::gui {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);
    void SetBuddy(QLineEdit* buddy);
    // The Up and Down keys in the buddy box step too (off by default).
    void SetArrowKeys(bool on) { m_arrowKeys = on; }
    // Sits at the right end of its buddy, as tall as it, and the buddy gives
    // up that width.
    void AlignRightOfBuddy();

signals:
    void stepped(int step);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    QLineEdit* m_buddy = nullptr;
    bool m_arrowKeys = false;
};

}  // namespace kerfmax::gui
