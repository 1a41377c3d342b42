#include "geometry/ReproducibleMath.h"

#include <atomic>
#include <cmath>
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

// a * b exactly (Dekker, no fused multiply-add), aHigh = HighHalf(a).
Pair ExactProduct(double a, double aHigh, double b)
{
    const double aLow = a - aHigh;
    const double bHigh = HighHalf(b);
    const double bLow = b - bHigh;
    const double p = a * b;
    return {p, ((aHigh * bHigh - p) + aHigh * bLow + aLow * bHigh) + aLow * bLow};
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

Reduced Reduce(double x)
{
    constexpr double kShifter = 0x1.8p52;  // adding it rounds to a whole number
    const double n = (x * trig::kStepsPerRadian + kShifter) - kShifter;
    const double y = x - n * trig::kStepParts[0];  // exact: the two are close
    const Pair s = TwoSum(y, -(n * trig::kStepParts[1]));
    const Pair t = TwoSum(s.hi, -(n * trig::kStepParts[2]));
    const Pair r = TwoSum(t.hi, (s.lo + t.lo) - n * trig::kStepParts[3]);
    return {r.hi, r.lo, static_cast<std::int64_t>(n)};
}

// sin(x + quarters * pi/2) = A cos r + B sin r with A, B from the table.
// Relative error below 2^-66.4 of the result, plus the reduction's error.
constexpr double kSineRelativeError = 0x1p-66;

Pair SineOfReduced(const Reduced& r, unsigned quarters)
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

    const Pair p = ExactProduct(bh, signB * b.hiHigh, r.hi);
    const Pair s = FastTwoSum(ah, p.hi);  // |A| >= 2 |B r| unless A is 0
    const double r2 = r.hi * r.hi;
    const double cosMinusOne = r2 * (-0.5 + r2 * (1.0 / 24 + r2 * (-1.0 / 720))) - r.hi * r.lo;
    const double sinMinusR = r.hi * r2 * (-1.0 / 6 + r2 * (1.0 / 120 + r2 * (-1.0 / 5040)));
    const double small = (s.lo + p.lo) + (signA * a.lo + signB * b.lo * r.hi + bh * r.lo);
    return {s.hi, (small + bh * sinMinusR) + ah * cosMinusOne};
}

bool OutOfRange(double x)
{
    return !(std::fabs(x) < 0x1p20);  // also NaN and infinities
}

double SineOrCosine(double x, unsigned quarters)
{
    const Pair v = SineOfReduced(Reduce(x), quarters);
    double result = 0.0;
    if (RoundsSurely(v.hi, v.lo, kSineRelativeError * std::fabs(v.hi) + kReductionError, &result)) return result;
    if (quarters == 0) {
        g_slowSin.fetch_add(1, std::memory_order_relaxed);
        return AccurateSin(x);
    }
    g_slowCos.fetch_add(1, std::memory_order_relaxed);
    return AccurateCos(x);
}

// --- acos ---------------------------------------------------------------

// asin(t) for t = hi + tail in [0, 1/2], |tail| <= ulp(hi)/2, from the
// polynomial of the nearest table point. Relative error below 2^-67.6.
constexpr double kArcSineRelativeError = 0x1p-67;

Pair ArcSine(double t, double tail)
{
    constexpr double kPoints = 2 * trig::kArcSineIntervals;
    constexpr double kShifter = 0x1.8p52;  // adding it rounds to a whole number, kept in the low bits
    const double shifted = t * kPoints + kShifter;
    const double v = t - (shifted - kShifter) * (1.0 / kPoints);  // exact
    std::uint64_t bits = 0;
    std::memcpy(&bits, &shifted, sizeof bits);
    const trig::ArcSineRow& row = kArcSineTable[bits & 0xff];
    const double* a = row.a;  // a[0] is the coefficient of v^2
    const Pair p = ExactProduct(row.a1, row.a1High, v);
    const Pair s = FastTwoSum(row.a0, p.hi);
    // Estrin's scheme: shorter chains of dependent operations than Horner's.
    const double v2 = v * v;
    const double v4 = v2 * v2;
    const double low = (a[0] + v * a[1]) + v2 * (a[2] + v * a[3]);
    const double high = (a[4] + v * a[5]) + v2 * a[6];
    const double higher = v2 * (low + v4 * high);
    // The tail moves the result by tail * asin'(t), the series' derivative.
    const double tailPart = tail * (row.a1 + v * (2.0 * a[0] + 3.0 * a[1] * v));
    const double small = (s.lo + p.lo) + (row.a0Low + row.a1Low * v + tailPart);
    return {s.hi, small + higher};
}

// sqrt(w) as hi + lo for 0 < w <= 1/4.
Pair SquareRoot(double w)
{
    const double hi = std::sqrt(w);
    const Pair square = ExactProduct(hi, HighHalf(hi), hi);
    return {hi, ((w - square.hi) - square.lo) / (hi + hi)};  // w - square.hi is exact
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

double ReproducibleAcos(double x)
{
    const double ax = std::fabs(x);
    if (!(ax < 1.0)) {
        if (ax == 1.0) return x > 0 ? 0.0 : trig::kPi[0];
        return std::numeric_limits<double>::quiet_NaN();
    }
    // Middle: acos x = pi/2 - asin x. Near the ends: acos |x| = 2 asin t with
    // t = sqrt((1 - |x|) / 2), which keeps its precision near 1 (1 - |x| is exact).
    const bool middle = ax <= 0.5;
    const Pair t = middle ? Pair{ax, 0.0} : SquareRoot((1.0 - ax) * 0.5);
    const Pair s = ArcSine(t.hi, t.lo);
    Pair result;
    double error = kArcSineRelativeError * std::fabs(s.hi) + 0x1p-100;
    if (middle) {
        const double sign = x < 0 ? -1.0 : 1.0;
        const Pair h = FastTwoSum(trig::kHalfPi[0], -sign * s.hi);
        result = {h.hi, h.lo + (trig::kHalfPi[1] - sign * s.lo)};
    } else if (x > 0) {
        result = {2.0 * s.hi, 2.0 * s.lo};
        error = 2.0 * kArcSineRelativeError * std::fabs(s.hi);
    } else {
        const Pair h = FastTwoSum(trig::kPi[0], -2.0 * s.hi);
        result = {h.hi, h.lo + (trig::kPi[1] - 2.0 * s.lo)};
        error = 2.0 * error;
    }
    double rounded = 0.0;
    if (RoundsSurely(result.hi, result.lo, error, &rounded)) return rounded;
    g_slowAcos.fetch_add(1, std::memory_order_relaxed);
    return AccurateAcos(x, result.hi, result.lo);
}

ReproducibleMathSlowCalls ReproducibleMathSlowCallCounts()
{
    return {g_slowSin.load(std::memory_order_relaxed), g_slowCos.load(std::memory_order_relaxed),
            g_slowAcos.load(std::memory_order_relaxed)};
}

}  // namespace kerfmax
