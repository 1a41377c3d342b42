#include "gui/RunMessages.h"

#include <cstdio>

namespace kerfmax::gui {

void RunMessages::Post(const QString& text, NotifyIcon icon)
{
    m_waiting.emplace_back(text, icon);
    // A message posted while one is open (from inside its box's event loop)
    // waits for the loop below.
    if (!m_showing) ShowWaiting();
}

void RunMessages::WhenShown(std::function<void()> then)
{
    if (!m_showing && m_waiting.empty()) return then();
    m_afterShown.push_back(std::move(then));
}

void RunMessages::ShowWaiting()
{
    m_showing = true;
    while (!m_waiting.empty()) {
        auto [text, icon] = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_presenter(text, icon);
    }
    m_showing = false;
    std::vector<std::function<void()>> after;
    after.swap(m_afterShown);
    for (auto& then : after) then();
}

void PrintMessage(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.trimmed().toUtf8().constData());
    std::fflush(stderr);
}

}  // namespace kerfmax::gui
