// The main window on Qt's offscreen platform, with a real settings file, real
// job files and real TCP peers on 127.0.0.1.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <cstdlib>
#include <thread>

#include "app/IniFile.h"
#include "cutter/SendTestPeers.h"
#include "gui/PathText.h"
#include "gui/PlotRelayDlg.h"
#include "gui/ProgressReports.h"
#include "support/TestSupport.h"

namespace kerfmax::gui {
namespace {

using namespace std::chrono_literals;
using sendtest::TcpPeer;

const char kJob[] =
    "PU0,0;PD4000,0;PD4000,2000;PD0,2000;PD0,0;"
    "PU1000,500;BZ1500,1500,2500,1500,3000,500;PD1000,500;SP0;";

// One window with its own settings file and a job, messages recorded.
struct Window {
    test::TempDir dir;
    CIniFile ini;
    std::unique_ptr<CPlotRelayDlg> dlg;
    QStringList messages;

    explicit Window(const std::string& settings = "", std::vector<std::string> words = {"job.hb"},
                    QString reportServer = {})
        : ini(dir / "Kerfmax.ini")
    {
        test::WriteFileBytes(dir / "job.hb", kJob);
        if (!settings.empty()) test::WriteFileBytes(dir / "Kerfmax.ini", settings);
        for (auto& w : words)
            if (w == "job.hb") w = (dir / "job.hb").string();
        CPlotRelayDlg::Setup setup;
        ParseCommandLine(words, setup.commandLine);
        setup.settingsFile = &ini;
        setup.deviceRoots = DeviceTreeRootsFor((dir / "no-devices").string());
        setup.reportServerName = reportServer;
        dlg = std::make_unique<CPlotRelayDlg>(std::move(setup));
        dlg->messageHandler = [this](const QString& text, NotifyIcon) { messages << text.trimmed(); };
    }
    template <typename W>
    W* Control(int id)
    {
        return dlg->findChild<W*>(QString::number(id));
    }
    QStringList PortEntries()
    {
        QStringList entries;
        auto* ports = Control<QComboBox>(1004);
        for (int i = 0; i < ports->count(); ++i) entries << ports->itemText(i);
        return entries;
    }
    void SelectNetworkPort(int tcpPort)
    {
        auto* ports = Control<QComboBox>(1004);
        ports->setCurrentIndex(ports->findText(QStringLiteral("Network Port")));
        Control<QLineEdit>(1057)->setText(QStringLiteral("127.0.0.1"));
        dlg->Run().SetTcpPortOverride(tcpPort);
    }
    // Runs the event loop until done() holds; the longest gap between two
    // 2 ms ticks tells how long the window's thread was held.
    qint64 PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s)
    {
        QElapsedTimer clock, tick;
        clock.start();
        tick.start();
        qint64 longest = 0;
        while (!done() && clock.elapsed() < limit.count()) {
            QApplication::processEvents(QEventLoop::AllEvents, 2);
            longest = std::max(longest, tick.restart());
            std::this_thread::sleep_for(1ms);
        }
        return longest;
    }
    std::string Converted(const std::vector<std::string>& options = {})
    {
        std::vector<std::string> args = {"convert", (dir / "job.hb").string(), "-o", (dir / "c.plt").string()};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(test::RunCli(args).exitCode, 0);
        return test::ReadFileBytes(dir / "c.plt");
    }
};

bool IsRed(QRgb pixel)
{
    return qRed(pixel) == 255 && qGreen(pixel) == 0 && qBlue(pixel) == 0;
}

// The leftmost column of the preview that holds a red pixel.
int FirstRedColumn(const QImage& image)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (IsRed(image.pixel(x, y))) return x;
    return -1;
}

TEST(MainDialog, StartsFromTheSettingsFileAndTheCommandLine)
{
    // No job: the job controls are off, Save to File and Refresh stay on; a
    // stored COM port is put back after the network entry without enumerating.
    Window none("[Device]\nPortS=COM7\n[Offset]\nChkBladeOffset=0\nBladeOffset=0.5\n", {});
    EXPECT_EQ(none.PortEntries(), (QStringList{"Network Port", "COM7"}));
    EXPECT_EQ(none.Control<QComboBox>(1004)->currentText(), "COM7");
    for (int id : {1, 1009, 1010, 1031, 1005, 1016, 1004, 1067})
        EXPECT_FALSE(none.Control<QWidget>(id)->isEnabled()) << id;
    for (int id : {1027, 1025, 2}) EXPECT_TRUE(none.Control<QWidget>(id)->isEnabled()) << id;
    EXPECT_FALSE(none.Control<QCheckBox>(1005)->isChecked());
    EXPECT_EQ(none.Control<QLineEdit>(1006)->text(), "0.5");
    EXPECT_EQ(none.dlg->windowTitle(), "Kerfmax   for Elvoma");
    EXPECT_EQ(none.Control<QProgressBar>(1008)->format(), "0%");

    // A job and Chinese: texts, sizes, the network entry in Chinese selected
    // from an empty PortS after a refresh that found nothing else.
    Window job("[Device]\nLangage=1\n");
    EXPECT_EQ(job.Control<QComboBox>(1023)->currentText(), QString::fromUtf8("中文"));
    EXPECT_EQ(job.Control<QPushButton>(1)->text(), QString::fromUtf8("发送"));
    EXPECT_EQ(job.PortEntries(), (QStringList{QString::fromUtf8("网络端口")}));
    EXPECT_EQ(job.Control<QComboBox>(1004)->currentIndex(), 0);
    EXPECT_TRUE(job.Control<QLineEdit>(1057)->isEnabled());
    EXPECT_EQ(job.Control<QLineEdit>(1012)->text(), "100.00");
    EXPECT_EQ(job.Control<QLineEdit>(1011)->text(), "50.00");
    for (int id : {1, 1009, 1010, 1031, 1005, 1016, 1067}) EXPECT_TRUE(job.Control<QWidget>(id)->isEnabled()) << id;
    EXPECT_TRUE(job.Control<QLineEdit>(1006)->isEnabled());  // blade offset ticked by default
    EXPECT_FALSE(job.Control<QLineEdit>(1017)->isEnabled());  // over-cut not

    // Back to English: one network entry, at the end, still selected.
    job.dlg->OnLanguageChange(0);
    EXPECT_EQ(job.PortEntries(), (QStringList{"Network Port"}));
    EXPECT_EQ(job.Control<QComboBox>(1004)->currentIndex(), 0);
    EXPECT_EQ(job.Control<QPushButton>(1)->text(), "Send");
    EXPECT_EQ(CIniFile(job.dir / "Kerfmax.ini").ReadInt("Device", "Langage", -1), 0);
}

