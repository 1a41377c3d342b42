#include "geometry/PreviewGeometry.h"

#include <cmath>
#include <cstdlib>

namespace kerfmax {

namespace {

constexpr int kBorder = 5;  // pixels left free on each side
constexpr double kRounding = 0.55;  // added before truncating a scaled coordinate
constexpr std::int64_t kUnitsPerMm = 40;

int ScaledCoordinate(std::int64_t value, double scale)
{
    return static_cast<int>(std::trunc(static_cast<double>(value) * scale + kRounding));
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

PreviewPicture BuildPreview(const PointList& points, const BoundBox& box, const PreviewFrame& frame, int width,
                            int height)
{
    PreviewPicture picture;
    if (points.empty()) return picture;
    const PreviewMapping map = FitPreview(box, frame, width, height);
    // Screen y grows downwards: the job is turned upside down within its height.
    const std::int64_t flip = std::llabs(static_cast<std::int64_t>(box.yMin) - box.yMax);
    ScreenPoint position{0, 0};
    std::vector<ScreenPoint>* open = nullptr;
    for (const PointNode& n : points) {
        if (n.kind != KIND_PEN_UP && n.kind != KIND_PEN_DOWN) continue;
        const ScreenPoint at = map.Map(n.x, flip - n.y);
        if (n.kind == KIND_PEN_UP) {
            open = nullptr;
        } else {
            if (open == nullptr) {
                picture.paths.push_back({position});
                open = &picture.paths.back();
            }
            open->push_back(at);
        }
        position = at;
    }
    if (frame.enabled) {
        picture.frame = std::vector<ScreenPoint>{map.MapFrame(0, 0), map.MapFrame(map.extentW, 0),
                                                 map.MapFrame(map.extentW, map.extentH), map.MapFrame(0, map.extentH),
                                                 map.MapFrame(0, 0)};
    }
    return picture;
}

}  // namespace kerfmax
