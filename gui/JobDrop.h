#pragma once
// A job file dropped onto the window: watches a window's drag-and-drop events
// and hands over the path of a single dropped local file.
#include <QObject>

#include <functional>

class QMimeData;

namespace kerfmax::gui {

class JobDrop : public QObject {
    Q_OBJECT
public:
    // Accepts drops on window (turning drops on) and calls dropped with the
    // file's path while accepting() holds.
    JobDrop(QWidget& window, std::function<bool()> accepting, std::function<void(const QString&)> dropped);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> m_accepting;
    std::function<void(const QString&)> m_dropped;
};

// The one local file a drag carries; empty for none, several or a non-file.
QString DroppedFile(const QMimeData* data);

}  // namespace kerfmax::gui
