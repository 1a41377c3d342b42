#pragma once
// How the core tells the user something. The core never shows a window: the
// main window answers with a message box on its own thread, the command-line
// tool prints to standard error. Texts are passed exactly as they are shown.
#include <string>

namespace kerfmax {

enum class NotifyIcon { None, Information, Warning, Error, Question };
enum class NotifyButtons { Ok, OkCancel, YesNo };
enum class NotifyAnswer { Ok, Cancel, Yes, No };

class Notifier {
public:
    virtual ~Notifier() = default;
    virtual NotifyAnswer Notify(const std::string& text, NotifyIcon icon = NotifyIcon::None,
                                NotifyButtons buttons = NotifyButtons::Ok) = 0;
};

// Prints each text as one line on standard error; answers Ok (or Yes).
class StderrNotifier final : public Notifier {
public:
    NotifyAnswer Notify(const std::string& text, NotifyIcon icon, NotifyButtons buttons) override;
};

// Keeps every text, for tests and for callers that report later.
class RecordingNotifier final : public Notifier {
public:
    NotifyAnswer Notify(const std::string& text, NotifyIcon icon, NotifyButtons buttons) override;
    std::string messages;  // every text, each followed by a line feed when it has none
    int count = 0;
};

// The notifier the core uses when a caller gives none; the command-line tool
// keeps the standard-error one, the main window installs its own.
Notifier& DefaultNotifier();
void SetDefaultNotifier(Notifier* notifier);

}  // namespace kerfmax
