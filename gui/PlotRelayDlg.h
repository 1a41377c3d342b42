#pragma once
// The main window: shows the loaded job, holds the run's cutting settings in
// its controls, and starts Send, Save to File and the side dialogs. Every
// control carries its dialog id as object name. The cutting run itself (the
// job, the asynchronous Send and Save to File) is a CuttingRun; this class
// only binds it to the controls, queuing its callbacks to the window's thread.
#include <QDialog>
#include <QImage>
#include <QString>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "cutter/PortDiscovery.h"
#include "gui/ControlLock.h"
#include "gui/RunMessages.h"
#include "gui/SendProgressView.h"
#include "platform/Notifier.h"
#include "platform/PortEnumeration.h"
#include "run/CuttingRun.h"
#include "run/JobEstimate.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

namespace kerfmax {
class CIniFile;
}  // namespace kerfmax

namespace kerfmax::gui {

class CFeatureDlg;
class EstimateLine;
class PreviewArea;
class ProgressReportServer;
class UpDown;

class CPlotRelayDlg : public QDialog {
    Q_OBJECT
public:
    // What start-up hands over: the parsed command line, the settings file, the
    // program's folder and where port discovery looks (the system's by default).
    struct Setup {
        CMC_CommandLineInfo commandLine;
        CIniFile* settingsFile = nullptr;
        std::filesystem::path programFolder;
        DeviceTreeRoots deviceRoots;
        QString reportServerName;  // the progress-report socket; empty: none
    };

    explicit CPlotRelayDlg(Setup setup, QWidget* parent = nullptr);
    ~CPlotRelayDlg() override;

    // Runs the window until it ends; under HideUI it is never shown.
    int DoModal();
    // What an unattended run (AutoSend) ends the process with: the codes of
    // kerfmax-cli. 0 for a window the user ran.
    int ExitCode() const;

    // Ways for a test (or a headless run) to answer what would otherwise wait
    // for the user. Each has a default that shows the real thing. Messages
    // reach messageHandler one at a time, in the order they happened.
    std::function<void(const QString& text, NotifyIcon icon)> messageHandler;
    // Answers the offer to send a failed job again: the object to send it from,
    // or 0 for no. showObject(k) draws object k over the preview. When empty,
    // the window asks with ResumeOfferDlg.
    std::function<std::size_t(const ResumeOffer& offer, const std::function<void(std::size_t)>& showObject)>
        resumeHandler;
    std::function<QAction*(QMenu& menu, const QPoint& at)> menuChooser;
    std::function<QString()> saveFileChooser;
    std::function<QString()> openFileChooser;  // Ctrl+O
    std::function<void(QDialog& dialog)> sideDialogRunner;  // runs a side dialog modally

    CuttingRun& Run() { return *m_run; }
    // A Send or a Save to File runs: the controls that change the job, its
    // settings or the port are disabled and their handlers do nothing.
    bool Sending() const { return m_sending; }
    int Language() const { return m_nLanguage; }
    const QImage& PreviewImage() const;
    QMenu& RotationMenu() { return *m_rotateMenu; }

    // The handlers, public so that the start-up sequence and tests can reach them.
    void OnSend();
    void OnCancel();
    void OnMirror();
    void OnRotate();
    void OnSaveToFile();
    // Ctrl+O and a dropped file: loads the job as the command line does (same
    // checks and messages); a job that does not load leaves the one shown.
    void OnOpenJob();
    void OpenJob(const std::filesystem::path& path);
    void OnFeature();
    void OnCuttingOrder();
    void OnAbout();
    void OnRefreshSerial();
    void OnPortSelectionChange();
    void OnLanguageChange(int index);
    void OnVirtualCom();
    void OnLengthStep(QLineEdit* edit, int step);
    void OnProgressReport(const QString& text);
    void ApplyLanguage(int language);
    void SaveSettings();
    // Draws the preview into its buffer now.
    void DrawPreview();
    // Every message of the run goes through here (the core's notifications
    // too), to be shown in its turn.
    void ShowMessage(const QString& text, NotifyIcon icon = NotifyIcon::None);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void BuildControls();
    void OnInitDialog();
    void ReadSettingsIntoControls();
    void RestorePort(const std::string& portS);
    void FillManufacturerList();
    void EnableJobControls();
    void EnableSendControls(bool enable);
    void CollectSettings();
    void ShowJobSize();
    void ShowEstimate();
    JobEstimate CurrentEstimate();
    void UseCuttingSpeed(int mmPerSecond);
    std::filesystem::path LastFolder() const;
    void RememberFolder(const std::filesystem::path& folder);
    void ApplyPlacementFinish();
    void ShowRotationPicture();
    void ShowCuttingOrderPicture();
    void EarlySendEnd();
    void OnSendFinished(SendResult result);
    void OnSendDone(int failureFlag);
    void OfferResume();
    void OnProgressTimer();
    void PresentMessage(const QString& text, NotifyIcon icon);
    bool RefuseUnusableLengths();
    void ReportJobLoad(JobLoadStatus status, const std::filesystem::path& path);
    void EndUnattended(int exitCode);
    void RunSideDialog(QDialog& dialog);
    void SetProgressText(int percent);
    void EndDialog();
    SendCallbacks QueuedSendCallbacks();

