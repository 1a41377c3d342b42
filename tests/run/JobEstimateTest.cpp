// How long a job will take: lengths, the stream's size, the two times and the
// texts that show them.
#include "run/JobEstimate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>

#include "app/IniFile.h"
#include "app/ViewTexts.h"
#include "cutter/Dialect.h"
#include "geometry/OutputJob.h"
#include "run/SaveTarget.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

// A 100 x 50 mm rectangle.
constexpr char kRectangle[] = "PU0,0;PD4000,0;PD4000,2000;PD0,2000;PD0,0;SP0;";

Job Loaded(const std::string& text)
{
    Job job;
    job.LoadJobText(text);
    return job;
}

TEST(JobEstimate, LengthsFromTheCuttersOriginToWhereItParks)
{
    const Job job = Loaded(kRectangle);
    const JobEstimate e = EstimateJob(job, JobSettings{}, LINK_SERIAL);
    EXPECT_DOUBLE_EQ(e.cutMetres, 0.3);
    // From the lower right corner (the cutter's origin) to the job's start,
    // and from its end to the upper right corner.
    EXPECT_NEAR(e.travelMetres, (4000 + std::hypot(4000.0, 2000.0)) / 40'000, 1e-12);
    EXPECT_EQ(e.objects, 1u);

    // The frame is cut too: its perimeter, 1 mm outside on each side.
    JobSettings framed;
    framed.frameEnabled = 1;
    EXPECT_NEAR(EstimateJob(job, framed, LINK_SERIAL).cutMetres, 0.3 + 2 * (0.102 + 0.052), 1e-12);

    // Pen-downs before the first pen-up are an object of their own; placeholders move nothing.
    EXPECT_EQ(EstimateJob(Loaded("PD100,0;PU0,0;PD0,100;PU50,50;SP0;"), JobSettings{}, LINK_SERIAL).objects, 3u);
}

TEST(JobEstimate, TheStreamIsWhatSendWritesAndTheSlowerSideDecides)
{
    const Job job = Loaded(kRectangle);
    for (const bool blade : {true, false}) {
        JobSettings s;
        s.bladeOffsetOn = blade;
        CutterDialect dialect;
        StringSink written;
        ASSERT_EQ(BuildOutputJob(job, OutputOptionsFor(s), dialect, written), OutputResult::Written);
        EXPECT_EQ(CommandStreamBytes(job, s), written.Text().size()) << blade;
    }

    // Serial: 3840 bytes a second, slower than the cut here; every other link 1 MB/s.
    const struct {
        std::int32_t link;
        double rate;
    } links[] = {{LINK_SERIAL, 3840}, {LINK_VCOM, 1e6}, {LINK_USB, 1e6}, {LINK_NETWORK, 1e6}};
    JobSettings slow;
    slow.cuttingSpeed = 1;
    for (const auto& [link, rate] : links) {
        const JobEstimate e = EstimateJob(job, slow, link, 3'840'000);
        EXPECT_DOUBLE_EQ(e.transferSeconds, 3'840'000 / rate) << link;
        EXPECT_DOUBLE_EQ(e.cuttingSeconds, (e.cutMetres + e.travelMetres) * 1000) << link;
        EXPECT_DOUBLE_EQ(e.Seconds(), std::max(e.transferSeconds, e.cuttingSeconds)) << link;
    }
}

TEST(JobEstimate, ALargeJobsStreamIsCountedAsideAndKeptUntilItChanges)
{
    std::string steps = "PU0,0;";
    for (std::size_t i = 1; i <= StreamSizeCache::kCountInlineUpTo; ++i)
        steps += "PD" + std::to_string(i) + "," + std::to_string(i % 2) + ";";
    Job job = Loaded(steps + "SP0;");
    const JobSettings settings;
    const std::uint64_t expected = CommandStreamBytes(job, settings);

    StreamSizeCache cache;
    std::promise<void> counted;
    EXPECT_FALSE(cache.BytesFor(job, settings, [&] { counted.set_value(); }));
    ASSERT_EQ(counted.get_future().wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(cache.BytesFor(job, settings, [] {}), expected);
    // A change of placement or settings counts again; a job changed while it
    // is counted is never given the old figure.
    job.ToggleMirror();
    EXPECT_FALSE(cache.BytesFor(job, settings, [] {}));
    JobSettings other;
    other.bladeOffsetOn = false;
    EXPECT_EQ(cache.BytesFor(job, other), CommandStreamBytes(job, other));
}

TEST(JobEstimate, TextsAndTheSpeedSetting)
{
    const struct {
        double seconds;
        const char* text;
    } durations[] = {{0, "0:00"}, {59.6, "1:00"}, {3599.4, "59:59"}, {3600, "1:00:00"}, {NAN, "0:00"}, {-5, "0:00"}};
    for (const auto& [seconds, text] : durations) EXPECT_EQ(DurationText(seconds), text) << seconds;

    JobEstimate e;
    e.cutMetres = 12.345;
    e.travelMetres = 3.2;
    e.objects = 7;
    e.speed = 250;
    e.cuttingSeconds = 75;
    EXPECT_EQ(EstimateLineText(e, 0), "Cut 12.35 m, travel 3.20 m, 7 objects, about 1:15 at 250 mm/s");
    EXPECT_EQ(EstimateLineText(e, 1), "切割 12.35 米，空走 3.20 米，7 个对象，约 1:15（250 毫米/秒）");
    // A value is never searched for placeholders.
    EXPECT_EQ(FillText("%2-%1", {"%2", "b"}), "b-%2");

    // The "Speed" key: whole mm/s from 1 to 2000, anything else the default.
    test::TempDir dir;
    CIniFile ini(dir / "Kerfmax.ini");
    const struct {
        const char* stored;
        int speed;
    } speeds[] = {{nullptr, 200}, {"350", 350}, {"0", 200}, {"2001", 200}, {"fast", 200}};
    for (const auto& [stored, speed] : speeds) {
        if (stored) ini.WriteString("Device", "Speed", stored);
        EXPECT_EQ(ReadJobSettings(ini).cuttingSpeed, speed) << (stored ? stored : "missing");
    }
}

TEST(SaveTarget, TheJobsNameInTheLastFolderElseTheJobsOwn)
{
    test::TempDir dir;
    const auto job = dir / "jobs" / "sign.hb";
    EXPECT_EQ(ProposedSaveTarget(job, dir.Path()), dir / "sign.plt");
    EXPECT_EQ(ProposedSaveTarget(job, dir / "gone"), dir / "jobs" / "sign.plt");
    EXPECT_EQ(ProposedSaveTarget(job, {}), dir / "jobs" / "sign.plt");
    EXPECT_EQ(ProposedSaveTarget({}, dir.Path()), dir / "job.plt");
}

}  // namespace
}  // namespace kerfmax
