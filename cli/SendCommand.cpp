// kerfmax-cli send: the main window's Send without the window. Builds the same
// output as convert, opens the link of the Port text, streams the output with a
// progress line on standard error; Ctrl-C cancels.
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "app/IniFile.h"
#include "platform/Notifier.h"
#include "app/Texts.h"
#include "cli/Commands.h"
#include "cli/GeometryOptions.h"
#include "cutter/PortDiscovery.h"
#include "platform/TcpSocket.h"
#include "platform/PathText.h"
#include "run/CuttingRun.h"
#include "run/ProgressMeter.h"

namespace kerfmax::cli {

namespace {

const char kSendHelp[] =
    "usage: kerfmax-cli send JOB --port TEXT [--ip ADDR[:PORT]] [--vcom] [options]\n"
    "\n"
    "Sends the job to a cutter as the main window's Send does.\n"
    "\n"
    "  --port TEXT          a Port entry as 'kerfmax-cli ports' lists it (ttyUSB0<...>,\n"
    "                       COM3<...>, USB_0, Network Port) or a serial device path\n"
    "  --ip ADDR[:PORT]     address of the network cutter (default: the settings' IP,\n"
    "                       127.0.0.1); the port defaults to 5000\n"
    "  --vcom               the serial port is a USB virtual COM port: no CTS handshake\n"
    "  --from-object K      send the job from object K on, as after a failed send: the\n"
    "                       job's start, the objects from K on exactly as the whole job\n"
    "                       has them, and its end. Objects are numbered from 1 in the\n"
    "                       order they are cut (the cutting order's); one past the last\n"
    "                       sends the frame and the end alone. A send that fails prints\n"
    "                       the K to send it again from.\n"
    "  --settings INI       start from this settings file; the send saves its settings\n"
    "                       to it, as the main window does (without it nothing is saved)\n"
    "  --device-root DIR    for testing: find USB cutters below DIR/sys and DIR/dev\n"
    "                       (also KERFMAX_DEVICE_ROOT)\n"
    "\n"
    "Exit codes: 0 sent, 1 usage, 2 nothing to cut, job not loaded or too large for the cutter,\n"
    "3 link or output failure, 4 cancelled.\n"
    "\n";

struct SendOptions {
    std::string jobPath;
    std::string port;
    std::optional<std::string> address;
    int tcpPort = 0;
    bool virtualCom = false;
    std::size_t fromObject = 1;
    std::string settingsPath;
    std::string deviceRoot;
    GeometryOptions geometry;
};

enum class ParseStatus { Ok, Help, Bad };

bool ParseAddress(const std::string& text, std::string& address, int& port)
{
    std::size_t colon = text.find(':');
    address = text.substr(0, colon);
    port = 0;
    if (colon != std::string::npos) {
        std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) return false;
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535) return false;
    }
    // Exactly what the link can connect to, so a typo fails here and not as a refused connection.
    return TcpSocket::IsConnectableAddress(address);
}

bool ParseObjectNumber(const std::string& text, std::size_t& number)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && number >= 1;
}

ParseStatus TakeSendOption(const Args& args, std::size_t& i, SendOptions& options, std::string& error)
{
    const std::string& word = args[i];
    const bool hasValue = i + 1 < args.size();
    if (word == "--vcom") {
        options.virtualCom = true;
    } else if ((word == "--port" || word == "--ip" || word == "--device-root" || word == "--from-object") &&
               !hasValue) {
        error = word + " needs a value";
        return ParseStatus::Bad;
    } else if (word == "--port") {
        options.port = args[++i];
    } else if (word == "--device-root") {
        options.deviceRoot = args[++i];
    } else if (word == "--from-object") {
        if (!ParseObjectNumber(args[++i], options.fromObject)) {
            error = "--from-object takes an object number from 1, not '" + args[i] + "'";
            return ParseStatus::Bad;
        }
    } else if (word == "--ip") {
        std::string address;
        if (!ParseAddress(args[++i], address, options.tcpPort)) {
            error = "--ip takes a dotted IPv4 address with an optional :PORT, not '" + args[i] + "'";
            return ParseStatus::Bad;
        }
        options.address = address;
    } else if (!word.empty() && word[0] == '-') {
        error = "unknown option '" + word + "'";
        return ParseStatus::Bad;
    } else if (options.jobPath.empty()) {
        options.jobPath = word;
    } else {
        error = "only one job file, not also '" + word + "'";
        return ParseStatus::Bad;
    }
    return ParseStatus::Ok;
}

