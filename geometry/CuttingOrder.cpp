#include "geometry/CuttingOrder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace kerfmax {
namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

struct Corner {
    double x = 0.0;
    double y = 0.0;
};

double Distance(Corner a, Corner b) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

Corner TopRight(const MC_ArtObj_& o) { return {double(o.xMax), double(o.yMax)}; }
Corner TopLeft(const MC_ArtObj_& o) { return {double(o.xMin), double(o.yMax)}; }

// Nearest point to a query among the points not yet removed, ties going to the
// lowest key. A static KD-tree (one node per array position, split at the middle)
// with lazy removal: each node keeps the smallest key still alive below it, which
// prunes empty subtrees and lets equal-distance clusters resolve in log time.
// Keys may change (a band entry moves when another is swapped forward).
class NearestIndex {
public:
    void Build(const std::vector<Corner>& points, const std::vector<std::uint32_t>& keys) {
        const std::size_t n = points.size();
        m_points = points;
        m_keys = keys;
        m_alive.assign(n, 1);
        m_nodes.resize(n);
        m_order.resize(n);
        m_positionOf.resize(n);
        for (std::size_t i = 0; i < n; ++i) m_order[i] = static_cast<std::uint32_t>(i);
        BuildRange(0, n);
        for (std::size_t p = 0; p < n; ++p) m_positionOf[m_order[p]] = static_cast<std::uint32_t>(p);
    }

    void Remove(std::uint32_t id) {
        m_alive[id] = 0;
        Refresh(m_positionOf[id]);
    }

    void SetKey(std::uint32_t id, std::uint32_t key) {
        m_keys[id] = key;
        Refresh(m_positionOf[id]);
    }

    std::uint32_t Key(std::uint32_t id) const { return m_keys[id]; }

    // kNone when every point has been removed.
    std::uint32_t Nearest(Corner query) const {
        Best best;
        Search(0, m_order.size(), query, best);
        return best.id;
    }

private:
    struct Node {
        double minX, maxX, minY, maxY;
        std::uint32_t minKey;
    };
    struct Best {
        double distance = std::numeric_limits<double>::infinity();
        std::uint32_t key = kNone;
        std::uint32_t id = kNone;
    };

    static std::size_t Middle(std::size_t lo, std::size_t hi) { return lo + (hi - lo) / 2; }

    void BuildRange(std::size_t lo, std::size_t hi) {
        if (lo >= hi) return;
        Node node{m_points[m_order[lo]].x, m_points[m_order[lo]].x, m_points[m_order[lo]].y,
                  m_points[m_order[lo]].y, kNone};
        for (std::size_t i = lo; i < hi; ++i) {
            const Corner& c = m_points[m_order[i]];
            node.minX = std::min(node.minX, c.x);
            node.maxX = std::max(node.maxX, c.x);
            node.minY = std::min(node.minY, c.y);
            node.maxY = std::max(node.maxY, c.y);
        }
        const std::size_t mid = Middle(lo, hi);
        const bool splitX = node.maxX - node.minX >= node.maxY - node.minY;
        auto begin = m_order.begin();
        std::nth_element(begin + std::ptrdiff_t(lo), begin + std::ptrdiff_t(mid), begin + std::ptrdiff_t(hi),
                         [&](std::uint32_t a, std::uint32_t b) {
                             return splitX ? m_points[a].x < m_points[b].x : m_points[a].y < m_points[b].y;
                         });
        m_nodes[mid] = node;
        BuildRange(lo, mid);
        BuildRange(mid + 1, hi);
        UpdateMinKey(lo, hi);
    }

    std::uint32_t SubtreeMinKey(std::size_t lo, std::size_t hi) const {
        return lo < hi ? m_nodes[Middle(lo, hi)].minKey : kNone;
    }

    void UpdateMinKey(std::size_t lo, std::size_t hi) {
        const std::size_t mid = Middle(lo, hi);
        const std::uint32_t id = m_order[mid];
        std::uint32_t key = m_alive[id] ? m_keys[id] : kNone;
        key = std::min({key, SubtreeMinKey(lo, mid), SubtreeMinKey(mid + 1, hi)});
        m_nodes[mid].minKey = key;
    }

