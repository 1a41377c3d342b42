// The main window's Send and progress reports with real TCP peers on
// 127.0.0.1, the program itself as a process, and the local report socket
// (POSIX; the Windows build has its own report test).

#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <future>

#include "cutter/SendTestPeers.h"
#include "gui/MainDialogWindow.h"
#include "gui/ProgressReports.h"
#include "gui/ResumeOffer.h"

namespace kerfmax::gui {
namespace {

using namespace std::chrono_literals;
using namespace test_window;
using sendtest::TcpPeer;

TEST(MainDialog, SendDeliversWhatConvertWritesWithoutHoldingTheWindow)
{
    Window w;
    TcpPeer peer;
    w.SelectNetworkPort(peer.Port());
    w.dlg->OnSend();
    EXPECT_TRUE(w.dlg->Sending());
    EXPECT_FALSE(w.Control<QWidget>(1)->isEnabled());  // controls off while sending
    EXPECT_FALSE(w.Control<QWidget>(1027)->isEnabled());
    const qint64 longest = w.PumpUntil([&] { return !w.dlg->Sending(); });
    EXPECT_FALSE(w.dlg->Sending());
    EXPECT_LT(longest, 100) << "the window's thread was held " << longest << " ms";
    EXPECT_EQ(peer.Received(), w.Converted());
    EXPECT_EQ(w.messages, (QStringList{"Socket Close!!!", "Send finished!"}));
    EXPECT_TRUE(w.Control<QWidget>(1)->isEnabled());
    EXPECT_EQ(w.Control<QProgressBar>(1008)->value(), 0);
    EXPECT_EQ(w.Control<QProgressBar>(1008)->format(), "0%");
    // The Send saved the settings, the address too after a network link.
    CIniFile saved(w.dir / "Kerfmax.ini");
    EXPECT_EQ(saved.ReadString("Device", "PortS", ""), "Network Port");
    EXPECT_EQ(saved.ReadString("Device", "IP", ""), "127.0.0.1");

    // A connect that cannot complete does not hold the window either. Its
    // messages come one after the other: one that arrives while a box is open
    // (a box runs an event loop of its own, as the handler here does) waits
    // until that box is closed.
    w.messages.clear();
    int open = 0, mostOpen = 0;
    w.dlg->messageHandler = [&](const QString& text, NotifyIcon) {
        mostOpen = std::max(mostOpen, ++open);
        w.messages << text.trimmed();
        QEventLoop box;
        if (w.messages.size() == 1) QTimer::singleShot(10, &box, [&] { w.dlg->ShowMessage("meanwhile"); });
        QTimer::singleShot(50, &box, &QEventLoop::quit);
        box.exec();
        --open;
    };
    int refused = 0;
    {
        TcpPeer gone;
        refused = gone.Port();
    }
    w.dlg->Run().SetTcpPortOverride(refused);
    w.dlg->OnSend();
    w.PumpUntil([&] { return !w.dlg->Sending() && w.messages.size() >= 3 && open == 0; });
    EXPECT_EQ(w.messages, (QStringList{"Warning: Connection refused", "meanwhile", "Connect to Cutter fail!"}));
    EXPECT_EQ(mostOpen, 1);
    EXPECT_TRUE(w.Control<QWidget>(1)->isEnabled());
}

// A job whose output is about 1.8 MB: more than the socket buffers hold.
std::string LargeJob()
{
    std::string job = "PU0,0;";
    // Points that no simplification merges.
    for (int i = 0; i < 150000; ++i)
        job += "PD" + std::to_string(i * 7 % 4001) + "," + std::to_string(i * 13 % 3001) + ";";
    return job + "SP0;";
}

TEST(MainDialog, WhileSendingOnlyCancelAndAboutStayUsableAndAStallIsShown)
{
    test::TempDir jobs;
    test::WriteFileBytes(jobs / "large.hb", LargeJob());
    Window w("[Offset]\nChkBladeOffset=1\nChkOverCut=0\n", {(jobs / "large.hb").string()});
    // A cutter that takes nothing for 10 s (the stall shows after 3 s, later on a
    // slow machine), then everything.
    TcpPeer peer(TcpPeer::Mode::Record, {.after = 0, .pause = 10s, .receiveBuffer = 4096});
    w.SelectNetworkPort(peer.Port());
    w.dlg->OnSend();
    w.PumpUntil([&] { return peer.Accepted(); });
    ASSERT_TRUE(w.dlg->Sending());
    // Send, Mirror, Rotate, language, Cutting Order, blade offset box, edit and
    // arrows, the same for over-cut, Feature, Port, Refresh, address, Save to
    // File, manufacturer, STM Virtual COM.
    const int locked[] = {1,    1009, 1010, 1023, 1067, 1005, 1006, 1007, 1016,
                          1017, 1018, 1031, 1004, 1025, 1057, 1027, 1003, 1060};
    for (int id : locked) EXPECT_FALSE(w.Control<QWidget>(id)->isEnabled()) << id;
    for (int id : {2, 1015}) EXPECT_TRUE(w.Control<QWidget>(id)->isEnabled()) << id;
    // Their handlers do nothing either: the preview stays the job being cut.
    w.dlg->OnMirror();
    w.dlg->OnLanguageChange(1);
    w.dlg->OnLengthStep(w.Control<QLineEdit>(1006), 1);
    EXPECT_FALSE(w.dlg->Run().CurrentJob().Mirrored());
    EXPECT_EQ(w.dlg->Language(), 0);
    EXPECT_EQ(w.Control<QLineEdit>(1006)->text(), "0.35");

    // A cutter that takes nothing is shown as such in the caption, not as a time left.
    QElapsedTimer clock;
    clock.start();
    w.PumpUntil([&] { return w.dlg->windowTitle().contains("not taken data"); }, 10s);
    std::printf("[ stall ] shown after %lld ms: %s\n", static_cast<long long>(clock.elapsed()),
                w.dlg->windowTitle().toUtf8().constData());
    EXPECT_TRUE(w.dlg->Sending());
    EXPECT_TRUE(w.dlg->windowTitle().contains(QRegularExpression("%, the cutter has not taken data for 0:0[3-5]$")))
        << w.dlg->windowTitle().toStdString();

    w.PumpUntil([&] { return !w.dlg->Sending(); }, 30s);
    EXPECT_EQ(w.messages.last(), "Send finished!");
    EXPECT_EQ(w.dlg->windowTitle(), "Kerfmax   for Elvoma");
    // Each control is back as it was: the over-cut box stays off while unticked.
    for (int id : locked) EXPECT_EQ(w.Control<QWidget>(id)->isEnabled(), id != 1017 && id != 1018) << id;
}

// A send the cutter breaks off (it resets a third of the way in) is offered
// again from the first object it did not confirm in full, drawn in green over
// the preview; the user goes one object back and the send from there, to
// another cutter, completes the cut.
TEST(MainDialog, AFailedSendIsOfferedAgainFromTheFirstObjectNotConfirmed)
{
    test::TempDir jobs;
    test::WriteFileBytes(jobs / "letters.hb", sendtest::LettersJob(1500, 50) + "SP0;");
    ASSERT_EQ(test::RunCli({"convert", (jobs / "letters.hb").string(), "-o", (jobs / "full.plt").string()}).exitCode,
              0);
    const std::string full = test::ReadFileBytes(jobs / "full.plt");
    const std::vector<std::size_t> starts = sendtest::PenUpStarts(full, 7);  // the last is the final pen-up
    ASSERT_EQ(starts.size(), 3001u);

    Window w("", {(jobs / "letters.hb").string()});
    TcpPeer breaking(TcpPeer::Mode::ReadThenReset, {.after = full.size() / 3, .receiveBuffer = 8192});
    TcpPeer recording;
    w.SelectNetworkPort(breaking.Port());
    auto greenPixels = [&w] { return CountPixels(w.dlg->PreviewImage(), qRgb(0, 160, 0)); };
    std::size_t offered = 0, chosen = 0;
    std::vector<std::size_t> shown;
    std::vector<int> green;
    w.dlg->resumeHandler = [&](const ResumeOffer& offer, const std::function<void(std::size_t)>& showObject) {
        offered = offer.firstUnconfirmed;
        ResumeOfferDlg ask(
            offer, kLanguageEnglish,
            [&](std::size_t k) {
                showObject(k);
                shown.push_back(k);
                green.push_back(greenPixels());
            },
            w.dlg.get());
        EXPECT_EQ(ask.ObjectBox()->minimum(), 1);
        EXPECT_EQ(ask.ObjectBox()->maximum(), 3001);
        ask.ObjectBox()->setValue(ask.ObjectBox()->value() - 1);
        chosen = ask.ChosenObject();
        w.dlg->Run().SetTcpPortOverride(recording.Port());
        return chosen;
    };
    w.dlg->OnSend();
    w.PumpUntil([&] { return chosen > 0 && !w.dlg->Sending() && w.messages.contains("Send finished!"); }, 30s);
    const std::string first = breaking.Received(), second = recording.Received();
    ASSERT_GT(offered, 1u);
    EXPECT_EQ(shown, (std::vector<std::size_t>{offered, offered - 1}));
    EXPECT_GT(green.front(), 0);
    EXPECT_GT(green.back(), 0);
    EXPECT_EQ(greenPixels(), 0) << "the preview is drawn again without the highlight";
    // Object `offered` had not arrived whole, every object before it had.
    ASSERT_EQ(first, full.substr(0, first.size()));
    EXPECT_LE(starts[offered - 1], first.size());
    EXPECT_GT(starts[offered], first.size());
    EXPECT_EQ(second, full.substr(0, 7) + full.substr(starts[chosen - 1]));
    EXPECT_TRUE(w.messages.contains("Send finished!")) << w.messages.join("|").toStdString();
}

// Runs the window until it ends; false when a guard had to cancel it.
bool EndsByItself(Window& w)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, w.dlg.get(), [&] { w.dlg->OnCancel(); });
    guard.start(15000);
    w.dlg->DoModal();
    return guard.isActive();
}

