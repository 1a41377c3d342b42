#include "geometry/AccurateTrigonometry.h"

#include <cmath>

#include "geometry/TrigonometryTables.h"
#include "geometry/WideFixed.h"

namespace kerfmax {

namespace {

const WideFixed& HalfPi()
{
    static const WideFixed halfPi = WideFixed::FromWords(trig::kHalfPiWords, trig::kHalfPiWordCount);
    return halfPi;
}

struct SineAndCosine {
    SignedWide sine, cosine;
};

// sin and cos of r / 2^8 from their Taylor series (the positive and negative
// terms summed apart), then eight doublings; 0 <= r <= pi/2 and a little more.
// The doublings lose 8 of the 288 bits.
SineAndCosine SeriesNearZero(const WideFixed& r)
{
    constexpr int kHalvings = 8;
    const WideFixed small = r.DividedBy(1u << kHalvings);
    WideFixed sums[2][2];  // [sine, cosine][added, subtracted]
    WideFixed term = WideFixed::FromDouble(1.0);
    sums[1][0] = term;
    for (std::uint32_t n = 1; !term.IsZero(); ++n) {
        term = (term * small).DividedBy(n);  // small^n / n!
        const int function = n % 2 == 1 ? 0 : 1;
        const int sign = (n / 2) % 2;
        sums[function][sign] = sums[function][sign] + term;
    }
    WideFixed sine = sums[0][0] - sums[0][1];
    SignedWide cosine{sums[1][0] - sums[1][1], false};
    for (int i = 0; i < kHalvings; ++i) {
        // sin 2a = 2 sin a cos a, cos 2a = cos^2 a - sin^2 a; cos stays >= 0 up to rounding
        const WideFixed s = (sine * cosine.magnitude).MultipliedBy(2);
        cosine = Difference(cosine.magnitude * cosine.magnitude, sine * sine);
        sine = s;
    }
    return {{sine, false}, cosine};
}

// sin and cos of a wide value v >= 0 below 2^20: v = k pi/2 + r.
SineAndCosine OfWide(const WideFixed& v, double approximate)
{
    std::uint32_t quarters = static_cast<std::uint32_t>(approximate * 0.63661977236758134);  // 2/pi
    WideFixed whole = HalfPi().MultipliedBy(quarters);
    while (v < whole) {
        --quarters;
        whole = whole - HalfPi();
    }
    WideFixed r = v - whole;
    while (!(r < HalfPi())) {
        ++quarters;
        r = r - HalfPi();
    }
    SineAndCosine sc = SeriesNearZero(r);
    for (std::uint32_t q = 0; q < (quarters & 3); ++q) {
        // a quarter turn: (sin, cos) -> (cos, -sin)
        SignedWide sine = sc.cosine;
        sc.cosine = sc.sine;
        sc.cosine.negative = !sc.cosine.negative;
        sc.sine = sine;
    }
    return sc;
}

}  // namespace

double AccurateSin(double x)
{
    const double a = std::fabs(x);
    const double s = ToDouble(OfWide(WideFixed::FromDouble(a), a).sine);
    return x < 0 ? -s : s;
}

double AccurateCos(double x)
{
    const double a = std::fabs(x);
    return ToDouble(OfWide(WideFixed::FromDouble(a), a).cosine);
}

double AccurateAcos(double x, double guess, double guessTail)
{
    // Newton's method on cos(y) = x from the guess: each step squares the
    // relative error, so two steps from 2^-60 give far more bits than the
    // rounding needs.
    WideFixed y =
        Sum({WideFixed::FromDouble(guess), false}, {WideFixed::FromDouble(std::fabs(guessTail)), guessTail < 0})
            .magnitude;
    const SignedWide target{WideFixed::FromDouble(std::fabs(x)), x < 0};
    for (int step = 0; step < 2; ++step) {
        const SineAndCosine sc = OfWide(y, y.ToDouble());
        SignedWide residual = Sum(sc.cosine, {target.magnitude, !target.negative});  // cos y - x
        const double correction = ToDouble(residual) / ToDouble(sc.sine);  // sin y > 0
        const SignedWide moved = Sum({y, false}, {WideFixed::FromDouble(std::fabs(correction)), correction < 0});
        y = moved.magnitude;
    }
    return y.ToDouble();
}

}  // namespace kerfmax