TEST(MainDialog, LengthStepsPlacementAndPreview)
{
    Window w;
    auto* blade = w.Control<QLineEdit>(1006);
    for (const char* expected : {"0.4", "0.5", "0.6"}) {
        w.dlg->OnLengthStep(blade, 1);
        EXPECT_EQ(blade->text(), expected);
    }
    blade->setText("0.1");
    w.dlg->OnLengthStep(blade, -1);
    EXPECT_EQ(blade->text(), "0.1");  // a result of 0 is not taken

    // The preview is drawn on the first paint: white field, red paths.
    w.dlg->DrawPreview();
    const QImage before = w.dlg->PreviewImage();
    ASSERT_FALSE(before.isNull());
    EXPECT_EQ(before.pixel(before.width() / 2, 2), qRgb(255, 255, 255));
    const int left = FirstRedColumn(before);
    EXPECT_EQ(left, 5);  // a wide job fills the width less the border

    // Mirror, then a quarter turn from the menu: sizes swap, the picture changes.
    w.dlg->OnMirror();
    w.dlg->menuChooser = [](QMenu& menu, const QPoint&) { return menu.actions().at(0); };
    w.dlg->OnRotate();
    // The extents swap (a turn may lose a unit to truncation).
    const QString turnedWidth = w.Control<QLineEdit>(1012)->text();
    EXPECT_NEAR(turnedWidth.toDouble(), 50.0, 0.05);
    EXPECT_NEAR(w.Control<QLineEdit>(1011)->text().toDouble(), 100.0, 0.05);
    w.dlg->DrawPreview();
    EXPECT_NE(w.dlg->PreviewImage(), before);
    // A dismissed menu keeps the rotation; "Default" brings back the unturned, mirrored job.
    w.dlg->menuChooser = [](QMenu&, const QPoint&) { return nullptr; };
    w.dlg->OnRotate();
    EXPECT_EQ(w.Control<QLineEdit>(1012)->text(), turnedWidth);
    w.dlg->menuChooser = [](QMenu& menu, const QPoint&) { return menu.actions().at(3); };
    w.dlg->OnRotate();
    w.dlg->OnMirror();
    w.dlg->DrawPreview();
    EXPECT_EQ(w.dlg->PreviewImage(), before);
    EXPECT_EQ(w.dlg->RotationMenu().actions().at(1)->text(), "Rotation 180 Degree");
}

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

TEST(MainDialog, SaveToFileWritesTheOutputOfThisRun)
{
    Window w("[Offset]\nChkBladeOffset=0\n");
    const auto target = w.dir / "saved.plt";
    w.dlg->saveFileChooser = [&] { return ToQString(target); };
    w.dlg->OnSaveToFile();
    w.PumpUntil([&] { return !w.dlg->Sending() && !w.messages.isEmpty(); });
    EXPECT_EQ(w.messages, (QStringList{"Save finished!"}));
    EXPECT_EQ(test::ReadFileBytes(target), w.Converted({"--no-blade-offset"}));
    // A cancelled Save As dialog does nothing.
    w.messages.clear();
    w.dlg->saveFileChooser = [] { return QString(); };
    w.dlg->OnSaveToFile();
    w.PumpUntil([] { return false; }, 100ms);
    EXPECT_TRUE(w.messages.isEmpty());
}

}  // namespace
}  // namespace kerfmax::gui

namespace kerfmax::gui {
namespace {

// Pictures of the main window for a person to look at: runs only when
// KERFMAX_SCREENSHOT_DIR names a folder (scripts/screenshots.sh sets it and a
// real X server under xvfb-run).
TEST(MainDialogScreenshots, EnglishAndChinese)
{
    const QString folder = qEnvironmentVariable("KERFMAX_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "KERFMAX_SCREENSHOT_DIR not set";
    for (int language : {0, 1}) {
        Window w("[Device]\nPortS=Network Port\nLangage=" + std::to_string(language) + "\n");
        w.dlg->show();
        w.PumpUntil([] { return false; }, 300ms);
        const QString name = folder + (language == 1 ? "/main-window-zh.png" : "/main-window-en.png");
        EXPECT_TRUE(w.dlg->grab().save(name)) << name.toStdString();
    }
}

}  // namespace
}  // namespace kerfmax::gui
