#include "geometry/PreviewGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kerfmax {

namespace {

constexpr int kBorder = 5;  // pixels left free on each side
constexpr double kRounding = 0.55;  // added before truncating a scaled coordinate
constexpr std::int64_t kUnitsPerMm = 40;

int ScaledCoordinate(std::int64_t value, double scale)
{
    // The conversion truncates toward zero by itself (std::trunc first would be a
    // library call per coordinate on processors without a rounding instruction).
    return static_cast<int>(static_cast<double>(value) * scale + kRounding);
}

// The smaller of the two ratios, chosen the way round that leaves less slack.
double FitScale(double areaW, double areaH, double extentW, double extentH)
{
    if (extentW == 0 && extentH == 0) return kSinglePointScale;
    const double byWidth = areaW / extentW;
    const double byHeight = areaH / extentH;
    double scale = (areaW - extentW <= areaH - extentH) ? byWidth : byHeight;
    if (scale == byWidth && extentH * scale > areaH) scale = byHeight;
    else if (scale == byHeight && extentW * scale > areaW) scale = byWidth;
    return scale;
}

}  // namespace

ScreenPoint PreviewMapping::Map(std::int64_t x, std::int64_t y) const
{
    return MapFrame(x + offX, y + offY);
}

ScreenPoint PreviewMapping::MapFrame(std::int64_t x, std::int64_t y) const
{
    const double used = scale == 0 ? 1.0 : scale;
    return {x0 + ScaledCoordinate(x, used), y0 + ScaledCoordinate(y, used)};
}

double PreviewMapping::FittedX(std::int64_t x) const
{
    return x0 + static_cast<double>(x) * (scale == 0 ? 1.0 : scale) + kRounding;
}

double PreviewMapping::FittedY(std::int64_t y) const
{
    return y0 + static_cast<double>(y) * (scale == 0 ? 1.0 : scale) + kRounding;
}

PreviewMapping FitPreview(const BoundBox& box, const PreviewFrame& frame, int width, int height)
{
    PreviewMapping m;
    std::int64_t w = std::llabs(static_cast<std::int64_t>(box.xMax) - box.xMin);
    std::int64_t h = std::llabs(static_cast<std::int64_t>(box.yMax) - box.yMin);
    if (frame.enabled) {
        m.offX = kUnitsPerMm * std::int64_t{frame.marginBottom};
        m.offY = kUnitsPerMm * std::int64_t{frame.marginLeft};
        w += kUnitsPerMm * (static_cast<std::int64_t>(frame.marginTop) + frame.marginBottom);
        h += kUnitsPerMm * (static_cast<std::int64_t>(frame.marginLeft) + frame.marginRight);
    }
    m.extentW = w;
    m.extentH = h;
    const int areaW = width - 2 * kBorder;
    const int areaH = height - 2 * kBorder;
    m.scale = FitScale(areaW, areaH, static_cast<double>(w), static_cast<double>(h));
    const double used = m.scale == 0 ? 1.0 : m.scale;
    m.x0 = static_cast<int>(std::trunc(areaW / 2 - static_cast<double>(w) * used * 0.5)) + kBorder;
    m.y0 = static_cast<int>(std::trunc(areaH / 2 - static_cast<double>(h) * used * 0.5)) + kBorder;
    return m;
}

namespace {

// The drawing as it always was: every point truncated into the fitted area.
void TraceFitted(PointSpan points, const PreviewMapping& map, std::int64_t flip, PreviewPicture& picture)
{
    ScreenPoint position{0, 0};
    std::vector<ScreenPoint>* open = nullptr;
    // A line to the pixel the pen is on draws nothing, and a large job fitted
    // into a few hundred pixels has many points on each: they are left out.
    // At the end of a polyline one such line is kept, as the painter leaves the
    // last pixel undrawn after it.
    bool standing = false;
    const auto close = [&] {
        if (open != nullptr && standing) open->push_back(open->back());
        open = nullptr;
        standing = false;
    };
    for (const PointNode& n : points) {
        if (n.kind != KIND_PEN_UP && n.kind != KIND_PEN_DOWN) continue;
        const ScreenPoint at = map.Map(n.x, flip - n.y);
        if (n.kind == KIND_PEN_UP) {
            close();
        } else if (open == nullptr) {
            picture.paths.push_back({position, at});
            open = &picture.paths.back();
        } else if (open->back() == at) {
            standing = true;
        } else {
            open->push_back(at);
            standing = false;
        }
        position = at;
    }
    close();
}

struct ClipArea {
    double left, top, right, bottom;
};

// Liang-Barsky: shortens the segment a-b to its part inside the area; false
// when none of it is inside. startCut / endCut tell which ends moved.
bool ClipSegment(double& ax, double& ay, double& bx, double& by, const ClipArea& area, bool& startCut, bool& endCut)
{
    const double dx = bx - ax, dy = by - ay;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - area.left, area.right - ax, ay - area.top, area.bottom - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;  // parallel to this edge and outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    startCut = t0 > 0;
    endCut = t1 < 1;
    const double sx = ax, sy = ay;
    if (endCut) {
        bx = sx + t1 * dx;
        by = sy + t1 * dy;
    }
    if (startCut) {
        ax = sx + t0 * dx;
        ay = sy + t0 * dy;
    }
    return true;
}

ScreenPoint Pixel(double x, double y)
{
    return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))};
}

