#pragma once
// Drops the inner points of horizontal and vertical runs before output: along an
// axis-parallel line only the run's end point is cut, and a point equal to the
// one written just before it is dropped.
#include <cstdint>
#include <optional>

#include "geometry/PathTypes.h"

namespace kerfmax {

// Replaces the list by its simplified copy. The result always ends with one
// spare node: a placeholder, or the pending end point when it was not yet
// written. Input placeholders are skipped.
void SimplifyAxisRuns(PointList& points);

// The same simplification as a walk over nodes handed in one by one, so that the
// output can follow it without a simplified copy of the job. out(node) takes each
// simplified node in order, the spare node last.
template <typename Out>
class AxisRunWalk {
public:
    explicit AxisRunWalk(Out out) : m_out(out) {}

    // next: the input node after n (placeholders included), or nullptr at the end.
    void Take(const PointNode& n, const PointNode* next)
    {
        if (n.kind == KIND_PEN_UP) PenUp(n);
        else if (n.kind == KIND_PEN_DOWN) PenDown(n, next);
    }

    // The spare node: the pending point when it was never written. lastInput is
    // the input's last node (a placeholder for an empty input).
    void Finish(const PointNode& lastInput)
    {
        PointNode spare;  // placeholder (0, 0)
        if (IsNew(m_px, m_py)) {
            if (lastInput.kind == KIND_NONE) {
                // A job ending in a Bezier ends in a placeholder: its last run
                // must still be cut, at the pending point.
                if (m_seenPen) spare = {KIND_PEN_DOWN, m_px, m_py};
            } else {
                spare = lastInput;
            }
        }
        m_out(spare);
    }

private:
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
                if (InRun()) return;  // absorbed into the run
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
        m_out(PointNode{kind, x, y});
        m_last = PointNode{kind, x, y};
    }

    void EmitIfNew(std::int32_t kind, std::int32_t x, std::int32_t y)
    {
        if (IsNew(x, y)) Emit(kind, x, y);
    }

    Out m_out;
    // The pending point's coordinates are written one by one; kept apart, they
    // are never read back as one 8-byte piece, which would wait on both writes.
    std::int32_t m_px = 0;
    bool m_runX = false;
    bool m_runY = false;
    std::int32_t m_py = 0;
    std::optional<PointNode> m_last;
    bool m_seenPen = false;
};

}  // namespace kerfmax
