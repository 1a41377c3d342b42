// kerfmax-cli convert and info: the output of Save to File, and the job's size
// and counts as the main window shows them.
#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/Commands.h"
#include "cli/GeometryOptions.h"
#include "geometry/Job.h"
#include "geometry/OutputJob.h"
#include "geometry/OutputSink.h"
#include "app/Texts.h"
#include "platform/AtomicFile.h"
#include "platform/PathText.h"
#include "run/JobEstimate.h"
#include "run/JobLoad.h"

namespace kerfmax::cli {

namespace {

const char kConvertUsage[] =
    "usage: kerfmax-cli convert JOB -o OUT.plt [options]\n"
    "\n"
    "Writes the command stream that Save to File writes for the job file JOB.\n"
    "OUT.plt is replaced only when the whole stream was written.\n"
    "\n"
    "options:\n"
    "  -o, --output OUT.plt      the file to write (required)\n";

const char kConvertHint[] = "Run 'kerfmax-cli convert --help' for every option.\n";

const char kConvertExitCodes[] =
    "\n"
    "exit codes: 0 done, 1 usage, 2 nothing to cut or job not loaded, 3 output failure, 4 cancelled\n";

const char kInfoUsage[] =
    "usage: kerfmax-cli info JOB [--speed MM_PER_S] [--link serial|network|usb]\n"
    "\n"
    "Prints the job's size in millimetres as the main window shows it (width is\n"
    "the job's x extent, height its y extent), its counts of records, points\n"
    "and art objects, and the estimate the window shows under the preview: cut\n"
    "and travel length, the transfer time over the link (serial: 3840 bytes/s,\n"
    "network and USB: 1000000 bytes/s), the cutting time at the speed (default\n"
    "200 mm/s) and the larger of the two.\n"
    "\n"
    "exit codes: 0 done, 1 usage, 2 nothing to cut or job not loaded\n";

std::atomic<int> g_cancel{0};

extern "C" void OnCancelSignal(int)
{
    g_cancel.store(1);
}

int Usage(const std::string& message, const char* usage, const char* hint = "")
{
    std::fprintf(stderr, "kerfmax-cli: %s\n\n%s%s", message.c_str(), usage, hint);
    return kExitUsage;
}

void PrintConvertHelp()
{
    std::fputs(kConvertUsage, stdout);
    std::fputs(GeometryOptionsHelp(), stdout);
    std::fputs(kConvertExitCodes, stdout);
}

bool IsOptionWord(const std::string& word)
{
    return word.size() > 1 && word[0] == '-';
}

struct ConvertRequest {
    std::string jobPath;
    std::string outPath;
    GeometryOptions options;
};

// Returns -1 when the request is complete, else the exit code to end with.
int ParseConvertArgs(const Args& args, ConvertRequest& request)
{
    GeometryOptionParser parser;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            PrintConvertHelp();
            return kExitDone;
        }
        if (word == "-o" || word == "--output") {
            if (i + 1 >= args.size()) return Usage(word + " needs a file name", kConvertUsage, kConvertHint);
            request.outPath = args[++i];
            continue;
        }
        switch (parser.Take(args, i)) {
        case GeometryOptionParser::Status::Taken: continue;
        case GeometryOptionParser::Status::Bad: return Usage(parser.Error(), kConvertUsage, kConvertHint);
        case GeometryOptionParser::Status::NotMine: break;
        }
        if (IsOptionWord(word)) return Usage("unknown option '" + word + "'", kConvertUsage, kConvertHint);
        if (!request.jobPath.empty()) return Usage("unexpected argument '" + word + "'", kConvertUsage, kConvertHint);
        request.jobPath = word;
    }
    if (request.jobPath.empty()) return Usage("missing JOB", kConvertUsage, kConvertHint);
    if (request.outPath.empty()) return Usage("missing -o OUT.plt", kConvertUsage, kConvertHint);
    if (!parser.Finish(request.options)) return Usage(parser.Error(), kConvertUsage, kConvertHint);
    return -1;
}

// Loads the job; false (the reason printed) when there is nothing to cut.
bool LoadForCommand(Job& job, const std::string& path, int language)
{
    const JobLoadStatus status = LoadJobFile(job, PathFromUtf8(path));
    if (status == JobLoadStatus::Loaded) return true;
    std::fprintf(stderr, "kerfmax-cli: %s\n", JobLoadText(status, PathFromUtf8(path), language).c_str());
    return false;
}

int OutputFailure(const std::string& outPath, const FileSink& sink)
{
    if (sink.Cancelled()) {
        std::fputs("kerfmax-cli: cancelled; nothing written\n", stderr);
        return kExitCancelled;
    }
    std::fprintf(stderr, "kerfmax-cli: cannot write '%s': %s\n", outPath.c_str(), sink.Error().c_str());
    return kExitOutputFailure;
}

std::size_t CountIf(const auto& items, auto predicate)
{
    return static_cast<std::size_t>(std::count_if(items.begin(), items.end(), predicate));
}

