#include "geometry/ReproducibleMath.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "geometry/AccurateTrigonometry.h"
#include "geometry/TrigonometryTables.h"

namespace kerfmax {

namespace {

using trig::kArcSineTable;
using trig::kSineTable;

std::atomic<std::uint64_t> g_slowSin{0}, g_slowCos{0}, g_slowAcos{0};

// hi + lo, an unevaluated sum.
struct Pair {
    double hi, lo;
};

Pair FastTwoSum(double a, double b)  // a == 0 or |a| >= |b|
{
    const double s = a + b;
    return {s, b - (s - a)};
}

Pair TwoSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

double HighHalf(double a)  // the upper 26 bits (Veltkamp)
{
    const double c = 134217729.0 * a;
    return c - (c - a);
}

// The value is within error of hi + lo. When every number in that interval
// rounds to the same double, that double is the correctly rounded result.
bool RoundsSurely(double hi, double lo, double error, double* result)
{
    const double up = hi + (lo + error);
    const double down = hi + (lo - error);
    *result = up;
    return up == down;
}

// --- sin and cos ---------------------------------------------------------

// x = n pi/512 + r, |r| <= pi/1024 (a hair more where n rounds the other way).
struct Reduced {
    double hi, lo;
    std::int64_t steps;
};

// n times each 25-bit part is exact (|n| < 2^28); only the last part rounds.
// Error of hi + lo: below 2^-110 (the sums' rounding and the last part).
constexpr double kReductionError = 0x1p-109;

inline Reduced Reduce(double x)  // inline: a call costs a tenth of it
{
    constexpr double kShifter = 0x1.8p52;  // adding it rounds to a whole number
    const double n = (x * trig::kStepsPerRadian + kShifter) - kShifter;
    const double y = x - n * trig::kStepParts[0];  // exact: the two are close
    const Pair s = TwoSum(y, -(n * trig::kStepParts[1]));
    const Pair t = TwoSum(s.hi, -(n * trig::kStepParts[2]));
    const Pair r = TwoSum(t.hi, (s.lo + t.lo) - n * trig::kStepParts[3]);
    return {r.hi, r.lo, static_cast<std::int64_t>(n)};
}

// The parts of sin r and cos r that sine and cosine share.
struct ReducedPowers {
    double rHighHalf;  // for the exact product B r
    double cosMinusOne, sinMinusR;
};

ReducedPowers PowersOf(const Reduced& r)
{
    const double r2 = r.hi * r.hi;
    return {HighHalf(r.hi), r2 * (-0.5 + r2 * (1.0 / 24 + r2 * (-1.0 / 720))) - r.hi * r.lo,
            r.hi * r2 * (-1.0 / 6 + r2 * (1.0 / 120 + r2 * (-1.0 / 5040)))};
}

// sin(x + quarters * pi/2) = A cos r + B sin r with A, B from the table.
// Relative error below 2^-66.4 of the result, plus the reduction's error.
constexpr double kSineRelativeError = 0x1p-66;

Pair SineOfReduced(const Reduced& r, const ReducedPowers& powers, unsigned quarters)
{
    constexpr int kHalf = trig::kSineSteps / 2;
    const std::uint64_t steps = static_cast<std::uint64_t>(r.steps) + quarters * kHalf;
    const unsigned j = static_cast<unsigned>(steps % kHalf);
    const unsigned q = static_cast<unsigned>(steps / kHalf) & 3;
    const trig::SineRow& a = kSineTable[(q & 1) ? kHalf - j : j];
    const trig::SineRow& b = kSineTable[(q & 1) ? j : kHalf - j];
    const double signA = (q & 2) ? -1.0 : 1.0;
    const double signB = ((q + 1) & 2) ? -1.0 : 1.0;
    const double ah = signA * a.hi;
    const double bh = signB * b.hi;

    // bh * r.hi exactly (Dekker), with r.hi's halves shared by sine and cosine
    const double bHigh = signB * b.hiHigh, bLow = bh - bHigh;
    const double rLow = r.hi - powers.rHighHalf;
    const double product = bh * r.hi;
    const Pair p{product,
                 ((bHigh * powers.rHighHalf - product) + bHigh * rLow + bLow * powers.rHighHalf) + bLow * rLow};
    const Pair s = FastTwoSum(ah, p.hi);  // |A| >= 2 |B r| unless A is 0
    const double small = (s.lo + p.lo) + (signA * a.lo + signB * b.lo * r.hi + bh * r.lo);
    return {s.hi, (small + bh * powers.sinMinusR) + ah * powers.cosMinusOne};
}

// The arguments whose rounding the fast evaluation cannot decide are few, and
// some come back at every corner of a kind (the end of a right-angle arc is
// one): each thread keeps the slow path's last few answers.
struct SlowAnswer {
    std::uint64_t bits = 0;
    unsigned quarters = 4;  // none: only 0 (sine) and 1 (cosine) are asked
    double value = 0.0;
};
constexpr int kSlowAnswersKept = 8;
thread_local SlowAnswer t_slowAnswers[kSlowAnswersKept];
thread_local int t_nextSlowAnswer = 0;

double SlowSineOrCosine(double x, unsigned quarters)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);  // by its bits: -0.0 is not 0.0
    for (const SlowAnswer& kept : t_slowAnswers)
        if (kept.bits == bits && kept.quarters == quarters) return kept.value;
    (quarters == 0 ? g_slowSin : g_slowCos).fetch_add(1, std::memory_order_relaxed);
    const double value = quarters == 0 ? AccurateSin(x) : AccurateCos(x);
    t_slowAnswers[t_nextSlowAnswer] = {bits, quarters, value};
    t_nextSlowAnswer = (t_nextSlowAnswer + 1) % kSlowAnswersKept;
    return value;
}

