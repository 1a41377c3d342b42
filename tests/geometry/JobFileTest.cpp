// Reading job files into records, and loading whole jobs.
#include <gtest/gtest.h>

#include <string>

#include "geometry/Job.h"
#include "geometry/JobFile.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

struct Rec {
    std::int32_t kind;
    std::vector<std::int32_t> values;
};

void ExpectRecords(const PathList& paths, const std::vector<Rec>& expected) {
    ASSERT_EQ(paths.size(), expected.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(paths[i].kind, expected[i].kind) << "record " << i;
        for (std::size_t v = 0; v < expected[i].values.size(); ++v) {
            EXPECT_EQ(paths[i].points[v], expected[i].values[v]) << "record " << i << " value " << v;
        }
    }
}

TEST(JobTextReading, PenAndBezierRecordsEndAtTheEndRecord) {
    ExpectRecords(ParseJobText("PU0,0;PD4000,0;BZ4000,6000,2000,8000,0,8000;SP0;PD9,9;"),
                  {{KIND_PEN_UP, {0, 0}},
                   {KIND_PEN_DOWN, {4000, 0}},
                   {KIND_BEZIER, {4000, 6000, 2000, 8000, 0, 8000}}});
}

TEST(JobTextReading, WithoutEndRecordAPlaceholderRecordStaysAtTheEnd) {
    ExpectRecords(ParseJobText("PU1,2;PD3,4;"), {{KIND_PEN_UP, {1, 2}}, {KIND_PEN_DOWN, {3, 4}}, {KIND_NONE, {0, 0}}});
    ExpectRecords(ParseJobText(""), {{KIND_NONE, {}}});
    ExpectRecords(ParseJobText("SP0;"), {});
    // A last record without ";" still counts.
    ExpectRecords(ParseJobText("PU1,2;PD5,6"), {{KIND_PEN_UP, {1, 2}}, {KIND_PEN_DOWN, {5, 6}}, {KIND_NONE, {}}});
}

TEST(JobTextReading, LineBreaksAreDroppedAndBlanksReadAsCommas) {
    ExpectRecords(ParseJobText("P\r\nU1\n0,2\r0;\r\nPD1 2;SP\n0;"),
                  {{KIND_PEN_UP, {10, 20}}, {KIND_PEN_DOWN, {1, 2}}});
    // A blank right after the letters becomes a leading comma: the numbers fail to
    // read and the previous values stay.
    ExpectRecords(ParseJobText("PU7,8;PD 1,2;SP0;"), {{KIND_PEN_UP, {7, 8}}, {KIND_PEN_DOWN, {7, 8}}});
}

TEST(JobTextReading, UnknownAndEmptyRecordsAreSkipped) {
    ExpectRecords(ParseJobText("PU;XX;pu1,1;PD;sp0;IN;PU1,1;SP0;"), {{KIND_PEN_UP, {1, 1}}});
    // "SP0" must be followed by ";" at once to end the job.
    ExpectRecords(ParseJobText("SP0,1;PU1,1;SP0;"), {{KIND_PEN_UP, {1, 1}}});
}

TEST(JobTextReading, NumbersThatFailToReadKeepThePreviousValues) {
    // Only the numbers read before the first failure change.
    ExpectRecords(ParseJobText("PU5,6;PD7;PDx;SP0;"),
                  {{KIND_PEN_UP, {5, 6}}, {KIND_PEN_DOWN, {7, 6}}, {KIND_PEN_DOWN, {7, 6}}});
    // A pen record after a Bezier takes the Bezier's first pair; a Bezier after pen
    // records keeps the later pairs of the previous Bezier.
    ExpectRecords(ParseJobText("BZ1,2,3,4,5,6;PDa;BZ9,9;SP0;"),
                  {{KIND_BEZIER, {1, 2, 3, 4, 5, 6}}, {KIND_PEN_DOWN, {1, 2}}, {KIND_BEZIER, {9, 9, 3, 4, 5, 6}}});
    // Nothing read before: zeros.
    ExpectRecords(ParseJobText("PU?;SP0;"), {{KIND_PEN_UP, {0, 0}}});
}

TEST(JobTextReading, NumberSyntaxFollowsDecimalLongReading) {
    ExpectRecords(ParseJobText("PU+12,-34xyz;PD\t5,\t6;PD1,,2;PD-,3;SP0;"),
                  {{KIND_PEN_UP, {12, -34}}, {KIND_PEN_DOWN, {5, 6}}, {KIND_PEN_DOWN, {1, 6}}, {KIND_PEN_DOWN, {1, 6}}});
    // Values beyond the 32-bit range saturate.
    ExpectRecords(ParseJobText("PU99999999999999999999,-99999999999999999999;SP0;"),
                  {{KIND_PEN_UP, {2147483647, -2147483647 - 1}}});
}

