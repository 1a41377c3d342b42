// Simplifying axis-parallel runs: input nodes and expected nodes side by side.
#include <gtest/gtest.h>

#include "geometry/AxisRuns.h"
#include "support/GeometryText.h"

namespace kerfmax {
namespace {

TEST(AxisRuns, OnlyTheEndOfEachRunAndNoRepeatedPointSurvives)
{
    const char* square = "U0,0 D10,0 D10,10 D0,10 D0,0";
    const struct {
        const char* what;
        const char* input;
        const char* expected;
    } cases[] = {
        {"horizontal run", "U0,0 D1,0 D2,0 D3,0 D3,5", "U0,0 D3,0 D3,5"},
        {"vertical run", "U0,0 D0,1 D0,2 D0,3 D5,3", "U0,0 D0,3 D5,3"},
        {"square of five corners", square, square},
        {"repeated point; the spare stays a placeholder", "U0,0 D10,10 D10,10 D20,0", "U0,0 D10,10 D20,0 N0,0"},
        {"run ended by a pen-up", "U0,0 D5,0 D9,0 U20,0 D20,7", "U0,0 D9,0 U20,0 D20,7"},
        // A job ending in a Bezier ends in a placeholder: the pending end of the
        // run must become a pen-down, not a second placeholder.
        {"horizontal run before a placeholder", "U0,0 D10,0 D20,0 N", "U0,0 D20,0"},
        {"vertical run before a placeholder", "U0,5 D0,10 D0,20 N", "U0,5 D0,20"},
        // The placeholder's x of 0 ends the vertical run at x = 5.
        {"placeholder reads as the origin", "U5,5 D5,10 N", "U5,5 D5,10 N0,0"},
        {"empty list", "", "N0,0"},
        {"placeholder only", "N", "N0,0"},
    };
    for (const auto& c : cases) {
        PointList points = test::NodesFrom(c.input);
        SimplifyAxisRuns(points);
        EXPECT_EQ(test::NodesText(points), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace kerfmax
