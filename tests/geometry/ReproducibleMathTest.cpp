// The values below are the correctly rounded results (computed with 200-bit
// arithmetic). The same test runs on the Windows build, so both builds give
// these bits.
#include "geometry/ReproducibleMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kerfmax {
namespace {

TEST(ReproducibleMath, ResultsAreCorrectlyRoundedAtTheEdgesAndWhereTheCLibrariesMiss)
{
    struct Case {
        double x, acos;
    };
    const Case cases[] = {
        {0x1.0000000000000p-1, 0x1.0c152382d7366p+0},
        {-0x1.0000000000000p-1, 0x1.0c152382d7366p+1},
        {0x1.0000000000000p+0, 0x0.0p+0},
        {-0x1.0000000000000p+0, 0x1.921fb54442d18p+1},
        {0x0.0p+0, 0x1.921fb54442d18p+0},
        {0x1.ffffffffffffep-1, 0x1.6a09e667f3bcdp-26},
        {-0x1.fffffffffffffp-1, 0x1.921fb52442d18p+1},
        {0x1.6a09e667f3bcdp-1, 0x1.921fb54442d18p-1},
        {-0x1.ffffffff24190p-1, 0x1.921f3ea241378p+1},
        {0x1.56e1fc2f8f359p-997, 0x1.921fb54442d18p+0},
        {0x1.fffffffffffffp-2, 0x1.0c152382d7366p+0},
        {0x1.0000000000001p-1, 0x1.0c152382d7365p+0},
        {-0x1.bb67ae8584caap-1, 0x1.4f1a6c638d03fp+1},
        {0x1.e011f30106a88p-1, 0x1.6b8c51e2a43ffp-2},
        {-0x1.ddb4379a9c8b0p-1, 0x1.630210e711cf1p+1},
        {0x1.c78ae88f843eep-1, 0x1.e56a90f63179fp-2},
    };
    for (const Case& c : cases) EXPECT_EQ(ReproducibleAcos(c.x), c.acos) << std::hexfloat << c.x;
    // A law-of-cosines value a rounding step outside [-1, 1] has no angle.
    EXPECT_TRUE(std::isnan(ReproducibleAcos(1.0000000000000002)));
    EXPECT_TRUE(std::isnan(ReproducibleAcos(-1.0000000000000002)));
    EXPECT_TRUE(std::isnan(ReproducibleAcos(std::nan(""))));
    // A quarter turn places a turned job; one unit in the last place of this arc
    // point's cosine once moved a cut by a plotter unit.
    EXPECT_EQ(ReproducibleSin(0x1.921fb54442d18p+0), 1.0);
    EXPECT_EQ(ReproducibleCos(0x1.921fb54442d18p+0), 0x1.1a62633145c07p-54);
    EXPECT_EQ(ReproducibleSin(0x1.2e20e285fe00ep+1), 0x1.68854d4122d74p-1);
    EXPECT_EQ(ReproducibleCos(0x1.2e20e285fe00ep+1), -0x1.6b8ce030792edp-1);
}

TEST(ReproducibleMath, ArgumentsThatComeBackTakeTheSlowPathOnce)
{
    // The end of a right-angle arc and a step of another: the fast evaluation
    // cannot decide their rounding, and a job asks for them at every such corner.
    const double arcEnd = 0x1.921fb54442d19p+0, step = 0x1.5c92905e3040fp+0;
    const ReproducibleMathSlowCalls before = ReproducibleMathSlowCallCounts();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ReproducibleCos(arcEnd), -0x1.72cece675d1fdp-53);
        EXPECT_EQ(ReproducibleSinCos(-arcEnd).cosine, -0x1.72cece675d1fdp-53);
        EXPECT_EQ(ReproducibleSin(step), 0x1.f4d6b21309bdbp-1);
        EXPECT_EQ(ReproducibleSinCos(-step).sine, -0x1.f4d6b21309bdbp-1);
    }
    const ReproducibleMathSlowCalls after = ReproducibleMathSlowCallCounts();
    EXPECT_EQ(after.cos - before.cos, 2u);  // each sign once
    EXPECT_EQ(after.sin - before.sin, 2u);
}

}  // namespace
}  // namespace kerfmax