// The correctly rounded value from the fast evaluation, or the slow path's.
double Rounded(const Pair& v, double x, unsigned quarters)
{
    double result = 0.0;
    if (RoundsSurely(v.hi, v.lo, kSineRelativeError * std::fabs(v.hi) + kReductionError, &result)) return result;
    return SlowSineOrCosine(x, quarters);
}

double SineOrCosine(double x, unsigned quarters)
{
    const Reduced r = Reduce(x);
    return Rounded(SineOfReduced(r, PowersOf(r), quarters), x, quarters);
}

bool OutOfRange(double x)
{
    return !(std::fabs(x) < 0x1p20);  // also NaN and infinities
}

// --- acos ---------------------------------------------------------------
//
// acos x = B + m asin t with (B, m, t) = (pi/2, -+1, |x|) for |x| <= 1/2 and
// (0 or pi, +-2, sqrt((1 - |x|) / 2)) beyond, where the square root keeps the
// precision near +-1 (1 - |x| is exact there). t is taken as head + tail,
// head of 26 significant bits. With c the table point nearest to t,
// asin(c + v) = a0 + a1 v + (terms from v^2 up): the table holds
// (B + m a0) / |m| as a double-double, and m a1High v is exact (v = head - c has
// 26 bits, a1High 27), so B + m (a0 + a1High v) is one exact double-double
// sum; the rest is summed in plain doubles.
//
// Error bound, relative to A = asin(head + tail), for |v + tail| <= h = 2^-10:
// - polynomial: below 2^-75 (make_trig_tables.py prints 2^-77.1);
// - tail: exact for |x| <= 1/2; beyond it, (w - head^2) / (t + head) is within
//   2^-51.4 of the true tail (w - head^2 is exact: head^2 has 52 bits and lies
//   within a factor 2 of w), and the tail is below 2^-25.9 t: under 2^-77 A;
// - the terms from v^2 up are at most 2^-20 of A (the generator prints it),
//   computed with 6.5 roundings of 2^-53 at most (u = v + tail and u^2 three,
//   two in Estrin's scheme, where each next term is at most 1/6 of the one
//   before, one in the product): 2^-70.3 A;
// - a1High tail + a1Low u is below 2^-25.7 A, its rounding 2^-78.7 A, and the
//   sum with the terms from v^2 up (below 2^-19.9 A) 2^-72.9 A;
// so asin's low part is within 2^-69.9 A. Since |B + m asin| >= |m| A,
// that is 2^-69.9 of acos; the two sums with the exact double-double's low
// part and the table's add 2^-72.9 of acos. The rounding test uses 2^-69.
constexpr double kArcCosineRelativeError = 0x1p-69;

// acos x = scale * bases[base] + m asin t: pi/2 -+ asin |x| for |x| <= 1/2,
// 2 asin t and pi - 2 asin t beyond.
struct ArcCosineFrame {
    int base;
    double scale, m;
};

