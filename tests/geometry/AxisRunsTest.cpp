// Simplifying axis-parallel runs: input nodes and expected nodes side by side.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "geometry/AxisRuns.h"

namespace kerfmax {
namespace {

constexpr int U = KIND_PEN_UP, D = KIND_PEN_DOWN, N = KIND_NONE;
using Nodes = std::vector<std::tuple<int, int, int>>;   // kind, x, y: comparable and printable

Nodes Simplified(const Nodes& input)
{
    PointList points;
    for (auto [kind, x, y] : input) points.push_back({kind, x, y});
    SimplifyAxisRuns(points);
    Nodes output;
    for (const PointNode& n : points) output.emplace_back(n.kind, n.x, n.y);
    return output;
}

TEST(AxisRuns, OnlyTheEndOfEachRunAndNoRepeatedPointSurvives)
{
    const Nodes square{{U, 0, 0}, {D, 10, 0}, {D, 10, 10}, {D, 0, 10}, {D, 0, 0}};
    const struct {
        const char* what;
        Nodes input, expected;
    } cases[] = {
        {"horizontal run", {{U, 0, 0}, {D, 1, 0}, {D, 2, 0}, {D, 3, 0}, {D, 3, 5}}, {{U, 0, 0}, {D, 3, 0}, {D, 3, 5}}},
        {"vertical run", {{U, 0, 0}, {D, 0, 1}, {D, 0, 2}, {D, 0, 3}, {D, 5, 3}}, {{U, 0, 0}, {D, 0, 3}, {D, 5, 3}}},
        {"square of five corners", square, square},
        {"repeated point; the spare stays a placeholder", {{U, 0, 0}, {D, 10, 10}, {D, 10, 10}, {D, 20, 0}},
         {{U, 0, 0}, {D, 10, 10}, {D, 20, 0}, {N, 0, 0}}},
        {"run ended by a pen-up", {{U, 0, 0}, {D, 5, 0}, {D, 9, 0}, {U, 20, 0}, {D, 20, 7}},
         {{U, 0, 0}, {D, 9, 0}, {U, 20, 0}, {D, 20, 7}}},
        // A job ending in a Bezier ends in a placeholder: the pending end of the
        // run must become a pen-down, not a second placeholder.
        {"horizontal run before a placeholder", {{U, 0, 0}, {D, 10, 0}, {D, 20, 0}, {N, 0, 0}}, {{U, 0, 0}, {D, 20, 0}}},
        {"vertical run before a placeholder", {{U, 0, 5}, {D, 0, 10}, {D, 0, 20}, {N, 0, 0}}, {{U, 0, 5}, {D, 0, 20}}},
        // The placeholder's x of 0 ends the vertical run at x = 5.
        {"placeholder reads as the origin", {{U, 5, 5}, {D, 5, 10}, {N, 0, 0}}, {{U, 5, 5}, {D, 5, 10}, {N, 0, 0}}},
        {"empty list", {}, {{N, 0, 0}}},
        {"placeholder only", {{N, 0, 0}}, {{N, 0, 0}}},
    };
    for (const auto& c : cases) EXPECT_EQ(Simplified(c.input), c.expected) << c.what;
}

}  // namespace
}  // namespace kerfmax