TEST(MainDialog, AutoSendUnderHideUiSendsAndEndsByItself)
{
    TcpPeer peer;
    Window w("", {"job.hb", "-HideUI", "/AutoSend"});
    w.dlg->Run().Settings().portText = "Network Port";
    w.Control<QComboBox>(1004)->setCurrentIndex(0);
    w.dlg->Run().SetTcpPortOverride(peer.Port());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(EndsByItself(w));
    EXPECT_FALSE(w.dlg->isVisible());
    // The AutoSend start (armed when the window was made, just before the clock), then the close.
    EXPECT_GE(clock.elapsed(), 1000 + 300 - 100);
    EXPECT_EQ(peer.Received(), w.Converted());
    EXPECT_FALSE(w.messages.contains("Send finished!"));
    EXPECT_EQ(w.dlg->ExitCode(), 0);

    // Nothing to send: AutoSend closes the window after its start.
    Window empty("", {"-AutoSend"});
    EXPECT_TRUE(EndsByItself(empty));
    EXPECT_EQ(empty.dlg->ExitCode(), 2);
}

// The program as the host's macro starts it, on a machine without a display,
// in a network namespace of its own (loopback only), where a peer may listen
// on the cutter's port 5000 of 127.0.0.1.
struct UnattendedRun {
    int exitCode = -1;
    std::string err, received;
    qint64 ms = 0;
    bool isolated = true;
};

