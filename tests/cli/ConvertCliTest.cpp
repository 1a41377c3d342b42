// The convert and info commands of kerfmax-cli, run as the built program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/JobSettings.h"
#include "cutter/Dialect.h"
#include "geometry/Job.h"
#include "geometry/OutputJob.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using namespace test;

const std::string kFiller = "@@@@@@@@@@@@@@@@@@@;";

// The words of a command line written with single blanks between them.
std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), {}};
}

class ConvertCli : public ::testing::Test {
protected:
    ConvertCli() { WriteFileBytes(job, "PU0,0;PD4000,0;SP0;"); }

    // Runs convert on the job with the options (a home whose settings file
    // must not be read); returns the output file.
    std::string ConvertLine(const std::vector<std::string>& options)
    {
        std::vector<std::string> args{"convert", job, "-o", out};
        args.insert(args.end(), options.begin(), options.end());
        auto result = RunCli(args, {"HOME=" + (dir / "home").string()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return ReadFileBytes(out);
    }

    // What the assembly itself writes for the sample with default settings.
    static std::string InProcess(const std::string& path, bool mirror, Rotation rotation)
    {
        Job loaded;
        loaded.LoadJob(path);
        if (mirror) loaded.ToggleMirror();
        loaded.SetRotation(rotation);
        BladeCompensator fresh;
        StringSink sink;
        EXPECT_EQ(BuildOutputJob(loaded, OutputOptionsFor(JobSettings{}), CutterDialect{}, sink, fresh),
                  OutputResult::Written);
        return sink.Text();
    }

    TempDir dir;
    std::string job = (dir / "line.hb").string();
    std::string out = (dir / "out.plt").string();
};

// Each option and a named settings file change the stream; the user's own
// settings file (in the home) is never read without --settings.
TEST_F(ConvertCli, OptionsAndANamedSettingsFileChangeTheStream)
{
    WriteFileBytes(dir / "settings.ini", "[Offset]\nChkBladeOffset=0\nChkOverCut=1\nOverCut=2.0\n");
    std::filesystem::create_directories(dir / "home" / "Documents" / "Kerfmax");
    WriteFileBytes(dir / "home" / "Documents" / "Kerfmax" / "Kerfmax.ini", "[Offset]\nChkOverCut=1\nOverCut=9\n");
    const std::pair<std::string, std::string> cases[] = {
        // A single segment is not changed by the 0.35 mm blade offset.
        {"", "IN;SP1;PU0,4000;PD0,0;PU0,0;PG;"},
        {"--dialect dmpl", ";:H A L0 ECN U U0,0;U0,4000;D0,0;U0,0;@ "},
        // Left 2, right 0, bottom 3, top 0: the job moves 80 along the first axis, 120 along the second.
        {"--frame 2,0,3,0 --no-blade-offset",
         "IN;SP1;PU80,4000;PD80,0;PU80,0;PD80,4120;PD0,4120;PD0,0;PD80,0;PU80,0;PG;"},
        {"--settings", "IN;SP1;PU0,4000;PD0,-80;PU0,0;PG;"},
        {"--overcut 0.5 --settings", "IN;SP1;PU0,4000;PD0,-20;PU0,0;PG;"}};
    for (const auto& [options, expected] : cases) {
        std::vector<std::string> words = Words(options);
        if (options.ends_with("--settings")) words.push_back((dir / "settings.ini").string());
        EXPECT_EQ(ConvertLine(words), expected + kFiller) << options;
    }

    // A wide letter before its counter in the file: Inside First cuts the counter first.
    WriteFileBytes(job, "PU0,0;PD1000,0;PD1000,100;PD0,100;PD0,0;PU100,20;PD200,20;PD200,80;PD100,80;PD100,20;SP0;");
    EXPECT_EQ(ConvertLine(Words("--no-blade-offset --order inside-first")),
              "IN;SP1;PU20,900;PD20,800;PD80,800;PD80,900;PD20,900;PU0,1000;PD0,0;PD100,0;PD100,1000;PD0,1000;"
              "PU100,0;PG;" +
                  kFiller);
}

TEST_F(ConvertCli, SampleMatchesTheAssemblyWithMirrorBeforeRotation)
{
    const std::string sample = SourcePath("resources/samples/sign.hb").string();
    auto result = RunCli({"convert", sample, "-o", out});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFileBytes(out), InProcess(sample, false, Rotation::None));
    // No temporary file is left beside the output: only line.hb and out.plt.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    // Mirror first, then the rotation, as the main window places them.
    result = RunCli({"convert", sample, "-o", out, "--rotate", "90", "--mirror"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFileBytes(out), InProcess(sample, true, Rotation::Quarter));
}

TEST_F(ConvertCli, UsageErrorsWriteNothingAndHelpIsNoError)
{
    const std::string bad[] = {"--rotate 45",   "--frame 1,2",    "--frame 1,2,3,-4", "--dialect gcode",
                               "--overcut abc", "--order random", "--bogus",          "--settings missing.ini",
                               "--blade-offset"};
    std::vector<std::vector<std::string>> commands = {
        {"convert", job}, {"convert", "-o", out}, {"convert", job, job, "-o", out}};
    for (const std::string& options : bad) {
        commands.push_back({"convert", job, "-o", out});
        for (const std::string& word : Words(options)) commands.back().push_back(word);
    }
    for (const auto& args : commands) {
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 1) << args.back();
        EXPECT_NE(result.err.find("usage:"), std::string::npos) << args.back();
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    auto help = RunCli({"convert", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--settings"), std::string::npos) << help.out;
}

// convert, info and send alike: one line that names the file and the reason,
// exit 2, nothing written.
TEST_F(ConvertCli, AJobThatDoesNotLoadSaysWhyInTheRunsLanguageAndExits2)
{
    WriteFileBytes(dir / "empty.hb", "");
    WriteFileBytes(dir / "nopoints.hb", "SP0;PU0,0;");
    WriteFileBytes(dir / "wide.hb", "PU0,0;PD2147483656,0;SP0;");  // would wrap to a negative x
    std::filesystem::create_directory(dir / "folder.hb");
    WriteFileBytes(dir / "chinese.ini", "[Device]\r\nLangage=1\r\n");
    // Each reason once, each command once; the Chinese texts are the text table's.
    const auto at = [&](const char* name) { return (dir / name).string(); };
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"info", at("absent.hb")}, "does not exist."},
        {{"info", at("folder.hb")}, "is a folder, not a job file."},
        {{"convert", at("empty.hb"), "-o", out}, "is empty."},
        {{"send", at("nopoints.hb"), "--port", "Network Port"}, "has no points to cut."},
        {{"send", at("wide.hb"), "--port", "Network Port", "--settings", at("chinese.ini")}, "超出切割机的坐标范围。"},
    };
    for (const auto& [args, says] : cases) {
        auto result = RunCli(args);
        EXPECT_EQ(result.exitCode, 2) << args[1];
        EXPECT_NE(result.err.find("\"" + args[1] + "\""), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(says), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));

    // Unreadable for the user who runs it (the superuser reads everything, so run as nobody).
    if (test::HaveProgram("setpriv")) {
        WriteFileBytes(dir / "locked.hb", "PU0,0;PD40,0;SP0;");
        std::filesystem::permissions(dir / "locked.hb", std::filesystem::perms::none);
        auto locked = test::RunProgram({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", KERFMAX_CLI_PATH,
                                        "info", (dir / "locked.hb").string()});
        EXPECT_EQ(locked.exitCode, 2);
        EXPECT_NE(locked.err.find("locked.hb\" cannot be read."), std::string::npos) << locked.err;
    }
    EXPECT_EQ(RunCli({"convert", job, "-o", (dir / "no-folder" / "out.plt").string()}).exitCode, 3);
}

TEST_F(ConvertCli, OutputThroughALinkReplacesItsTargetAndKeepsItsMode)
{
    namespace fs = std::filesystem;
    const fs::path real = dir / "real.plt";
    WriteFileBytes(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, out);
    const std::string plain = "IN;SP1;PU0,4000;PD0,0;PU0,0;PG;" + kFiller;
    EXPECT_EQ(ConvertLine({}), plain);
    EXPECT_TRUE(fs::is_symlink(out));
    EXPECT_EQ(ReadFileBytes(real), plain);
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 3);  // nothing left beside
}

