#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "geometry/OutputSink.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

// A long output goes to disk on a second thread while it is written: every
// byte must still arrive in order, and a cancel while that thread is busy must
// leave the old file and no temporary one.
TEST(FileSink, ALongOutputFlushedWhileWrittenArrivesWholeAndACancelLeavesTheOldFile)
{
    test::TempDir dir;
    const auto target = dir / "out.plt";
    test::WriteFileBytes(target, "old");
    std::string piece(64 * 1024, ' ');
    std::string expected;
    for (int i = 0; i < 100; ++i) {  // 6.4 MB: several flushes on the way
        piece.replace(0, 8, std::to_string(10000000 + i));
        expected += piece;
    }
    std::atomic<int> cancel{0};
    FileSink cancelled(target, &cancel);
    ASSERT_TRUE(cancelled.Open());
    cancelled.Write(expected.substr(0, 5 * 1024 * 1024));
    cancel = 1;
    cancelled.Write("PU0,0;");
    EXPECT_FALSE(cancelled.Commit());
    EXPECT_EQ(test::ReadFileBytes(target), "old");

    FileSink sink(target);
    ASSERT_TRUE(sink.Open());
    for (std::size_t at = 0; at < expected.size(); at += piece.size()) sink.Write(expected.substr(at, piece.size()));
    ASSERT_TRUE(sink.Commit()) << sink.Error();
    EXPECT_TRUE(test::ReadFileBytes(target) == expected);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace kerfmax
