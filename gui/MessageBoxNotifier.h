#pragma once
// The window's answer to the core's notifications: a message box on the
// window's thread. Where no one can see a box (Qt's offscreen platform, as
// under HideUI on a machine without a display) the text goes to standard
// error instead, so nothing waits for a click that cannot come. Texts from
// other threads are queued to the window's thread and answered Ok at once:
// a thread that the window may be waiting for must never wait for the window.
#include <QString>

#include <functional>
#include <memory>

#include "platform/Notifier.h"

class QMessageBox;
class QWidget;

namespace kerfmax::gui {

// True when message boxes can be seen and answered.
bool MessageBoxesAreVisible();

// The language of every message box's buttons (the main window's choice).
void SetMessageBoxLanguage(int language);

// A message box ready to be shown: our title, the buttons in the language.
std::unique_ptr<QMessageBox> BuildMessageBox(const QString& text, NotifyIcon icon, NotifyButtons buttons,
                                             QWidget* parent = nullptr);

// Shows one message now, on the calling (window) thread.
NotifyAnswer ShowMessageBox(const QString& text, NotifyIcon icon, NotifyButtons buttons = NotifyButtons::Ok,
                            QWidget* parent = nullptr);

class MessageBoxNotifier final : public Notifier {
public:
    NotifyAnswer Notify(const std::string& text, NotifyIcon icon, NotifyButtons buttons) override;

    // Where plain messages go instead of a box of their own, on the window's
    // thread (the main window's queue, which shows its run's messages one
    // after another); questions are still asked at once. Empty: a box.
    std::function<void(const QString& text, NotifyIcon icon)> sink;
};

}  // namespace kerfmax::gui
