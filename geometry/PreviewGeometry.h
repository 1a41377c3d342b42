#pragma once
// What the preview shows, in pixels: the job fitted into the preview area with
// a 5-pixel border, turned upside down for the screen (y grows downwards), and
// the frame around it when the frame is on. Drawing it is the window's part.
#include <cstdint>
#include <optional>
#include <vector>

#include "geometry/PathTypes.h"
#include "geometry/PointList.h"

namespace kerfmax {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// The frame of the Feature dialog, margins in millimetres.
struct PreviewFrame {
    bool enabled = false;
    std::int32_t marginLeft = 0;
    std::int32_t marginRight = 0;
    std::int32_t marginBottom = 0;
    std::int32_t marginTop = 0;
};

// Scale and origin that fit the job (and its margins) into the area.
struct PreviewMapping {
    double scale = 1.0;
    int x0 = 5;
    int y0 = 5;
    std::int64_t offX = 0;  // margin offsets in plotter units, added before scaling
    std::int64_t offY = 0;
    std::int64_t extentW = 0;  // extents with the margins (wide: margins are typed, up to 9 digits)
    std::int64_t extentH = 0;

    // A point already turned for the screen, with the margin offsets.
    ScreenPoint Map(std::int64_t x, std::int64_t y) const;
    // A point of the frame rectangle: no offsets.
    ScreenPoint MapFrame(std::int64_t x, std::int64_t y) const;
    // The position MapFrame truncates, before truncating.
    double FittedX(std::int64_t x) const;
    double FittedY(std::int64_t y) const;
};

// A single-point job has no extent in either direction; it is drawn at this scale.
inline constexpr double kSinglePointScale = 1.0;

PreviewMapping FitPreview(const BoundBox& box, const PreviewFrame& frame, int width, int height);

// Lines to draw: each polyline starts where the drawing position was (the
// previous pen-up point, or the area's corner at the start) and runs through
// consecutive pen-down points. In the fitted view a point on the pixel of the
// point before it is left out (the line to it has no length), except the
// second point of a polyline, which may be the first one's pixel (a dot).
struct PreviewPicture {
    std::vector<std::vector<ScreenPoint>> paths;
    std::optional<std::vector<ScreenPoint>> frame;  // closed: five points, the first repeated
};

// How the user looks at the fitted picture: the fitted screen positions
// scaled by zoom and shifted by the pan, in pixels. The default is the fitted
// view itself, drawn exactly as without one.
struct PreviewView {
    double zoom = 1.0;
    double panX = 0;
    double panY = 0;

    bool IsFitted() const { return zoom == 1.0 && panX == 0 && panY == 0; }
    // Zooms by factor (clamped to [1, kMaxPreviewZoom]) so that what lies at
    // the screen point (x, y) stays there. Back at zoom 1 the view is fitted.
    PreviewView ZoomedAt(double factor, double x, double y) const;
    PreviewView PannedBy(double dx, double dy) const;
    // Where a fitted screen position lies in this view.
    double ViewX(double fittedX) const { return fittedX * zoom + panX; }
    double ViewY(double fittedY) const { return fittedY * zoom + panY; }
};

inline constexpr double kMaxPreviewZoom = 10000.0;

// Empty when there are no points. A zoomed or panned view is drawn from the
// points again (not scaled from pixels), and lines are clipped to the area,
// so that only what can be seen is handed to the painter.
PreviewPicture BuildPreview(PointSpan points, const BoundBox& box, const PreviewFrame& frame, int width, int height,
                            const PreviewView& view = {});

}  // namespace kerfmax