ParseStatus ParseSendOptions(const Args& args, SendOptions& options, std::string& error)
{
    GeometryOptionParser shared;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") return ParseStatus::Help;
        // The settings file is also where the send saves its settings.
        if (args[i] == "--settings" && i + 1 < args.size()) options.settingsPath = args[i + 1];
        GeometryOptionParser::Status status = shared.Take(args, i);
        if (status == GeometryOptionParser::Status::Bad) {
            error = shared.Error();
            return ParseStatus::Bad;
        }
        if (status == GeometryOptionParser::Status::Taken) continue;
        if (TakeSendOption(args, i, options, error) == ParseStatus::Bad) return ParseStatus::Bad;
    }
    if (options.jobPath.empty()) error = "a job file is needed";
    else if (options.port.empty()) error = "--port is needed";
    else if (!shared.Finish(options.geometry)) error = shared.Error();
    return error.empty() ? ParseStatus::Ok : ParseStatus::Bad;
}

// The send builds its cutter from the manufacturer row; --dialect picks a row
// that speaks it (the shipped row 3 for HPGL, the first DMPL row otherwise).
int ManufacturerRowFor(const GeometryOptions& geometry)
{
    const int row = geometry.settings.manufacturerRow;
    const int rowType = ManufacturerTable()[static_cast<std::size_t>(row)].cutterType;
    if (geometry.dialect.isDmpl && rowType != 2) return 1;
    if (!geometry.dialect.isDmpl && rowType != 1) return kDefaultManufacturerRow;
    return row;
}

// One line on standard error, redrawn every kRedrawMs whether or not the link
// moves: the bytes the link has taken, the recent rate and the time left, or
// that the cutter is not taking data; messages end it first so they stand on
// their own lines.
class ProgressLine {
public:
    static constexpr int kRedrawMs = 250;

    explicit ProgressLine(int language) : m_language(language), m_start(Clock::now()) {}

    // From the send's thread: only remembered; Redraw shows it.
    void Update(const SendProgress& progress)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_progress = progress;
        m_meter.Update(progress, Clock::now());
    }
    void Redraw()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_meter.Started()) return;
        const ProgressReading reading = m_meter.Read(Clock::now());
        // Cleared to the end of the line: a stall notice is longer than a time left.
        std::fprintf(stderr, "\r%s  %llu of %llu bytes  %.1f KB/s\033[K", ProgressText(reading, m_language).c_str(),
                     static_cast<unsigned long long>(reading.bytesSent),
                     static_cast<unsigned long long>(reading.totalBytes), reading.recentRate / 1024.0);
        std::fflush(stderr);
        m_lineOpen = true;
    }
    void Message(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        EndLineLocked();
        std::fputs(text.c_str(), stderr);
        if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    }
    // The closing line: what the link took, in how long, at what average rate.
    void Summary()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        EndLineLocked();
        const double seconds = Elapsed();
        const double rate = seconds > 0 ? static_cast<double>(m_progress.bytesSent) / seconds : 0.0;
        std::fprintf(stderr, "%llu of %llu bytes in %.2f s, %.1f KB/s\n",
                     static_cast<unsigned long long>(m_progress.bytesSent),
                     static_cast<unsigned long long>(m_progress.totalBytes), seconds, rate / 1024.0);
    }

private:
    using Clock = std::chrono::steady_clock;
    double Elapsed() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }
    void EndLineLocked()
    {
        if (m_lineOpen) std::fputc('\n', stderr);
        m_lineOpen = false;
    }

    std::mutex m_mutex;
    int m_language;
    SendProgress m_progress;
    ProgressMeter m_meter;
    bool m_lineOpen = false;
    Clock::time_point m_start;
};

class ProgressLineNotifier final : public Notifier {
public:
    explicit ProgressLineNotifier(ProgressLine& line) : m_line(line) {}
    NotifyAnswer Notify(const std::string& text, NotifyIcon, NotifyButtons buttons) override
    {
        m_line.Message(text);
        return buttons == NotifyButtons::YesNo ? NotifyAnswer::Yes : NotifyAnswer::Ok;
    }

private:
    ProgressLine& m_line;
};

// Ctrl-C sets the send's cancel flag; storing to a lock-free atomic is safe
// in a signal handler.
std::atomic<std::atomic<int>*> g_cancelOnInterrupt{nullptr};
static_assert(std::atomic<int>::is_always_lock_free);

// The first interrupt cancels; a second one, while the cancel is under way,
// ends the process at once.
extern "C" void CancelOnInterrupt(int)
{
    std::atomic<int>* flag = g_cancelOnInterrupt.load();
    if (flag == nullptr || flag->exchange(1) != 0) std::_Exit(kExitCancelled);
}

class InterruptCancels {
public:
    explicit InterruptCancels(std::atomic<int>& flag)
    {
        g_cancelOnInterrupt.store(&flag);
        m_previousInt = std::signal(SIGINT, CancelOnInterrupt);
        m_previousTerm = std::signal(SIGTERM, CancelOnInterrupt);
    }
    ~InterruptCancels()
    {
        std::signal(SIGINT, m_previousInt);
        std::signal(SIGTERM, m_previousTerm);
        g_cancelOnInterrupt.store(nullptr);
    }
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    void (*m_previousInt)(int);
    void (*m_previousTerm)(int);
};

