// The window's start: from the process start to the first frame whose preview
// shows the job's red paths, for jobs of 10^5 and 10^6 points. Each run starts
// a fresh process (this program again, as the window, on Qt's offscreen
// platform with a settings folder of its own) that starts up exactly as
// kerfmax does, reports the moment the preview was painted with red in it and
// ends at once; its CPU time until then comes from the system. Figures are
// medians.
//
//   bench_first_frame [RUNS] [POINTS...]    defaults: 15 runs, 100000 and 1000000 points
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gui/PlotRelayApp.h"
#include "gui/PreviewArea.h"
#include "support/JobGenerator.h"

namespace {

namespace fs = std::filesystem;

std::int64_t MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool ShowsRed(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == qRgb(255, 0, 0)) return true;
    }
    return false;
}

// Lets the preview paint itself, then looks at what it drew.
class FirstFrameWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* area = qobject_cast<kerfmax::gui::PreviewArea*>(watched);
        if (area == nullptr || event->type() != QEvent::Paint) return false;
        static_cast<QObject*>(area)->event(event);  // QObject::event is public
        if (ShowsRed(area->Buffer())) {
            std::printf("%lld\n", static_cast<long long>(MonotonicNanoseconds()));
            std::fflush(stdout);
            _exit(0);
        }
        return true;
    }
};

// The window's side: the start of gui/main.cpp with the watch installed.
int RunWindow(int argc, char** argv, const std::string& job)
{
    kerfmax::gui::CPlotRelayApp relay({job});
    relay.PrepareQt();
    QApplication app(argc, argv);
    FirstFrameWatch watch;
    app.installEventFilter(&watch);
    relay.InitInstance(app);
    return 1;  // closed without ever showing the paths
}

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;
};

double Seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

Figures StartWindow(const char* self, const fs::path& job, const fs::path& home)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) std::exit(1);
    const std::int64_t start = MonotonicNanoseconds();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
        execl(self, self, "--window", job.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    char text[64] = {};
    const ssize_t got = read(pipeEnds[0], text, sizeof text - 1);
    close(pipeEnds[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_first_frame: the window never showed the paths\n");
        std::exit(1);
    }
    return {double(std::atoll(text) - start) / 1e9, Seconds(usage.ru_utime) + Seconds(usage.ru_stime)};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--window") return RunWindow(argc, argv, argv[2]);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::vector<std::size_t> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::size_t(std::atoll(argv[i])));
    if (sizes.empty()) sizes = {100000, 1000000};
    const fs::path folder = fs::temp_directory_path() / ("kerfmax-bench-frame-" + std::to_string(getpid()));
    fs::create_directories(folder / "home" / "Documents");
    fs::create_directories(folder / "home" / "run");
    fs::permissions(folder / "home" / "run", fs::perms::owner_all);
    const std::string self = fs::canonical("/proc/self/exe").string();
    for (std::size_t points : sizes) {
        const fs::path job = folder / ("job" + std::to_string(points) + ".hb");
        std::ofstream(job, std::ios::binary) << kerfmax::bench::MixedJob(points, 3);
        StartWindow(self.c_str(), job, folder / "home");  // warm-up: the libraries in the page cache
        std::vector<double> wall, cpu;
        for (int i = 0; i < runs; ++i) {
            const Figures f = StartWindow(self.c_str(), job, folder / "home");
            wall.push_back(f.seconds);
            cpu.push_back(f.cpuSeconds);
        }
        std::printf("first frame, %8zu points | wall %6.3f s (min %6.3f)  cpu %6.3f s\n", points, Median(wall),
                    *std::min_element(wall.begin(), wall.end()), Median(cpu));
        std::fflush(stdout);
    }
    fs::remove_all(folder);
    return 0;
}
