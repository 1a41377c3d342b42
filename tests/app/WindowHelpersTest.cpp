// The main window's Qt-free helpers: the Port restore rules and the progress
// reports of another process.
#include <gtest/gtest.h>

#include <tuple>

#include "app/PortRestore.h"
#include "app/ProgressReport.h"

namespace kerfmax {
namespace {

TEST(PortRestore, EmptyAndUsbTextsAreLookedUpOthersPutBack)
{
    EXPECT_TRUE(PortRestoreNeedsRefresh(""));
    EXPECT_TRUE(PortRestoreNeedsRefresh("USB_0"));
    EXPECT_FALSE(PortRestoreNeedsRefresh("usb_0"));  // exact case
    EXPECT_FALSE(PortRestoreNeedsRefresh("COM7"));

    const std::vector<std::string> list = {"usb_9<odd>", "COM3<USB Serial Port>", "Network Port", "USB_0", "USB_1"};
    EXPECT_EQ(RestoredPortIndex(list, ""), 0);
    EXPECT_EQ(RestoredPortIndex(list, "usb_1"), 4);
    EXPECT_EQ(RestoredPortIndex(list, "USB_"), 3);  // the second item onward first
    EXPECT_EQ(RestoredPortIndex(list, "usb_9"), 0);  // then the first
    EXPECT_EQ(RestoredPortIndex(list, "USB_7"), -1);
    EXPECT_EQ(RestoredPortIndex({}, ""), -1);

    // A network entry stored under either language stands for the one entry the
    // list already has; anything else is put back as stored.
    for (const char* text : {"Network Port", "network PORT", "网络端口"}) EXPECT_TRUE(NamesNetworkEntry(text)) << text;
    for (const char* text : {"COM7", "Network", "", "USB_0"}) EXPECT_FALSE(NamesNetworkEntry(text)) << text;
}

TEST(ProgressReport, NumbersMoveTheBarCodesShowTheirTextAndEndTheSend)
{
    // text: value, message, whether it shows as progress, whether it ends the send
    const std::pair<std::string, std::tuple<int, std::string, bool, bool>> cases[] = {
        {"57", {57, "", true, false}},
        {"100", {100, "", true, true}},
        {std::string("250\0junk", 8), {250, "", true, true}},
        {"-5", {-5, "ERROR_WRITE_USB_DATA!", false, true}},
        {"-3", {-3, "Connect to Cutter fail!", false, true}},
        {"-9", {-9, "", false, true}},
        {"abc", {0, "", true, false}},
    };
    for (const auto& [text, expected] : cases) {
        const ProgressReport r = DecodeProgressReport(text);
        EXPECT_EQ(std::tie(r.value, r.message, r.showsProgress, r.completes), expected) << text;
    }
}

}  // namespace
}  // namespace kerfmax
