// Reading job files into records, loading whole jobs, and their mirror and
// rotation with the transforms beneath them.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "geometry/Job.h"
#include "geometry/JobFile.h"
#include "geometry/PointList.h"
#include "geometry/Transform.h"
#include "support/GeometryText.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::NodesText;
using test::RecordsText;

// Records straddle every boundary between the pieces the reader is fed.
std::string ReadByteByByte(const std::string& text)
{
    JobTextReader reader;
    for (char c : text) reader.Feed(&c, 1);
    reader.Finish();
    return RecordsText(reader.TakePaths());
}

TEST(JobTextReading, RecordsAsReadFromTheTextWhateverPiecesItComesIn)
{
    const std::string fits = "PU1,2" + std::string(kMaxRecordLength - 6, 'x') + ";";
    const std::string tooLong = "PU3,4" + std::string(kMaxRecordLength - 5, 'x') + ";";
    ASSERT_EQ(fits.size(), kMaxRecordLength);
    const struct {
        std::string text;
        const char* expected;
    } cases[] = {
        {"PU0,0;PD4000,0;BZ4000,6000,2000,8000,0,8000;SP0;PD9,9;", "U0,0 D4000,0 B4000,6000,2000,8000,0,8000"},
        // Without the end record a placeholder record stays at the end; a last
        // record without ";" still counts.
        {"PU1,2;PD5,6", "U1,2 D5,6 N0,0"},
        {"", "N0,0"},
        {"SP0;", ""},
        {"P\r\nU1\n0,2\r0;\r\nPD1 2;SP\n0;", "U10,20 D1,2"},
        // Unknown and empty records are skipped; "SP0" must be followed by ";" at once.
        {"PU;XX;pu1,1;PD;sp0;IN;PU1,1;SP0;", "U1,1"},
        {"SP0,1;PU1,1;SP0;", "U1,1"},
        // Numbers that fail to read keep the previous values: only the numbers read
        // before the first failure change. A blank right after the letters becomes
        // a leading comma and fails the same way.
        {"PU7,8;PD 1,2;SP0;", "U7,8 D7,8"},
        {"PU5,6;PD7;PDx;SP0;", "U5,6 D7,6 D7,6"},
        {"PU?;SP0;", "U0,0"},
        // A pen record after a Bezier takes its first pair; a later Bezier keeps
        // the previous Bezier's other pairs.
        {"BZ1,2,3,4,5,6;PDa;BZ9,9;SP0;", "B1,2,3,4,5,6 D1,2 B9,9,3,4,5,6"},
        {"PU+12,-34xyz;PD\t5,\t6;PD1,,2;PD-,3;SP0;", "U12,-34 D5,6 D1,6 D1,6"},
        // Values beyond the 32-bit range saturate.
        {"PU99999999999999999999,-99999999999999999999;SP0;", "U2147483647,-2147483648"},
        // Records over 255 characters are skipped whole; a NUL ends the record text.
        {fits + tooLong + "PD5,6;SP0;", "U1,2 D5,6"},
        {std::string("PU1,2;PD\0"
                     "9,9;SP0;",
                     17),
         "U1,2 D1,2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordsText(ParseJobText(c.text)), c.expected) << c.text;
        EXPECT_EQ(ReadByteByByte(c.text), c.expected) << c.text;
    }
}

TEST(JobFileReading, UnreadablePathsLeaveTheListUntouchedAndALargeFileReadsLikeTheText)
{
    test::TempDir dir;
    PathList paths(3);
    // A folder and an endless device are refused rather than read.
    for (const std::string& path :
         {std::string(), std::string("/nonexistent/kerfmax/job.hb"), dir.Path().string(), std::string("/dev/zero")})
        EXPECT_EQ(ReadJobFile(path, paths), 1) << path;
    EXPECT_EQ(paths.size(), 3u);

    // Records straddle the reader's internal chunk boundaries.
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "PD" + std::to_string(i) + "," + std::to_string(-i) + ";\r\n";
    text += "SP0;PU1,1;";
    test::WriteFileBytes(dir / "big.hb", text);
    ASSERT_EQ(ReadJobFile((dir / "big.hb").string(), paths), 0);
    ASSERT_EQ(paths.size(), 20000u);
    EXPECT_EQ(RecordsText(paths), RecordsText(ParseJobText(text)));
}

TEST(JobLoading, JobIsMovedToTheOriginOrNotLoadedAtAll)
{
    test::TempDir dir;
    test::WriteFileBytes(dir / "job.hb", "PU500,700;PD600,700;PD600,900;SP0;");
    Job job;
    job.LoadJob((dir / "job.hb").string());
    ASSERT_TRUE(job.HasJob());
    EXPECT_EQ(job.RecordCount(), 3u);
    EXPECT_EQ(job.Box(), (BoundBox{0, 100, 200, 0}));
    EXPECT_EQ(NodesText(job.Points()), "U0,0 D100,0 D100,200");
    EXPECT_EQ(job.ArtObjects().size(), 1u);
    // Without a coordinate record there is no job; a curve alone is one.
    for (const char* text : {"", "SP0;PU1,1;", "XX;PU;", "BZ1,1,1,1,0,0;"}) {
        job.LoadJobText(text);
        EXPECT_EQ(job.HasJob(), std::string(text) == "BZ1,1,1,1,0,0;") << text;
    }
    // Read straight into points, the job is what the records give when flattened
    // and moved: curves, pen records after curves, broken numbers, no end record.
    for (const char* text : {"PU-5,7;BZ30,0,60,9,100,0;PD1 2;PU9,9;PU3,3;BZ4,4,4,4,3,3;PDx;SP0;PU1,1;",
                             "BZ0,0,4,0,400,-90;BZ4,4,4,4,4,4;PD-300,20;BZ1,1,1,1,90,90", "PU1,2;XX;PD3,4;"}) {
        PointList expected = FlattenPaths(ParseJobText(text));
        const BoundBox box = MoveToOrigin(expected);
        job.LoadJobText(text);
        EXPECT_EQ(NodesText(job.Points()), NodesText(expected)) << text;
        EXPECT_EQ(job.Box(), box) << text;
    }
    job.LoadJob((dir / "missing.hb").string());
    EXPECT_FALSE(job.HasJob());
    EXPECT_TRUE(job.Points().empty());
    EXPECT_TRUE(job.ArtObjects().empty());
}

// A 1000 x 500 rectangle and a small mark inside it.
Job RectangleJob()
{
    Job job;
    job.LoadJobText("PU0,0;PD1000,0;PD1000,500;PD0,500;PD0,0;PU250,120;PD250,120;SP0;");
    return job;
}

TEST(Placement, MirrorAndTurnsStartAtTheOriginWithinOneUnit)
{
    const struct {
        bool mirror;
        Rotation rotation;
        const char* expected;
        BoundBox box;
    } cases[] = {
        // mirror: x to width - x
        {true, Rotation::None, "U1000,0 D0,0 D0,500 D1000,500 D1000,0 U750,120 D750,120", {0, 1000, 500, 0}},
        // Counter-clockwise with y up; sin(1.5707963) is a hair under 1, so some
        // coordinates land one unit short.
        {false, Rotation::Quarter, "U499,0 D499,999 D0,1000 D0,0 D499,0 U380,250 D380,250", {0, 499, 1000, 0}},
        // (x, y) -> (w - x, h - y), one unit off where truncation bites.
        {false, Rotation::Half, "U999,499 D0,499 D-1,0 D999,0 D999,499 U749,380 D749,380", {-1, 999, 499, 0}},
        {false, Rotation::ThreeQuarter, "U0,999 D0,0 D499,-1 D499,999 D0,999 U119,749 D119,749", {0, 499, 999, -1}},
        // A mirror pressed after a turn acts on the turned job as it lies;
        // a rebuild then applies the mirror first.
        {true, Rotation::Quarter, "U499,999 D499,0 D0,0 D0,1000 D499,999 U380,750 D380,750", {0, 499, 1000, 0}},
    };
    for (const auto& c : cases) {
        Job job = RectangleJob();
        const std::string loaded = NodesText(job.Points());
        job.SetRotation(c.rotation);
        if (c.mirror) job.ToggleMirror();
        job.RebuildPlacement();
        EXPECT_EQ(NodesText(job.Points()), c.expected);
        EXPECT_EQ(job.Box(), c.box) << c.expected;
        // The art objects are rebuilt from the placed points.
        ASSERT_EQ(job.ArtObjects().size(), 2u);
        EXPECT_EQ(NodesText(job.ArtObjects()[1].points), NodesText(std::span(job.Points()).subspan(5)));
        // Back to the file's placement, mirror first.
        if (c.mirror) job.ToggleMirror();
        job.SetRotation(Rotation::None);
        EXPECT_EQ(NodesText(job.Points()), loaded) << c.expected;
    }
    // Without a job nothing happens.
    Job empty;
    empty.ToggleMirror();
    empty.SetRotation(Rotation::Half);
    EXPECT_FALSE(empty.Mirrored());
    EXPECT_EQ(empty.CurrentRotation(), Rotation::None);
    EXPECT_TRUE(empty.Points().empty());
}

TEST(Transforms, PlaceholdersStayPutAndExtremesNeitherOverflowNorTrap)
{
    PointList points = test::NodesFrom("U10,20 N D-5,7 U-2147483648,0");
    ApplyTransform(points, MirrorTransform());
    // Mirroring the most negative coordinate saturates instead of overflowing.
    EXPECT_EQ(NodesText(points), "U-10,20 N0,0 D5,7 U2147483647,0");

    EXPECT_EQ(TruncateToInt32(-7.9), -7);
    EXPECT_EQ(TruncateToInt32(7.9), 7);
    EXPECT_EQ(TruncateToInt32(1e300), INT_MAX);
    EXPECT_EQ(TruncateToInt32(-1e300), INT_MIN);
    EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
    // The translation wraps as 32-bit plotter arithmetic does.
    PointList corner = test::NodesFrom("D2147483647,-2147483648");
    TranslatePoints(corner, 1, -1);
    EXPECT_EQ(NodesText(corner), "D-2147483648,2147483647");
}

TEST(Placement, OnlyJobsThatStayInsideThe32BitRangeFit)
{
    const struct {
        const char* what;
        const char* text;
        bool fitsLoaded;
        bool mirror;
        Rotation turn;
        bool fitsPlaced;
    } cases[] = {
        {"the largest size", "PU0,0;PD2147483647,0;SP0;", true, true, Rotation::None, true},
        // Mirrored in place, -(-2^31) has no 32-bit value: the placement is refused
        // rather than cut one unit short.
        {"the smallest coordinate mirrored", "PU-2147483648,5;PD-2147483647,-100;SP0;", true, true, Rotation::None,
         false},
        {"a size past the limit from coordinates that fit", "PU-2000000000,0;PD2000000000,0;SP0;", false, true,
         Rotation::None, false},
        // A pen-up that does not widen the box still moves with the job.
        {"a trailing pen-up moved out", "PU-100,0;PD10,0;PU2147483647,5;SP0;", false, false, Rotation::None, false},
        // sin(3.1415926) is not 0: the turned corner lands 115 units past the range.
        {"a half turn pushes a corner out", "PU0,0;PD2147483647,0;PD2147483647,2147483647;SP0;", true, false,
         Rotation::Half, false},
    };
    for (const auto& c : cases) {
        Job job;
        job.LoadJobText(c.text);
        ASSERT_TRUE(job.HasJob()) << c.what;
        EXPECT_EQ(job.FitsCutterRange(), c.fitsLoaded) << c.what;
        if (c.mirror) job.ToggleMirror();
        job.SetRotation(c.turn);
        EXPECT_EQ(job.FitsCutterRange(), c.fitsPlaced) << c.what;
        // Back to the file's placement: the answer of the load again.
        if (c.mirror) job.ToggleMirror();
        job.SetRotation(Rotation::None);
        EXPECT_EQ(job.FitsCutterRange(), c.fitsLoaded) << c.what;
    }
}

}  // namespace
}  // namespace kerfmax