TEST(JobTextReading, OverlongRecordsAreSkippedWhole) {
    const std::string fits = "PU1,2" + std::string(kMaxRecordLength - 6, 'x') + ";";
    ASSERT_EQ(fits.size(), kMaxRecordLength);
    const std::string tooLong = "PU3,4" + std::string(kMaxRecordLength - 5, 'x') + ";";
    ExpectRecords(ParseJobText(fits + tooLong + "PD5,6;SP0;"),
                  {{KIND_PEN_UP, {1, 2}}, {KIND_PEN_DOWN, {5, 6}}});
}

TEST(JobTextReading, NulByteEndsTheRecordText) {
    ExpectRecords(ParseJobText(std::string("PU1,2;PD\0" "9,9;SP0;", 17)),
                  {{KIND_PEN_UP, {1, 2}}, {KIND_PEN_DOWN, {1, 2}}});
}

TEST(JobTextReading, PiecesOfAnySizeGiveTheSameRecords) {
    const std::string text = "PU10,20;\r\nPD30 40;BZ1,2,3,4,5,6;XX;PD7,8;SP0;PU1,1;";
    const PathList whole = ParseJobText(text);
    JobTextReader reader;
    for (char c : text) reader.Feed(&c, 1);
    reader.Finish();
    const PathList bytewise = reader.TakePaths();
    ASSERT_EQ(bytewise.size(), whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        EXPECT_EQ(bytewise[i].kind, whole[i].kind);
        for (int v = 0; v < 6; ++v) EXPECT_EQ(bytewise[i].points[v], whole[i].points[v]);
    }
}

TEST(JobFileReading, MissingFileOrEmptyPathLeavesTheListUntouched) {
    PathList paths(3);
    EXPECT_EQ(ReadJobFile("", paths), 1);
    EXPECT_EQ(ReadJobFile("/nonexistent/kerfmax/job.hb", paths), 1);
    EXPECT_EQ(paths.size(), 3u);
}

TEST(JobFileReading, FoldersAndEndlessDevicesAreNotReadAtAll) {
    test::TempDir dir;
    PathList paths(2);
    EXPECT_EQ(ReadJobFile(dir.Path().string(), paths), 1);
    EXPECT_EQ(ReadJobFile("/dev/zero", paths), 1);
    EXPECT_EQ(paths.size(), 2u);
}

TEST(JobFileReading, LargeFileReadsLikeTheSameTextInMemory) {
    // Records straddle the reader's internal chunk boundaries.
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "PD" + std::to_string(i) + "," + std::to_string(-i) + ";\r\n";
    text += "SP0;PU1,1;";
    test::TempDir dir;
    test::WriteFileBytes(dir / "big.hb", text);
    PathList paths;
    ASSERT_EQ(ReadJobFile((dir / "big.hb").string(), paths), 0);
    ASSERT_EQ(paths.size(), 20000u);
    EXPECT_EQ(paths[12345].points[0], 12345);
    EXPECT_EQ(paths[19999].points[1], -19999);
}

TEST(JobLoading, SmallJobIsMovedToTheOrigin) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "job.hb", "PU500,700;PD600,700;PD600,900;SP0;");
    Job job;
    job.LoadJob((dir / "job.hb").string());
    ASSERT_TRUE(job.HasJob());
    EXPECT_EQ(job.Paths().size(), 3u);
    EXPECT_EQ(job.Box(), (BoundBox{0, 100, 200, 0}));
    ASSERT_EQ(job.Points().size(), 3u);
    EXPECT_EQ(job.Points()[0].x, 0);
    EXPECT_EQ(job.Points()[2].y, 200);
    ASSERT_EQ(job.ArtObjects().size(), 1u);
}

TEST(JobLoading, NoCoordinateRecordMeansNoJob) {
    test::TempDir dir;
    Job job;
    for (const char* text : {"", "SP0;PU1,1;", "XX;PU;", "BZ1,1,1,1,0,0;"}) {
        test::WriteFileBytes(dir / "job.hb", text);
        job.LoadJob((dir / "job.hb").string());
        EXPECT_EQ(job.HasJob(), std::string(text) == "BZ1,1,1,1,0,0;") << text;
    }
    job.LoadJob((dir / "missing.hb").string());
    EXPECT_FALSE(job.HasJob());
    EXPECT_TRUE(job.Points().empty());
    EXPECT_TRUE(job.ArtObjects().empty());
}

}  // namespace
}  // namespace kerfmax
