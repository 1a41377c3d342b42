// The blade-offset filter (pen commands in, compensated commands out, written
// here as the dialect's text for reading ease), the assembly of the whole
// command stream, and the file it goes to.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/JobSettings.h"
#include "cutter/Dialect.h"
#include "geometry/BladeCompensation.h"
#include "geometry/OutputJob.h"
#include "geometry/OutputSink.h"
#include "geometry/ParallelCommandOutput.h"
#include "geometry/PenCommand.h"
#include "support/TestSupport.h"

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

const std::string kSquarePath = "PU0,0;PD1000,0;PD1000,1000;PD0,1000;PD0,0;PU0,0;";
const std::string kOpenPath = "PU0,0;PD1000,0;PD1000,1000;PU0,0;";

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
        {"square, blade only", kSquarePath, kBlade, 0, 0, kSquareCorners + "PU0,0;"},
        // Closed path: blade offset plus over-cut along the first side.
        {"square with over-cut", kSquarePath, kBlade, kOverCut, 0, kSquareCorners + "PD54,0;PU0,0;"},
        {"DMPL words", "U0,0;D1000,0;D1000,1000;U0,0;", kBlade, kOverCut, 1,
         "U0,0;D0,0;D1014,0;D1014,0;D1013,4;D1011,8;D1008,11;D1004,13;D1000,13;D1000,14;D1000,1040;U0,0;"},
        // A turn of 30 degrees (corner of 150): only the vertex.
        {"blunt corner", "PU0,0;PD1000,0;PD1866,500;PU0,0;", kBlade, 0, 0, "PU0,0;PD0,0;PD1000,0;PD1866,500;PU0,0;"},
        // Blade offset 0: corners plain, the closing point twice, then the over-cut.
        {"closed path, over-cut only", kSquarePath, 0, kOverCut, 0,
         "PU0,0;PD0,0;PD1000,0;PD1000,1000;PD0,1000;PD0,0;PD0,0;PD40,0;PU0,0;"},
        {"open path ends past its last point", kOpenPath, 0, kOverCut, 0, "PU0,0;PD0,0;PD1000,0;PD1000,1040;PU0,0;"},
        {"open path without over-cut", kOpenPath, kBlade, 0, 0, "PU0,0;PD0,0;" + kFirstCorner + "PD1000,1000;PU0,0;"},
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

const std::string kFiller = "@@@@@@@@@@@@@@@@@@@;";
const char kLine[] = "PU0,0;PD4000,0;SP0;";
const std::string kLinePlain = "IN;SP1;PU0,4000;PD0,0;PU0,0;PG;" + kFiller;
const char kSquare[] = "PU0,0;PD1000,0;PD1000,1000;PD0,1000;PD0,0;SP0;";
// The same square with its last side drawn as a (straight) curve: the job ends in
// a placeholder node.
const char kSquareEndingInCurve[] = "PU0,0;PD1000,0;PD1000,1000;PD0,1000;BZ0,700,0,300,0,0;SP0;";
const char kTwoObjects[] = "PU0,0;PD100,0;PD100,100;PU1000,0;PD1100,0;PD1100,100;SP0;";
const std::string kSquarePlain = "IN;SP1;PU0,1000;PD0,0;PD1000,0;PD1000,1000;PD0,1000;PU1000,0;PG;" + kFiller;
// The square in cutter coordinates, turned at every corner with a blade offset
// of 14 units (0.35 mm); the closing corner is turned by the final pen-up, and the
// over-cut then runs 14 + 40 along the first side past the start.
const std::string kSquareCompensated =
    "IN;SP1;PU0,1000;PD0,1000;"
    "PD0,-14;PD0,-14;PD4,-13;PD8,-11;PD11,-8;PD13,-4;PD13,0;PD14,0;"
    "PD1014,0;PD1014,0;PD1013,4;PD1011,8;PD1008,11;PD1004,13;PD1000,13;PD1000,14;"
    "PD1000,1014;PD1000,1014;PD995,1013;PD991,1011;PD988,1008;PD986,1004;PD986,1000;PD986,1000;"
    "PD-14,1000;PD-14,1000;PD-13,995;PD-11,991;PD-8,988;PD-4,986;PD0,986;PD0,986;";

JobSettings Settings(bool bladeOn, const char* blade, bool overCutOn, int cutOrder = 0)
{
    JobSettings settings;
    settings.bladeOffsetOn = bladeOn;
    settings.bladeOffsetText = blade;
    settings.overCutOn = overCutOn;
    settings.cutOrder = cutOrder;
    return settings;
}

