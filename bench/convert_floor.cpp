// The whole convert (load, order, assemble, write the .plt file beside its target
// and rename it) against the I/O floor measured in the same run: reading the job
// file in 64 KiB pieces and writing as many bytes as the output to a new file
// beside the target, flushed to disk, renamed over the target and the folder
// flushed, as the convert's output is. The same two without flushing to disk
// show the flushes' share. Each measurement runs in a child process of its own,
// so its CPU time and peak memory are its alone; the contenders take turns and
// figures are medians.
//
//   bench_convert_floor [RUNS] [BIG_MB] [--cli PROGRAM]...
//       defaults: 15 runs, a 200 MB job (0 skips it); each --cli PROGRAM is a
//       kerfmax-cli whose "convert" of the same job and options is timed too
//       (another build, side by side)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/JobSettings.h"
#include "cutter/Dialect.h"
#include "geometry/Job.h"
#include "geometry/OutputJob.h"
#include "geometry/OutputSink.h"
#include "support/JobGenerator.h"

namespace {

using namespace kerfmax;
namespace fs = std::filesystem;

struct Figures {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double peakMiB = 0;
};

double Seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// Runs work in a child process; its exit status 0 means success.
Figures InChild(const std::function<bool()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) _exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_convert_floor: a measured run failed\n");
        std::exit(1);
    }
    return {std::chrono::duration<double>(end - start).count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
            double(usage.ru_maxrss) / 1024.0};
}

bool Convert(const fs::path& job, const fs::path& out, const JobSettings& settings)
{
    Job loaded;
    loaded.LoadJob(job);
    FileSink sink(out);
    return loaded.HasJob() && sink.Open() &&
           BuildOutputJob(loaded, OutputOptionsFor(settings), CutterDialect{}, sink) == OutputResult::Written &&
           sink.Commit();
}

// Writes straight into a file, never flushed to disk: the convert without its durability.
class UnsyncedSink final : public OutputSink {
public:
    explicit UnsyncedSink(const fs::path& path) : m_file(std::fopen(path.c_str(), "wb")) {}
    ~UnsyncedSink() override
    {
        if (m_file) std::fclose(m_file);
    }
    void Write(std::string_view bytes) override
    {
        m_failed = m_failed || !m_file || std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size();
    }
    bool Failed() const override { return m_failed; }

private:
    std::FILE* m_file;
    bool m_failed = false;
};

bool ConvertUnsynced(const fs::path& job, const fs::path& out, const JobSettings& settings)
{
    Job loaded;
    loaded.LoadJob(job);
    UnsyncedSink sink(out.string() + ".unsynced");
    return loaded.HasJob() &&
           BuildOutputJob(loaded, OutputOptionsFor(settings), CutterDialect{}, sink) == OutputResult::Written &&
           !sink.Failed();
}

// The command line of a kerfmax-cli convert with the same settings.
std::vector<std::string> CliWords(const std::string& program, const fs::path& job, const fs::path& out,
                                  const JobSettings& settings)
{
    std::vector<std::string> words{program, "convert", job.string(), "-o", out.string()};
    if (settings.bladeOffsetOn) words.insert(words.end(), {"--blade-offset", settings.bladeOffsetText});
    else words.push_back("--no-blade-offset");
    if (settings.overCutOn) words.insert(words.end(), {"--overcut", settings.overCutText});
    if (settings.cutOrder == 1) words.insert(words.end(), {"--order", "reduce-feed"});
    return words;
}

bool RunCli(const std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    execv(argv[0], argv.data());
    return false;
}

void SyncFolderOf(const fs::path& file)
{
    const int folder = open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (folder < 0) return;
    fsync(folder);
    close(folder);
}

// Reads the job file and writes bytes of output through a temporary file that is
// flushed and renamed over out, as FileSink does (durable: the file and the folder
// flushed to disk), or only written (not durable).
bool Floor(const fs::path& job, const fs::path& out, std::uintmax_t bytes, bool durable = true)
{
    std::vector<char> chunk(1 << 16);
    std::FILE* in = std::fopen(job.c_str(), "rb");
    if (!in) return false;
    while (std::fread(chunk.data(), 1, chunk.size(), in) == chunk.size()) {}
    std::fclose(in);
    const fs::path temp = out.string() + ".floor-tmp";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) return false;
    std::vector<char> block(256 * 1024, 'P');
    for (std::uintmax_t left = bytes; left > 0;) {
        const std::size_t n = std::size_t(std::min<std::uintmax_t>(left, block.size()));
        if (std::fwrite(block.data(), 1, n, file) != n) return false;
        left -= n;
    }
    const bool ok = std::fflush(file) == 0 && (!durable || fsync(fileno(file)) == 0);
    std::fclose(file);
    std::error_code error;
    fs::rename(temp, out, error);
    if (durable) SyncFolderOf(out);
    return ok && !error;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<std::string> g_clis;  // other builds' kerfmax-cli, timed beside this one

