#pragma once
// Start-up of the kerfmax program: the settings file, the command line and the
// choice between a host-integration run and the cutting run with the main
// window.
#include <filesystem>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/IniFile.h"

class QApplication;

namespace kerfmax::gui {

class CPlotRelayApp {
public:
    // words: the command line without the program name.
    explicit CPlotRelayApp(std::vector<std::string> words);

    // Before the QApplication exists: under HideUI on a machine without a
    // display, Qt's offscreen platform is chosen.
    void PrepareQt() const;
    // Runs the chosen mode; the process ends when it returns. The result is the
    // process exit code: 3 when a host pass failed for some version; for an
    // unattended cutting run (AutoSend) the codes of kerfmax-cli; else 0.
    int InitInstance(QApplication& app);

    const CMC_CommandLineInfo& CommandLine() const { return m_cmdInfo; }

private:
    int RunHostPasses(bool install, const std::filesystem::path& programFolder);

    CMC_CommandLineInfo m_cmdInfo;
    CIniFile m_iniFile;
};

}  // namespace kerfmax::gui
