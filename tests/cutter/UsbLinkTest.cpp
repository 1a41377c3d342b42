// The USB link written to a FIFO standing in for the printer device node.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "cutter/Cutter.h"
#include "cutter/SendTestPeers.h"

namespace kerfmax {
namespace {

LinkSettings UsbSettings(const std::string& path)
{
    LinkSettings settings;
    settings.linkType = LINK_USB;
    settings.usbDevicePath = path;
    return settings;
}

TEST(UsbLink, JobLargerThanThePipeArrivesWholeThroughTheDeviceNode)
{
    test::TempDir dir;
    std::string node = (dir / "lp0").string();
    ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
    std::string job;
    for (int i = 0; job.size() < 200'000; ++i) job += "PU" + std::to_string(i) + ",0;";
    std::string received;
    std::thread reader([&] {
        int fd = ::open(node.c_str(), O_RDONLY | O_CLOEXEC);
        received = sendtest::ReadUntilQuiet(fd, std::chrono::seconds(5), std::chrono::seconds(5));
        ::close(fd);
    });
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(UsbSettings(node)), 1);
    std::atomic<int> cancel{0};
    for (std::size_t at = 0; at < job.size(); at += 512) {
        int length = static_cast<int>(std::min<std::size_t>(512, job.size() - at));
        ASSERT_EQ(cutter.Write(job.data() + at, length, &cancel, 1), length);
    }
    cutter.Close();   // the reader then sees the end of the data
    reader.join();
    EXPECT_TRUE(received == job);
}

TEST(UsbLink, MissingOrFailingDeviceIsALinkFailure)
{
    CHpglCutter cutter;
    std::atomic<int> cancel{0};
    EXPECT_EQ(cutter.Open(UsbSettings("/nonexistent/lp9")), 0);
    EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), 0);
    // /dev/full opens and then fails every write, as a device gone mid-job does.
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    ASSERT_EQ(cutter.Open(UsbSettings("/dev/full")), 1);
    EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), -1);
    cutter.Close();
    EXPECT_EQ(cutter.IsOpen(), 0);
}

}  // namespace
}  // namespace kerfmax
