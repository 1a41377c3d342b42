// The main window's Send and progress reports with real TCP peers on
// 127.0.0.1, the program itself as a process, and the local report socket
// (POSIX; the Windows build has its own report test).

#include "cutter/SendTestPeers.h"
#include "gui/MainDialogWindow.h"
#include "gui/ProgressReports.h"
#include "gui/ResumeOffer.h"

namespace kerfmax::gui {
namespace {

using namespace std::chrono_literals;
using namespace test_window;
using sendtest::TcpPeer;

void SelectNetworkPort(Window& w, int tcpPort)
{
    auto* ports = w.Control<QComboBox>(1004);
    ports->setCurrentIndex(ports->findText(QStringLiteral("Network Port")));
    w.Control<QLineEdit>(1057)->setText(QStringLiteral("127.0.0.1"));
    w.dlg->Run().SetTcpPortOverride(tcpPort);
}

// A port nobody listens on.
int RefusingPort()
{
    TcpPeer gone;
    return gone.Port();
}

TEST(MainDialog, SendDeliversWhatConvertWritesWithoutHoldingTheWindow)
{
    Window w;
    TcpPeer peer;
    SelectNetworkPort(w, peer.Port());
    w.dlg->OnSend();
    EXPECT_TRUE(w.dlg->Sending());
    const qint64 longest = PumpUntil([&] { return !w.dlg->Sending(); });
    EXPECT_LT(longest, 100) << "the window's thread was held " << longest << " ms";
    EXPECT_EQ(peer.Received(), w.Converted());
    EXPECT_EQ(w.messages, (QStringList{"Socket Close!!!", "Send finished!"}));
    EXPECT_EQ(w.Control<QProgressBar>(1008)->value(), 0);
    EXPECT_EQ(w.Control<QProgressBar>(1008)->format(), "0%");
    EXPECT_EQ(CIniFile(w.dir / "Kerfmax.ini").ReadString("Device", "IP", ""), "127.0.0.1");  // the Send saved

    // Messages come one box at a time: one that arrives while a box is open (a
    // box runs an event loop of its own, as the handler here does) waits until
    // that box is closed.
    w.messages.clear();
    int open = 0, mostOpen = 0;
    w.dlg->messageHandler = [&](const QString& text, NotifyIcon) {
        mostOpen = std::max(mostOpen, ++open);
        w.messages << text;
        QEventLoop box;
        if (w.messages.size() == 1) QTimer::singleShot(10, &box, [&] { w.dlg->ShowMessage("meanwhile"); });
        QTimer::singleShot(50, &box, &QEventLoop::quit);
        box.exec();
        --open;
    };
    w.dlg->Run().SetTcpPortOverride(RefusingPort());
    w.dlg->OnSend();
    PumpUntil([&] { return !w.dlg->Sending() && w.messages.size() >= 3 && open == 0; });
    EXPECT_EQ(mostOpen, 1);
}

// A job whose output is about 1.8 MB, more than the socket buffers hold, of
// points that no simplification merges.
std::string LargeJob()
{
    std::string job = "PU0,0;";
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
    SelectNetworkPort(w, peer.Port());
    w.dlg->OnSend();
    PumpUntil([&] { return peer.Accepted(); });
    ASSERT_TRUE(w.dlg->Sending());
    // Send, Mirror, Rotate, language, Cutting Order, blade offset box, edit and
    // arrows, the same for over-cut, Feature, Port, Refresh, address, Save to
    // File, manufacturer, STM Virtual COM.
    const int locked[] = {1,    1009, 1010, 1023, 1067, 1005, 1006, 1007, 1016,
                          1017, 1018, 1031, 1004, 1025, 1057, 1027, 1003, 1060};
    for (int id : locked) EXPECT_FALSE(w.Control<QWidget>(id)->isEnabled()) << id;
    for (int id : {2, 1015}) EXPECT_TRUE(w.Control<QWidget>(id)->isEnabled()) << id;

    // A cutter that takes nothing is shown as such in the caption, not as a time left.
    PumpUntil([&] { return w.dlg->windowTitle().contains("not taken data"); }, 10s);
    EXPECT_TRUE(w.dlg->Sending());
    EXPECT_TRUE(w.dlg->windowTitle().contains(QRegularExpression("%, the cutter has not taken data for 0:0[3-5]$")))
        << w.dlg->windowTitle().toStdString();

    PumpUntil([&] { return !w.dlg->Sending(); }, 30s);
    EXPECT_EQ(w.messages.last(), "Send finished!");
    EXPECT_EQ(w.dlg->windowTitle(), "Kerfmax   for Elvoma");
    // Each control is back as it was: the over-cut box stays off while unticked.
    for (int id : locked) EXPECT_EQ(w.Control<QWidget>(id)->isEnabled(), id != 1017 && id != 1018) << id;
}

// A send the cutter breaks off (it resets a third of the way in) is offered
// again from the first object it did not confirm in full (which object that is
// the run's own tests check), drawn in green over the preview; the user goes
// one object back and the send from there, to another cutter, completes the cut.
TEST(MainDialog, AFailedSendIsOfferedAgainFromTheFirstObjectNotConfirmed)
{
    test::TempDir jobs;
    test::WriteFileBytes(jobs / "letters.hb", sendtest::LettersJob(1500, 50) + "SP0;");
    ASSERT_EQ(test::RunCli({"convert", (jobs / "letters.hb").string(), "-o", (jobs / "full.plt").string()}).exitCode,
              0);
    const std::string full = test::ReadFileBytes(jobs / "full.plt");
    const std::vector<std::size_t> starts = sendtest::PenUpStarts(full, 7);  // the last is the final pen-up

    Window w("", {(jobs / "letters.hb").string()});
    TcpPeer breaking(TcpPeer::Mode::ReadThenReset, {.after = full.size() / 3, .receiveBuffer = 8192});
    TcpPeer recording;
    SelectNetworkPort(w, breaking.Port());
    auto greenPixels = [&w] { return CountPixels(w.dlg->PreviewImage(), qRgb(0, 160, 0)); };
    std::size_t offered = 0, chosen = 0;
    std::vector<std::size_t> shown;
    int leastGreen = INT_MAX;
    w.dlg->resumeHandler = [&](const ResumeOffer& offer, const std::function<void(std::size_t)>& showObject) {
        offered = offer.firstUnconfirmed;
        const auto show = [&](std::size_t k) {
            showObject(k);
            shown.push_back(k);
            leastGreen = std::min(leastGreen, greenPixels());
        };
        ResumeOfferDlg ask(offer, kLanguageEnglish, show, w.dlg.get());
        EXPECT_EQ(ask.ObjectBox()->maximum(), 3001);
        ask.ObjectBox()->setValue(ask.ObjectBox()->value() - 1);
        chosen = ask.ChosenObject();
        w.dlg->Run().SetTcpPortOverride(recording.Port());
        return chosen;
    };
    w.dlg->OnSend();
    PumpUntil([&] { return chosen > 0 && !w.dlg->Sending() && w.messages.contains("Send finished!"); }, 30s);
    ASSERT_GT(offered, 1u);
    EXPECT_EQ(shown, (std::vector<std::size_t>{offered, offered - 1}));
    EXPECT_GT(leastGreen, 0);
    EXPECT_EQ(greenPixels(), 0) << "the preview is drawn again without the highlight";
    EXPECT_EQ(recording.Received(), full.substr(0, 7) + full.substr(starts[chosen - 1]));
}

// Under HideUI the window sends once AutoSend has started it and ends by
// itself whatever the send came to, with the command-line tool's exit code; a
// send broken off mid-way offers no resume, which would hold an unattended run.
TEST(MainDialog, AutoSendUnderHideUiSendsAndEndsByItselfWithTheToolsCodes)
{
    test::TempDir jobs;
    test::WriteFileBytes(jobs / "large.hb", LargeJob());
    enum Peer { Records, Refuses, Resets, None };
    const struct {
        const char* name;
        Peer peer;
        int exitCode;
        QStringList messages;  // the first ones, in this order
    } cases[] = {{"sent", Records, 0, {"Socket Close!!!"}},
                 {"refused", Refuses, 3, {"Warning: Connection refused", "Connect to Cutter fail!"}},
                 {"reset", Resets, 3, {}},
                 {"nothing to send", None, 2, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TcpPeer peer(c.peer == Resets ? TcpPeer::Mode::ReadThenReset : TcpPeer::Mode::Record,
                     {.after = 1024, .receiveBuffer = 4096});
        std::vector<std::string> words = {"-HideUI", "/AutoSend"};
        if (c.peer != None) words.push_back(c.peer == Resets ? (jobs / "large.hb").string() : "job.hb");
        Window w("[Device]\nPortS=Network Port\n", words);
        w.dlg->Run().SetTcpPortOverride(c.peer == Refuses ? RefusingPort() : peer.Port());
        w.dlg->resumeHandler = [](const ResumeOffer&, const std::function<void(std::size_t)>&) {
            ADD_FAILURE() << "a resume was offered";
            return std::size_t{0};
        };
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, w.dlg.get(), [&] { w.dlg->OnCancel(); });
        guard.start(30000);
        w.dlg->DoModal();
        EXPECT_TRUE(guard.isActive()) << "a guard had to cancel the run";
        EXPECT_FALSE(w.dlg->isVisible());
        EXPECT_EQ(w.dlg->ExitCode(), c.exitCode);
        EXPECT_EQ(w.messages.mid(0, c.messages.size()), c.messages) << w.messages.join("|").toStdString();
        EXPECT_FALSE(w.messages.contains("Send finished!"));
        if (c.peer == Records) {
            EXPECT_EQ(peer.Received(), w.Converted());
        }
    }
}

// The program itself, as the host's macro starts it, on a machine without a
// display: a job that does not load ends it with the tool's code, saying why.
TEST(MainDialog, AnUnattendedRunOfAJobThatDoesNotLoadEndsWithTheToolsCodeAndSaysWhy)
{
    test::TempDir home;
    const auto missing = home / "missing.hb";
    const auto result = test::RunProgram(
        {KERFMAX_GUI_PATH, "-HideUI", "-AutoSend", missing.string()},
        {"HOME=" + home.Path().string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
         "XDG_RUNTIME_DIR=" + home.Path().string(),
         "XDG_DOCUMENTS_DIR=", "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "LANG=C.UTF-8", "LC_ALL="});
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find(JobLoadText(JobLoadStatus::Missing, missing, 0)), std::string::npos) << result.err;
}

TEST(MainDialog, ReportsOfAnotherProcessMoveTheBarAndComplete)
{
    const QString name = QStringLiteral("kerfmax-test-%1").arg(QCoreApplication::applicationPid());
    Window w("", {"job.hb"}, name);
    auto* bar = w.Control<QProgressBar>(1008);
    ASSERT_TRUE(SendProgressReport(name, "57"));
    PumpUntil([&] { return bar->value() == 57; }, 3s);
    EXPECT_EQ(bar->value(), 57);
    EXPECT_TRUE(w.messages.isEmpty());
    ASSERT_TRUE(SendProgressReport(name, "-5"));
    PumpUntil([&] { return w.messages.size() >= 2; }, 3s);
    EXPECT_EQ(w.messages, (QStringList{"ERROR_WRITE_USB_DATA!", "Send finished!"}));
    EXPECT_EQ(bar->value(), 0);
    // A second window of the same user does not take the name from the first.
    ProgressReportServer second;
    EXPECT_FALSE(second.Listen(name));
}

}  // namespace
}  // namespace kerfmax::gui
