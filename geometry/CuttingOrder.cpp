#include "geometry/CuttingOrder.h"

#include <cmath>
#include <cstdlib>

namespace kerfmax {
namespace {
struct P { double x, y; };
double Dist(P a, P b) { const double dx = a.x - b.x, dy = a.y - b.y; return std::sqrt(dx * dx + dy * dy); }
P TopRight(const MC_ArtObj_& o) { return {double(o.xMax), double(o.yMax)}; }
P TopLeft(const MC_ArtObj_& o) { return {double(o.xMin), double(o.yMax)}; }
}  // namespace

// Temporary straightforward version; replaced by the indexed one.
ObjectOrder OrderReduceFeed(const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox) {
    ObjectOrder result;
    if (objects.empty()) return result;
    std::vector<std::size_t> remaining(objects.size());
    for (std::size_t i = 0; i < remaining.size(); ++i) remaining[i] = i;
    P here{double(std::llabs(std::int64_t(jobBox.xMax) - jobBox.xMin)), 0.0};
    int leftToRight = 0;
    std::int64_t bandTop = 0;
    auto exitCorner = [&](std::size_t i) { return leftToRight ? TopRight(objects[i]) : TopLeft(objects[i]); };
    auto entryCorner = [&](std::size_t i) { return leftToRight ? TopLeft(objects[i]) : TopRight(objects[i]); };
    while (!remaining.empty()) {
        if (bandTop != 0) here = exitCorner(result.back());
        std::size_t best = 0;
        double bestD = Dist(TopRight(objects[remaining[0]]), here);
        for (std::size_t k = 1; k < remaining.size(); ++k) {
            const double d = Dist(TopRight(objects[remaining[k]]), here);
            if (d < bestD) { bestD = d; best = k; }
        }
        const std::size_t leader = remaining[best];
        if (bandTop == 0) {
            here = TopLeft(objects[leader]);
        } else {
            leftToRight = Dist(TopLeft(objects[leader]), here) <= Dist(TopRight(objects[leader]), here) ? 1 : 0;
        }
        bandTop = objects[leader].yMax;
        remaining.erase(remaining.begin() + std::ptrdiff_t(best));
        result.push_back(leader);
        std::vector<std::size_t> band, rest;
        for (std::size_t i : remaining) (objects[i].yMax <= bandTop + kBandHeight ? band : rest).push_back(i);
        remaining = rest;
        if (band.empty()) continue;
        here = exitCorner(result.back());
        for (std::size_t i = 0; i + 1 < band.size(); ++i) {
            std::size_t j = i;
            double dj = Dist(entryCorner(band[i]), here);
            for (std::size_t k = i + 1; k < band.size(); ++k) {
                const double d = Dist(entryCorner(band[k]), here);
                if (d < dj) { dj = d; j = k; }
            }
            std::swap(band[i], band[j]);
            here = exitCorner(band[i]);
        }
        result.insert(result.end(), band.begin(), band.end());
    }
    return result;
}

}  // namespace kerfmax
