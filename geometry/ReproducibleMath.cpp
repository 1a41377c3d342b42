#include "geometry/ReproducibleMath.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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
// acos x = m (B + asin t) with (m, B, t) = (-1, -pi/2, x) for 0 <= x <= 1/2,
// (1, pi/2, -x) for -1/2 <= x < 0, and (2, 0, r) or (-2, -pi/2, r) for x
// beyond +-1/2, where r = sqrt(w), w = (1 - |x|) / 2, keeps the precision near
// +-1 (w is exact there). m is a power of two, so scaling by it commutes with
// the rounding: only S = B + asin t is rounded and tested.
//
// t is the double nearest to r (or |x|) and c the table point nearest to t.
// With head = t cut to 26 significant bits, v = head - c (exact, 26 bits) and
// tail = r - head, u = v + tail is r - c, |u| <= h = 2^-12, and
// asin(c + u) = a0 + a1High v + a1High tail + a1Low u + a2 u^2 + ... + a5 u^5.
// The table holds B + a0 as a double-double; a1High (27 bits) times v is
// exact, so B + a0 + a1High v is one exact double-double sum, and the rest is
// summed in plain doubles. Beyond +-1/2, tail = (w - head^2) / (t + head)
// (w - head^2 is exact); within, tail = t - head and u = t - c are exact.
//
// Error bound, relative to A = asin r (asin |x| within +-1/2; |S| >= A):
// - polynomial: below 2^-75.5 (make_trig_tables.py prints 2^-75.7);
// - tail: t + head is within 2^-52.4 of r + head, so the quotient within
//   2^-51.7 of the true tail; the tail is below 2^-25 t: 2^-76.5 A;
// - the terms from u^2 up: their sum is at most 2^-24.3 of A (the generator
//   prints it), the sum of their sizes 2^-23.7 (each is at most a sixth of
//   the one before), computed with six roundings of 2^-53 (u and u^2 three,
//   two in Estrin's scheme, one in the product): 2^-74.1 A;
// - the three sums into the low part, of terms below 2^-23.2 A: 2^-75 A.
// Together below 2^-72.9 A. The rounding test uses 2^-71.
constexpr double kArcCosineRelativeError = 0x1p-71;

// The upper 26 significant bits of a >= 0, cut off by a mask.
double UpperBits(double a)
{
#if defined(__SSE2__) || defined(_M_X64)
    // On the vector unit: a trip through the integer registers would delay
    // everything that follows (measured: 3 % of the call).
    return _mm_cvtsd_f64(_mm_and_pd(_mm_set_sd(a), _mm_castsi128_pd(_mm_set1_epi64x(-0x8000000LL))));
#else
    std::uint64_t bits = 0;
    std::memcpy(&bits, &a, sizeof bits);
    bits &= 0xfffffffff8000000u;
    std::memcpy(&a, &bits, sizeof bits);
    return a;
#endif
}

// acos x = m (B + asin t); the table's bases are B + a0 for B = 0, -pi/2 and pi/2.
struct ArcCosineFrame {
    int base;
    double m;
};

ArcCosineFrame FrameOf(bool ends, bool negative)
{
    static constexpr double kMultipliers[2][2] = {{-1.0, 1.0}, {2.0, -2.0}};
    return {int(negative) + int(!ends), kMultipliers[ends][negative]};
}

// acos x from t, head and tail as above.
double ArcCosine(double x, double t, double head, double tail, ArcCosineFrame frame)
{
    // Adding it rounds t to a table point, whose number stays in the low bits.
    constexpr double kShifter = 0x1.8p52 / (2 * trig::kArcSineIntervals);
    const double shifted = t + kShifter;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &shifted, sizeof bits);
    const trig::ArcSineRow& row = kArcSineTable[bits & (2 * trig::kArcSineIntervals - 1)];
    const double v = head - (shifted - kShifter);
    const double u = v + tail;
    const double* base = row.bases[frame.base];
    const Pair sum = FastTwoSum(base[0], row.a1High * v);  // |B + a0| >= |a1 v| unless it is 0
    const double* a = row.a;  // a[0] is the coefficient of u^2
    const double u2 = u * u;
    // Estrin's scheme: shorter chains of dependent operations than Horner's.
    const double higher = u2 * ((a[0] + u * a[1]) + u2 * (a[2] + u * a[3]));
    const double rest = (row.a1High * tail + row.a1Low * u) + higher;
    const double low = (sum.lo + base[1]) + rest;
    double rounded = 0.0;
    if (RoundsSurely(sum.hi, low, kArcCosineRelativeError * sum.hi, &rounded)) return frame.m * rounded;
    g_slowAcos.fetch_add(1, std::memory_order_relaxed);
    return AccurateAcos(x, frame.m * sum.hi, frame.m * low);
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
    // The sign and the range from the bits: the table is read sooner than
    // through floating-point comparisons.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    const std::uint64_t magnitude = bits & 0x7fffffffffffffffu;
    if (magnitude >= 0x3ff0000000000000u) {  // |x| >= 1, or NaN
        if (magnitude == 0x3ff0000000000000u) return x > 0 ? 0.0 : trig::kPi[0];
        return std::numeric_limits<double>::quiet_NaN();
    }
    const bool negative = (bits >> 63) != 0;
    const double ax = std::fabs(x);
    if (magnitude <= 0x3fe0000000000000u) {  // |x| <= 1/2
        const double head = UpperBits(ax);
        return ArcCosine(x, ax, head, ax - head, FrameOf(false, negative));
    }
    const double w = (1.0 - ax) * 0.5;  // exact
    const double t = std::sqrt(w);
    const double head = UpperBits(t);
    // sqrt(w) - head = (w - head^2) / (sqrt(w) + head), w - head^2 exact
    return ArcCosine(x, t, head, (w - head * head) / (t + head), FrameOf(true, negative));
}

ReproducibleMathSlowCalls ReproducibleMathSlowCallCounts()
{
    return {g_slowSin.load(std::memory_order_relaxed), g_slowCos.load(std::memory_order_relaxed),
            g_slowAcos.load(std::memory_order_relaxed)};
}

}  // namespace kerfmax
