#include "geometry/ArtObjects.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "geometry/PointList.h"

namespace kerfmax {
namespace {

bool IsPen(const PointNode& n)
{
    return n.kind == KIND_PEN_UP || n.kind == KIND_PEN_DOWN;
}

MC_ArtObj_ ObjectOf(PointSpan nodes)
{
    BoundBox box;
    ComputeBounds(nodes, box);
    const PointNode& first = nodes.front();
    const PointNode& last = nodes.back();
    return MC_ArtObj_{box.xMin, box.xMax, box.yMax, box.yMin, (first.x == last.x && first.y == last.y) ? 1 : 0, nodes};
}

// True when every placeholder of points comes after its last pen node.
bool PenNodesAreContiguous(const PointList& points)
{
    const auto lastPen = std::find_if(points.rbegin(), points.rend(), IsPen);
    const auto firstPen = std::find_if(points.begin(), points.end(), IsPen);
    return lastPen == points.rend() || std::all_of(firstPen, lastPen.base(), IsPen);
}

// points holds pen nodes, with placeholders only before the first or after the last.
std::vector<MC_ArtObj_> ObjectsOfContiguous(const PointList& points)
{
    const auto penEnd = std::find_if(points.rbegin(), points.rend(), IsPen).base();
    std::vector<MC_ArtObj_> out;
    out.reserve(static_cast<std::size_t>(
                    std::count_if(points.begin(), penEnd, [](const PointNode& n) { return n.kind == KIND_PEN_UP; })) +
                1);
    auto start = std::find_if(points.begin(), penEnd, IsPen);
    while (start != penEnd) {
        const auto end = std::find_if(start + 1, penEnd, [](const PointNode& n) { return n.kind == KIND_PEN_UP; });
        out.push_back(ObjectOf(PointSpan(&*start, static_cast<std::size_t>(end - start))));
        start = end;
    }
    return out;
}

}  // namespace

std::vector<MC_ArtObj_> BuildArtObjects(const PointList& points, PointList& compacted)
{
    compacted.clear();
    if (PenNodesAreContiguous(points)) return ObjectsOfContiguous(points);
    std::copy_if(points.begin(), points.end(), std::back_inserter(compacted), IsPen);
    return ObjectsOfContiguous(compacted);
}

std::vector<MC_ArtObj_> BuildArtObjects(const PointList& points)
{
    if (!PenNodesAreContiguous(points)) throw std::invalid_argument("placeholder between pen nodes");
    return ObjectsOfContiguous(points);
}

ArtObjectCache& ArtObjectCache::operator=(const ArtObjectCache& other)
{
    if (this != &other) Clear();
    return *this;
}

const std::vector<MC_ArtObj_>& ArtObjectCache::Get(const PointList& points) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_built) {
        m_objects = BuildArtObjects(points, m_compacted);
        m_built = true;
    }
    return m_objects;
}

void ArtObjectCache::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_built = false;
    m_objects = std::vector<MC_ArtObj_>();
    m_compacted = PointList();
}

}  // namespace kerfmax
