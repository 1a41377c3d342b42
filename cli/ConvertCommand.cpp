// kerfmax-cli convert and info: the output of Save to File, and the job's size
// and counts as the main window shows them.
#include <algorithm>
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
    "usage: kerfmax-cli info JOB\n"
    "\n"
    "Prints the job's size in millimetres as the main window shows it (width is\n"
    "the job's x extent, height its y extent) and its counts of records, points\n"
    "and art objects.\n"
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

int RunInfo(const Args& args)
{
    std::string jobPath;
    for (const std::string& word : args) {
        if (word == "--help" || word == "-h") {
            std::fputs(kInfoUsage, stdout);
            return kExitDone;
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
    return kExitDone;
}

}  // namespace kerfmax::cli
