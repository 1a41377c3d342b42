// Sending a job again from one object on: where the objects lie in the output
// in every cutting order and emission, which object a given count of confirmed
// bytes leaves to send, and a serial cutter whose port vanishes mid-job.
#include <gtest/gtest.h>

#include <future>
#include <tuple>

#include "app/JobSettings.h"
#include "cutter/Dialect.h"
#include "cutter/SendTestPeers.h"
#include "platform/SystemError.h"
#include "geometry/CutOrderChoice.h"
#include "geometry/OutputJob.h"
#include "run/OutputFile.h"
#include "run/ResumePoint.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::BackgroundSend;
using sendtest::HeldCtsLine;
using sendtest::SocatPtyPair;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// Letters with counters, then an open path, a lone pen-up before another, and a curve.
std::string NestedJob(int letters)
{
    return sendtest::LettersJob(letters, 40) +
           "PU0,-500;PD9000,-500;PD9000,-900;PU50,-950;PU100,-1000;BZ500,-1500,900,-1500,1300,-1000;SP0;";
}

CommandTexts Hpgl()
{
    CutterDialect dialect;
    DialectForCutterType(1, dialect);
    return dialect;
}

// The job's output with these options in `text`, and where its objects lie in it.
OutputLayout Built(const Job& job, const OutputOptions& options, std::string& text)
{
    StringSink sink;
    BladeCompensator compensator;
    OutputLayout layout;
    EXPECT_EQ(BuildOutputJob(job, options, Hpgl(), sink, compensator, &layout), OutputResult::Written);
    text = sink.TakeText();
    return layout;
}

TEST(ResumeLayout, ObjectsBeginAtTheirPenUpsInEveryOrderEmissionAndFrame)
{
    Job job;
    job.LoadJobText(NestedJob(900));  // well over the 64 KB the resumed copy reads at a time
    const std::vector<MC_ArtObj_>& objects = job.ArtObjects();
    TempDir dir;
    for (const auto& [cutOrder, compensate, frame] :
         {std::tuple{kCutOrderFile, false, 0}, std::tuple{kCutOrderFile, true, 1},
          std::tuple{kCutOrderReduceFeed, true, 0}, std::tuple{kCutOrderInsideFirst, true, 1},
          std::tuple{kCutOrderInsideFirst, false, 0}}) {
        SCOPED_TRACE(testing::Message() << "order " << cutOrder << " compensated " << compensate << " frame " << frame);
        std::string full;
        const OutputLayout layout = Built(
            job,
            {.cutOrder = cutOrder, .compensate = compensate, .overCut = compensate ? 40 : 0, .frameEnabled = frame},
            full);
        EXPECT_EQ(layout.headerBytes, Hpgl().initCommand.size());
        EXPECT_EQ(layout.totalBytes, full.size());

        // Objects begin at the pen-ups; the tail at the frame's pen-up, or the final one. The compensated
        // end of an outline (its closing corner, the over-cut) stays with the outline.
        const std::vector<std::size_t> starts = sendtest::PenUpStarts(full, layout.headerBytes);
        std::vector<std::uint64_t> ups(starts.begin(), starts.end());
        ASSERT_GE(ups.size(), 1u + frame);
        EXPECT_EQ(layout.tailStart, ups[ups.size() - 1 - frame]);
        ups.resize(ups.size() - 1 - frame);
        EXPECT_EQ(layout.objectStarts, ups);

        // In cutting order, without the lone pen-up, which moves nothing.
        ObjectOrder order = ComputeObjectOrder(cutOrder, objects, job.Box());
        if (order.empty())
            for (std::size_t i = 0; i < objects.size(); ++i) order.push_back(i);
        std::erase_if(order, [&](std::size_t i) { return objects[i].points.size() < 2; });
        EXPECT_EQ(layout.artObjects, order);

        WriteFileBytes(dir / "whole.plt", full);
        const std::size_t count = layout.ObjectCount();
        for (std::size_t from : {std::size_t{1}, std::size_t{2}, count / 2, count, count + 1}) {
            std::string error;
            ASSERT_TRUE(WriteResumedOutput(dir / "whole.plt", layout, from, dir / "resumed.plt", nullptr, &error))
                << error;
            EXPECT_EQ(ReadFileBytes(dir / "resumed.plt"),
                      full.substr(0, layout.headerBytes) + full.substr(layout.StartOf(from)))
                << "from " << from;
        }
        EXPECT_FALSE(WriteResumedOutput(dir / "whole.plt", layout, count + 2, dir / "resumed.plt", nullptr, nullptr));
    }

    // Pen-downs before the first pen-up are an object of their own, the first art object.
    Job leading;
    leading.LoadJobText("PD100,0;PD100,100;PU0,0;PD50,0;SP0;");
    std::string text;
    const OutputLayout layout = Built(leading, {.compensate = false}, text);
    EXPECT_EQ(layout.objectStarts, (std::vector<std::uint64_t>{layout.headerBytes, sendtest::PenUpStarts(text, 0)[0]}));
    EXPECT_EQ(layout.artObjects, (std::vector<std::size_t>{0, 1}));
}