const JobSettings kPlain = Settings(false, "0.35", false);

TEST(OutputJob, StreamsOfSmallJobs)
{
    JobSettings marginsButNoFrame = kPlain;
    marginsButNoFrame.marginLeft = 50;
    const struct {
        const char* what;
        const char* job;
        JobSettings settings;
        std::string expected;
    } cases[] = {
        // Job x maps onto the mirrored second axis; the final pen-up goes to (H, 0).
        {"plain line", kLine, kPlain, kLinePlain},
        {"margins without the frame", kLine, marginsButNoFrame, kLinePlain},
        {"only the last of several pen-ups moves; trailing ones do nothing",
         "PU0,0;PU10,0;PD10,50;PU20,20;PU30,30;SP0;", kPlain, "IN;SP1;PU0,0;PD50,0;PU50,0;PG;" + kFiller},
        {"last side drawn as a curve", kSquareEndingInCurve, kPlain, kSquarePlain},
        // The trailing placeholder finishes the path; the final pen-up must not
        // recut the closing corner or cut back from the over-cut point.
        {"compensated job ending in a curve", kSquareEndingInCurve, Settings(true, "0.35", true),
         kSquareCompensated + "PD0,946;PU1000,0;PG;" + kFiller},
        {"compensation of zero length", kSquare, Settings(true, "0", false), kSquarePlain},
        {"unticked boxes ignore their numbers", kSquare, Settings(false, "5", false), kSquarePlain},
        {"file order", kTwoObjects, kPlain,
         "IN;SP1;PU0,1100;PD0,1000;PD100,1000;PU0,100;PD0,0;PD100,0;PU100,0;PG;" + kFiller},
        {"reduce feed cuts the nearer object first", kTwoObjects, Settings(false, "0", false, 1),
         "IN;SP1;PU0,100;PD0,0;PD100,0;PU0,1100;PD0,1000;PD100,1000;PU100,0;PG;" + kFiller},
    };
    // One filter for all, as in the program: each assembly leaves it reset for the next.
    BladeCompensator compensator;
    for (const auto& c : cases) {
        Job job;
        job.LoadJobText(c.job);
        StringSink sink;
        EXPECT_EQ(BuildOutputJob(job, OutputOptionsFor(c.settings), CutterDialect{}, sink, compensator),
                  OutputResult::Written)
            << c.what;
        EXPECT_EQ(sink.Text(), c.expected) << c.what;
        EXPECT_FALSE(compensator.PathOpen()) << c.what;
    }
}

TEST(PenCommands, NumbersAreWrittenAsPrintfWouldAtEveryLength)
{
    CommandTexts odd;
    odd.penUpFormat = "X%ld;Y%ld";  // split into its pieces
    odd.penDownFormat = "%5ld|%-3ld;";  // not split: printf reads it
    // Both sides of 10^8, where the short way of writing numbers ends.
    const std::int64_t values[] = {0,          7,           -9,         10,         99,        -100,        12345678,
                                   99999999,   -99999999,   100000000,  -100000000, 123456789, INT32_MAX,   INT32_MIN,
                                   4294967295, -4294967295, 4294967296, INT64_MAX,  INT64_MIN, -1000000000, 2000000000};
    StringSink sink;
    std::string expected;
    std::vector<std::uint64_t> penUps;
    {
        PenCommandWriter writer(odd, sink);
        writer.RecordPenUpsInto(&penUps);
        for (std::int64_t v : values) {
            writer.Up(v, -(v / 3));
            expected += "X" + std::to_string(v) + ";Y" + std::to_string(-(v / 3));
        }
        writer.Write(PenCommand{});  // a placeholder writes nothing
        writer.Down(42, -7);
        expected += "   42|-7 ;";
        // Enough commands to fill the writer's buffer more than once, in order.
        for (int i = 0; i < 20000; ++i) {
            writer.Up(i, i);
            expected += "X" + std::to_string(i) + ";Y" + std::to_string(i);
        }
    }
    EXPECT_EQ(sink.Text(), expected);
    ASSERT_EQ(penUps.size(), std::size(values) + 20000);
    EXPECT_EQ(std::count_if(penUps.begin(), penUps.end(), [&](std::uint64_t at) { return sink.Text()[at] != 'X'; }), 0);
}

