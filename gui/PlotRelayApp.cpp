#include "gui/PlotRelayApp.h"

#include <QApplication>

#include "app/SettingsPath.h"
#include "gui/MessageBoxNotifier.h"
#include "gui/PathText.h"
#include "gui/Pictures.h"
#include "gui/PlotRelayDlg.h"
#ifndef Q_OS_WIN
#include "gui/ProgressReports.h"
#endif
#include "gui/Skin.h"
#include "gui/WindowLook.h"
#include "host/HostRun.h"

namespace kerfmax::gui {

namespace {

constexpr int kExitHostPassFailed = 3;

bool HasDisplay()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#endif
}

}  // namespace

CPlotRelayApp::CPlotRelayApp(std::vector<std::string> words)
{
    m_iniFile.SetPath(SettingsFilePath());
    ParseCommandLine(words, m_cmdInfo);
}

void CPlotRelayApp::PrepareQt() const
{
    const bool dialog = ChooseRunMode(m_cmdInfo) == RunMode::Dialog;
    if (dialog && m_cmdInfo.m_bHideUI && !HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A registration run opens no window; its one message needs a platform too.
    if (!dialog && !HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

int CPlotRelayApp::InitInstance(QApplication& app)
{
    static MessageBoxNotifier notifier;
    SetDefaultNotifier(&notifier);
    SetUpWindowLook(app);
    // Per-user application data of the framework; no setting is kept there.
    QCoreApplication::setOrganizationName(QStringLiteral("NQ Kerfmax"));
    const std::filesystem::path programFolder = ToPath(QCoreApplication::applicationDirPath());
    switch (ChooseRunMode(m_cmdInfo)) {
    case RunMode::Register: return RunHostPasses(true, programFolder);
    case RunMode::Unregister: return RunHostPasses(false, programFolder);
    case RunMode::Dialog: break;
    }
    LoadSkin(app, programFolder);
    app.setWindowIcon(AppIcon());
    CPlotRelayDlg::Setup setup;
    setup.commandLine = m_cmdInfo;
    setup.settingsFile = &m_iniFile;
    setup.programFolder = programFolder;
    setup.deviceRoots = DeviceTreeRootsFor("");
#ifndef Q_OS_WIN  // Windows reports arrive as the copy-data message
    setup.reportServerName = ProgressReportServerName();
#endif
    CPlotRelayDlg dialog(std::move(setup));
    notifier.sink = [&dialog](const QString& text, NotifyIcon icon) { dialog.ShowMessage(text, icon); };
    dialog.DoModal();
    notifier.sink = nullptr;
    return dialog.ExitCode();
}

int CPlotRelayApp::RunHostPasses(bool install, const std::filesystem::path& programFolder)
{
    HostRunReport report = RunHostIntegrationForCurrentUser(install, programFolder);
    QString text = FromUtf8(report.closingMessage);
    for (const std::string& problem : report.problems) text += QStringLiteral("\n") + FromUtf8(problem);
    if (!report.registryProblem.empty()) text += QStringLiteral("\n") + FromUtf8(report.registryProblem);
    ShowMessageBox(text, report.failed ? NotifyIcon::Warning : NotifyIcon::Information);
    return report.failed ? kExitHostPassFailed : 0;
}

}  // namespace kerfmax::gui
