#include "run/ProgressMeter.h"

#include <gtest/gtest.h>

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using Clock = ProgressMeter::Clock;

// A send reporting once a second on a clock of its own.
struct Feed {
    ProgressMeter meter;
    Clock::time_point now = Clock::time_point() + 1h;
    std::uint64_t sent = 0;
    std::uint64_t total;

    explicit Feed(std::uint64_t totalBytes) : total(totalBytes) { Report(); }
    void Report() { meter.Update({static_cast<int>(sent * 100 / total), sent, total}, now); }
    void Run(std::uint64_t bytesPerSecond, int seconds)
    {
        for (int i = 0; i < seconds; ++i) {
            now += 1s;
            sent += bytesPerSecond;
            Report();
        }
    }
    ProgressReading Read(Clock::duration later = 0s) const { return meter.Read(now + later); }
};

TEST(ProgressMeter, TimeLeftFollowsTheRecentRateNotTheAverage)
{
    Feed feed(10'000'000);
    feed.Run(200'000, 20);  // 4 MB at 200 KB/s
    ASSERT_TRUE(feed.Read().timeLeft);
    EXPECT_EQ(*feed.Read().timeLeft, 30s);  // 6 MB at 200 KB/s

    feed.Run(20'000, 10);  // the cutter slows to a tenth: the average would still say about 50 s
    EXPECT_NEAR(feed.Read().recentRate, 20'000, 1);
    EXPECT_EQ(*feed.Read().timeLeft, std::chrono::seconds((10'000'000 - 4'200'000) / 20'000));

    // A thousand reports a second (small chunks on a fast link) give the same rate.
    for (int i = 0; i < 1000; ++i) {
        feed.now += 1ms;
        feed.sent += 20;
        feed.Report();
    }
    EXPECT_NEAR(feed.Read().recentRate, 20'000, 500);
}

TEST(ProgressMeter, AfterThreeQuietSecondsTheCutterIsNotTakingData)
{
    EXPECT_FALSE(ProgressMeter().Read(Clock::now() + 1h).stalledFor) << "connect and assembly are not a stall";
    Feed feed(1'000'000);
    EXPECT_EQ(feed.Read(10s).stalledFor, 10s) << "the first report starts the clock";
    feed.Run(100'000, 5);

    EXPECT_FALSE(feed.Read(2s).stalledFor);
    EXPECT_TRUE(feed.Read(2s).timeLeft);
    const ProgressReading quiet = feed.Read(75s);
    ASSERT_TRUE(quiet.stalledFor);
    EXPECT_EQ(*quiet.stalledFor, 75s);
    EXPECT_FALSE(quiet.timeLeft) << "no falling time left while nothing moves";
    EXPECT_EQ(ProgressText(quiet, 0), "50%, the cutter has not taken data for 1:15");
    EXPECT_EQ(ProgressText(quiet, 1), "50%，切割机已 1:15 未接收数据");

    // It takes data again: the notice goes, the time left comes back from the new rate.
    feed.now += 75s;
    feed.Run(100'000, 2);
    EXPECT_FALSE(feed.Read().stalledFor);
    EXPECT_EQ(ProgressText(feed.Read(), 0), "70%, 0:08 left");  // 300 KB at 200 KB in the last 5 s
    EXPECT_EQ(ProgressText(feed.Read(), 1), "70%，剩余 0:08");

    // Every byte taken: waiting for the delivery is not a stall.
    feed.Run(100'000, 3);
    EXPECT_FALSE(feed.Read(30s).stalledFor);
    EXPECT_EQ(ProgressText(ProgressReading{}, 0), "0%");
}

}  // namespace
}  // namespace kerfmax
