// The serial link over a socat pty pair: a 1 MB output in 40-byte chunks
// through CCutter::Write (target: under 5 s), and the processor time the CTS
// wait costs while a cutter holds CTS low (target: under 5 % of a core).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cutter/Cutter.h"

extern char** environ;

namespace {

using namespace kerfmax;
using namespace std::chrono_literals;

constexpr std::size_t kJobBytes = 1u << 20;
constexpr std::size_t kChunk = 40;

// socat joining two ptys; `cutterSide` for the cutter, `farFd` for the reader.
// A keeper descriptor on the cutter side keeps socat alive across closes.
struct PtyPair {
    PtyPair()
    {
        std::string log = "/tmp/kerfmax-bench-socat-" + std::to_string(::getpid()) + ".log";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> args = {"socat", "-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"};
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid, "socat", &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 500 && pid > 0; ++i) {
            std::ifstream in(log);
            std::stringstream text;
            text << in.rdbuf();
            std::string s = text.str();
            std::regex pattern("PTY is (/dev/pts/[0-9]+)");
            std::vector<std::string> names;
            for (auto it = std::sregex_iterator(s.begin(), s.end(), pattern); it != std::sregex_iterator(); ++it)
                names.push_back((*it)[1]);
            if (names.size() == 2 && s.find("starting data transfer loop") != std::string::npos) {
                cutterSide = names[0];
                keeperFd = ::open(names[0].c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
                farFd = ::open(names[1].c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        ::unlink(log.c_str());
    }
    ~PtyPair()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        if (keeperFd >= 0) ::close(keeperFd);
        if (farFd >= 0) ::close(farFd);
    }
    pid_t pid = -1;
    std::string cutterSide;
    int keeperFd = -1;
    int farFd = -1;
};

class HeldCts final : public ModemStatusSource {
public:
    bool ReadModemStatus(std::uint32_t& status, int& /*errorCode*/) override
    {
        status = 0;
        return true;
    }
};

LinkSettings SerialSettings(const std::string& device)
{
    LinkSettings settings;
    settings.linkType = LINK_SERIAL;
    settings.baudRate = kCutterBaudRate;
    settings.serialDevicePath = device;
    return settings;
}

std::size_t ReadAll(int fd, std::size_t bytes)
{
    std::size_t got = 0;
    char buffer[8192];
    while (got < bytes) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 5000) <= 0) break;
        ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, bytes - got));
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

void BM_SerialPtySend(benchmark::State& state)
{
    PtyPair pair;
    if (pair.farFd < 0) {
        state.SkipWithError("socat pty pair not available");
        return;
    }
    std::string job(kJobBytes, 'x');
    for (std::size_t i = kChunk - 1; i < job.size(); i += kChunk) job[i] = ';';
    std::atomic<int> cancel{0};
    for (auto _ : state) {
        std::size_t received = 0;
        std::thread reader([&] { received = ReadAll(pair.farFd, job.size()); });
        CHpglCutter cutter;
        if (cutter.Open(SerialSettings(pair.cutterSide)) != 1) {
            reader.detach();
            state.SkipWithError("open failed");
            return;
        }
        for (std::size_t at = 0; at < job.size(); at += kChunk) {
            if (cutter.Write(job.data() + at, static_cast<int>(kChunk), &cancel, 1) != static_cast<int>(kChunk)) {
                state.SkipWithError("short write");
                break;
            }
        }
        cutter.Close();
        reader.join();
        if (received != job.size()) {
            state.SkipWithError(("bytes lost: got " + std::to_string(received)).c_str());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kJobBytes));
}
BENCHMARK(BM_SerialPtySend)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One write waits for about a second on a CTS line held low; the counter is the
// share of one core the process used meanwhile.
void BM_CtsHeldLowCpu(benchmark::State& state)
{
    PtyPair pair;
    if (pair.farFd < 0) {
        state.SkipWithError("socat pty pair not available");
        return;
    }
    HeldCts cts;
    double share = 0;
    for (auto _ : state) {
        CHpglCutter cutter;
        if (cutter.Open(SerialSettings(pair.cutterSide)) != 1) {
            state.SkipWithError("open failed");
            return;
        }
        cutter.SerialLink().SetModemStatusSource(&cts);
        std::atomic<int> cancel{0};
        std::thread writer([&] { cutter.Write("PU0,0;", 6, &cancel, 1); });
        std::this_thread::sleep_for(100ms);
        double cpuStart = ProcessCpuSeconds();
        auto wallStart = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(1s);
        double cpu = ProcessCpuSeconds() - cpuStart;
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        auto cancelAt = std::chrono::steady_clock::now();
        cancel = 1;
        writer.join();
        state.counters["cancel_ms"] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - cancelAt).count();
        share = 100.0 * cpu / wall;
        cutter.Close();
    }
    state.counters["cpu_percent"] = share;
}
BENCHMARK(BM_CtsHeldLowCpu)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
