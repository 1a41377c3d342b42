#include "geometry/InsideFirstOrder.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <queue>

#include "geometry/CuttingOrder.h"

namespace kerfmax {
namespace {

class HoldBack {
public:
    HoldBack(const ObjectOrder& order, const InsideRelation& inside)
        : m_order(order), m_inside(inside), m_rank(order.size()), m_waitingFor(order.size(), 0), m_cut(order.size(), 0)
    {
        for (std::size_t r = 0; r < order.size(); ++r) m_rank[order[r]] = r;
        for (std::uint32_t container : inside.containers) ++m_waitingFor[container];
    }

    ObjectOrder Run()
    {
        for (std::size_t r = 0; r < m_order.size(); ++r)
            if (m_waitingFor[m_order[r]] == 0) m_ready.push(r);
        ObjectOrder result;
        result.reserve(m_order.size());
        while (result.size() < m_order.size()) {
            if (m_ready.empty()) LetGoEarliestHeld();
            const std::size_t object = m_order[m_ready.top()];
            m_ready.pop();
            if (m_cut[object]) continue;
            m_cut[object] = 1;
            result.push_back(object);
            Release(object);
        }
        return result;
    }

private:
    // The object is cut: the containers it was holding back wait for one less.
    void Release(std::size_t object)
    {
        for (std::uint32_t k = m_inside.offsets[object]; k < m_inside.offsets[object + 1]; ++k) {
            const std::uint32_t container = m_inside.containers[k];
            if (--m_waitingFor[container] == 0 && !m_cut[container]) m_ready.push(m_rank[container]);
        }
    }

    void LetGoEarliestHeld()
    {
        while (m_cut[m_order[m_earliestUncut]]) ++m_earliestUncut;
        m_ready.push(m_earliestUncut);
    }

    const ObjectOrder& m_order;
    const InsideRelation& m_inside;
    std::vector<std::size_t> m_rank;  // position in the given order, by object
    std::vector<std::uint32_t> m_waitingFor;
    std::vector<std::uint8_t> m_cut;
    // Ranks of the objects free to be cut, earliest first.
    std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> m_ready;
    std::size_t m_earliestUncut = 0;
};

// Smaller boxes first, ties in file order. Whatever lies inside an outline has a
// smaller box than it, or the same box, so this keeps the rule for every pair
// but outlines of one box that are not the same outline.
ObjectOrder SmallestBoxFirst(const std::vector<MC_ArtObj_>& objects)
{
    auto area = [&](std::size_t i) {
        const MC_ArtObj_& o = objects[i];
        return std::uint64_t(std::int64_t{o.xMax} - o.xMin) * std::uint64_t(std::int64_t{o.yMax} - o.yMin);
    };
    ObjectOrder order(objects.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return area(a) < area(b); });
    return order;
}

}  // namespace

ObjectOrder HoldBackContainers(const ObjectOrder& order, const InsideRelation& inside)
{
    return HoldBack(order, inside).Run();
}

ObjectOrder OrderInsideFirst(const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox,
                             const ContainmentBudget& budget)
{
    if (objects.empty()) return {};
    const InsideRelation inside = FindContainment(objects, budget);
    // A job nested too deep to search in time: the inside still comes first, the
    // bands are given up.
    if (!inside.complete) return SmallestBoxFirst(objects);
    return HoldBackContainers(OrderReduceFeed(objects, jobBox), inside);
}

}  // namespace kerfmax
