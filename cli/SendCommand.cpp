// kerfmax-cli send: the main window's Send without the window. Builds the same
// output as convert, opens the link of the Port text, streams the output with a
// progress line on standard error; Ctrl-C cancels.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "app/IniFile.h"
#include "app/Notifier.h"
#include "app/Texts.h"
#include "cli/Commands.h"
#include "cli/GeometryOptions.h"
#include "cutter/PortDiscovery.h"
#include "cutter/SendJob.h"
#include "geometry/Job.h"

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
    "  --settings INI       start from this settings file; the send saves its settings\n"
    "                       to it, as the main window does (without it nothing is saved)\n"
    "  --device-root DIR    for testing: find USB cutters below DIR/sys and DIR/dev\n"
    "                       (also KERFMAX_DEVICE_ROOT)\n"
    "\n"
    "Exit codes: 0 sent, 1 usage, 2 nothing to cut, 3 link or output failure, 4 cancelled.\n"
    "\n";

struct SendOptions {
    std::string jobPath;
    std::string port;
    std::optional<std::string> address;
    int tcpPort = 0;
    bool virtualCom = false;
    std::string settingsPath;
    std::string deviceRoot;
    GeometryOptions geometry;
};

enum class ParseStatus { Ok, Help, Bad };

bool ParseByte(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 3) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value <= 255;
}

// What the window's IP address control accepts: four dotted numbers 0 to 255.
bool IsDottedAddress(const std::string& text)
{
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = text.find('.', start);
        int value = 0;
        if (!ParseByte(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start), value))
            return false;
        ++parts;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

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
    return IsDottedAddress(address);
}

ParseStatus TakeSendOption(const Args& args, std::size_t& i, SendOptions& options, std::string& error)
{
    const std::string& word = args[i];
    const bool hasValue = i + 1 < args.size();
    if (word == "--vcom") {
        options.virtualCom = true;
    } else if ((word == "--port" || word == "--ip" || word == "--device-root") && !hasValue) {
        error = word + " needs a value";
        return ParseStatus::Bad;
    } else if (word == "--port") {
        options.port = args[++i];
    } else if (word == "--device-root") {
        options.deviceRoot = args[++i];
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

// One line on standard error, rewritten in place at most four times a second;
// messages end it first so they stand on their own lines.
class ProgressLine {
public:
    void Update(const SendProgress& progress)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto now = Clock::now();
        if (!m_started) {
            m_started = true;
            m_start = now;
        }
        if (progress.percent < 100 && m_shown && now - m_lastShown < std::chrono::milliseconds(250)) return;
        m_lastShown = now;
        m_shown = true;
        double seconds = std::chrono::duration<double>(now - m_start).count();
        double rate = seconds > 0 ? static_cast<double>(progress.bytesSent) / seconds : 0.0;
        double left = rate > 0 ? static_cast<double>(progress.totalBytes - progress.bytesSent) / rate : 0.0;
        std::fprintf(stderr, "\r%3d%%  %llu of %llu bytes  %.1f KB/s  %d:%02d left ", progress.percent,
                     static_cast<unsigned long long>(progress.bytesSent),
                     static_cast<unsigned long long>(progress.totalBytes), rate / 1024.0,
                     static_cast<int>(left) / 60, static_cast<int>(left) % 60);
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
    void End()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        EndLineLocked();
    }

private:
    using Clock = std::chrono::steady_clock;
    void EndLineLocked()
    {
        if (m_lineOpen) std::fputc('\n', stderr);
        m_lineOpen = false;
    }

    std::mutex m_mutex;
    bool m_started = false, m_shown = false, m_lineOpen = false;
    Clock::time_point m_start, m_lastShown;
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

extern "C" void CancelOnInterrupt(int)
{
    if (std::atomic<int>* flag = g_cancelOnInterrupt.load()) flag->store(1);
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

int ExitCodeFor(SendStartResult result)
{
    switch (result) {
    case SendStartResult::Started: return kExitDone;
    case SendStartResult::NoJob:
    case SendStartResult::NothingToCut: return kExitNothingToCut;
    case SendStartResult::Cancelled: return kExitCancelled;
    default: return kExitOutputFailure;
    }
}

int ExitCodeFor(SendOutcome outcome)
{
    switch (outcome) {
    case SendOutcome::Finished: return kExitDone;
    case SendOutcome::Cancelled: return kExitCancelled;
    default: return kExitOutputFailure;
    }
}

SendRequest BuildRequest(const SendOptions& options)
{
    SendRequest request;
    request.settings = options.geometry.settings;
    request.settings.manufacturerRow = ManufacturerRowFor(options.geometry);
    request.settings.portText = options.port;
    if (options.address) request.settings.networkAddress = *options.address;
    if (options.virtualCom) request.settings.virtualCom = true;
    request.tcpPortOverride = options.tcpPort;
    // USB_n names the n-th cutter of a refresh, as in the window.
    if (options.port.rfind("USB", 0) == 0)
        request.usbCutterPaths = EnumerateUsbCutters(DeviceTreeRootsFor(options.deviceRoot));
    return request;
}

int Send(const SendOptions& options)
{
    Job job;
    job.LoadJob(options.jobPath);
    if (!job.HasJob()) {
        std::fprintf(stderr, "kerfmax-cli send: nothing to cut in '%s'\n", options.jobPath.c_str());
        return kExitNothingToCut;
    }
    ApplyPlacement(job, options.geometry.settings);

    ProgressLine line;
    ProgressLineNotifier notifier(line);
    std::optional<CIniFile> settingsFile;
    SendRequest request = BuildRequest(options);
    if (!options.settingsPath.empty()) {
        settingsFile.emplace(options.settingsPath, &notifier);
        request.settingsFile = &*settingsFile;
    }

    SendJob send(notifier);
    InterruptCancels interrupt(send.CancelFlag());
    std::atomic<int> outcome{static_cast<int>(SendOutcome::Failed)};
    SendWorkerCallbacks callbacks;
    callbacks.progress = [&line](const SendProgress& progress) { line.Update(progress); };
    callbacks.done = [&outcome](SendOutcome result) { outcome.store(static_cast<int>(result)); };

    SendStartResult started = send.Start(job, request, std::move(callbacks));
    if (started != SendStartResult::Started) return ExitCodeFor(started);
    send.Finish();   // waits for the worker, then closes the link
    line.End();
    const auto result = static_cast<SendOutcome>(outcome.load());
    if (result == SendOutcome::Finished) line.Message(Text(TextId::SendFinished, request.settings.language));
    if (result == SendOutcome::Cancelled) std::fputs("kerfmax-cli send: cancelled\n", stderr);
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
