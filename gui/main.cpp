// kerfmax: the program the host's macro starts with a job file, or with a
// registration switch.
#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/Version.h"
#include "gui/PlotRelayApp.h"
#include "gui/ToolkitOptions.h"

int main(int argc, char** argv)
{
    // Qt gives the words in the system's encoding on every platform.
    std::vector<std::string> words;
    {
        QCoreApplication probe(argc, argv);
        const QStringList arguments = QCoreApplication::arguments();
        for (qsizetype i = 1; i < arguments.size(); ++i) words.push_back(arguments[i].toUtf8().toStdString());
    }
    // "kerfmax job.hb -platform offscreen" names job.hb, not "job.hb offscreen".
    words = kerfmax::gui::WithoutToolkitOptions(words);
    // Answered before any window or settings file is touched.
    if (words.size() == 1 && words.front() == "--version") {
        std::puts("kerfmax " KERFMAX_VERSION);
        return 0;
    }
    kerfmax::gui::CPlotRelayApp relay(std::move(words));
    relay.PrepareQt();
    QApplication app(argc, argv);
    return relay.InitInstance(app);
}