// Corners of every kind on a coarse grid (zero-length legs, right angles, blunt
// and sharp turns), with pen-ups and placeholders between the paths, and no
// pen-up at the start: the stream carries on from where the last job left the filter.
std::vector<PenCommand> RandomStream(std::size_t length)
{
    std::mt19937 random(19);
    std::uniform_int_distribution<int> grid(0, 8), what(0, 9);
    std::vector<PenCommand> stream;
    for (std::size_t i = 0; i < length; ++i) {
        const int w = what(random);
        const PenMove move = w < 7 ? PenMove::Down : w < 9 ? PenMove::Up : PenMove::None;
        stream.push_back({move, move == PenMove::None ? PenPoint{} : PenPoint{grid(random) * 250, grid(random) * 250}});
    }
    stream.push_back({PenMove::Up, {0, 0}});
    return stream;
}

TEST(OutputJob, ChunksWorkedOnSeveralThreadsWriteWhatOneFilterWrites)
{
    const std::vector<PenCommand> stream = RandomStream(5000);
    const std::string previousJob = "PU7,7;PD50,7;PD50,60;PU3,3;";
    const std::string nextJob = "PD500,0;PD500,500;PU0,0;PD0,300;PD0,0;PU0,0;";
    const CutterDialect texts;
    const CommandFilter filters[] = {{true, kBlade, kOverCut}, {true, kBlade, 0}, {true, 0, kOverCut}, {false, 0, 0}};
    // Chunks of one or a few commands, more threads than chunks in flight, and none.
    const ParallelPlan plans[] = {{5, 2}, {1, 3}, {64, 1}, {7, 0}, {1000000, 2}};
    for (const CommandFilter& filter : filters) {
        for (const ParallelPlan& plan : plans) {
            SCOPED_TRACE(testing::Message()
                         << "blade " << filter.bladeOffset << " over-cut " << filter.overCut << " compensated "
                         << filter.compensate << " chunk " << plan.chunkCommands << " workers " << plan.workers);
            BladeCompensator alone, chunked;
            Compensate(alone, previousJob, kBlade, kOverCut);
            Compensate(chunked, previousJob, kBlade, kOverCut);
            StringSink expected;
            std::vector<std::uint64_t> expectedUps;
            {
                PenCommandWriter writer(texts, expected);
                writer.RecordPenUpsInto(&expectedUps);
                CompensatorOutput registered(alone, writer);
                for (const PenCommand& command : stream) {
                    if (filter.compensate) alone.Compensate(command, filter.bladeOffset, filter.overCut);
                    else writer.Write(command);
                }
            }
            StringSink sink;
            std::vector<std::uint64_t> penUps;
            ParallelCommandOutput output(texts, sink, filter, chunked, &penUps, plan);
            for (const PenCommand& command : stream) output.Take(command.move, command.point);
            EXPECT_EQ(output.Finish(), expected.Text().size());
            EXPECT_EQ(sink.Text(), expected.Text());
            EXPECT_EQ(penUps, expectedUps);
            // Both filters are left alike: the next job, which begins with a cut
            // from where this one left the knife, comes out the same.
            EXPECT_EQ(Compensate(chunked, nextJob, kBlade, kOverCut), Compensate(alone, nextJob, kBlade, kOverCut));
        }
    }
}

TEST(OutputJob, FileSinkReplacesTheTargetOnlyWhenTheWholeStreamIsCommitted)
{
    test::TempDir dir;
    const auto target = dir / "out.plt";
    test::WriteFileBytes(target, "old");
    Job job;
    job.LoadJobText(kLine);
    BladeCompensator compensator;
    {
        // Cancelled part way: the target keeps its old bytes.
        std::atomic<int> cancel{1};
        FileSink sink(target, &cancel);
        ASSERT_TRUE(sink.Open());
        EXPECT_EQ(BuildOutputJob(job, OutputOptionsFor(kPlain), CutterDialect{}, sink, compensator),
                  OutputResult::WriteFailed);
        EXPECT_FALSE(sink.Commit());
    }
    EXPECT_EQ(test::ReadFileBytes(target), "old");
    {
        FileSink sink(target);
        ASSERT_TRUE(sink.Open());
        EXPECT_EQ(BuildOutputJob(job, OutputOptionsFor(kPlain), CutterDialect{}, sink, compensator),
                  OutputResult::Written);
        EXPECT_EQ(test::ReadFileBytes(target), "old");
        ASSERT_TRUE(sink.Commit()) << sink.Error();
    }
    EXPECT_EQ(test::ReadFileBytes(target), kLinePlain);
    FileSink nowhere(dir / "missing-folder" / "out.plt");
    EXPECT_FALSE(nowhere.Open());
    EXPECT_FALSE(nowhere.Error().empty());
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace kerfmax
