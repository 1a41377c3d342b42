#pragma once
// The messages of one run, shown in the order they happened. A message that
// arrives while another one is open waits until that one has been closed, so
// a second box never opens inside the first (where the user would read the
// later message above the earlier one). Used on the window's thread only.
#include <QString>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "platform/Notifier.h"

namespace kerfmax::gui {

class RunMessages {
public:
    // Shows one message and returns when it has been closed (a modal box, a
    // line on standard error).
    using Presenter = std::function<void(const QString& text, NotifyIcon icon)>;

    explicit RunMessages(Presenter presenter) : m_presenter(std::move(presenter)) {}

    // Shows the message now, or after the ones already waiting or open.
    void Post(const QString& text, NotifyIcon icon);
    // Runs then once every message posted so far has been closed: at once when
    // none is waiting or open.
    void WhenShown(std::function<void()> then);
    bool Showing() const { return m_showing; }

private:
    void ShowWaiting();

    Presenter m_presenter;
    std::deque<std::pair<QString, NotifyIcon>> m_waiting;
    std::vector<std::function<void()>> m_afterShown;
    bool m_showing = false;
};

// One message as a line on standard error, for runs that nobody watches.
void PrintMessage(const QString& text);

}  // namespace kerfmax::gui