bool LoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return up;
}

enum class CutterPort { Closed, Record, ResetAfterOneKilobyte };

// One connection on port 5000, read to its end or reset after 1 KB.
std::future<std::string> ServeCutterPort(CutterPort mode)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(5000);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    return std::async(std::launch::async, [listener, mode] {
        std::string bytes;
        pollfd p{listener, POLLIN, 0};
        const int fd = ::poll(&p, 1, 20000) > 0 ? ::accept(listener, nullptr, nullptr) : -1;
        char buffer[65536];
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            bytes.append(buffer, static_cast<std::size_t>(n));
            if (mode == CutterPort::ResetAfterOneKilobyte && bytes.size() >= 1024) {
                const linger abort{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                break;
            }
        }
        if (fd >= 0) ::close(fd);
        ::close(listener);
        return bytes;
    });
}

UnattendedRun RunUnattended(const std::filesystem::path& job, CutterPort port)
{
    UnattendedRun run;
    // A namespace belongs to the thread that makes it, and to what it starts.
    std::thread([&] {
        if (::unshare(CLONE_NEWNET) != 0 || !LoopbackUp()) {
            run.isolated = false;
            return;
        }
        std::future<std::string> peer;
        if (port != CutterPort::Closed) peer = ServeCutterPort(port);
        test::TempDir home;
        std::filesystem::create_directories(home / "Documents" / "Kerfmax");
        test::WriteFileBytes(home / "Documents" / "Kerfmax" / "Kerfmax.ini", "[Device]\nPortS=Network Port\n");
        QElapsedTimer clock;
        clock.start();
        const auto result = test::RunProgram(
            {KERFMAX_GUI_PATH, "-HideUI", "-AutoSend", job.string()},
            {"HOME=" + home.Path().string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
             "XDG_RUNTIME_DIR=" + home.Path().string(),
             "XDG_DOCUMENTS_DIR=", "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "LANG=C.UTF-8", "LC_ALL="});
        run.ms = clock.elapsed();
        run.exitCode = result.exitCode;
        run.err = result.err;
        if (peer.valid()) run.received = peer.get();
    }).join();
    return run;
}

// Sent, refused, broken off mid-send (no resume offer holds an unattended
// run) and a job that does not load.
TEST(MainDialog, UnattendedRunsEndWithTheCommandLineToolsCodesAndSayWhy)
{
    test::TempDir jobs;
    const auto sample = test::SourcePath("resources/samples/sign.hb");
    test::WriteFileBytes(jobs / "large.hb", LargeJob());
    const auto missing = jobs / "missing.hb";
    const struct {
        const char* name;
        std::filesystem::path job;
        CutterPort port;
        int exitCode;
        std::vector<std::string> lines;  // standard error, in this order
    } cases[] = {{"sent", sample, CutterPort::Record, 0, {"Socket Close!!!"}},
                 {"refused", sample, CutterPort::Closed, 3, {"Warning: Connection refused", "Connect to Cutter fail!"}},
                 {"reset", jobs / "large.hb", CutterPort::ResetAfterOneKilobyte, 3, {"Warning: "}},
                 {"missing", missing, CutterPort::Closed, 2, {JobLoadText(JobLoadStatus::Missing, missing, 0)}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const UnattendedRun run = RunUnattended(c.job, c.port);
        if (!run.isolated) GTEST_SKIP() << "no network namespace can be made here";
        std::printf("[ unattended ] %s: exit %d after %lld ms\n", c.name, run.exitCode, static_cast<long long>(run.ms));
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_LT(run.ms, 15000);
        std::size_t at = 0;
        for (const std::string& line : c.lines) {
            at = run.err.find(line, at);
            EXPECT_NE(at, std::string::npos) << "missing or out of order: " << line << "\n" << run.err;
        }
        if (c.exitCode == 0) {
            ASSERT_EQ(test::RunCli({"convert", sample.string(), "-o", (jobs / "c.plt").string()}).exitCode, 0);
            EXPECT_EQ(run.received, test::ReadFileBytes(jobs / "c.plt"));
        }
    }
}

TEST(MainDialog, ReportsOfAnotherProcessMoveTheBarAndComplete)
{
    const QString name = QStringLiteral("kerfmax-test-%1").arg(QCoreApplication::applicationPid());
    Window w("", {"job.hb"}, name);
    auto* bar = w.Control<QProgressBar>(1008);
    ASSERT_TRUE(SendProgressReport(name, "57"));
    w.PumpUntil([&] { return bar->value() == 57; }, 3s);
    EXPECT_EQ(bar->value(), 57);
    EXPECT_TRUE(w.messages.isEmpty());
    ASSERT_TRUE(SendProgressReport(name, "-5"));
    w.PumpUntil([&] { return w.messages.size() >= 2; }, 3s);
    EXPECT_EQ(w.messages, (QStringList{"ERROR_WRITE_USB_DATA!", "Send finished!"}));
    EXPECT_EQ(bar->value(), 0);
    // A second window of the same user does not take the name from the first.
    ProgressReportServer second;
    EXPECT_FALSE(second.Listen(name));
}

}  // namespace
}  // namespace kerfmax::gui