// A zoomed or panned view: positions in doubles, lines clipped to the area
// (with a small margin) before they become pixels, so that no coordinate
// overflows and the painter gets only what shows.
class ViewTracer {
public:
    ViewTracer(int width, int height, PreviewPicture& picture)
        : m_area{-2.0, -2.0, width + 2.0, height + 2.0}, m_picture(picture)
    {
    }
    void MoveTo(double x, double y)
    {
        m_x = x;
        m_y = y;
        m_open = nullptr;
    }
    void LineTo(double x, double y)
    {
        double ax = m_x, ay = m_y, bx = x, by = y;
        m_x = x;
        m_y = y;
        bool startCut = false, endCut = false;
        if (Outside(ax, ay, bx, by) || !ClipSegment(ax, ay, bx, by, m_area, startCut, endCut)) {
            m_open = nullptr;
            return;
        }
        const ScreenPoint a = Pixel(ax, ay);
        if (m_open == nullptr || startCut || m_open->back() != a) {
            m_picture.paths.push_back({a});
            m_open = &m_picture.paths.back();
        }
        m_open->push_back(Pixel(bx, by));
        if (endCut) m_open = nullptr;
    }

private:
    // Both ends beyond the same edge: the common case far off a zoomed view.
    bool Outside(double ax, double ay, double bx, double by) const
    {
        return (ax < m_area.left && bx < m_area.left) || (ax > m_area.right && bx > m_area.right) ||
               (ay < m_area.top && by < m_area.top) || (ay > m_area.bottom && by > m_area.bottom);
    }

    ClipArea m_area;
    PreviewPicture& m_picture;
    double m_x = 0, m_y = 0;  // the drawing position starts at the area's corner, as in the fitted view
    std::vector<ScreenPoint>* m_open = nullptr;
};

void TraceInView(PointSpan points, const PreviewMapping& map, std::int64_t flip, const PreviewView& view, int width,
                 int height, PreviewPicture& picture)
{
    ViewTracer tracer(width, height, picture);
    for (const PointNode& n : points) {
        if (n.kind != KIND_PEN_UP && n.kind != KIND_PEN_DOWN) continue;
        const double x = view.ViewX(map.FittedX(n.x + map.offX));
        const double y = view.ViewY(map.FittedY(flip - n.y + map.offY));
        if (n.kind == KIND_PEN_UP) tracer.MoveTo(x, y);
        else tracer.LineTo(x, y);
    }
}

// An edge of the axis-parallel frame keeps its visible part when its corner
// is pulled in to just beyond the area, so the frame stays one polyline.
ScreenPoint FrameCorner(const PreviewMapping& map, const PreviewView& view, std::int64_t x, std::int64_t y, int width,
                        int height)
{
    if (view.IsFitted()) return map.MapFrame(x, y);
    const double vx = std::clamp(view.ViewX(map.FittedX(x)), -2.0, width + 2.0);
    const double vy = std::clamp(view.ViewY(map.FittedY(y)), -2.0, height + 2.0);
    return Pixel(vx, vy);
}

}  // namespace

PreviewPicture BuildPreview(PointSpan points, const BoundBox& box, const PreviewFrame& frame, int width, int height,
                            const PreviewView& view)
{
    PreviewPicture picture;
    if (points.empty()) return picture;
    const PreviewMapping map = FitPreview(box, frame, width, height);
    // Screen y grows downwards: the job is turned upside down within its height.
    const std::int64_t flip = std::llabs(static_cast<std::int64_t>(box.yMin) - box.yMax);
    if (view.IsFitted()) TraceFitted(points, map, flip, picture);
    else TraceInView(points, map, flip, view, width, height, picture);
    if (frame.enabled) {
        auto corner = [&](std::int64_t x, std::int64_t y) { return FrameCorner(map, view, x, y, width, height); };
        picture.frame = std::vector<ScreenPoint>{corner(0, 0), corner(map.extentW, 0), corner(map.extentW, map.extentH),
                                                 corner(0, map.extentH), corner(0, 0)};
    }
    return picture;
}

PreviewView PreviewView::ZoomedAt(double factor, double x, double y) const
{
    const double target = std::clamp(zoom * factor, 1.0, kMaxPreviewZoom);
    if (target == 1.0) return {};
    // The fitted position under (x, y) is (x - pan) / zoom; it stays at (x, y).
    const double ratio = target / zoom;
    return {target, x - (x - panX) * ratio, y - (y - panY) * ratio};
}

PreviewView PreviewView::PannedBy(double dx, double dy) const
{
    return {zoom, panX + dx, panY + dy};
}

}  // namespace kerfmax
