#pragma once
// Blade-offset compensation and over-cut: a filter on the stream of pen
// commands. A drag knife's tip trails its axis, so at every sharp corner the
// tool is driven one blade offset past the corner, swung about it on a short
// arc and brought back onto the next side one blade offset after the corner.
// Closed paths get the same at their closing corner; the over-cut carries the
// knife further along the first side (closed) or past the end (open).
//
// The filter keeps its state between calls and between jobs: every job ends
// with a pen-up, which finishes the last path.
//
// Commands arrive and leave as numbers (cutter coordinates, 64 bits); the corner
// turn is decided by an exact (128-bit) cross product, so no job coordinate can
// overflow it.
#include <cstdint>
#include <limits>
#include <optional>

#include "geometry/PenCommand.h"

namespace kerfmax {

// Points are clamped to this on the way in, far beyond any 32-bit job, so every
// sum, product and conversion below stays defined whatever a caller passes.
inline constexpr std::int64_t kPenCoordinateLimit = std::int64_t{1} << 53;

// 1 when the angle at A between the directions to B and to C is under 120
// degrees, or is a right angle along the axes; 0 when any leg has length 0.
int IsSharpCorner(PenPoint a, PenPoint b, PenPoint c);

// The angle at A between the directions to B and to C, in radians.
double CornerAngle(PenPoint a, PenPoint b, PenPoint c);

// Sign (-1, 0, 1) of the cross product (A - B) x (C - A): positive for a left turn at A.
int TurnSign(PenPoint b, PenPoint a, PenPoint c);

class BladeCompensator {
public:
    // Where the commands go while a job is written; nullptr unregisters (writes
    // are then dropped, the state still moves on).
    void SetOutput(PenCommandWriter* writer) { m_out = writer; }

    // Takes one pen command (None for a placeholder node) and writes the commands
    // that replace it. bladeOffset and overCut are plotter units, 0 = off.
    void Compensate(const PenCommand& command, std::int32_t bladeOffset, std::int32_t overCut);

    bool PathOpen() const { return m_pathOpen; }

private:
    void PenDown(PenPoint n, std::int32_t bladeOffset);
    void FinishPath(std::int32_t bladeOffset, std::int32_t overCut);
    // Writes the prolonged point, the arc and the point on the next side for a
    // sharp corner at A coming from B and going to C.
    void TurnCorner(PenPoint b, PenPoint a, PenPoint c, std::int32_t bladeOffset);
    // The same with the legs' lengths |AB| and |AC| already measured.
    void TurnCorner(PenPoint b, PenPoint a, PenPoint c, std::int32_t bladeOffset, double ab, double ac);
    void EmitCornerArc(PenPoint p, PenPoint q, PenPoint r, int turn);

    static constexpr double kArcSteps = 5.0;
    // Six points span the sweep (t = 0 .. 5 steps); the loop never needs more.
    static constexpr int kMaxArcPoints = 6;
    // The cosines and sines along an arc depend on its sweep alone, and many
    // corners share one (every right angle along the axes turns by the same
    // sweep, one way or the other): the last two are kept.
    struct ArcSteps {
        double sweep = std::numeric_limits<double>::quiet_NaN();
        int count = 0;
        double cosine[kMaxArcPoints] = {};
        double sine[kMaxArcPoints] = {};
    };
    static constexpr int kArcsKept = 2;
    const ArcSteps& ArcFor(double sweep);
    void WritePoint(PenPoint point);
    void WriteOut(const PenCommand& command);

    PenCommandWriter* m_out = nullptr;
    bool m_pathOpen = false;
    bool m_knifeUp = false;
    PenPoint m_startPoint;
    PenPoint m_firstDown;
    PenPoint m_prevPoint;
    PenPoint m_cornerPoint;
    // |m_cornerPoint - m_prevPoint| once both come from cut points (a path's
    // second cut on): the next corner's first leg.
    std::optional<double> m_cornerLeg;
    ArcSteps m_arcs[kArcsKept];
    int m_nextArc = 0;
};

// The filter the output assembly uses: one per process, so its state carries
// from one job to the next as the cutter expects.
BladeCompensator& ProcessCompensator();

// Registers a writer with a compensator for the lifetime of the guard.
class CompensatorOutput {
public:
    CompensatorOutput(BladeCompensator& compensator, PenCommandWriter& writer) : m_compensator(compensator)
    {
        m_compensator.SetOutput(&writer);
    }
    ~CompensatorOutput() { m_compensator.SetOutput(nullptr); }
    CompensatorOutput(const CompensatorOutput&) = delete;
    CompensatorOutput& operator=(const CompensatorOutput&) = delete;

private:
    BladeCompensator& m_compensator;
};

}  // namespace kerfmax