TEST(InfoCli, SizeAndCountsOfTheSampleOrAnError)
{
    auto result = RunCli({"info", SourcePath("resources/samples/sign.hb").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "width: 120.00 mm\nheight: 50.00 mm\nrecords: 39\npoints: 303\nobjects: 6\n"
              "cut length: 0.80 m\ntravel length: 0.29 m\ntransfer: 0:01 for 5137 bytes at 3840 bytes/s\n"
              "cutting: 0:05 at 200 mm/s\nestimated time: 0:05\n");
    result = RunCli({"info", SourcePath("resources/samples/sign.hb").string(), "--link", "usb", "--speed", "10"});
    EXPECT_NE(result.out.find("transfer: 0:00 for 5137 bytes at 1000000 bytes/s\ncutting: 1:49 at 10 mm/s\n"
                              "estimated time: 1:49\n"),
              std::string::npos)
        << result.out;
    // Usage errors (a job that does not load: above).
    for (const auto& args : std::vector<std::vector<std::string>>{{"info"},
                                                                  {"info", "a.hb", "--mirror"},
                                                                  {"info", "a.hb", "--speed", "0"},
                                                                  {"info", "a.hb", "--link", "bluetooth"}})
        EXPECT_EQ(RunCli(args).exitCode, 1) << args.back();
}

}  // namespace
}  // namespace kerfmax
