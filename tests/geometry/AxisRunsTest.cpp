#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "geometry/AxisRuns.h"

namespace kerfmax {
namespace {

constexpr std::int32_t U = KIND_PEN_UP;
constexpr std::int32_t D = KIND_PEN_DOWN;
constexpr std::int32_t N = KIND_NONE;

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

TEST(AxisRuns, HorizontalRunKeepsOnlyItsEnd)
{
    EXPECT_EQ(Simplified({{U, 0, 0}, {D, 1, 0}, {D, 2, 0}, {D, 3, 0}, {D, 3, 5}}),
              (Nodes{{U, 0, 0}, {D, 3, 0}, {D, 3, 5}}));
}

TEST(AxisRuns, VerticalRunKeepsOnlyItsEnd)
{
    EXPECT_EQ(Simplified({{U, 0, 0}, {D, 0, 1}, {D, 0, 2}, {D, 0, 3}, {D, 5, 3}}),
              (Nodes{{U, 0, 0}, {D, 0, 3}, {D, 5, 3}}));
}

TEST(AxisRuns, SquareOfFiveCornersIsUnchanged)
{
    Nodes square{{U, 0, 0}, {D, 10, 0}, {D, 10, 10}, {D, 0, 10}, {D, 0, 0}};
    EXPECT_EQ(Simplified(square), square);
}

TEST(AxisRuns, RepeatedPointIsDroppedAndTheSpareStaysAPlaceholder)
{
    EXPECT_EQ(Simplified({{U, 0, 0}, {D, 10, 10}, {D, 10, 10}, {D, 20, 0}}),
              (Nodes{{U, 0, 0}, {D, 10, 10}, {D, 20, 0}, {N, 0, 0}}));
}

TEST(AxisRuns, RunEndingInAPenUpIsCutToItsEnd)
{
    EXPECT_EQ(Simplified({{U, 0, 0}, {D, 5, 0}, {D, 9, 0}, {U, 20, 0}, {D, 20, 7}}),
              (Nodes{{U, 0, 0}, {D, 9, 0}, {U, 20, 0}, {D, 20, 7}}));
}

TEST(AxisRuns, RunBeforeATrailingPlaceholderIsStillCut)
{
    // A job ending in a Bezier ends in a placeholder; the pending end of the run
    // must become a pen-down, not a second placeholder.
    EXPECT_EQ(Simplified({{U, 0, 0}, {D, 10, 0}, {D, 20, 0}, {N, 0, 0}}),
              (Nodes{{U, 0, 0}, {D, 20, 0}}));
    EXPECT_EQ(Simplified({{U, 0, 5}, {D, 0, 10}, {D, 0, 20}, {N, 0, 0}}),
              (Nodes{{U, 0, 5}, {D, 0, 20}}));
}

TEST(AxisRuns, PlaceholderReadsAsTheOrigin)
{
    // The placeholder's x of 0 ends the vertical run at x = 5.
    EXPECT_EQ(Simplified({{U, 5, 5}, {D, 5, 10}, {N, 0, 0}}),
              (Nodes{{U, 5, 5}, {D, 5, 10}, {N, 0, 0}}));
}

TEST(AxisRuns, EmptyAndPlaceholderOnlyListsGiveOnlyTheSpare)
{
    EXPECT_EQ(Simplified({}), (Nodes{{N, 0, 0}}));
    EXPECT_EQ(Simplified({{N, 0, 0}}), (Nodes{{N, 0, 0}}));
}

}  // namespace
}  // namespace kerfmax
