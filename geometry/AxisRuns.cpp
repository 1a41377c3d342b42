#include "geometry/AxisRuns.h"

#include <optional>

namespace kerfmax {

namespace {

// The walk over the input: the pending point P = (px, py), the two run flags and
// the last emitted point E.
class AxisRunWalk {
public:
    explicit AxisRunWalk(PointList& out) : m_out(out) {}

    void PenUp(const PointNode& n)
    {
        m_seenPen = true;
        if (InRun()) {
            ClearRuns();
            EmitIfNew(KIND_PEN_DOWN, m_px, m_py);
        }
        m_px = n.x;
        m_py = n.y;
        Emit(KIND_PEN_UP, n.x, n.y);
    }

    // next: the following input node (placeholders read as (0, 0)), if any.
    void PenDown(const PointNode& n, const PointNode* next)
    {
        m_seenPen = true;
        // Vertical part: points on the line x = px.
        if (n.x == m_px && !m_runY) {
            m_py = n.y;
            m_runX = true;
            VerticalEndTest(n, next);
        } else if (m_runX) {
            VerticalEndTest(n, next);
        }
        // Horizontal part: points on the line y = py.
        if (n.y == m_py && !m_runX) {
            m_px = n.x;
            m_runY = true;
            if (HorizontalRunGoesOn(next)) {
                if (InRun()) return;   // absorbed into the run
            } else {
                EndHorizontalRun();
            }
        } else if (m_runY) {
            if (HorizontalRunGoesOn(next)) {
                if (InRun()) return;
            } else {
                EndHorizontalRun();
            }
        } else if (InRun()) {
            return;
        }
        m_px = n.x;
        m_py = n.y;
        EmitIfNew(KIND_PEN_DOWN, n.x, n.y);
    }

    // The spare node: the pending point when it was never written.
    void Finish(const PointNode& lastInput)
    {
        PointNode spare;   // placeholder (0, 0)
        if (!m_last || m_last->x != m_px || m_last->y != m_py) {
            if (lastInput.kind == KIND_NONE) {
                // A job ending in a Bezier ends in a placeholder: its last run
                // must still be cut, at the pending point.
                if (m_seenPen) spare = {KIND_PEN_DOWN, m_px, m_py};
            } else {
                spare = lastInput;
            }
        }
        m_out.push_back(spare);
    }

private:
    bool InRun() const { return m_runX || m_runY; }
    void ClearRuns() { m_runX = m_runY = false; }

    void VerticalEndTest(const PointNode& n, const PointNode* next)
    {
        if (next && next->x != m_px) {
            ClearRuns();
            if (IsNew(m_px, m_py)) {
                Emit(KIND_PEN_DOWN, m_px, m_py);
                m_px = n.x;
                m_py = n.y;
            }
        }
    }

    bool HorizontalRunGoesOn(const PointNode* next) const { return !next || next->y == m_py; }

    void EndHorizontalRun()
    {
        ClearRuns();
        EmitIfNew(KIND_PEN_DOWN, m_px, m_py);
    }

    bool IsNew(std::int32_t x, std::int32_t y) const { return !m_last || m_last->x != x || m_last->y != y; }

    void Emit(std::int32_t kind, std::int32_t x, std::int32_t y)
    {
        m_out.push_back({kind, x, y});
        m_last = PointNode{kind, x, y};
    }

    void EmitIfNew(std::int32_t kind, std::int32_t x, std::int32_t y)
    {
        if (IsNew(x, y)) Emit(kind, x, y);
    }

    PointList& m_out;
    std::int32_t m_px = 0;
    std::int32_t m_py = 0;
    bool m_runX = false;
    bool m_runY = false;
    std::optional<PointNode> m_last;
    bool m_seenPen = false;
};

}  // namespace

void SimplifyAxisRuns(PointList& points)
{
    PointList simplified;
    simplified.reserve(points.size() + 1);
    AxisRunWalk walk(simplified);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PointNode& n = points[i];
        if (n.kind == KIND_PEN_UP) {
            walk.PenUp(n);
        } else if (n.kind == KIND_PEN_DOWN) {
            walk.PenDown(n, i + 1 < points.size() ? &points[i + 1] : nullptr);
        }
    }
    if (!points.empty()) walk.Finish(points.back());
    else walk.Finish(PointNode{});
    points = std::move(simplified);
}

}  // namespace kerfmax
