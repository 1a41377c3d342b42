#include "gui/MessageBoxNotifier.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cstdio>

#include "app/StandardTexts.h"
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

int g_messageBoxLanguage = 0;  // set on the window's thread only

void AddButton(QMessageBox& box, QMessageBox::StandardButton button, StandardTextId text)
{
    box.addButton(button)->setText(QString::fromUtf8(StandardText(text, g_messageBoxLanguage)));
}

}  // namespace

void SetMessageBoxLanguage(int language)
{
    g_messageBoxLanguage = language;
}

std::unique_ptr<QMessageBox> BuildMessageBox(const QString& text, NotifyIcon icon, NotifyButtons buttons,
                                             QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(BoxIcon(icon), QString::fromUtf8(kMessageBoxTitle), text,
                                             QMessageBox::NoButton, parent);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (buttons) {
    case NotifyButtons::Ok: AddButton(*box, QMessageBox::Ok, StandardTextId::OkButton); break;
    case NotifyButtons::OkCancel:
        AddButton(*box, QMessageBox::Ok, StandardTextId::OkButton);
        AddButton(*box, QMessageBox::Cancel, StandardTextId::CancelButton);
        break;
    case NotifyButtons::YesNo:
        AddButton(*box, QMessageBox::Yes, StandardTextId::YesButton);
        AddButton(*box, QMessageBox::No, StandardTextId::NoButton);
        break;
    }
    return box;
}

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
    const std::unique_ptr<QMessageBox> box = BuildMessageBox(text, icon, buttons, parent);
    switch (box->exec()) {
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
