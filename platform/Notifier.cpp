#include "platform/Notifier.h"

#include <atomic>
#include <cstdio>

namespace kerfmax {

namespace {
void AppendLine(std::string& to, const std::string& text)
{
    to += text;
    if (text.empty() || text.back() != '\n') to += '\n';
}
}  // namespace

NotifyAnswer StderrNotifier::Notify(const std::string& text, NotifyIcon, NotifyButtons buttons)
{
    std::string line;
    AppendLine(line, text);
    std::fputs(line.c_str(), stderr);
    return buttons == NotifyButtons::YesNo ? NotifyAnswer::Yes : NotifyAnswer::Ok;
}

NotifyAnswer RecordingNotifier::Notify(const std::string& text, NotifyIcon, NotifyButtons buttons)
{
    AppendLine(messages, text);
    ++count;
    return buttons == NotifyButtons::YesNo ? NotifyAnswer::Yes : NotifyAnswer::Ok;
}

namespace {
StderrNotifier g_stderrNotifier;
std::atomic<Notifier*> g_defaultNotifier{&g_stderrNotifier};
}  // namespace

Notifier& DefaultNotifier()
{
    return *g_defaultNotifier.load();
}

void SetDefaultNotifier(Notifier* notifier)
{
    g_defaultNotifier.store(notifier ? notifier : &g_stderrNotifier);
}

}  // namespace kerfmax
