#include "geometry/PolygonContainment.h"

#include <algorithm>
#include <bit>
#include <memory>

namespace kerfmax {
namespace {

int SignOf(std::int64_t v)
{
    return (v > 0) - (v < 0);
}
std::uint64_t Magnitude(std::int64_t v)
{
    return v < 0 ? 0 - static_cast<std::uint64_t>(v) : std::uint64_t(v);
}
bool FitsHalfRange(std::int64_t v)
{
    return v > -(std::int64_t{1} << 31) && v < (std::int64_t{1} << 31);
}

// Sign of l1 * l2 - r1 * r2 for factors below 2^32 in magnitude (differences of
// 32-bit coordinates). Their products need 64 unsigned bits, so large ones are
// compared as sign and magnitude: exact with 64-bit integers alone.
int ProductDifferenceSign(std::int64_t l1, std::int64_t l2, std::int64_t r1, std::int64_t r2)
{
    if (FitsHalfRange(l1) && FitsHalfRange(l2) && FitsHalfRange(r1) && FitsHalfRange(r2))
        return SignOf(l1 * l2 - r1 * r2);
    const int left = SignOf(l1) * SignOf(l2);
    const int right = SignOf(r1) * SignOf(r2);
    if (left != right) return left > right ? 1 : -1;
    if (left == 0) return 0;
    const std::uint64_t l = Magnitude(l1) * Magnitude(l2), r = Magnitude(r1) * Magnitude(r2);
    if (l == r) return 0;
    return (l > r) == (left > 0) ? 1 : -1;
}

// Which side of the line a -> b the point p lies on: 1 left, -1 right, 0 on it.
int SideOf(const PointNode& a, const PointNode& b, std::int64_t px, std::int64_t py)
{
    return ProductDifferenceSign(std::int64_t{b.x} - a.x, py - a.y, std::int64_t{b.y} - a.y, px - a.x);
}

// What one edge adds to the winding number around p; sets onOutline when p
// lies on the edge. Upward edges count when p is strictly left of them,
// downward ones when strictly right, each including its lower end only.
int EdgeWinding(const PointNode& a, const PointNode& b, std::int32_t x, std::int32_t y, bool& onOutline)
{
    if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y)) return 0;
    const int side = SideOf(a, b, x, y);
    if (side == 0) {
        // On the edge's line within its height: on the edge unless the edge is
        // horizontal and p beyond its ends.
        if (x >= std::min(a.x, b.x) && x <= std::max(a.x, b.x)) onOutline = true;
        return 0;
    }
    if (a.y <= y && y < b.y) return side > 0 ? 1 : 0;
    if (b.y <= y && y < a.y) return side < 0 ? -1 : 0;
    return 0;
}

// The edges of a large outline sorted into horizontal bands, so a point test
// looks only at the edges that reach its height.
class EdgeBands {
public:
    explicit EdgeBands(const MC_ArtObj_& outline)
    {
        // The range of the points themselves, whatever box the object was given.
        m_yMin = m_yMax = outline.points.front().y;
        for (const PointNode& p : outline.points) {
            m_yMin = std::min<std::int64_t>(m_yMin, p.y);
            m_yMax = std::max<std::int64_t>(m_yMax, p.y);
        }
        const std::size_t edges = outline.points.size() - 1;
        std::size_t bands = std::max<std::size_t>(1, edges / 4);
        // Tall edges land in many bands; fewer bands keep the index near the
        // outline's size whatever its shape.
        while (!Fill(outline, bands) && bands > 1) bands /= 2;
    }

    template <class Visit>
    void ForEdgesAt(std::int32_t y, Visit visit) const
    {
        if (y < m_yMin) return;
        const std::size_t band = static_cast<std::size_t>((std::int64_t{y} - m_yMin) / m_bandHeight);
        if (band + 1 >= m_offsets.size()) return;
        for (std::uint32_t k = m_offsets[band]; k < m_offsets[band + 1]; ++k)
            if (!visit(m_edges[k])) return;
    }

private:
    bool Fill(const MC_ArtObj_& outline, std::size_t bands)
    {
        const std::size_t edges = outline.points.size() - 1;
        m_bandHeight = (m_yMax - m_yMin) / std::int64_t(bands) + 1;
        m_offsets.assign(bands + 1, 0);
        std::size_t total = 0;
        for (std::size_t e = 0; e < edges; ++e) {
            const auto [first, last] = BandsOf(outline, e);
            for (std::size_t b = first; b <= last; ++b) ++m_offsets[b + 1];
            total += last - first + 1;
            if (bands > 1 && total > 8 * edges) return false;
        }
        for (std::size_t b = 0; b < bands; ++b) m_offsets[b + 1] += m_offsets[b];
        m_edges.resize(total);
        std::vector<std::uint32_t> next(m_offsets.begin(), m_offsets.end() - 1);
        for (std::size_t e = 0; e < edges; ++e) {
            const auto [first, last] = BandsOf(outline, e);
            for (std::size_t b = first; b <= last; ++b) m_edges[next[b]++] = static_cast<std::uint32_t>(e);
        }
        return true;
    }

