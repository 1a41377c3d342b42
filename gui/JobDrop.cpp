#include "gui/JobDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace kerfmax::gui {

QString DroppedFile(const QMimeData* data)
{
    if (data == nullptr || !data->hasUrls()) return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
    return urls.front().toLocalFile();
}

JobDrop::JobDrop(QWidget& window, std::function<bool()> accepting, std::function<void(const QString&)> dropped)
    : QObject(&window), m_accepting(std::move(accepting)), m_dropped(std::move(dropped))
{
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

bool JobDrop::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QString file = DroppedFile(drop->mimeData());
    // While a send or save runs the window takes no job: the drop is refused.
    if (file.isEmpty() || !m_accepting()) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop) m_dropped(file);
    return true;
}

}  // namespace kerfmax::gui
