// The blade-offset filter: pen commands in, compensated commands out (written
// here as the dialect's text for reading ease).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cutter/Dialect.h"
#include "geometry/BladeCompensation.h"
#include "geometry/OutputSink.h"

namespace kerfmax {
namespace {

constexpr std::int32_t kBlade = 14;  // 0.35 mm
constexpr std::int32_t kOverCut = 40;  // 1.0 mm

// Commands as the dialect's text: "PU1,2;" / "U1,2;" a pen-up to (1, 2), "PD..." /
// "D..." a pen-down, an empty command (";;") a placeholder. Fed through the
// filter, what it wrote comes back.
std::string Compensate(BladeCompensator& compensator, const std::string& commands, std::int32_t blade,
                       std::int32_t overCut, int isDmpl = 0)
{
    CutterDialect dialect;
    dialect.SetLanguage(isDmpl);
    StringSink sink;
    PenCommandWriter writer(dialect, sink);
    CompensatorOutput registered(compensator, writer);
    for (std::size_t start = 0, end; (end = commands.find(';', start)) != std::string::npos; start = end + 1) {
        const std::string text = commands.substr(start, end - start);
        if (text.empty()) {
            compensator.Compensate(PenCommand{}, blade, overCut);
            continue;
        }
        char* comma = nullptr;
        const long long x = std::strtoll(text.c_str() + text.find_first_of("-0123456789"), &comma, 10);
        const PenMove move = text.find('U') != std::string::npos ? PenMove::Up : PenMove::Down;
        compensator.Compensate({move, {x, std::strtoll(comma + 1, nullptr, 10)}}, blade, overCut);
    }
    writer.Flush();
    return sink.Text();
}

const std::string kSquare = "PU0,0;PD1000,0;PD1000,1000;PD0,1000;PD0,0;PU0,0;";
const std::string kOpen = "PU0,0;PD1000,0;PD1000,1000;PU0,0;";

// Each sharp corner: b past the corner, a 90-degree arc in five steps (six
// points, the first repeating the prolonged point), then b along the next side.
const std::string kFirstCorner = "PD1014,0;PD1014,0;PD1013,4;PD1011,8;PD1008,11;PD1004,13;PD1000,13;PD1000,14;";
const std::string kSquareCorners = "PU0,0;PD0,0;" + kFirstCorner +
                                   "PD1000,1014;"
                                   "PD1000,1014;PD995,1013;PD991,1011;PD988,1008;PD986,1004;PD986,1000;"
                                   "PD986,1000;"
                                   "PD-14,1000;"
                                   "PD-14,1000;PD-13,995;PD-11,991;PD-8,988;PD-4,986;PD0,986;"
                                   "PD0,986;"
                                   // the closing corner, turned when the pen-up finishes the path
                                   "PD0,-14;"
                                   "PD0,-14;PD4,-13;PD8,-11;PD11,-8;PD13,-4;PD13,0;"
                                   "PD14,0;";

TEST(BladeCompensation, CommandsComeOutTurnedAtSharpCornersAndExtendedByTheOverCut)
{
    const struct {
        const char* what;
        std::string commands;
        std::int32_t blade, overCut;
        int isDmpl;
        std::string expected;
    } cases[] = {
        {"square, blade only", kSquare, kBlade, 0, 0, kSquareCorners + "PU0,0;"},
        // Closed path: blade offset plus over-cut along the first side.
        {"square with over-cut", kSquare, kBlade, kOverCut, 0, kSquareCorners + "PD54,0;PU0,0;"},
        {"DMPL words", "U0,0;D1000,0;D1000,1000;U0,0;", kBlade, kOverCut, 1,
         "U0,0;D0,0;D1014,0;D1014,0;D1013,4;D1011,8;D1008,11;D1004,13;D1000,13;D1000,14;D1000,1040;U0,0;"},
        // A turn of 30 degrees (corner of 150): only the vertex.
        {"blunt corner", "PU0,0;PD1000,0;PD1866,500;PU0,0;", kBlade, 0, 0, "PU0,0;PD0,0;PD1000,0;PD1866,500;PU0,0;"},
        // Blade offset 0: corners plain, the closing point twice, then the over-cut.
        {"closed path, over-cut only", kSquare, 0, kOverCut, 0,
         "PU0,0;PD0,0;PD1000,0;PD1000,1000;PD0,1000;PD0,0;PD0,0;PD40,0;PU0,0;"},
        {"open path ends past its last point", kOpen, 0, kOverCut, 0, "PU0,0;PD0,0;PD1000,0;PD1000,1040;PU0,0;"},
        {"open path without over-cut", kOpen, kBlade, 0, 0, "PU0,0;PD0,0;" + kFirstCorner + "PD1000,1000;PU0,0;"},
        // One segment cuts from the pen-up point: 40 past (500,300) is (534.3, 320.6).
        {"single segment", "PU0,0;PD500,300;PU0,0;", kBlade, kOverCut, 0, "PU0,0;PD534,320;PU0,0;"},
        // With a blade offset of one unit the prolonged point truncates back onto
        // the corner (3,4): the arc has no sweep and must not loop.
        {"zero-sweep arc", "PU0,0;PD3,4;PD-7,4;PU0,0;", 1, 0, 0, "PU0,0;PD0,0;PD3,4;PD3,4;PD2,4;PD-7,4;PU0,0;"},
        // A job after another starts a new path from its own pen-up.
        {"next job", "PU7,7;PD50,7;PD50,60;PU0,0;", 0, kOverCut, 0, "PU7,7;PD7,7;PD50,7;PD50,100;PU0,0;"},
    };
    // One filter for all, as in the program.
    BladeCompensator compensator;
    for (const auto& c : cases) {
        EXPECT_EQ(Compensate(compensator, c.commands, c.blade, c.overCut, c.isDmpl), c.expected) << c.what;
        EXPECT_FALSE(compensator.PathOpen()) << c.what;
    }
}

}  // namespace
}  // namespace kerfmax