    Setup m_setup;
    std::unique_ptr<CuttingRun> m_run;
    int m_nLanguage = 0;
    int m_nCutOrder = 0;
    bool m_bMirror = false;
    Rotation m_rotation = Rotation::None;
    bool m_sending = false;
    bool m_workerEverStarted = false;
    bool m_ending = false;
    PortListing m_ports;
    std::string m_strNetworkPort;
    bool m_lastLinkWasNetwork = false;
    int m_exitCode = 0;
    std::size_t m_sendFrom = 1;  // the object the next Send starts from
    std::filesystem::path m_jobPath;  // the job shown, for Save to File's proposal
    StreamSizeCache m_streamSize;  // for the estimate line
    ControlLock m_controlLock;
    RunMessages m_messages;
    SendProgressView m_progressView;

    QTimer m_progressTimer;  // id 1: the progress text every 500 ms
    QTimer m_autoSendTimer;  // id 2: the one-shot AutoSend start
#ifndef Q_OS_WIN  // Windows reports arrive as the copy-data message
    std::unique_ptr<ProgressReportServer> m_reports;
#endif

    // Controls, named by their dialog ids.
    QPushButton* m_send = nullptr;  // 1
    QPushButton* m_cancel = nullptr;  // 2
    PreviewArea* m_preview = nullptr;  // 1013
    EstimateLine* m_estimate = nullptr;  // under the preview
    QLabel* m_heading = nullptr;  // 1014
    QLabel* m_logo = nullptr;  // 1063
    QPushButton* m_mirror = nullptr;  // 1009
    QPushButton* m_rotate = nullptr;  // 1010
    QPushButton* m_about = nullptr;  // 1015
    QGroupBox* m_jobSizeGroup = nullptr;  // 1019
    QLineEdit* m_jobHeight = nullptr;  // 1011
    QLineEdit* m_jobWidth = nullptr;  // 1012
    QComboBox* m_languageList = nullptr;  // 1023
    QPushButton* m_cuttingOrder = nullptr;  // 1067
    QGroupBox* m_offsetGroup = nullptr;  // 1024
    QCheckBox* m_bladeOffsetCheck = nullptr;  // 1005
    QLineEdit* m_bladeOffset = nullptr;  // 1006
    UpDown* m_bladeOffsetSpin = nullptr;  // 1007
    QCheckBox* m_overCutCheck = nullptr;  // 1016
    QLineEdit* m_overCut = nullptr;  // 1017
    UpDown* m_overCutSpin = nullptr;  // 1018
    QPushButton* m_feature = nullptr;  // 1031
    QGroupBox* m_portGroup = nullptr;  // 1022
    QComboBox* m_portList = nullptr;  // 1004
    QPushButton* m_refreshSerial = nullptr;  // 1025
    QLineEdit* m_ipAddress = nullptr;  // 1057
    QPushButton* m_saveToFile = nullptr;  // 1027
    QComboBox* m_manufacturerList = nullptr;  // 1003
    QLabel* m_manufacturerLabel = nullptr;  // 1021
    QProgressBar* m_progress = nullptr;  // 1008
    QCheckBox* m_virtualCom = nullptr;  // 1060
    QMenu* m_rotateMenu = nullptr;  // menu 135
    std::unique_ptr<CFeatureDlg> m_featureDlg;
};

}  // namespace kerfmax::gui
