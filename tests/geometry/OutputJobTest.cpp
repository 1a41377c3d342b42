#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "app/JobSettings.h"
#include "cutter/Dialect.h"
#include "geometry/OutputJob.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::TempDir;

const std::string kFiller = "@@@@@@@@@@@@@@@@@@@;";

JobSettings PlainSettings()
{
    JobSettings settings;
    settings.bladeOffsetOn = false;
    settings.overCutOn = false;
    return settings;
}

JobSettings CompensatedSettings(const char* blade, bool overCutOn)
{
    JobSettings settings;
    settings.bladeOffsetOn = true;
    settings.bladeOffsetText = blade;
    settings.overCutOn = overCutOn;
    settings.overCutText = "1.0";
    return settings;
}

class OutputJobTest : public ::testing::Test {
protected:
    // Loads the job text and assembles it into memory with a fresh filter.
    std::string Assemble(const std::string& jobText, const JobSettings& settings,
                         const CutterDialect& dialect = CutterDialect{})
    {
        Job job;
        Load(job, jobText);
        return Assemble(job, settings, dialect);
    }

    std::string Assemble(Job& job, const JobSettings& settings, const CutterDialect& dialect = CutterDialect{})
    {
        StringSink sink;
        lastResult = BuildOutputJob(job, settings, dialect, sink, compensator);
        return sink.Text();
    }

    void Load(Job& job, const std::string& jobText)
    {
        test::WriteFileBytes(dir / "job.hb", jobText);
        job.LoadJob((dir / "job.hb").string());
    }

    TempDir dir;
    BladeCompensator compensator;
    OutputResult lastResult = OutputResult::Written;
};

const char kLine[] = "PU0,0;PD4000,0;SP0;";
const char kSquare[] = "PU0,0;PD1000,0;PD1000,1000;PD0,1000;PD0,0;SP0;";
// The same square with its last side drawn as a (straight) curve: the job ends in
// a placeholder node.
const char kSquareEndingInCurve[] = "PU0,0;PD1000,0;PD1000,1000;PD0,1000;BZ0,700,0,300,0,0;SP0;";
const std::string kSquarePlain = "IN;SP1;PU0,1000;PD0,0;PD1000,0;PD1000,1000;PD0,1000;PU1000,0;PG;" + kFiller;

TEST_F(OutputJobTest, PlainLineMapsJobXOntoTheMirroredSecondAxis)
{
    EXPECT_EQ(Assemble(kLine, PlainSettings()), "IN;SP1;PU0,4000;PD0,0;PU0,0;PG;" + kFiller);
    EXPECT_EQ(lastResult, OutputResult::Written);
}

TEST_F(OutputJobTest, DmplHeaderMovesAndTrailer)
{
    CutterDialect dmpl;
    dmpl.SetLanguage(1);
    EXPECT_EQ(Assemble(kLine, PlainSettings(), dmpl), ";:H A L0 ECN U U0,0;U0,4000;D0,0;U0,0;@ " + kFiller);
}

TEST_F(OutputJobTest, FrameShiftsTheJobAndIsCutAroundIt)
{
    JobSettings settings = PlainSettings();
    settings.frameEnabled = 1;   // margins of 1 mm: 40 units each
    EXPECT_EQ(Assemble(kLine, settings),
              "IN;SP1;PU40,4040;PD40,40;"
              "PU80,0;PD80,4080;PD0,4080;PD0,0;PD80,0;"
              "PU80,0;PG;" + kFiller);
    // Off, the margins do nothing.
    settings.frameEnabled = 0;
    settings.marginLeft = 50;
    EXPECT_EQ(Assemble(kLine, settings), "IN;SP1;PU0,4000;PD0,0;PU0,0;PG;" + kFiller);
}

TEST_F(OutputJobTest, OnlyTheLastOfSeveralPenUpsMovesAndTrailingPenUpsMoveNothing)
{
    EXPECT_EQ(Assemble("PU0,0;PU10,0;PD10,50;PU20,20;PU30,30;SP0;", PlainSettings()),
              "IN;SP1;PU0,0;PD50,0;PU50,0;PG;" + kFiller);
}

TEST_F(OutputJobTest, LastSideDrawnAsACurveIsCut)
{
    EXPECT_EQ(Assemble(kSquare, PlainSettings()), kSquarePlain);
    EXPECT_EQ(Assemble(kSquareEndingInCurve, PlainSettings()), kSquarePlain);
}

// The square in cutter coordinates, turned at every corner with a blade offset
// of 14 units (0.35 mm); the closing corner is turned by the final pen-up.
const std::string kSquareCompensatedBody =
    "PU0,1000;PD0,1000;"
    "PD0,-14;PD0,-14;PD4,-13;PD8,-11;PD11,-8;PD13,-4;PD13,0;PD14,0;"
    "PD1014,0;PD1014,0;PD1013,4;PD1011,8;PD1008,11;PD1004,13;PD1000,13;PD1000,14;"
    "PD1000,1014;PD1000,1014;PD995,1013;PD991,1011;PD988,1008;PD986,1004;PD986,1000;PD986,1000;"
    "PD-14,1000;PD-14,1000;PD-13,995;PD-11,991;PD-8,988;PD-4,986;PD0,986;PD0,986;";

