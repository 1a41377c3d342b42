#pragma once
// One main window for the window tests: its own settings file and job, on
// Qt's offscreen platform, with its messages recorded; and what every window
// test includes (the tests use most of the toolkit's widgets).
#include <gtest/gtest.h>

#include <QtWidgets>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/IniFile.h"
#include "gui/FeatureDlg.h"
#include "gui/PathText.h"
#include "gui/PlotRelayDlg.h"
#include "run/JobLoad.h"
#include "support/TestSupport.h"

namespace kerfmax::gui::test_window {

using namespace std::chrono_literals;

inline const char kJob[] =
    "PU0,0;PD4000,0;PD4000,2000;PD0,2000;PD0,0;"
    "PU1000,500;BZ1500,1500,2500,1500,3000,500;PD1000,500;SP0;";

// Runs the event loop until done() holds or the time is up; the longest gap
// between two 2 ms ticks tells how long the window's thread was held.
inline qint64 PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s)
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

// Types text into a control key by key, as a user does.
inline void Type(QWidget* control, const QString& keys)
{
    for (QChar c : keys) {
        QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(control, &press);
    }
}

inline int CountPixels(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
    return count;
}

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
    std::string Converted(const std::vector<std::string>& options = {})
    {
        std::vector<std::string> args = {"convert", (dir / "job.hb").string(), "-o", (dir / "c.plt").string()};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_EQ(test::RunCli(args).exitCode, 0);
        return test::ReadFileBytes(dir / "c.plt");
    }
};

}  // namespace kerfmax::gui::test_window
