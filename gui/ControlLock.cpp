#include "gui/ControlLock.h"

namespace kerfmax::gui {

void ControlLock::Lock(std::initializer_list<QWidget*> controls)
{
    if (m_locked) return;
    m_locked = true;
    m_states.clear();
    for (QWidget* control : controls) {
        m_states.emplace_back(control, !control->testAttribute(Qt::WA_Disabled));
        control->setEnabled(false);
    }
}

void ControlLock::Unlock()
{
    if (!m_locked) return;
    m_locked = false;
    for (auto& [control, enabled] : m_states)
        if (control) control->setEnabled(enabled);
    m_states.clear();
}

}  // namespace kerfmax::gui