TEST(ResumePoint, TheFirstObjectNotConfirmedInFullOfAWholeOrAResumedStream)
{
    OutputLayout layout;  // header 7 bytes, objects at 7, 20 and 40, tail from 60 to 80
    layout.headerBytes = 7;
    layout.objectStarts = {7, 20, 40};
    layout.tailStart = 60;
    layout.totalBytes = 80;
    struct Case {
        std::size_t from;
        std::uint64_t confirmed;  // bytes of the stream that was sent
        std::size_t expected;
    };
    for (const Case c : {Case{1, 0, 1}, Case{1, 19, 1}, Case{1, 20, 2}, Case{1, 59, 3}, Case{1, 60, 4}, Case{1, 80, 4},
                         // From object 3 the stream is the header and the whole stream's bytes 40 to 80.
                         Case{3, 0, 3}, Case{3, 7, 3}, Case{3, 26, 3}, Case{3, 27, 4}, Case{4, 5, 4}}) {
        const ResumeOffer offer = MakeResumeOffer(layout, c.from, c.confirmed);
        EXPECT_EQ(offer.firstUnconfirmed, c.expected) << "from " << c.from << ", " << c.confirmed << " confirmed";
        EXPECT_EQ(offer.objectCount, 3u);
    }
    EXPECT_FALSE(IsResumableObject(layout, 0));
    EXPECT_TRUE(IsResumableObject(layout, 4));
    EXPECT_FALSE(IsResumableObject(layout, 5));

    // A whole stream that is not the one the layout describes is not cut up.
    TempDir dir;
    WriteFileBytes(dir / "whole.plt", std::string(79, 'x'));
    std::string error;
    EXPECT_FALSE(WriteResumedOutput(dir / "whole.plt", layout, 2, dir / "resumed.plt", nullptr, &error));
    EXPECT_FALSE(std::filesystem::exists(dir / "resumed.plt"));
}

// The cutter holds CTS low a third of the way in (its buffer is full), the
// reader takes everything that left the port, and the port vanishes (socat is
// killed); once CTS rises the write fails. The link confirmed exactly what
// arrived, so the resumed send starts at the first object not held in full.
TEST(ResumeSerial, APortThatVanishesMidJobConfirmsExactlyWhatArrived)
{
    TempDir dir;
    Job job;
    job.LoadJobText(NestedJob(150));
    JobSettings settings;
    settings.overCutOn = true;
    OutputLayout layout;
    BladeCompensator compensator;
    ASSERT_EQ(WriteOutputFile(job, settings, Hpgl(), dir / "whole.plt", compensator, nullptr, nullptr, &layout),
              OutputResult::Written);
    const std::string full = ReadFileBytes(dir / "whole.plt");

    std::string delivered;
    const int descriptorsBefore = sendtest::OpenDescriptorCount();
    {
        SocatPtyPair pty;
        ASSERT_TRUE(pty.Ready());
        CHpglCutter cutter;
        ASSERT_EQ(cutter.Open(sendtest::SerialLink(pty.Near())), 1);
        HeldCtsLine cts;
        const int chunks = static_cast<int>(std::count(full.begin(), full.end(), ';'));
        cts.onPoll = [&cts, chunks] {
            if (cts.polls.load() == chunks / 3) cts.ctsOn.store(false);
        };
        cutter.SerialLink().SetModemStatusSource(&cts);
        auto arriving = std::async(std::launch::async, [&] { return pty.ReadFar(5s, 500ms); });
        BackgroundSend send(cutter, LINK_SERIAL, dir / "whole.plt");
        delivered = arriving.get();
        ASSERT_FALSE(cts.ctsOn.load());
        pty.Kill();
        cts.ctsOn.store(true);
        send.Wait();
        EXPECT_EQ(send.outcome, SendOutcome::Failed) << send.messages;
        // The system's reason for the pulled cable, then the counts.
        EXPECT_EQ(send.messages.rfind("Warning: " + SystemErrorText(EIO) + "\nylen:", 0), 0u) << send.messages;
        EXPECT_NE(send.messages.find("nWResult:-1\n"), std::string::npos) << send.messages;
        EXPECT_EQ(send.confirmed, delivered.size());
    }
    EXPECT_EQ(sendtest::OpenDescriptorCount(), descriptorsBefore) << "the vanished port was not released";
    EXPECT_TRUE(delivered == full.substr(0, delivered.size()));
    const std::size_t from = MakeResumeOffer(layout, 1, delivered.size()).firstUnconfirmed;
    EXPECT_LE(layout.StartOf(from), delivered.size());
    EXPECT_GT(layout.StartOf(from + 1), delivered.size());
}

}  // namespace
}  // namespace kerfmax
