#pragma once
// While a Send or a Save to File runs, the window shows only what is being
// cut: every control that changes the job, its placement, its settings or the
// port is disabled, and afterwards each gets back the state it had.
#include <QPointer>
#include <QWidget>

#include <initializer_list>
#include <utility>
#include <vector>

namespace kerfmax::gui {

class ControlLock {
public:
    // Disables the controls, noting their states; nothing when already locked.
    void Lock(std::initializer_list<QWidget*> controls);
    // Gives every locked control its noted state; nothing when not locked.
    void Unlock();
    bool Locked() const { return m_locked; }

private:
    std::vector<std::pair<QPointer<QWidget>, bool>> m_states;
    bool m_locked = false;
};

}  // namespace kerfmax::gui
