#include "gui/PreviewArea.h"

#include <QPainter>
#include <QPolygon>

namespace kerfmax::gui {

namespace {

QPolygon ToPolygon(const std::vector<ScreenPoint>& points)
{
    QPolygon polygon(static_cast<int>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) polygon.setPoint(static_cast<int>(i), points[i].x, points[i].y);
    return polygon;
}

}  // namespace

void DrawPreviewImage(QImage& image, const PreviewPicture& picture)
{
    if (image.isNull()) return;
    QPainter painter(&image);
    painter.fillRect(QRect(QPoint(1, 1), QPoint(image.width() - 2, image.height() - 2)), Qt::white);
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    for (const auto& path : picture.paths) painter.drawPolyline(ToPolygon(path));
    if (picture.frame) {
        painter.setPen(QPen(QColor(0, 0, 255), 1));
        painter.drawPolyline(ToPolygon(*picture.frame));
    }
}

PreviewArea::PreviewArea(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Sunken);
}

void PreviewArea::CreateBuffer()
{
    m_buffer = QImage(ClientSize().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_buffer.fill(Qt::white);
    m_needsDrawing = true;
}

void PreviewArea::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (!m_drawingAllowed) return;
    if (m_needsDrawing && drawRequested) {
        drawRequested();
        m_needsDrawing = false;
    }
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), m_buffer);
}

}  // namespace kerfmax::gui
