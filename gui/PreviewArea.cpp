#include "gui/PreviewArea.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <QPolygon>

namespace kerfmax::gui {

namespace {

// Draws one polyline through polygon, which is reused from line to line.
void DrawPolyline(QPainter& painter, const std::vector<ScreenPoint>& points, QPolygon& polygon)
{
    polygon.resize(static_cast<qsizetype>(points.size()));
    QPoint* at = polygon.data();
    for (const ScreenPoint& p : points) *at++ = QPoint(p.x, p.y);
    painter.drawPolyline(polygon);
}

}  // namespace

void DrawPreviewImage(QImage& image, const PreviewPicture& picture, bool insideField)
{
    if (image.isNull()) return;
    QPainter painter(&image);
    const QRect field(QPoint(1, 1), QPoint(image.width() - 2, image.height() - 2));
    painter.fillRect(field, Qt::white);
    if (insideField) painter.setClipRect(field);
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    QPolygon polygon;
    for (const auto& path : picture.paths) DrawPolyline(painter, path, polygon);
    if (picture.frame) {
        painter.setPen(QPen(QColor(0, 0, 255), 1));
        DrawPolyline(painter, *picture.frame, polygon);
    }
}

namespace {

constexpr double kZoomPerNotch = 1.25;  // one wheel notch (120 eighths of a degree)
constexpr double kWheelNotch = 120.0;

}  // namespace

PreviewArea::PreviewArea(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    // A click gives the keys (Home, F) to the preview; Tab passes it by.
    setFocusPolicy(Qt::ClickFocus);
}

void PreviewArea::SetView(const PreviewView& view)
{
    if (view.zoom == m_view.zoom && view.panX == m_view.panX && view.panY == m_view.panY) return;
    m_view = view;
    m_needsDrawing = true;
    update();
}

QPointF PreviewArea::BufferPoint(QPointF widgetPoint) const
{
    return widgetPoint - QPointF(contentsRect().topLeft());
}

void PreviewArea::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / kWheelNotch;
    if (notches == 0) return event->ignore();
    const QPointF at = BufferPoint(event->position());
    SetView(m_view.ZoomedAt(std::pow(kZoomPerNotch, notches), at.x(), at.y()));
    event->accept();
}

void PreviewArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QFrame::mousePressEvent(event);
    m_dragFrom = event->position();
    setCursor(Qt::ClosedHandCursor);
}

void PreviewArea::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragFrom) return QFrame::mouseMoveEvent(event);
    const QPointF delta = event->position() - *m_dragFrom;
    m_dragFrom = event->position();
    SetView(m_view.PannedBy(delta.x(), delta.y()));
}

void PreviewArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragFrom) return QFrame::mouseReleaseEvent(event);
    m_dragFrom.reset();
    unsetCursor();
}

void PreviewArea::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QFrame::mouseDoubleClickEvent(event);
    FitView();
}

void PreviewArea::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Home || event->key() == Qt::Key_F) return FitView();
    QFrame::keyPressEvent(event);
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