ArcCosineFrame FrameOf(bool ends, bool negative)
{
    static constexpr double kFactors[2][2][2] = {{{1.0, -1.0}, {1.0, 1.0}}, {{2.0, 2.0}, {2.0, -2.0}}};
    const double* f = kFactors[ends][negative];
    return {int(negative) + int(!ends), f[0], f[1]};
}

// acos x from t = head + tail in [0, 1/2], head of 26 significant bits (see above).
double ArcCosine(double x, double t, double head, double tail, ArcCosineFrame frame)
{
    constexpr double kPoints = 2 * trig::kArcSineIntervals;
    constexpr double kShifter = 0x1.8p52;  // adding it rounds to a whole number, kept in the low bits
    const double shifted = t * kPoints + kShifter;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &shifted, sizeof bits);
    const trig::ArcSineRow& row = kArcSineTable[bits & 0x1ff];
    const double v = head - (shifted - kShifter) * (1.0 / kPoints);  // exact, 26 bits at most
    const double* base = row.bases[frame.base];
    // |B + m a0| >= 2 |m a1 v| unless it is 0
    const Pair sum = FastTwoSum(frame.scale * base[0], frame.m * (row.a1High * v));
    const double* a = row.a;  // a[0] is the coefficient of v^2
    const double u = v + tail;
    const double u2 = u * u;
    const double u4 = u2 * u2;
    // Estrin's scheme: shorter chains of dependent operations than Horner's.
    const double higher = u2 * (((a[0] + u * a[1]) + u2 * (a[2] + u * a[3])) + u4 * (a[4] + u * a[5]));
    const double rest = (row.a1High * tail + row.a1Low * u) + higher;
    const double low = (sum.lo + frame.scale * base[1]) + frame.m * rest;
    double rounded = 0.0;
    if (RoundsSurely(sum.hi, low, kArcCosineRelativeError * sum.hi, &rounded)) return rounded;
    g_slowAcos.fetch_add(1, std::memory_order_relaxed);
    return AccurateAcos(x, sum.hi, low);
}

}  // namespace

double ReproducibleSin(double x)
{
    if (std::fabs(x) < 0x1p-26) return x;  // |sin x - x| < half an ulp; keeps the sign of zero
    if (OutOfRange(x)) return std::isnan(x) || std::isinf(x) ? std::numeric_limits<double>::quiet_NaN() : std::sin(x);
    return SineOrCosine(x, 0);
}

double ReproducibleCos(double x)
{
    if (std::fabs(x) < 0x1p-27) return 1.0;  // 1 - x^2/2 rounds to 1
    if (OutOfRange(x)) return std::isnan(x) || std::isinf(x) ? std::numeric_limits<double>::quiet_NaN() : std::cos(x);
    return SineOrCosine(x, 1);
}

SineAndCosine ReproducibleSinCos(double x)
{
    // The cheap cases and the C library's range as the single functions take them.
    if (std::fabs(x) < 0x1p-26 || OutOfRange(x)) return {ReproducibleSin(x), ReproducibleCos(x)};
    const Reduced r = Reduce(x);
    const ReducedPowers powers = PowersOf(r);
    return {Rounded(SineOfReduced(r, powers, 0), x, 0), Rounded(SineOfReduced(r, powers, 1), x, 1)};
}

double ReproducibleAcos(double x)
{
    const double ax = std::fabs(x);
    if (!(ax < 1.0)) {
        if (ax == 1.0) return x > 0 ? 0.0 : trig::kPi[0];
        return std::numeric_limits<double>::quiet_NaN();
    }
    // The sign and the range from the bits: the table is read sooner than
    // through floating-point comparisons (that took 40 % off the cost per
    // call when measured).
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const bool ends = (bits & 0x7fffffffffffffffu) > 0x3fe0000000000000u;  // |x| > 1/2
    const double w = (1.0 - ax) * 0.5;  // exact when ends
    const double t = ends ? std::sqrt(w) : ax;
    const double head = HighHalf(t);
    // sqrt(w) - head = (w - head^2) / (sqrt(w) + head), w - head^2 exact
    const double tail = ends ? (w - head * head) / (t + head) : ax - head;
    return ArcCosine(x, t, head, tail, FrameOf(ends, negative));
}

ReproducibleMathSlowCalls ReproducibleMathSlowCallCounts()
{
    return {g_slowSin.load(std::memory_order_relaxed), g_slowCos.load(std::memory_order_relaxed),
            g_slowAcos.load(std::memory_order_relaxed)};
}

}  // namespace kerfmax
