#pragma once
// The preview area of the main window: an etched frame whose picture is drawn
// once into an off-screen image of the area's size and copied on every paint.
// The wheel zooms at the cursor, dragging pans, a double click or Home (or F)
// fits the job again; each change of the view draws the picture anew.
#include <QFrame>
#include <QImage>

#include <functional>
#include <optional>

#include "geometry/PreviewGeometry.h"

namespace kerfmax::gui {

// White field, red paths, blue frame, into an image of the preview's size.
// insideField keeps the lines off the field's one-pixel edge (a zoomed view,
// whose lines run to the area's edges; the fitted view never needs it).
void DrawPreviewImage(QImage& image, const PreviewPicture& picture, bool insideField = false);

class PreviewArea : public QFrame {
    Q_OBJECT
public:
    explicit PreviewArea(QWidget* parent = nullptr);

    // The image the picture is drawn into (the client size of the area).
    QImage& Buffer() { return m_buffer; }
    const QImage& Buffer() const { return m_buffer; }
    QSize ClientSize() const { return contentsRect().size(); }
    // Creates the buffer at the area's client size, white.
    void CreateBuffer();
    // When set, Paint asks the owner to draw before copying.
    void SetNeedsDrawing(bool needs) { m_needsDrawing = needs; }
    bool NeedsDrawing() const { return m_needsDrawing; }
    // Called on a paint when drawing is needed.
    std::function<void()> drawRequested;
    // False under HideUI: the preview is never drawn.
    void SetDrawingAllowed(bool allowed) { m_drawingAllowed = allowed; }

    // The view the owner draws with; the fitted view until the user zooms or pans.
    const PreviewView& View() const { return m_view; }
    void SetView(const PreviewView& view);
    // Back to the fitted view (a new job or placement shows it whole).
    void FitView() { SetView(PreviewView{}); }
    // A point of the area's contents (the buffer's pixels).
    QPointF BufferPoint(QPointF widgetPoint) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    PreviewView m_view;
    std::optional<QPointF> m_dragFrom;
    QImage m_buffer;
    bool m_needsDrawing = true;
    bool m_drawingAllowed = true;
};

}  // namespace kerfmax::gui
