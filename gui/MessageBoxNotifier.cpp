#include "gui/MessageBoxNotifier.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QThread>

#include <cstdio>

#include "gui/PathText.h"

namespace kerfmax::gui {

namespace {

QMessageBox::Icon BoxIcon(NotifyIcon icon)
{
    switch (icon) {
    case NotifyIcon::Information: return QMessageBox::Information;
    case NotifyIcon::Warning: return QMessageBox::Warning;
    case NotifyIcon::Error: return QMessageBox::Critical;
    case NotifyIcon::Question: return QMessageBox::Question;
    case NotifyIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

bool MessageBoxesAreVisible()
{
    return QGuiApplication::platformName() != QLatin1String("offscreen");
}

NotifyAnswer ShowMessageBox(const QString& text, NotifyIcon icon, NotifyButtons buttons, QWidget* parent)
{
    if (!MessageBoxesAreVisible()) {
        std::fprintf(stderr, "%s\n", text.trimmed().toUtf8().constData());
        return buttons == NotifyButtons::YesNo ? NotifyAnswer::Yes : NotifyAnswer::Ok;
    }
    QMessageBox box(BoxIcon(icon), QGuiApplication::applicationDisplayName(), text, QMessageBox::NoButton, parent);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (buttons) {
    case NotifyButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case NotifyButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case NotifyButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return NotifyAnswer::Cancel;
    case QMessageBox::Yes: return NotifyAnswer::Yes;
    case QMessageBox::No: return NotifyAnswer::No;
    default: return NotifyAnswer::Ok;
    }
}

NotifyAnswer MessageBoxNotifier::Notify(const std::string& text, NotifyIcon icon, NotifyButtons buttons)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return NotifyAnswer::Ok;
    const QString message = FromUtf8(text);
    if (sink && buttons == NotifyButtons::Ok) {
        QMetaObject::invokeMethod(
            app, [this, message, icon] { sink ? sink(message, icon) : void(ShowMessageBox(message, icon)); },
            QThread::currentThread() == app->thread() ? Qt::DirectConnection : Qt::QueuedConnection);
        return NotifyAnswer::Ok;
    }
    if (QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [message, icon] { ShowMessageBox(message, icon); }, Qt::QueuedConnection);
        return buttons == NotifyButtons::YesNo ? NotifyAnswer::Yes : NotifyAnswer::Ok;
    }
    return ShowMessageBox(message, icon, buttons, QApplication::activeWindow());
}

}  // namespace kerfmax::gui