    // Recomputes the smallest keys on the path from the root to one position.
    void Refresh(std::size_t position) {
        std::size_t rangesLo[64], rangesHi[64];
        int depth = 0;
        std::size_t lo = 0, hi = m_order.size();
        for (;;) {
            rangesLo[depth] = lo;
            rangesHi[depth] = hi;
            ++depth;
            const std::size_t mid = Middle(lo, hi);
            if (position == mid) break;
            if (position < mid) hi = mid; else lo = mid + 1;
        }
        while (depth-- > 0) UpdateMinKey(rangesLo[depth], rangesHi[depth]);
    }

    static double BoxDistance(Corner q, const Node& n) {
        // Exact integer differences in double: never larger than the distance the
        // same formula gives for any point inside, so pruning on it is safe.
        const double dx = q.x < n.minX ? n.minX - q.x : (q.x > n.maxX ? q.x - n.maxX : 0.0);
        const double dy = q.y < n.minY ? n.minY - q.y : (q.y > n.maxY ? q.y - n.maxY : 0.0);
        return std::sqrt(dx * dx + dy * dy);
    }

    // A subtree can only help when it may hold a strictly nearer point, or an
    // equally near one with a lower key.
    static bool MayImprove(double bound, std::uint32_t minKey, const Best& best) {
        if (minKey == kNone) return false;
        return bound < best.distance || (bound == best.distance && minKey < best.key);
    }

    void Search(std::size_t lo, std::size_t hi, Corner q, Best& best) const {
        if (lo >= hi) return;
        const std::size_t mid = Middle(lo, hi);
        const Node& node = m_nodes[mid];
        if (!MayImprove(BoxDistance(q, node), node.minKey, best)) return;
        const std::uint32_t id = m_order[mid];
        if (m_alive[id]) {
            const double d = Distance(q, m_points[id]);
            if (d < best.distance || (d == best.distance && m_keys[id] < best.key)) best = Best{d, m_keys[id], id};
        }
        const double leftBound = lo < mid ? BoxDistance(q, m_nodes[Middle(lo, mid)]) : 0.0;
        const double rightBound = mid + 1 < hi ? BoxDistance(q, m_nodes[Middle(mid + 1, hi)]) : 0.0;
        if (leftBound <= rightBound) {
            Search(lo, mid, q, best);
            Search(mid + 1, hi, q, best);
        } else {
            Search(mid + 1, hi, q, best);
            Search(lo, mid, q, best);
        }
    }

    std::vector<Corner> m_points;
    std::vector<std::uint32_t> m_keys;
    std::vector<std::uint8_t> m_alive;
    std::vector<Node> m_nodes;            // by tree position: the subtree split there
    std::vector<std::uint32_t> m_order;   // tree position -> point id
    std::vector<std::uint32_t> m_positionOf;
};

class ReduceFeedOrdering {
public:
    ReduceFeedOrdering(const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox)
        : m_objects(objects), m_removed(objects.size(), 0) {
        const std::int64_t width = std::int64_t{jobBox.xMax} - jobBox.xMin;
        m_here = Corner{double(width < 0 ? -width : width), 0.0};
        std::vector<Corner> corners(objects.size());
        std::vector<std::uint32_t> keys(objects.size());
        m_byTop.resize(objects.size());
        for (std::size_t i = 0; i < objects.size(); ++i) {
            corners[i] = TopRight(objects[i]);
            keys[i] = static_cast<std::uint32_t>(i);  // remaining keeps file order
            m_byTop[i] = static_cast<std::uint32_t>(i);
        }
        m_remainingIndex.Build(corners, keys);
        std::stable_sort(m_byTop.begin(), m_byTop.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return objects[a].yMax < objects[b].yMax; });
        m_remainingCount = objects.size();
    }

    ObjectOrder Run() {
        m_result.reserve(m_objects.size());
        while (m_remainingCount > 0) {
            PickBandLeader();
            CollectBand();
            OrderBand();
        }
        return std::move(m_result);
    }

