// The whole convert (load, order, assemble, write the .plt file beside its target
// and rename it) against the I/O floor measured in the same run: reading the job
// file and writing as many bytes as the output, flushed to disk as the convert's
// output is. Each measurement runs in a child process of its own, so its CPU time
// and peak memory are the convert's alone; figures are medians.
//
//   bench_convert_floor [RUNS] [BIG_MB]     defaults: 15 runs, a 200 MB job (0 skips it)
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

// Reads the job file and writes bytes of output through a temporary file that is
// flushed and renamed over out, as FileSink does.
bool Floor(const fs::path& job, const fs::path& out, std::uintmax_t bytes)
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
    const bool ok = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    std::fclose(file);
    std::error_code error;
    fs::rename(temp, out, error);
    return ok && !error;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Measure(const char* what, const fs::path& job, const JobSettings& settings, int runs)
{
    const fs::path out = job.parent_path() / "out.plt";
    InChild([&] { return Convert(job, out, settings); });  // warm-up, and the output's size
    const std::uintmax_t outBytes = fs::file_size(out);
    std::vector<double> wall, cpu, peak, floorWall, floorCpu;
    for (int i = 0; i < runs; ++i) {
        const Figures floor = InChild([&] { return Floor(job, out, outBytes); });
        const Figures convert = InChild([&] { return Convert(job, out, settings); });
        floorWall.push_back(floor.wallSeconds);
        floorCpu.push_back(floor.cpuSeconds);
        wall.push_back(convert.wallSeconds);
        cpu.push_back(convert.cpuSeconds);
        peak.push_back(convert.peakMiB);
    }
    const double fileMB = double(fs::file_size(job)) / 1e6;
    std::printf(
        "%-44s job %7.1f MB  out %7.1f MB | convert wall %7.3f s  cpu %7.3f s  peak %7.1f MiB"
        " | floor wall %6.3f s  cpu %6.3f s | wall/floor %5.2f  peak/job %4.2f\n",
        what, fileMB, double(outBytes) / 1e6, Median(wall), Median(cpu), Median(peak), Median(floorWall),
        Median(floorCpu), Median(wall) / Median(floorWall), Median(peak) * 1048576.0 / 1e6 / fileMB);
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
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int bigMegabytes = argc > 2 ? std::atoi(argv[2]) : 200;
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
