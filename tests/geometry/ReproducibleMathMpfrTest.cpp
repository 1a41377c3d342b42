// Our sin, cos and acos against MPFR's correctly rounded values. A quick
// sample runs in the suite; KERFMAX_TRIG_SAMPLES=10000000 gives the long run.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "geometry/AccurateTrigonometry.h"
#include "geometry/ReproducibleMath.h"
#include "geometry/TrigonometryTables.h"

namespace kerfmax {
namespace {

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

double Exact(MpfrFunction f, double x)
{
    mpfr_t in, out;
    mpfr_inits2(53, in, out, static_cast<mpfr_ptr>(nullptr));
    mpfr_set_d(in, x, MPFR_RNDN);
    mpfr_subnormalize(out, f(out, in, MPFR_RNDN), MPFR_RNDN);
    const double result = mpfr_get_d(out, MPFR_RNDN);
    mpfr_clears(in, out, static_cast<mpfr_ptr>(nullptr));
    return result;
}

long Samples()
{
    const char* text = std::getenv("KERFMAX_TRIG_SAMPLES");
    return text ? std::atol(text) : 100000;
}

// xorshift64: the same arguments on every run and system.
struct Random {
    std::uint64_t state = 0x2545f4914f6cdd1du;
    std::uint64_t Next() { return state ^= state << 13, state ^= state >> 7, state ^= state << 17; }
    double Unit() { return double(Next() >> 11) * 0x1p-53; }
};

// Angles below 2^20: evenly spread, spread over the binades from 2^-30, and
// the doubles nearest to multiples of pi/2 with their neighbours (where the
// reduction cancels most).
std::vector<double> Angles(long count)
{
    Random random;
    std::vector<double> angles;
    angles.reserve(count);
    const long quarterTurns = 667544;  // below 2^20 / (pi/2)
    for (long i = 0; i < count; ++i) {
        const double sign = random.Next() & 1 ? -1.0 : 1.0;
        double x = 0.0;
        switch (i % 3) {
        case 0: x = random.Unit() * 0x1p20; break;
        case 1: x = std::ldexp(1.0 + random.Unit(), -30 + int(random.Next() % 50)); break;
        default:
            x = double(random.Next() % quarterTurns) * 1.5707963267948966;
            for (std::uint64_t steps = random.Next() % 3; steps > 0; --steps) x = std::nextafter(x, 0x1p21);
        }
        angles.push_back(sign * x);
    }
    return angles;
}

// Cosines: evenly spread, near the ends (1 - 2^-k), near 0 and subnormal,
// and around every point where the fast path changes its polynomial (t or
// sqrt((1 - |x|) / 2) halfway between two table points), where the offset
// from the table point is largest.
std::vector<double> Cosines(long count)
{
    Random random;
    std::vector<double> cosines = {
        0.0, -0.0, 1.0, -1.0, 0x1p-1074, -0x1p-1074, 0x1.fffffffffffffp-1, -0x1.fffffffffffffp-1, 0.5, -0.5};
    for (const double half : {0x1.0000000000001p-1, 0x1.fffffffffffffp-2})  // where the paths meet
        cosines.insert(cosines.end(), {half, -half});
    for (int k = 0; k < trig::kArcSineIntervals; ++k) {
        const double t = (2 * k + 1) / (4.0 * trig::kArcSineIntervals);
        for (double x : {t, 1.0 - 2.0 * t * t}) {
            double near = x;
            for (int step = 0; step < 3; ++step) near = std::nextafter(near, 0.0);
            for (int step = 0; step < 7; ++step, near = std::nextafter(near, 2.0))
                if (std::fabs(near) <= 1.0) cosines.insert(cosines.end(), {near, -near});
        }
    }
    for (long i = 0; i < count; ++i) {
        const double sign = random.Next() & 1 ? -1.0 : 1.0;
        const int k = int(random.Next() % 53);
        switch (i % 3) {
        case 0: cosines.push_back(sign * random.Unit()); break;
        case 1: cosines.push_back(sign * (1.0 - std::ldexp(random.Unit(), -k))); break;
        default: cosines.push_back(sign * std::ldexp(random.Unit(), -20 * k)); break;
        }
    }
    return cosines;
}

void ExpectAllEqual(const char* name, double (*ours)(double), MpfrFunction exact, const std::vector<double>& xs)
{
    long differences = 0;
    for (const double x : xs) {
        const double mine = ours(x), right = Exact(exact, x);
        if (mine != right && !(std::isnan(mine) && std::isnan(right)) && ++differences <= 10)
            ADD_FAILURE() << name << std::hexfloat << "(" << x << ") = " << mine << ", correctly rounded " << right;
    }
    EXPECT_EQ(differences, 0) << name;
}

TEST(ReproducibleMathMpfr, EveryResultIsTheCorrectlyRoundedOneAndTheSlowPathIsRare)
{
    const long count = Samples();
    const std::vector<double> angles = Angles(count);
    const std::vector<double> cosines = Cosines(count);
    const ReproducibleMathSlowCalls before = ReproducibleMathSlowCallCounts();
    ExpectAllEqual("sin", ReproducibleSin, mpfr_sin, angles);
    ExpectAllEqual("cos", ReproducibleCos, mpfr_cos, angles);
    ExpectAllEqual(
        "sincos.sine", [](double x) { return ReproducibleSinCos(x).sine; }, mpfr_sin, angles);
    ExpectAllEqual(
        "sincos.cosine", [](double x) { return ReproducibleSinCos(x).cosine; }, mpfr_cos, angles);
    ExpectAllEqual("acos", ReproducibleAcos, mpfr_acos, cosines);
    const ReproducibleMathSlowCalls after = ReproducibleMathSlowCallCounts();
    // sine and cosine ran twice each
    const std::uint64_t slow[3] = {(after.sin - before.sin) / 2, (after.cos - before.cos) / 2,
                                   after.acos - before.acos};
    for (std::uint64_t s : slow) EXPECT_LT(s, std::uint64_t(count / 1000 + 10));  // about one in 10^4
    std::printf("slow path: sin %llu, cos %llu, acos %llu times in %ld calls each\n", (unsigned long long)slow[0],
                (unsigned long long)slow[1], (unsigned long long)slow[2], count);
}

// The random run reaches the wide path a few times only: check it directly.
TEST(ReproducibleMathMpfr, TheWidePathIsCorrectlyRoundedToo)
{
    const long count = Samples() / 50;
    std::vector<double> angles;
    for (double x : Angles(count))
        if (std::fabs(x) >= 0x1p-26) angles.push_back(x);
    std::vector<double> cosines;
    for (double x : Cosines(count))
        if (std::fabs(x) < 1.0) cosines.push_back(x);
    ExpectAllEqual("wide sin", AccurateSin, mpfr_sin, angles);
    ExpectAllEqual("wide cos", AccurateCos, mpfr_cos, angles);
    // Started from the C library's value (a few ulps off), not the fast path's.
    ExpectAllEqual(
        "wide acos", [](double x) { return AccurateAcos(x, std::acos(x), 0.0); }, mpfr_acos, cosines);
}

}  // namespace
}  // namespace kerfmax