private:
    Corner ExitCorner(std::uint32_t i) const { return m_leftToRight ? TopRight(m_objects[i]) : TopLeft(m_objects[i]); }
    Corner EntryCorner(std::uint32_t i) const { return m_leftToRight ? TopLeft(m_objects[i]) : TopRight(m_objects[i]); }

    void TakeFromRemaining(std::uint32_t i) {
        m_removed[i] = 1;
        m_remainingIndex.Remove(i);
        --m_remainingCount;
    }

    void PickBandLeader() {
        // A leader with its top at 0 leaves the next pick to start from the
        // current position instead of the last object's exit corner.
        const bool firstOfRun = m_bandTop == 0;
        if (!firstOfRun) m_here = ExitCorner(static_cast<std::uint32_t>(m_result.back()));
        const std::uint32_t leader = m_remainingIndex.Nearest(m_here);
        const MC_ArtObj_& o = m_objects[leader];
        if (firstOfRun) {
            m_here = TopLeft(o);
        } else {
            m_leftToRight = Distance(TopLeft(o), m_here) <= Distance(TopRight(o), m_here) ? 1 : 0;
        }
        m_bandTop = o.yMax;
        TakeFromRemaining(leader);
        m_result.push_back(leader);
    }

    // Every remaining object whose top is at most kBandHeight above the leader's.
    // The limit only grows from band to band (all lower objects are gone), so one
    // sweep over the objects sorted by top finds them all.
    void CollectBand() {
        const std::int64_t limit = m_bandTop + kBandHeight;
        m_band.clear();
        while (m_nextByTop < m_byTop.size() && m_objects[m_byTop[m_nextByTop]].yMax <= limit) {
            const std::uint32_t i = m_byTop[m_nextByTop++];
            if (m_removed[i]) continue;
            TakeFromRemaining(i);
            m_band.push_back(i);
        }
        std::sort(m_band.begin(), m_band.end());  // the band keeps file order
    }

    // Nearest entry corner first; the entry found is swapped forward, so the
    // one it displaces takes its position (and that position decides later ties).
    void OrderBand() {
        if (m_band.empty()) return;
        m_here = ExitCorner(static_cast<std::uint32_t>(m_result.back()));
        const std::size_t n = m_band.size();
        m_slots.resize(n);
        m_bandCorners.resize(n);
        m_bandKeys.resize(n);
        for (std::size_t p = 0; p < n; ++p) {
            m_slots[p] = static_cast<std::uint32_t>(p);
            m_bandCorners[p] = EntryCorner(m_band[p]);
            m_bandKeys[p] = static_cast<std::uint32_t>(p);
        }
        if (n >= 2) m_bandIndex.Build(m_bandCorners, m_bandKeys);
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const std::uint32_t chosen = m_bandIndex.Nearest(m_here);
            const std::uint32_t from = m_bandIndex.Key(chosen);
            if (from != i) {
                const std::uint32_t displaced = m_slots[i];
                m_slots[from] = displaced;
                m_bandIndex.SetKey(displaced, from);
                m_slots[i] = chosen;
            }
            m_bandIndex.Remove(chosen);
            m_here = ExitCorner(m_band[chosen]);
        }
        for (std::size_t p = 0; p < n; ++p) m_result.push_back(m_band[m_slots[p]]);
    }

    const std::vector<MC_ArtObj_>& m_objects;
    std::vector<std::uint8_t> m_removed;
    std::vector<std::uint32_t> m_byTop;
    std::size_t m_nextByTop = 0;
    std::size_t m_remainingCount = 0;
    NearestIndex m_remainingIndex;
    NearestIndex m_bandIndex;
    std::vector<std::uint32_t> m_band;
    std::vector<std::uint32_t> m_slots;  // band position -> band entry
    std::vector<Corner> m_bandCorners;
    std::vector<std::uint32_t> m_bandKeys;
    ObjectOrder m_result;
    Corner m_here;
    int m_leftToRight = 0;
    std::int64_t m_bandTop = 0;
};

}  // namespace

ObjectOrder OrderReduceFeed(const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox) {
    if (objects.empty()) return {};
    return ReduceFeedOrdering(objects, jobBox).Run();
}

}  // namespace kerfmax