void Configure(CuttingRun& run, const SendOptions& options)
{
    JobSettings& settings = run.Settings();
    settings = options.geometry.settings;
    settings.manufacturerRow = ManufacturerRowFor(options.geometry);
    settings.portText = options.port;
    if (options.address) settings.networkAddress = *options.address;
    if (options.virtualCom) settings.virtualCom = true;
    run.SetTcpPortOverride(options.tcpPort);
    // USB_n names the n-th cutter of a refresh, as in the window.
    if (options.port.rfind("USB", 0) == 0)
        run.SetUsbCutterPaths(EnumerateUsbCutters(DeviceTreeRootsFor(options.deviceRoot)));
}

// Waits for the send's end on this thread, redrawing the progress line meanwhile.
class SendEnd {
public:
    void Done(SendResult result)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = result;
        m_ended = true;
        m_changed.notify_all();
    }
    SendResult WaitRedrawing(ProgressLine& line)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (
            !m_changed.wait_for(lock, std::chrono::milliseconds(ProgressLine::kRedrawMs), [this] { return m_ended; })) {
            lock.unlock();
            line.Redraw();
            lock.lock();
        }
        return m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_ended = false;
    SendResult m_result = SendResult::Failed;
};

// After a failed stream: how far the cutter confirmed the job, and how to go on.
void PrintResumePoint(const ResumeOffer& offer)
{
    const auto bytes = static_cast<unsigned long long>(offer.confirmedBytes);
    if (offer.firstUnconfirmed > offer.objectCount)
        std::fprintf(stderr,
                     "kerfmax-cli send: all %zu objects were confirmed, the end of the job was not (%llu bytes)\n",
                     offer.objectCount, bytes);
    else
        std::fprintf(stderr,
                     "kerfmax-cli send: object %zu of %zu was not confirmed in full (%llu bytes of the job were)\n",
                     offer.firstUnconfirmed, offer.objectCount, bytes);
    std::fprintf(stderr, "kerfmax-cli send: resume with --from-object %zu\n", offer.firstUnconfirmed);
}

int Send(const SendOptions& options)
{
    CuttingRun run;
    Configure(run, options);
    const int language = run.Settings().language;
    if (const JobLoadStatus status = run.LoadJob(PathFromUtf8(options.jobPath)); status != JobLoadStatus::Loaded) {
        std::fprintf(stderr, "kerfmax-cli send: %s\n",
                     JobLoadText(status, PathFromUtf8(options.jobPath), language).c_str());
        return ExitCodeFor(status);
    }
    run.ApplyPlacementFromSettings();

    ProgressLine line(language);
    ProgressLineNotifier notifier(line);
    std::optional<CIniFile> settingsFile;
    if (!options.settingsPath.empty()) {
        settingsFile.emplace(PathFromUtf8(options.settingsPath), &notifier);
        run.SetSettingsFile(&*settingsFile);
    }

    InterruptCancels interrupt(run.CancelFlag());
    SendEnd end;
    SendCallbacks callbacks;
    callbacks.progress = [&line](const SendProgress& progress) { line.Update(progress); };
    callbacks.message = [&line](const std::string& text, NotifyIcon) { line.Message(text); };
    callbacks.done = [&end](SendResult result) { end.Done(result); };
    if (run.StartSend(std::move(callbacks), options.fromObject) != SendStart::Started) return kExitOutputFailure;

    const SendResult result = end.WaitRedrawing(line);
    run.Wait();
    if (ReachedStreaming(result)) {
        line.Redraw();
        line.Summary();
    }
    if (result == SendResult::Finished) line.Message(Text(TextId::SendFinished, run.Settings().language));
    if (result == SendResult::Cancelled) std::fputs("kerfmax-cli send: cancelled\n", stderr);
    if (const std::optional<ResumeOffer> offer = run.LastResumeOffer()) PrintResumePoint(*offer);
    return ExitCodeFor(result);
}

}  // namespace

int RunSend(const Args& args)
{
    SendOptions options;
    std::string error;
    switch (ParseSendOptions(args, options, error)) {
    case ParseStatus::Help:
        std::fputs(kSendHelp, stdout);
        std::fputs(GeometryOptionsHelp(), stdout);
        return kExitDone;
    case ParseStatus::Bad:
        std::fprintf(stderr, "kerfmax-cli send: %s\n\n%s%s", error.c_str(), kSendHelp, GeometryOptionsHelp());
        return kExitUsage;
    case ParseStatus::Ok: break;
    }
    return Send(options);
}

}  // namespace kerfmax::cli
