#include "geometry/BladeCompensation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "geometry/ReproducibleMath.h"

namespace kerfmax {

namespace {

// An exact signed product of two 64-bit numbers, as sign and 128-bit
// magnitude: not every compiler has a 128-bit integer type.
struct WideProduct {
    bool negative = false;
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    static WideProduct Of(std::int64_t a, std::int64_t b)
    {
        const std::uint64_t ua = a < 0 ? 0 - static_cast<std::uint64_t>(a) : static_cast<std::uint64_t>(a);
        const std::uint64_t ub = b < 0 ? 0 - static_cast<std::uint64_t>(b) : static_cast<std::uint64_t>(b);
        const std::uint64_t a0 = ua & 0xFFFFFFFFu, a1 = ua >> 32, b0 = ub & 0xFFFFFFFFu, b1 = ub >> 32;
        const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
        WideProduct product;
        product.low = (middle << 32) | (p00 & 0xFFFFFFFFu);
        product.high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
        product.negative = ((a < 0) != (b < 0)) && (product.high != 0 || product.low != 0);
        return product;
    }

    // -1, 0 or 1 as this is below, equal to or above other.
    int Compare(const WideProduct& other) const
    {
        if (negative != other.negative) return negative ? -1 : 1;
        const int magnitude = high != other.high ? (high < other.high ? -1 : 1)
                              : low != other.low ? (low < other.low ? -1 : 1)
                                                 : 0;
        return negative ? -magnitude : magnitude;
    }
};

// The right angle used for axis-parallel corners: the program's own constant,
// not the exact half of pi, so that arcs come out as they always have.
constexpr double kAxisRightAngle = 1.5707963;
// Computed points are clamped here before they become integers.
constexpr double kComputedLimit = 4611686018427387904.0;  // 2^62

std::int64_t Clamp(std::int64_t value)
{
    return std::clamp(value, -kPenCoordinateLimit, kPenCoordinateLimit);
}

double Distance(PenPoint a, PenPoint b)
{
    double dx = static_cast<double>(a.x - b.x);
    double dy = static_cast<double>(a.y - b.y);
    return std::sqrt(dx * dx + dy * dy);
}

// A distance used as a divisor: 1.0 instead of 0.
double Divisor(PenPoint a, PenPoint b)
{
    double d = Distance(a, b);
    return d == 0.0 ? 1.0 : d;
}

// Truncation toward zero that stays defined for any double.
std::int64_t Truncate(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= kComputedLimit) return static_cast<std::int64_t>(kComputedLimit);
    if (value <= -kComputedLimit) return -static_cast<std::int64_t>(kComputedLimit);
    return static_cast<std::int64_t>(value);
}

// base + truncate(((toward - base) * numerator) / denominator), per coordinate:
// multiply first, then divide, so "b past the corner" comes out exact.
PenPoint Along(PenPoint base, PenPoint toward, double numerator, double denominator)
{
    double dx = static_cast<double>(toward.x - base.x);
    double dy = static_cast<double>(toward.y - base.y);
    return {base.x + Truncate(dx * numerator / denominator), base.y + Truncate(dy * numerator / denominator)};
}

bool IsAxisRightAngle(PenPoint a, PenPoint b, PenPoint c)
{
    return (b.x == a.x && c.y == a.y) || (b.y == a.y && c.x == a.x);
}

// Cosine of the angle at A by the law of cosines, in the program's order of operations.
double CornerCosine(double ac, double ab, double cb)
{
    return (ac * ac + ab * ab - cb * cb) / (2.0 * ac * ab);
}

// The three sides of the corner at A: the legs to B and to C and the side between them.
// |AB| may be known already: Distance gives the same bits either way round.
struct CornerSides {
    double ab, cb, ac;
    CornerSides(PenPoint a, PenPoint b, PenPoint c, std::optional<double> knownAb = std::nullopt)
        : ab(knownAb ? *knownAb : Distance(a, b)), cb(Distance(c, b)), ac(Distance(a, c))
    {
    }
};

int IsSharp(PenPoint a, PenPoint b, PenPoint c, const CornerSides& sides)
{
    if (sides.ab == 0.0 || sides.cb == 0.0 || sides.ac == 0.0) return 0;
    if (IsAxisRightAngle(a, b, c)) return 1;
    return CornerCosine(sides.ac, sides.ab, sides.cb) > -0.5 ? 1 : 0;
}

}  // namespace

int IsSharpCorner(PenPoint a, PenPoint b, PenPoint c)
{
    return IsSharp(a, b, c, CornerSides(a, b, c));
}

double CornerAngle(PenPoint a, PenPoint b, PenPoint c)
{
    double ab = Distance(a, b);
    double cb = Distance(c, b);
    double ac = Distance(a, c);
    if (ab == 0.0 || cb == 0.0 || ac == 0.0) return 0.0;
    if (IsAxisRightAngle(a, b, c)) return kAxisRightAngle;
    return ReproducibleAcos(CornerCosine(ac, ab, cb));
}

int TurnSign(PenPoint b, PenPoint a, PenPoint c)
{
    // Coordinates are within 2^53, so the differences fit 64 bits but their
    // products need 128 (64 bits already overflow on jobs of a few metres).
    const WideProduct along = WideProduct::Of(a.x - b.x, c.y - a.y);
    const WideProduct across = WideProduct::Of(a.y - b.y, c.x - a.x);
    return along.Compare(across);
}