    std::pair<std::size_t, std::size_t> BandsOf(const MC_ArtObj_& outline, std::size_t edge) const
    {
        const PointNode& a = outline.points[edge];
        const PointNode& b = outline.points[edge + 1];
        return {static_cast<std::size_t>((std::int64_t{std::min(a.y, b.y)} - m_yMin) / m_bandHeight),
                static_cast<std::size_t>((std::int64_t{std::max(a.y, b.y)} - m_yMin) / m_bandHeight)};
    }

    std::int64_t m_yMin = 0, m_yMax = 0;
    std::int64_t m_bandHeight = 1;
    std::vector<std::uint32_t> m_offsets;
    std::vector<std::uint32_t> m_edges;  // an edge is named by its first point
};

// Outlines with fewer edges than this are walked whole.
constexpr std::size_t kBandedOutlineEdges = 32;

bool HoldsWith(const MC_ArtObj_& container, const EdgeBands* bands, std::int32_t x, std::int32_t y)
{
    const PointSpan p = container.points;
    bool on = false;
    int winding = 0;
    auto visit = [&](std::size_t e) {
        winding += EdgeWinding(p[e], p[e + 1], x, y, on);
        return !on;
    };
    if (bands) {
        bands->ForEdgesAt(y, visit);
    } else {
        for (std::size_t e = 0; e + 1 < p.size() && visit(e); ++e) {}
    }
    return on || winding != 0;
}

bool BoxHolds(const MC_ArtObj_& outer, const MC_ArtObj_& inner)
{
    return outer.xMin <= inner.xMin && inner.xMax <= outer.xMax && outer.yMin <= inner.yMin && inner.yMax <= outer.yMax;
}

bool SameBox(const MC_ArtObj_& a, const MC_ArtObj_& b)
{
    return a.xMin == b.xMin && a.xMax == b.xMax && a.yMin == b.yMin && a.yMax == b.yMax;
}

std::int64_t Extent(const MC_ArtObj_& o)
{
    return std::max<std::int64_t>({std::int64_t{o.xMax} - o.xMin, std::int64_t{o.yMax} - o.yMin, 0});
}

// Boxes of the possible containers, found by a point they must hold: each box
// is filed at the level whose cells are larger than the box, under the cell of
// its lower-left corner. A box holding point p then has its corner in p's cell
// or the one before it on each axis at its level, so a query reads four cells
// per level, and only at levels at least as large as the inner object.
class ContainerBoxIndex {
public:
    ContainerBoxIndex(const std::vector<MC_ArtObj_>& objects, const std::vector<std::uint8_t>& canContain)
        : m_objects(objects)
    {
        for (const MC_ArtObj_& o : objects) {
            m_originX = std::min<std::int64_t>(m_originX, o.xMin);
            m_originY = std::min<std::int64_t>(m_originY, o.yMin);
        }
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (!canContain[i]) continue;
            const int level = LevelOf(objects[i]);
            m_levels[level].push_back({Key(objects[i].xMin, objects[i].yMin, level), std::uint32_t(i)});
        }
        for (auto& level : m_levels) std::sort(level.begin(), level.end());
    }

    // Calls found(id) for every container whose box holds inner's box; returns
    // how many filed boxes were looked at.
    template <class Found>
    std::uint64_t ForEachHolding(const MC_ArtObj_& inner, Found found) const
    {
        const std::uint64_t px = std::uint64_t(inner.xMin - m_originX);
        const std::uint64_t py = std::uint64_t(inner.yMin - m_originY);
        std::uint64_t looked = 0;
        for (int level = LevelOf(inner); level < kLevels; ++level) {
            if (m_levels[level].empty()) continue;
            const std::uint64_t cx = px >> level, cy = py >> level;
            for (std::uint64_t row = cy == 0 ? 0 : cy - 1; row <= cy; ++row)
                looked += ScanRow(m_levels[level], row, cx == 0 ? 0 : cx - 1, cx, inner, found);
        }
        return looked;
    }

