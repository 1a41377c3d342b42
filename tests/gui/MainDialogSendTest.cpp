// The main window's Send and progress reports with real TCP peers on
// 127.0.0.1, the program itself as a process, and the local report socket
// (POSIX; the Windows build has its own report test).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "app/IniFile.h"
#include "cutter/SendTestPeers.h"
#include "gui/MainDialogWindow.h"
#include "gui/PathText.h"
#include "gui/PlotRelayDlg.h"
#include "gui/ProgressReports.h"
#include "support/TestSupport.h"

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

    // A connect that cannot complete does not hold the window either.
    w.messages.clear();
    int refused = 0;
    {
        TcpPeer gone;
        refused = gone.Port();
    }
    w.dlg->Run().SetTcpPortOverride(refused);
    w.dlg->OnSend();
    w.PumpUntil([&] { return !w.dlg->Sending(); });
    ASSERT_EQ(w.messages.size(), 2);
    EXPECT_TRUE(w.messages[0].startsWith("Warning: ")) << w.messages[0].toStdString();
    EXPECT_EQ(w.messages[1], "Connect to Cutter fail!");
    EXPECT_TRUE(w.Control<QWidget>(1)->isEnabled());
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
    QTimer guard;  // never needed when the window ends by itself
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, w.dlg.get(), [&] { w.dlg->OnCancel(); });
    guard.start(15000);
    w.dlg->DoModal();
    EXPECT_TRUE(guard.isActive()) << "the window did not end by itself";
    EXPECT_FALSE(w.dlg->isVisible());
    // The AutoSend start (armed when the window was made, just before the clock), then the close.
    EXPECT_GE(clock.elapsed(), 1000 + 300 - 100);
    EXPECT_EQ(peer.Received(), w.Converted());
    EXPECT_FALSE(w.messages.contains("Send finished!"));

    // Nothing to send: AutoSend closes the window after its start.
    Window empty("", {"-AutoSend"});
    QTimer emptyGuard;
    emptyGuard.setSingleShot(true);
    QObject::connect(&emptyGuard, &QTimer::timeout, empty.dlg.get(), [&] { empty.dlg->OnCancel(); });
    emptyGuard.start(10000);
    empty.dlg->DoModal();
    EXPECT_TRUE(emptyGuard.isActive());
}

// The program as the host's macro starts it, on a machine without a display,
// to a listener on the cutter's own port 5000.
TEST(MainDialog, TheProgramSendsHeadlessWithHideUiAndAutoSendAndEnds)
{
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(5000);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 1) != 0) {
        ::close(listener);
        GTEST_SKIP() << "port 5000 on 127.0.0.1 is taken";
    }
    auto received = std::async(std::launch::async, [listener] {
        std::string bytes;
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 20000) <= 0) return bytes;
        int fd = ::accept(listener, nullptr, nullptr);
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
        ::close(fd);
        return bytes;
    });
    test::TempDir home;
    std::filesystem::create_directories(home / "Documents" / "Kerfmax");
    test::WriteFileBytes(home / "Documents" / "Kerfmax" / "Kerfmax.ini", "[Device]\nPortS=Network Port\n");
    const auto job = test::SourcePath("resources/samples/sign.hb");
    QElapsedTimer clock;
    clock.start();
    auto run = test::RunProgram({KERFMAX_GUI_PATH, "-HideUI", "-AutoSend", job.string()},
                                {"HOME=" + home.Path().string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
                                 "XDG_DOCUMENTS_DIR=", "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    const qint64 took = clock.elapsed();
    const std::string bytes = received.get();
    ::close(listener);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_LT(took, 10000);
    EXPECT_EQ(bytes, (test::RunCli({"convert", job.string(), "-o", (home / "c.plt").string()}).exitCode == 0
                          ? test::ReadFileBytes(home / "c.plt")
                          : std::string("convert failed")));
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
