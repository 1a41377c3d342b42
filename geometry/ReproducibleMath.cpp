#include "geometry/ReproducibleMath.h"

#include <cmath>
#include <limits>

namespace kerfmax {

namespace {

// A value as an unevaluated sum hi + lo with |lo| <= half an ulp of hi.
struct DoubleDouble {
    double hi;
    double lo;
};

DoubleDouble TwoSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

DoubleDouble FastTwoSum(double a, double b)  // |a| >= |b|
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's exact product, without fused multiply-add.
DoubleDouble TwoProduct(double a, double b)
{
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double ca = kSplitter * a;
    const double ah = ca - (ca - a);
    const double al = a - ah;
    const double cb = kSplitter * b;
    const double bh = cb - (cb - b);
    const double bl = b - bh;
    const double p = a * b;
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}

DoubleDouble Add(DoubleDouble a, DoubleDouble b)
{
    const DoubleDouble s = TwoSum(a.hi, b.hi);
    const DoubleDouble t = TwoSum(a.lo, b.lo);
    DoubleDouble u = FastTwoSum(s.hi, s.lo + t.hi);
    return FastTwoSum(u.hi, u.lo + t.lo);
}

DoubleDouble Multiply(DoubleDouble a, DoubleDouble b)
{
    const DoubleDouble p = TwoProduct(a.hi, b.hi);
    return FastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

DoubleDouble Negated(DoubleDouble a)
{
    return {-a.hi, -a.lo};
}

double Rounded(DoubleDouble a)
{
    return a.hi + a.lo;
}

constexpr DoubleDouble kHalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
constexpr DoubleDouble kPi = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
constexpr double kHalfPiThird = -0x1.f1976b7ed8fbcp-110;

// 1/n! for n = 0..kSeriesTerms, built with the same operations on every build.
constexpr int kSeriesTerms = 29;

struct Reciprocals {
    DoubleDouble factorial[kSeriesTerms + 1];
    Reciprocals()
    {
        factorial[0] = {1.0, 0.0};
        for (int n = 1; n <= kSeriesTerms; ++n) {
            const DoubleDouble previous = factorial[n - 1];
            const double q = previous.hi / n;
            const DoubleDouble back = TwoProduct(q, static_cast<double>(n));
            factorial[n] = FastTwoSum(q, ((previous.hi - back.hi) - back.lo + previous.lo) / n);
        }
    }
};

// sin(z) for |z| <= pi/4 to about 2^-104: the Taylor series up to z^29.
DoubleDouble SineSeries(DoubleDouble z)
{
    static const Reciprocals reciprocals;
    const DoubleDouble z2 = Multiply(z, z);
    DoubleDouble sum = {0.0, 0.0};
    for (int n = kSeriesTerms; n >= 3; n -= 2) {
        const DoubleDouble term = reciprocals.factorial[n];
        sum = Multiply(Add(sum, (n / 2) % 2 == 1 ? Negated(term) : term), z2);
    }
    return Add(z, Multiply(sum, z));
}

// Minimax kernels on [-pi/4, pi/4] with the coefficients published for
// fdlibm's __kernel_sin and __kernel_cos; y is the tail of a reduced argument.
// (Double-double series here would be exact more often, but would make the
// compensation of a big job three times slower; a last-bit difference of an
// arc point's sine moves no truncated coordinate in practice.)
double SineKernel(double x, double y)
{
    constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                     S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                     S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
    const double z = x * x;
    const double w = z * z;
    const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const double v = z * x;
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

double CosineKernel(double x, double y)
{
    constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03, C3 = 2.48015872894767294178e-05,
                     C4 = -2.75573143513906633035e-07, C5 = 2.08757232129817482790e-09,
                     C6 = -1.13596475577881948265e-11;
    const double z = x * x;
    const double w = z * z;
    const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    const double hz = 0.5 * z;
    const double one = 1.0 - hz;
    return one + (((1.0 - one) - hz) + (z * r - x * y));
}

// x - n * pi/2 with n the nearest whole number, as head and tail; n mod 4 in *quadrant.
DoubleDouble ReduceQuarterTurns(double x, int* quadrant)
{
    const double n = std::floor(x * 0x1.45f306dc9c883p-1 + 0.5);  // x * 2/pi
    const DoubleDouble p1 = TwoProduct(n, kHalfPi.hi);
    const DoubleDouble p2 = TwoProduct(n, kHalfPi.lo);
    DoubleDouble r = TwoSum(x - p1.hi, -p1.lo);  // x - p1.hi is exact: the two are close
    r = Add(r, Negated(p2));
    r = Add(r, {-n * kHalfPiThird, 0.0});
    *quadrant = static_cast<int>(static_cast<long long>(n) & 3);
    return r;
}

bool OutOfRange(double x)
{
    return !(std::fabs(x) < 0x1p20);  // also NaN and infinities
}

// asin(s) for 0 <= s <= 0.71 (so that asin(s) <= pi/4), to about 2^-104:
// one Newton step from the C library's value, which is good to a few ulps.
DoubleDouble ArcSineNear(DoubleDouble s)
{
    const double z0 = std::asin(s.hi);
    const DoubleDouble residual = Add(SineSeries({z0, 0.0}), Negated(s));
    const double correction = -(residual.hi + residual.lo) / CosineKernel(z0, 0.0);
    return TwoSum(z0, correction);
}

DoubleDouble SquareRoot(double v)
{
    const double s = std::sqrt(v);
    if (s == 0.0) return {0.0, 0.0};
    const DoubleDouble square = TwoProduct(s, s);
    return FastTwoSum(s, ((v - square.hi) - square.lo) / (2.0 * s));
}

}  // namespace

double ReproducibleSin(double x)
{
    if (x == 0.0) return x;  // keeps the sign of zero
    if (OutOfRange(x)) return std::isinf(x) ? std::numeric_limits<double>::quiet_NaN() : std::sin(x);
    int quadrant = 0;
    const DoubleDouble r = ReduceQuarterTurns(x, &quadrant);
    switch (quadrant) {
    case 0: return SineKernel(r.hi, r.lo);
    case 1: return CosineKernel(r.hi, r.lo);
    case 2: return -SineKernel(r.hi, r.lo);
    default: return -CosineKernel(r.hi, r.lo);
    }
}

double ReproducibleCos(double x)
{
    if (x == 0.0) return 1.0;
    if (OutOfRange(x)) return std::isinf(x) ? std::numeric_limits<double>::quiet_NaN() : std::cos(x);
    int quadrant = 0;
    const DoubleDouble r = ReduceQuarterTurns(x, &quadrant);
    switch (quadrant) {
    case 0: return CosineKernel(r.hi, r.lo);
    case 1: return -SineKernel(r.hi, r.lo);
    case 2: return -CosineKernel(r.hi, r.lo);
    default: return SineKernel(r.hi, r.lo);
    }
}

double ReproducibleAcos(double x)
{
    if (std::isnan(x) || std::fabs(x) > 1.0) return std::numeric_limits<double>::quiet_NaN();
    DoubleDouble result;
    if (x >= 0.0 && x <= 0.5) {
        result = Add(kHalfPi, Negated(ArcSineNear({x, 0.0})));  // pi/2 - asin(x)
    } else if (x < 0.0 && x >= -0.5) {
        result = Add(kHalfPi, ArcSineNear({-x, 0.0}));
    } else if (x > 0.0) {
        // 2 asin(sqrt((1 - x) / 2)) keeps its precision near 1; 1 - x is exact here.
        const DoubleDouble a = ArcSineNear(SquareRoot((1.0 - x) * 0.5));
        result = {2.0 * a.hi, 2.0 * a.lo};
    } else {
        const DoubleDouble a = ArcSineNear(SquareRoot((1.0 + x) * 0.5));
        result = Add(kPi, {-2.0 * a.hi, -2.0 * a.lo});
    }
    return Rounded(result);
}

}  // namespace kerfmax