// The size fields: the extent divided by 40, rounded to single precision.
double SizeField(std::int64_t extent)
{
    return static_cast<float>(static_cast<double>(extent) / 40.0);
}

}  // namespace

int RunConvert(const Args& args)
{
    ConvertRequest request;
    if (int exitCode = ParseConvertArgs(args, request); exitCode >= 0) return exitCode;

    const int language = request.options.settings.language;
    Job job;
    if (!LoadForCommand(job, request.jobPath, language)) return kExitNothingToCut;
    ApplyPlacement(job, request.options.settings);
    if (!job.FitsCutterRange()) {
        std::fprintf(stderr, "kerfmax-cli: %s\n", Text(TextId::PlacedOutOfRange, language));
        return kExitNothingToCut;
    }

    std::signal(SIGINT, OnCancelSignal);
    std::signal(SIGTERM, OnCancelSignal);
    // Temporary files of earlier converts to this file that were killed on the way.
    RemoveStaleTemporaries(PathFromUtf8(request.outPath));
    FileSink sink(PathFromUtf8(request.outPath), &g_cancel);
    if (!sink.Open()) return OutputFailure(request.outPath, sink);
    switch (BuildOutputJob(job, OutputOptionsFor(request.options.settings), request.options.dialect, sink)) {
    case OutputResult::NothingToCut:
        std::fprintf(stderr, "kerfmax-cli: nothing to cut: '%s' has no points\n", request.jobPath.c_str());
        return kExitNothingToCut;
    case OutputResult::WriteFailed: return OutputFailure(request.outPath, sink);
    case OutputResult::Written: break;
    }
    if (!sink.Commit()) return OutputFailure(request.outPath, sink);
    return kExitDone;
}

namespace {

// --speed and --link of info: true when args[i] is one (exitCode set to the
// usage error's code when its value is bad).
bool TakeEstimateOption(const Args& args, std::size_t& i, JobSettings& settings, std::int32_t& linkType, int& exitCode)
{
    const std::string& word = args[i];
    if (word != "--speed" && word != "--link") return false;
    if (i + 1 >= args.size()) {
        exitCode = Usage(word + " needs a value", kInfoUsage);
        return true;
    }
    const std::string& value = args[++i];
    if (word == "--speed") {
        const int speed = std::atoi(value.c_str());
        if (value.find_first_not_of("0123456789") != std::string::npos || speed < settings::kMinCuttingSpeed ||
            speed > settings::kMaxCuttingSpeed) {
            exitCode = Usage("--speed takes whole mm/s from 1 to 2000", kInfoUsage);
            return true;
        }
        settings.cuttingSpeed = speed;
    } else if (value == "serial" || value == "network" || value == "usb") {
        linkType = value == "serial" ? LINK_SERIAL : value == "network" ? LINK_NETWORK : LINK_USB;
    } else {
        exitCode = Usage("--link takes serial, network or usb", kInfoUsage);
    }
    return true;
}

void PrintEstimate(const JobEstimate& e)
{
    std::printf("cut length: %.2f m\n", e.cutMetres);
    std::printf("travel length: %.2f m\n", e.travelMetres);
    std::printf("transfer: %s for %llu bytes at %.0f bytes/s\n", DurationText(e.transferSeconds).c_str(),
                static_cast<unsigned long long>(e.commandBytes), e.bytesPerSecond);
    std::printf("cutting: %s at %d mm/s\n", DurationText(e.cuttingSeconds).c_str(), e.speed);
    std::printf("estimated time: %s\n", DurationText(e.Seconds()).c_str());
}

}  // namespace

int RunInfo(const Args& args)
{
    std::string jobPath;
    JobSettings settings;
    std::int32_t linkType = LINK_SERIAL;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--help" || word == "-h") {
            std::fputs(kInfoUsage, stdout);
            return kExitDone;
        }
        int exitCode = -1;
        if (TakeEstimateOption(args, i, settings, linkType, exitCode)) {
            if (exitCode >= 0) return exitCode;
            continue;
        }
        if (IsOptionWord(word)) return Usage("unknown option '" + word + "'", kInfoUsage);
        if (!jobPath.empty()) return Usage("unexpected argument '" + word + "'", kInfoUsage);
        jobPath = word;
    }
    if (jobPath.empty()) return Usage("missing JOB", kInfoUsage);

    Job job;
    if (!LoadForCommand(job, jobPath, JobSettings().language)) return kExitNothingToCut;
    const BoundBox& box = job.Box();
    std::printf("width: %.2f mm\n", SizeField(std::int64_t{box.xMax} - box.xMin));
    std::printf("height: %.2f mm\n", SizeField(std::int64_t{box.yMax} - box.yMin));
    std::printf("records: %zu\n", job.RecordCount());
    std::printf("points: %zu\n", CountIf(job.Points(), [](const PointNode& n) { return n.kind != KIND_NONE; }));
    std::printf("objects: %zu\n", job.ArtObjects().size());
    PrintEstimate(EstimateJob(job, settings, linkType));
    return kExitDone;
}

}  // namespace kerfmax::cli
