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
// Coordinates are handled as 64-bit integers. Numbers read from a command are
// clamped to +-kPenCoordinateLimit, far beyond any 32-bit job, so every sum,
// product and conversion below stays defined; the corner turn is decided by an
// exact (128-bit) cross product.
#include <cstdint>
#include <string>
#include <string_view>

namespace kerfmax {

class OutputSink;

inline constexpr std::int64_t kPenCoordinateLimit = std::int64_t{1} << 53;

struct PenPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    bool operator==(const PenPoint&) const = default;
};

// Finds the first occurrence of prefix anywhere in text and reads "%ld,%ld"
// right after it (a number that fails to read leaves its coordinate as it
// was). Returns 2 when the prefix was found, else 0.
int ParsePenPoint(std::string_view prefix, std::string_view text, PenPoint& point);

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
    void SetOutput(OutputSink* sink) { m_out = sink; }

    // Takes one formatted pen command (or the empty text of a placeholder) and
    // writes the commands that replace it. bladeOffset and overCut are plotter
    // units, 0 = off; isDmpl 1 selects the DMPL words.
    void CompensateCommand(std::string_view text, std::int32_t bladeOffset, std::int32_t overCut,
                           int isDmpl);

    bool PathOpen() const { return m_pathOpen; }

private:
    void PenDown(PenPoint n, std::int32_t bladeOffset);
    void FinishPath(std::int32_t bladeOffset, std::int32_t overCut);
    // Writes the prolonged point, the arc and the point on the next side for a
    // sharp corner at A coming from B and going to C.
    void TurnCorner(PenPoint b, PenPoint a, PenPoint c, std::int32_t bladeOffset);
    void EmitCornerArc(PenPoint p, PenPoint q, PenPoint r, int turn);
    void WritePoint(PenPoint point);
    void WriteOut(std::string_view text);

    OutputSink* m_out = nullptr;
    std::string m_line;   // reused for every point written
    bool m_isDmpl = false;
    bool m_pathOpen = false;
    bool m_knifeUp = false;
    PenPoint m_startPoint;
    PenPoint m_firstDown;
    PenPoint m_prevPoint;
    PenPoint m_cornerPoint;
};

// The filter the output assembly uses: one per process, so its state carries
// from one job to the next as the cutter expects.
BladeCompensator& ProcessCompensator();

// Registers a sink with a compensator for the lifetime of the guard.
class CompensatorOutput {
public:
    CompensatorOutput(BladeCompensator& compensator, OutputSink& sink) : m_compensator(compensator)
    {
        m_compensator.SetOutput(&sink);
    }
    ~CompensatorOutput() { m_compensator.SetOutput(nullptr); }
    CompensatorOutput(const CompensatorOutput&) = delete;
    CompensatorOutput& operator=(const CompensatorOutput&) = delete;

private:
    BladeCompensator& m_compensator;
};

}  // namespace kerfmax