struct Contender {
    std::string name;
    std::function<bool()> run;
    std::vector<Figures> figures;
};

void Measure(const char* what, const fs::path& job, const JobSettings& settings, int runs)
{
    const fs::path out = job.parent_path() / "out.plt";
    InChild([&] { return Convert(job, out, settings); });  // warm-up, and the output's size
    const std::uintmax_t outBytes = fs::file_size(out);
    std::vector<Contender> contenders{
        {"floor", [&] { return Floor(job, out, outBytes); }, {}},
        {"convert", [&] { return Convert(job, out, settings); }, {}},
        {"floor, not flushed to disk", [&] { return Floor(job, out, outBytes, false); }, {}},
        {"convert, not flushed to disk", [&] { return ConvertUnsynced(job, out, settings); }, {}},
    };
    for (const std::string& cli : g_clis) {
        const std::vector<std::string> words = CliWords(cli, job, out, settings);
        contenders.push_back({"cli " + cli, [words] { return RunCli(words); }, {}});
    }
    for (int i = 0; i < runs; ++i)
        for (Contender& c : contenders) c.figures.push_back(InChild(c.run));
    const double fileMB = double(fs::file_size(job)) / 1e6;
    std::printf("%s: job %.1f MB, output %.1f MB, medians of %d\n", what, fileMB, double(outBytes) / 1e6, runs);
    const auto median = [](const Contender& c, double Figures::*field) {
        std::vector<double> values;
        for (const Figures& f : c.figures) values.push_back(f.*field);
        return Median(values);
    };
    const double floorWall = median(contenders[0], &Figures::wallSeconds);
    for (const Contender& c : contenders) {
        const double peak = median(c, &Figures::peakMiB);
        std::printf("  %-44s wall %7.3f s (%5.2f x floor)  cpu %7.3f s  peak %7.1f MiB (%4.2f x job)\n", c.name.c_str(),
                    median(c, &Figures::wallSeconds), median(c, &Figures::wallSeconds) / floorWall,
                    median(c, &Figures::cpuSeconds), peak, peak * 1048576.0 / 1e6 / fileMB);
    }
    std::fflush(stdout);
}

fs::path WriteJob(const fs::path& folder, const std::string& name, std::string text)
{
    const fs::path path = folder / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

JobSettings Compensated()
{
    JobSettings settings;  // blade offset 0.35 ticked
    settings.overCutOn = true;
    return settings;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<const char*> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--cli" && i + 1 < argc) g_clis.push_back(fs::absolute(argv[++i]).string());
        else numbers.push_back(argv[i]);
    }
    const int runs = numbers.size() > 0 ? std::max(1, std::atoi(numbers[0])) : 15;
    const int bigMegabytes = numbers.size() > 1 ? std::atoi(numbers[1]) : 200;
    const fs::path folder = fs::temp_directory_path() / ("kerfmax-bench-convert-" + std::to_string(getpid()));
    fs::create_directories(folder);

    JobSettings reduceFeed;
    reduceFeed.bladeOffsetOn = false;
    reduceFeed.cutOrder = 1;
    JobSettings reduceFeedCompensated = Compensated();
    reduceFeedCompensated.cutOrder = 1;

    const fs::path million = WriteJob(folder, "million.hb", bench::MixedJob(1000000));
    Measure("10^6 points, compensated + over-cut", million, Compensated(), runs);
    fs::remove(million);
    // About 2 million points in some 10^5 closed outlines.
    const fs::path objects = WriteJob(folder, "objects.hb", bench::ShapeGrid(100000));
    const fs::path objectsMixed = WriteJob(folder, "mixed2m.hb", bench::MixedJob(2000000));
    Measure("Reduce Feed, 10^5 shapes", objects, reduceFeed, runs);
    Measure("Reduce Feed, 2*10^6 points (~9*10^4 outlines)", objectsMixed, reduceFeed, runs);
    Measure("Reduce Feed + compensation, 2*10^6 points", objectsMixed, reduceFeedCompensated, runs);
    fs::remove(objects);
    fs::remove(objectsMixed);
    if (bigMegabytes > 0) {
        // MixedJob spends about 12.9 bytes on a point.
        const std::size_t points = std::size_t(bigMegabytes) * 1000000 / 129 * 10;
        const fs::path big = WriteJob(folder, "big.hb", bench::MixedJob(points));
        Measure("large job, compensated + over-cut", big, Compensated(), std::max(1, runs / 5));
        fs::remove(big);
    }
    fs::remove_all(folder);
    return 0;
}
