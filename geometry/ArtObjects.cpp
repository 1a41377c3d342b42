#include "geometry/ArtObjects.h"

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
    std::vector<MC_ArtObj_> out;
    MC_ArtObj_ open;
    for (const PointNode& node : points) {
        if (node.kind == KIND_PEN_UP) {
            if (!open.points.empty()) FinishObject(open, out);
            open.points.push_back(node);
        } else if (node.kind == KIND_PEN_DOWN) {
            open.points.push_back(node);
        }
    }
    if (!open.points.empty()) FinishObject(open, out);
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
