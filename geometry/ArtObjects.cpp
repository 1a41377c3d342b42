#include "geometry/ArtObjects.h"

#include <algorithm>
#include <iterator>

#include "geometry/PointList.h"

namespace kerfmax {
namespace {

void FinishObject(MC_ArtObj_& object, std::vector<MC_ArtObj_>& out)
{
    BoundBox box;
    ComputeBounds(object.points, box);
    object.xMin = box.xMin;
    object.xMax = box.xMax;
    object.yMax = box.yMax;
    object.yMin = box.yMin;
    const PointNode& first = object.points.front();
    const PointNode& last = object.points.back();
    object.closed = (first.x == last.x && first.y == last.y) ? 1 : 0;
    out.push_back(std::move(object));
    object = MC_ArtObj_{};
}

}  // namespace

std::vector<MC_ArtObj_> BuildArtObjects(const PointList& points)
{
    // Each object's list is allocated once, at its size: a job of 10^5 objects
    // would otherwise grow 10^5 small lists step by step.
    const auto isPen = [](const PointNode& n) { return n.kind == KIND_PEN_UP || n.kind == KIND_PEN_DOWN; };
    std::vector<MC_ArtObj_> out;
    out.reserve(static_cast<std::size_t>(std::count_if(points.begin(), points.end(),
                                                       [](const PointNode& n) { return n.kind == KIND_PEN_UP; })) +
                1);
    auto start = std::find_if(points.begin(), points.end(), isPen);
    while (start != points.end()) {
        const auto end =
            std::find_if(start + 1, points.end(), [](const PointNode& n) { return n.kind == KIND_PEN_UP; });
        MC_ArtObj_ object;
        object.points.reserve(static_cast<std::size_t>(std::count_if(start, end, isPen)));
        std::copy_if(start, end, std::back_inserter(object.points), isPen);
        FinishObject(object, out);
        start = end;
    }
    return out;
}

}  // namespace kerfmax

namespace kerfmax {

ArtObjectCache::ArtObjectCache(const ArtObjectCache& other)
{
    std::lock_guard<std::mutex> hold(other.m_lock);
    m_built = other.m_built;
    m_objects = other.m_objects;
}

ArtObjectCache& ArtObjectCache::operator=(const ArtObjectCache& other)
{
    if (this == &other) return *this;
    std::scoped_lock hold(m_lock, other.m_lock);
    m_built = other.m_built;
    m_objects = other.m_objects;
    return *this;
}

const std::vector<MC_ArtObj_>& ArtObjectCache::Get(const PointList& points) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_built) {
        m_objects = BuildArtObjects(points);
        m_built = true;
    }
    return m_objects;
}

void ArtObjectCache::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_built = false;
    m_objects = std::vector<MC_ArtObj_>();
}

}  // namespace kerfmax