TEST_F(OutputJobTest, CompensatedSquareWithAndWithoutOverCut)
{
    EXPECT_EQ(Assemble(kSquare, CompensatedSettings("0.35", false)),
              "IN;SP1;" + kSquareCompensatedBody + "PU1000,0;PG;" + kFiller);
    // Over-cut: 14 + 40 along the first side past the start.
    EXPECT_EQ(Assemble(kSquare, CompensatedSettings("0.35", true)),
              "IN;SP1;" + kSquareCompensatedBody + "PD0,946;PU1000,0;PG;" + kFiller);
    EXPECT_FALSE(compensator.PathOpen());
}

TEST_F(OutputJobTest, CompensatedJobEndingInACurveIsFinishedOnce)
{
    // The trailing placeholder finishes the path; the final pen-up must not
    // recut the closing corner or cut back from the over-cut point.
    EXPECT_EQ(Assemble(kSquareEndingInCurve, CompensatedSettings("0.35", true)),
              "IN;SP1;" + kSquareCompensatedBody + "PD0,946;PU1000,0;PG;" + kFiller);
}

TEST_F(OutputJobTest, CompensationWithZeroLengthsWritesThePlainText)
{
    EXPECT_EQ(Assemble(kSquare, CompensatedSettings("0", false)), kSquarePlain);
    // Unticked boxes: their numbers have no effect.
    JobSettings settings = PlainSettings();
    settings.bladeOffsetText = "5";
    settings.overCutText = "9";
    EXPECT_EQ(Assemble(kSquare, settings), kSquarePlain);
}

TEST_F(OutputJobTest, ReduceFeedOrderCutsTheNearerObjectFirst)
{
    const char twoObjects[] = "PU0,0;PD100,0;PD100,100;PU1000,0;PD1100,0;PD1100,100;SP0;";
    JobSettings settings = PlainSettings();
    EXPECT_EQ(Assemble(twoObjects, settings),
              "IN;SP1;PU0,1100;PD0,1000;PD100,1000;PU0,100;PD0,0;PD100,0;PU100,0;PG;" + kFiller);
    settings.cutOrder = 1;
    EXPECT_EQ(Assemble(twoObjects, settings),
              "IN;SP1;PU0,100;PD0,0;PD100,0;PU0,1100;PD0,1000;PD100,1000;PU100,0;PG;" + kFiller);
}

TEST_F(OutputJobTest, NothingToCutWritesNothing)
{
    EXPECT_EQ(Assemble("XX;SP0;PU0,0;", PlainSettings()), "");
    EXPECT_EQ(lastResult, OutputResult::NothingToCut);
    Job neverLoaded;
    EXPECT_EQ(Assemble(neverLoaded, PlainSettings()), "");
    EXPECT_EQ(lastResult, OutputResult::NothingToCut);
}

TEST_F(OutputJobTest, FileSinkReplacesTheTargetOnlyOnCommit)
{
    auto target = dir / "out.plt";
    test::WriteFileBytes(target, "old");
    Job job;
    Load(job, kLine);
    {
        FileSink sink(target);
        ASSERT_TRUE(sink.Open());
        EXPECT_EQ(BuildOutputJob(job, PlainSettings(), CutterDialect{}, sink, compensator), OutputResult::Written);
        EXPECT_EQ(test::ReadFileBytes(target), "old");
        ASSERT_TRUE(sink.Commit()) << sink.Error();
    }
    EXPECT_EQ(test::ReadFileBytes(target), "IN;SP1;PU0,4000;PD0,0;PU0,0;PG;" + kFiller);
}

TEST_F(OutputJobTest, CancelledOrFailedSinkLeavesTheTargetAndNoTemporaryFile)
{
    auto target = dir / "out.plt";
    test::WriteFileBytes(target, "old");
    Job job;
    Load(job, kSquare);
    std::atomic<int> cancel{1};
    {
        FileSink sink(target, &cancel);
        ASSERT_TRUE(sink.Open());
        EXPECT_EQ(BuildOutputJob(job, PlainSettings(), CutterDialect{}, sink, compensator),
                  OutputResult::WriteFailed);
        EXPECT_FALSE(sink.Commit());
    }
    EXPECT_EQ(test::ReadFileBytes(target), "old");
    FileSink nowhere(dir / "missing-folder" / "out.plt");
    EXPECT_FALSE(nowhere.Open());
    EXPECT_FALSE(nowhere.Error().empty());
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) entries += entry.is_regular_file();
    EXPECT_EQ(entries, 2);   // job.hb and out.plt only
}

}  // namespace
}  // namespace kerfmax