void BladeCompensator::Compensate(const PenCommand& given, std::int32_t bladeOffset, std::int32_t overCut)
{
    if (bladeOffset == 0 && overCut == 0) {
        WriteOut(given);
        return;
    }
    const PenCommand command{given.move, {Clamp(given.point.x), Clamp(given.point.y)}};
    switch (command.move) {
    case PenMove::Up:
        if (m_pathOpen) FinishPath(bladeOffset, overCut);
        m_startPoint = m_prevPoint = command.point;
        m_pathOpen = false;
        m_knifeUp = true;
        WriteOut(given);  // the move itself goes out as asked
        return;
    case PenMove::Down: PenDown(command.point, bladeOffset); return;
    case PenMove::None:
        // A placeholder ends the path under way. Closing it here keeps the final
        // pen-up from finishing it a second time, which would recut the closing
        // corner and cut back from the over-cut point.
        if (m_pathOpen) {
            FinishPath(bladeOffset, overCut);
            m_pathOpen = false;
        }
        return;
    }
}

void BladeCompensator::PenDown(PenPoint n, std::int32_t bladeOffset)
{
    if (!m_pathOpen) {
        // The first cut of a path is only known once the next point shows its corner.
        m_firstDown = m_cornerPoint = n;
        m_pathOpen = true;
        m_cornerLeg.reset();
        return;
    }
    PenPoint b = m_prevPoint;
    PenPoint a = m_cornerPoint;
    if (m_knifeUp) {
        WritePoint(b);  // lower the knife where the pen-up left it
        m_knifeUp = false;
    }
    const CornerSides sides(a, b, n, m_cornerLeg);
    if (bladeOffset != 0 && IsSharp(a, b, n, sides)) TurnCorner(b, a, n, bladeOffset, sides.ab, sides.ac);
    else WritePoint(a);
    m_prevPoint = a;
    m_cornerPoint = n;
    m_cornerLeg = sides.ac;  // the next corner's leg back to this one
}

void BladeCompensator::TurnCorner(PenPoint b, PenPoint a, PenPoint c, std::int32_t bladeOffset)
{
    TurnCorner(b, a, c, bladeOffset, Distance(a, b), Distance(a, c));
}

void BladeCompensator::TurnCorner(PenPoint b, PenPoint a, PenPoint c, std::int32_t bladeOffset, double ab, double ac)
{
    // A distance used as a divisor: 1.0 instead of 0 (the same sum as Distance, so the same bits).
    const double d1 = ab == 0.0 ? 1.0 : ab;
    PenPoint past = Along(b, a, bladeOffset + d1, d1);
    WritePoint(past);
    PenPoint onNext = Along(a, c, bladeOffset, ac == 0.0 ? 1.0 : ac);
    EmitCornerArc(past, onNext, a, TurnSign(b, a, c));
    WritePoint(onNext);
}

void BladeCompensator::FinishPath(std::int32_t bladeOffset, std::int32_t overCut)
{
    PenPoint last = m_cornerPoint;
    PenPoint beforeLast = m_prevPoint;
    PenPoint start = m_startPoint;
    PenPoint first = m_firstDown;
    if (last == start) {
        double firstSide = Divisor(first, start);
        if (bladeOffset != 0 && IsSharpCorner(start, beforeLast, first)) {
            TurnCorner(beforeLast, start, first, bladeOffset);
            if (overCut > 0) WritePoint(Along(start, first, static_cast<double>(bladeOffset) + overCut, firstSide));
        } else {
            WritePoint(last);
            WritePoint(start);
            if (overCut > 0) WritePoint(Along(start, first, overCut, firstSide));
        }
        return;
    }
    if (overCut > 0) {
        double d = Divisor(last, beforeLast);
        WritePoint(Along(beforeLast, last, overCut + d, d));
    } else {
        WritePoint(last);
    }
}

void BladeCompensator::EmitCornerArc(PenPoint p, PenPoint q, PenPoint r, int turn)
{
    double alpha = CornerAngle(r, p, q);
    double sweep = turn > 0 ? std::fabs(alpha) : (alpha > 0 ? -alpha : alpha);
    const ArcSteps& arc = ArcFor(sweep);
    double dx = static_cast<double>(p.x - r.x);
    double dy = static_cast<double>(p.y - r.y);
    double rx = static_cast<double>(r.x);
    double ry = static_cast<double>(r.y);
    for (int i = 0; i < arc.count; ++i) {
        const double cosine = arc.cosine[i];
        const double sine = arc.sine[i];
        WritePoint({Truncate(rx + dx * cosine - dy * sine), Truncate(ry + dx * sine + dy * cosine)});
    }
}

const BladeCompensator::ArcSteps& BladeCompensator::ArcFor(double sweep)
{
    for (const ArcSteps& arc : m_arcs)
        if (arc.sweep == sweep) return arc;  // never for NaN, which is cheap: no step
    ArcSteps& arc = m_arcs[m_nextArc];
    m_nextArc = (m_nextArc + 1) % kArcsKept;
    arc.sweep = sweep;
    arc.count = 0;
    const double step = sweep / kArcSteps;
    double t = 0.0;
    // A NaN sweep gives no step; a zero sweep gives the start point once.
    for (int i = 0; i < kMaxArcPoints && std::fabs(t) <= std::fabs(sweep); ++i) {
        // At the start the sine is exactly 0 and the cosine 1.
        const SineAndCosine turn = t == 0.0 ? SineAndCosine{0.0, 1.0} : ReproducibleSinCos(t);
        arc.cosine[i] = turn.cosine;
        arc.sine[i] = turn.sine;
        ++arc.count;
        if (step == 0.0) break;
        t += step;
    }
    return arc;
}

void BladeCompensator::WritePoint(PenPoint point)
{
    WriteOut({PenMove::Down, point});
}

void BladeCompensator::WriteOut(const PenCommand& command)
{
    if (m_out) m_out->Write(command);
}

BladeCompensator& ProcessCompensator()
{
    static BladeCompensator compensator;
    return compensator;
}

}  // namespace kerfmax