private:
    static constexpr int kLevels = 34;  // extents below 2^33
    struct Entry {
        std::uint64_t key;
        std::uint32_t id;
        bool operator<(const Entry& o) const { return key != o.key ? key < o.key : id < o.id; }
    };

    static int LevelOf(const MC_ArtObj_& o) { return std::bit_width(std::uint64_t(Extent(o))); }

    std::uint64_t Key(std::int64_t x, std::int64_t y, int level) const
    {
        return ((std::uint64_t(y - m_originY) >> level) << 32) | (std::uint64_t(x - m_originX) >> level);
    }

    template <class Found>
    std::uint64_t ScanRow(const std::vector<Entry>& cells, std::uint64_t row, std::uint64_t fromColumn,
                          std::uint64_t toColumn, const MC_ArtObj_& inner, Found& found) const
    {
        const std::uint64_t last = (row << 32) | toColumn;
        const auto first = std::lower_bound(cells.begin(), cells.end(), Entry{(row << 32) | fromColumn, 0});
        auto it = first;
        for (; it != cells.end() && it->key <= last; ++it)
            if (BoxHolds(m_objects[it->id], inner)) found(it->id);
        return std::uint64_t(it - first);
    }

    const std::vector<MC_ArtObj_>& m_objects;
    std::int64_t m_originX = 0, m_originY = 0;
    std::vector<Entry> m_levels[kLevels];
};

class ContainmentSearch {
public:
    ContainmentSearch(const std::vector<MC_ArtObj_>& objects, const ContainmentBudget& budget)
        : m_objects(objects), m_budget(budget), m_canContain(objects.size()), m_bands(objects.size())
    {
        for (std::size_t i = 0; i < objects.size(); ++i) m_canContain[i] = CanContain(objects[i]) ? 1 : 0;
    }

    InsideRelation Run()
    {
        const ContainerBoxIndex boxes(m_objects, m_canContain);
        InsideRelation relation;
        relation.offsets.reserve(m_objects.size() + 1);
        relation.offsets.push_back(0);
        std::vector<std::uint32_t> found;
        for (std::size_t inner = 0; inner < m_objects.size(); ++inner) {
            found.clear();
            m_boxesLooked += boxes.ForEachHolding(m_objects[inner], [&](std::uint32_t container) {
                if (container != inner && !OverBudget() && LiesInside(inner, container)) found.push_back(container);
            });
            if (OverBudget() || relation.containers.size() + found.size() > m_budget.pairs)
                return InsideRelation{{}, {}, false};
            std::sort(found.begin(), found.end());
            relation.containers.insert(relation.containers.end(), found.begin(), found.end());
            relation.offsets.push_back(static_cast<std::uint32_t>(relation.containers.size()));
        }
        return relation;
    }

private:
    bool OverBudget() const { return m_pointTests > m_budget.pointTests || m_boxesLooked > m_budget.boxesLooked; }

    bool LiesInside(std::size_t inner, std::size_t container)
    {
        if (!AllPointsHeld(inner, container)) return false;
        // Only two outlines with one box can each hold the other.
        const bool mutual =
            m_canContain[inner] && SameBox(m_objects[inner], m_objects[container]) && AllPointsHeld(container, inner);
        return !mutual || inner < container;
    }

    bool AllPointsHeld(std::size_t inner, std::size_t container)
    {
        const MC_ArtObj_& outline = m_objects[container];
        const EdgeBands* bands = BandsFor(container);
        for (const PointNode& p : m_objects[inner].points) {
            ++m_pointTests;
            if (!HoldsWith(outline, bands, p.x, p.y)) return false;
        }
        return true;
    }

    const EdgeBands* BandsFor(std::size_t container)
    {
        if (m_objects[container].points.size() <= kBandedOutlineEdges) return nullptr;
        if (!m_bands[container]) m_bands[container] = std::make_unique<EdgeBands>(m_objects[container]);
        return m_bands[container].get();
    }

    const std::vector<MC_ArtObj_>& m_objects;
    ContainmentBudget m_budget;
    std::uint64_t m_pointTests = 0;
    std::uint64_t m_boxesLooked = 0;
    std::vector<std::uint8_t> m_canContain;
    std::vector<std::unique_ptr<EdgeBands>> m_bands;  // built on an outline's first test
};

}  // namespace

bool CanContain(const MC_ArtObj_& object)
{
    if (!object.closed) return false;
    const PointSpan p = object.points;
    std::size_t other = 1;
    while (other < p.size() && p[other].x == p[0].x && p[other].y == p[0].y) ++other;
    for (std::size_t k = other + 1; k < p.size(); ++k)
        if (SideOf(p[0], p[other], p[k].x, p[k].y) != 0) return true;
    return false;
}

bool OutlineHolds(const MC_ArtObj_& container, std::int32_t x, std::int32_t y)
{
    return HoldsWith(container, nullptr, x, y);
}

InsideRelation FindContainment(const std::vector<MC_ArtObj_>& objects, const ContainmentBudget& budget)
{
    return ContainmentSearch(objects, budget).Run();
}

}  // namespace kerfmax
