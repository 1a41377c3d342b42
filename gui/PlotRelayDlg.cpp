#include "gui/PlotRelayDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>

#include <algorithm>
#include <optional>
#include <utility>

#include "app/IniFile.h"
#include "app/JobSize.h"
#include "app/PortRestore.h"
#include "app/ProgressReport.h"
#include "app/ControlTips.h"
#include "app/SettingsKeys.h"
#include "app/Texts.h"
#include "app/ViewTexts.h"
#include "geometry/PreviewGeometry.h"
#include "gui/AboutDlg.h"
#include "gui/CuttingOrderDlg.h"
#include "gui/DialogUnits.h"
#include "gui/DropDownButton.h"
#include "gui/EstimateLine.h"
#include "gui/FeatureDlg.h"
#include "gui/JobDrop.h"
#include "gui/LengthValidator.h"
#include "gui/MessageBoxNotifier.h"
#include "gui/PathText.h"
#include "gui/Pictures.h"
#include "gui/PreviewArea.h"
#include "gui/ResumeOffer.h"
#include "gui/SaveDialog.h"
#include "gui/TextFit.h"
#include "gui/Tooltips.h"
#ifndef Q_OS_WIN
#include "gui/ProgressReports.h"
#endif
#include "gui/UpDown.h"
#include "gui/WindowPlacement.h"
#include "platform/PathText.h"
#include "run/ExitCodes.h"
#include "run/JobEstimate.h"
#include "run/SaveTarget.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace kerfmax::gui {

namespace {

// Picture ids of the placement buttons and the cutting-order button.
constexpr int kMirrorOffBitmap = 139;
constexpr int kMirrorOnBitmap = 140;
constexpr int kRotationBitmaps[] = {141, 142, 143, 144};  // by Rotation
constexpr int kDefaultOrderBitmap = 167;
constexpr int kReduceFeedBitmap = 168;
constexpr int kLogoBitmap = 153;
constexpr int kAutoSendDelayMs = 1000;
constexpr int kProgressTextMs = 500;
constexpr int kAutoSendCloseMs = 300;
constexpr int kCancelGraceMs = 500;

struct RotationItem {
    Rotation rotation;
    TextId text;
    int commandId;
    int bitmap;
};
// The rotation menu in its order: the three turns, then no rotation.
constexpr RotationItem kRotationItems[] = {
    {Rotation::Quarter, TextId::Rotate90, 32781, 136},
    {Rotation::Half, TextId::Rotate180, 32785, 137},
    {Rotation::ThreeQuarter, TextId::Rotate270, 32786, 138},
    {Rotation::None, TextId::RotateDefault, 32784, 134},
};

template <typename W>
W* Place(W* widget, int id, QRect rect)
{
    widget->setObjectName(QString::number(id));
    widget->setGeometry(rect);
    return widget;
}

QLabel* MillimetreLabel(QWidget* parent, const QLineEdit* edit)
{
    auto* label = new QLabel(QString::fromLatin1(kMillimetreLabel), parent);
    label->setGeometry(edit->geometry().right() + DialogX(2), edit->y(), DialogX(14), edit->height());
    return label;
}

QString Tr(TextId id, int language)
{
    return QString::fromUtf8(Text(id, language));
}

std::vector<std::string> ComboEntries(const QComboBox& combo)
{
    std::vector<std::string> entries;
    for (int i = 0; i < combo.count(); ++i) entries.push_back(ToUtf8(combo.itemText(i)));
    return entries;
}

void SetComboEntries(QComboBox& combo, const std::vector<std::string>& entries, int selected)
{
    combo.blockSignals(true);
    combo.clear();
    for (const std::string& e : entries) combo.addItem(FromUtf8(e));
    combo.setCurrentIndex(selected);
    combo.blockSignals(false);
}

}  // namespace

CPlotRelayDlg::CPlotRelayDlg(Setup setup, QWidget* parent)
    : QDialog(parent),
      m_setup(std::move(setup)),
      m_run(std::make_unique<CuttingRun>()),
      m_messages([this](const QString& text, NotifyIcon icon) { PresentMessage(text, icon); })
{
    m_run->SetSettingsFile(m_setup.settingsFile);
    m_featureDlg = std::make_unique<CFeatureDlg>(this);
    BuildControls();
    OnInitDialog();
}

CPlotRelayDlg::~CPlotRelayDlg()
{
    // The run cancels and waits for its send before anything it reports to goes.
    m_run.reset();
}

const QImage& CPlotRelayDlg::PreviewImage() const
{
    return m_preview->Buffer();
}

void CPlotRelayDlg::BuildControls()
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(DialogSize(444, 320));
    // The layout is measured for an 8-point dialog font (11 pixels).
    QFont dialogFont = font();
    dialogFont.setPixelSize(11);
    setFont(dialogFont);

    m_send = Place(new QPushButton(QStringLiteral("Send"), this), 1, DialogRect(14, 291, 50, 24));
    m_send->setDefault(true);
    m_cancel = Place(new QPushButton(QStringLiteral("Cancel"), this), 2, DialogRect(71, 291, 50, 24));
    m_preview = Place(new PreviewArea(this), 1013, DialogRect(166, 35, 260, 260));
    m_heading = Place(new QLabel(this), 1014, DialogRect(168, 6, 146, 26));
    m_logo = Place(new QLabel(this), 1063, DialogRect(21, 5, 15, 13));
    m_mirror = Place(new QPushButton(QStringLiteral("Mirror"), this), 1009, DialogRect(315, 7, 40, 21));
    m_rotate = Place(new DropDownButton(QStringLiteral("Rotate"), this), 1010, DialogRect(356, 7, 53, 21));
    m_about = Place(new QPushButton(QStringLiteral("About\nKerfmax"), this), 1015, DialogRect(410, 4, 32, 24));

    m_jobSizeGroup = Place(new QGroupBox(QStringLiteral("Job Size"), this), 1019, DialogRect(17, 48, 104, 56));
    m_jobHeight = Place(new QLineEdit(this), 1011, DialogRect(45, 59, 40, 14));
    m_jobWidth = Place(new QLineEdit(this), 1012, DialogRect(45, 86, 40, 14));
    auto* heightIcon = Place(new QLabel(this), 130, DialogRect(22, 56, 20, 20));
    auto* widthIcon = Place(new QLabel(this), 129, DialogRect(21, 83, 20, 20));
    heightIcon->setPixmap(Bitmap(130));
    widthIcon->setPixmap(Bitmap(129));
    for (QLineEdit* e : {m_jobHeight, m_jobWidth}) {
        e->setReadOnly(true);
        MillimetreLabel(this, e);
    }

    m_languageList = Place(new QComboBox(this), 1023, DialogRect(123, 50, 40, 14));
    m_cuttingOrder = Place(new QPushButton(QStringLiteral("Cutting\nOrder"), this), 1067, DialogRect(123, 69, 40, 23));

    m_offsetGroup = Place(new QGroupBox(QStringLiteral("Offset"), this), 1024, DialogRect(17, 105, 104, 71));
    m_bladeOffsetCheck = Place(new QCheckBox(QStringLiteral("Blade offset"), this), 1005, DialogRect(29, 116, 55, 10));
    m_bladeOffset = Place(new QLineEdit(this), 1006, DialogRect(37, 127, 48, 14));
    m_bladeOffsetSpin = Place(new UpDown(this), 1007, DialogRect(89, 114, 11, 14));
    m_overCutCheck = Place(new QCheckBox(QStringLiteral("OverCut"), this), 1016, DialogRect(29, 144, 43, 10));
    m_overCut = Place(new QLineEdit(this), 1017, DialogRect(37, 157, 48, 14));
    m_overCutSpin = Place(new UpDown(this), 1018, DialogRect(93, 144, 10, 14));
    m_bladeOffsetSpin->SetBuddy(m_bladeOffset);
    m_overCutSpin->SetBuddy(m_overCut);
    MakeLengthEdit(*m_bladeOffset);
    MakeLengthEdit(*m_overCut);
    MillimetreLabel(this, m_bladeOffset);
    MillimetreLabel(this, m_overCut);
    // The arrows sit in the right end of their boxes; only the blade offset
    // steps by the arrow keys.
    m_bladeOffsetSpin->AlignRightOfBuddy();
    m_overCutSpin->AlignRightOfBuddy();
    m_bladeOffsetSpin->SetArrowKeys(true);

    m_feature = Place(new QPushButton(QStringLiteral("Feature"), this), 1031, DialogRect(23, 180, 98, 14));
    m_portGroup = Place(new QGroupBox(QStringLiteral("Port"), this), 1022, DialogRect(17, 197, 105, 59));
    m_portList = Place(new QComboBox(this), 1004, DialogRect(19, 207, 98, 14));
    m_refreshSerial =
        Place(new QPushButton(QStringLiteral("Refresh Serial No."), this), 1025, DialogRect(19, 223, 98, 14));
    m_ipAddress = Place(new QLineEdit(this), 1057, DialogRect(20, 240, 98, 13));
    // The address control takes dotted IPv4 only.
    m_ipAddress->setValidator(new QRegularExpressionValidator(
        QRegularExpression(
            QStringLiteral("^((25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)\\.){0,3}(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)?$")),
        m_ipAddress));
    m_saveToFile = Place(new QPushButton(QStringLiteral("Save to File"), this), 1027, DialogRect(19, 257, 98, 14));
    m_manufacturerList = Place(new QComboBox(this), 1003, DialogRect(47, 276, 72, 14));
    m_manufacturerLabel = Place(new QLabel(QStringLiteral("MFGR:"), this), 1021, DialogRect(3, 277, 44, 8));
    m_manufacturerLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_progress = Place(new QProgressBar(this), 1008, DialogRect(127, 99, 33, 197));
    m_progress->setOrientation(Qt::Vertical);
    m_progress->setTextVisible(true);
    m_virtualCom = Place(new QCheckBox(QStringLiteral("STM Virtual COM"), this), 1060, DialogRect(154, 300, 74, 10));
    m_estimate = new EstimateLine(this);
    m_estimate->setObjectName(QStringLiteral("estimate"));
    m_estimate->setGeometry(DialogRect(230, 298, 213, 12));
    connect(m_estimate, &EstimateLine::speedChosen, this, &CPlotRelayDlg::UseCuttingSpeed);
    new JobDrop(
        *this, [this] { return !m_sending && !m_ending; }, [this](const QString& file) { OpenJob(ToPath(file)); });
    connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this, &CPlotRelayDlg::OnOpenJob);

    m_rotateMenu = new QMenu(this);
    m_rotateMenu->setObjectName(QStringLiteral("135"));
    for (const RotationItem& item : kRotationItems) {
        QAction* action = m_rotateMenu->addAction(Bitmap(item.bitmap), QString());
        action->setObjectName(QString::number(item.commandId));
        action->setData(static_cast<int>(item.rotation));
    }

    connect(m_send, &QPushButton::clicked, this, &CPlotRelayDlg::OnSend);
    connect(m_cancel, &QPushButton::clicked, this, &CPlotRelayDlg::OnCancel);
    connect(m_mirror, &QPushButton::clicked, this, &CPlotRelayDlg::OnMirror);
    connect(m_rotate, &QPushButton::clicked, this, &CPlotRelayDlg::OnRotate);
    connect(m_about, &QPushButton::clicked, this, &CPlotRelayDlg::OnAbout);
    connect(m_cuttingOrder, &QPushButton::clicked, this, &CPlotRelayDlg::OnCuttingOrder);
    connect(m_feature, &QPushButton::clicked, this, &CPlotRelayDlg::OnFeature);
    connect(m_refreshSerial, &QPushButton::clicked, this, &CPlotRelayDlg::OnRefreshSerial);
    connect(m_saveToFile, &QPushButton::clicked, this, &CPlotRelayDlg::OnSaveToFile);
    connect(m_virtualCom, &QCheckBox::clicked, this, &CPlotRelayDlg::OnVirtualCom);
    connect(m_portList, &QComboBox::currentIndexChanged, this, &CPlotRelayDlg::OnPortSelectionChange);
    connect(m_languageList, &QComboBox::activated, this, &CPlotRelayDlg::OnLanguageChange);
    connect(m_bladeOffsetCheck, &QCheckBox::clicked, this, [this](bool on) {
        m_bladeOffset->setEnabled(on);
        m_bladeOffsetSpin->setEnabled(on);
    });
    connect(m_overCutCheck, &QCheckBox::clicked, this, [this](bool on) {
        m_overCut->setEnabled(on);
        m_overCutSpin->setEnabled(on);
    });
    connect(m_bladeOffsetSpin, &UpDown::stepped, this, [this](int step) { OnLengthStep(m_bladeOffset, step); });
    connect(m_overCutSpin, &UpDown::stepped, this, [this](int step) { OnLengthStep(m_overCut, step); });
    m_preview->drawRequested = [this] { DrawPreview(); };

    m_progressTimer.setInterval(kProgressTextMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &CPlotRelayDlg::OnProgressTimer);
    m_autoSendTimer.setSingleShot(true);
    m_autoSendTimer.setTimerType(Qt::PreciseTimer);
    m_autoSendTimer.setInterval(kAutoSendDelayMs);
    connect(&m_autoSendTimer, &QTimer::timeout, this, &CPlotRelayDlg::OnSend);
}

void CPlotRelayDlg::OnInitDialog()
{
    const CMC_CommandLineInfo& cmd = m_setup.commandLine;
    if (cmd.m_bHideUI) {
        // Never shown, no task-bar button.
        setWindowFlag(Qt::Tool);
        setAttribute(Qt::WA_DontShowOnScreen);
        m_preview->SetDrawingAllowed(false);
    }
    setWindowIcon(AppIcon());
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    QFont headingFont(QStringLiteral("Arial"));
    headingFont.setPixelSize(15);
    headingFont.setBold(true);
    m_heading->setFont(headingFont);
    SetProgressText(0);

    // A picture control takes the size of its picture.
    m_logo->setPixmap(Bitmap(kLogoBitmap));
    m_logo->resize(m_logo->pixmap().size());
    m_portList->setEnabled(false);
    ShowRotationPicture();
    for (QWidget* w : std::initializer_list<QWidget*>{m_jobHeight, m_jobWidth, m_bladeOffset, m_bladeOffsetSpin,
                                                      m_overCut, m_overCutSpin})
        w->setEnabled(false);
    m_bladeOffset->setText(QStringLiteral("0.35"));
    m_overCut->setText(QStringLiteral("1.0"));

    for (const char* name : kLanguageNames) m_languageList->addItem(QString::fromUtf8(name));
    ReadSettingsIntoControls();

    if (cmd.m_nShellCommand == kShellFileOpen) {
        const std::filesystem::path job = PathFromUtf8(cmd.JobFilePath());
        ReportJobLoad(m_run->LoadJob(job), job);
        m_jobPath = job;
    }
    EnableJobControls();
    ShowJobSize();

    setWindowTitle(FromUtf8(WindowCaption(m_nLanguage)));
    m_heading->setText(FromUtf8(WindowHeading(m_nLanguage)));
    m_preview->CreateBuffer();

#ifndef Q_OS_WIN  // Windows reports arrive as the copy-data message
    if (!m_setup.reportServerName.isEmpty()) {
        m_reports = std::make_unique<ProgressReportServer>();
        connect(m_reports.get(), &ProgressReportServer::reported, this, &CPlotRelayDlg::OnProgressReport);
        m_reports->Listen(m_setup.reportServerName);
    }
#endif
    if (!cmd.m_bHideUI && m_setup.settingsFile) RestoreWindowPosition(*this, *m_setup.settingsFile);
    if (cmd.m_bAutoSend) m_autoSendTimer.start();
}

void CPlotRelayDlg::ReadSettingsIntoControls()
{
    JobSettings stored = m_setup.settingsFile ? ReadJobSettings(*m_setup.settingsFile) : JobSettings{};
    m_nLanguage = stored.language;
    m_nCutOrder = stored.cutOrder;
    m_run->Settings() = stored;
    ShowCuttingOrderPicture();
    FillManufacturerList();
    m_virtualCom->setChecked(stored.virtualCom);
    m_manufacturerList->hide();
    m_manufacturerLabel->hide();
    m_manufacturerList->setCurrentIndex(settings::kDefaultManufacturerRow);
    m_ipAddress->setText(FromUtf8(stored.networkAddress));
    m_bladeOffsetCheck->setChecked(stored.bladeOffsetOn);
    m_overCutCheck->setChecked(stored.overCutOn);
    m_bladeOffset->setText(FromUtf8(stored.bladeOffsetText));
    m_overCut->setText(FromUtf8(stored.overCutText));
    // A stored number other than 0 and 1 shows English with no language selected.
    m_languageList->setCurrentIndex(m_nLanguage == 0 || m_nLanguage == 1 ? m_nLanguage : -1);
    ApplyLanguage(m_nLanguage);
    RestorePort(stored.portText);
    OnPortSelectionChange();
}

void CPlotRelayDlg::RestorePort(const std::string& portS)
{
    if (PortRestoreNeedsRefresh(portS)) {
        OnRefreshSerial();
        m_portList->setCurrentIndex(RestoredPortIndex(ComboEntries(*m_portList), portS));
    } else if (NamesNetworkEntry(portS)) {
        m_portList->setCurrentIndex(m_portList->findText(FromUtf8(m_strNetworkPort)));
    } else {
        // Put back as it was; serial ports are enumerated only on Refresh.
        m_portList->addItem(FromUtf8(portS));
        m_portList->setCurrentIndex(m_portList->count() - 1);
    }
}

void CPlotRelayDlg::FillManufacturerList()
{
    const int selected = m_manufacturerList->currentIndex();
    m_manufacturerList->clear();
    for (const std::string& label : ManufacturerLabels(m_nLanguage)) m_manufacturerList->addItem(FromUtf8(label));
    m_manufacturerList->setCurrentIndex(selected);
}

void CPlotRelayDlg::ApplyLanguage(int language)
{
    for (const ControlCaption& caption : ControlCaptions()) {
        QWidget* control = findChild<QWidget*>(QString::number(caption.controlId));
        QString text = Tr(caption.text, language);
        // The two-line buttons break their caption at its first blank, or in the middle of a Chinese one.
        if (control == m_about || control == m_cuttingOrder) text = TwoLineCaption(text);
        if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(text);
        else if (auto* group = qobject_cast<QGroupBox*>(control)) group->setTitle(text);
        else if (auto* label = qobject_cast<QLabel*>(control)) label->setText(text);
    }
    const auto actions = m_rotateMenu->actions();
    for (int i = 0; i < actions.size(); ++i) actions[i]->setText(Tr(kRotationItems[i].text, language));

    std::vector<std::string> entries = ComboEntries(*m_portList);
    const int selected = ReplaceNetworkPortEntry(entries, m_portList->currentIndex(), language);
    SetComboEntries(*m_portList, entries, selected);
    m_strNetworkPort = Text(TextId::NetworkPort, language);
    SetMessageBoxLanguage(language);
    ApplyControlTips(*this, kMainWindowId, language);
    m_featureDlg->SetLanguage(language);
    FillManufacturerList();
    ShowEstimate();
}

void CPlotRelayDlg::EnableJobControls()
{
    const bool job = m_run->HasJob();
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_send, m_mirror, m_rotate, m_feature, m_bladeOffsetCheck, m_overCutCheck})
        w->setEnabled(job);
    m_bladeOffset->setEnabled(job && m_bladeOffsetCheck->isChecked());
    m_bladeOffsetSpin->setEnabled(job && m_bladeOffsetCheck->isChecked());
    m_overCut->setEnabled(job && m_overCutCheck->isChecked());
    m_overCutSpin->setEnabled(job && m_overCutCheck->isChecked());
    m_manufacturerList->setEnabled(job);
    m_portList->setEnabled(job);
    m_cuttingOrder->setEnabled(job);
}

void CPlotRelayDlg::EnableSendControls(bool enable)
{
    // Everything that changes the job, its placement, its settings or the port:
    // Cancel and About stay usable.
    if (enable) return m_controlLock.Unlock();
    m_controlLock.Lock({m_send, m_mirror, m_rotate, m_languageList, m_cuttingOrder, m_bladeOffsetCheck, m_bladeOffset,
                        m_bladeOffsetSpin, m_overCutCheck, m_overCut, m_overCutSpin, m_feature, m_portList,
                        m_refreshSerial, m_ipAddress, m_saveToFile, m_manufacturerList, m_virtualCom});
}

void CPlotRelayDlg::CollectSettings()
{
    JobSettings& s = m_run->Settings();
    s.language = m_nLanguage;
    s.bladeOffsetOn = m_bladeOffsetCheck->isChecked();
    s.bladeOffsetText = ToUtf8(m_bladeOffset->text());
    s.overCutOn = m_overCutCheck->isChecked();
    s.overCutText = ToUtf8(m_overCut->text());
    s.portIndex = m_portList->currentIndex();
    s.portText = ToUtf8(m_portList->currentText());
    s.networkAddress = ToUtf8(m_ipAddress->text());
    s.virtualCom = m_virtualCom->isChecked();
    s.manufacturerRow = m_manufacturerList->currentIndex();
    s.cutOrder = m_nCutOrder;
    s.frameEnabled = m_featureDlg->frameEnabled;
    s.marginLeft = m_featureDlg->marginLeft;
    s.marginRight = m_featureDlg->marginRight;
    s.marginBottom = m_featureDlg->marginBottom;
    s.marginTop = m_featureDlg->marginTop;
    m_run->SetUsbCutterPaths(m_ports.usbCutterPaths);
}

void CPlotRelayDlg::SaveSettings()
{
    CollectSettings();
    if (m_setup.settingsFile == nullptr) return;
    kerfmax::SaveSettings(*m_setup.settingsFile, m_run->Settings(),
                          m_run->CurrentLinkSettings().linkType == LINK_NETWORK);
}

void CPlotRelayDlg::ShowJobSize()
{
    ShowEstimate();
    if (!m_run->HasJob()) return;
    CollectSettings();
    const JobSizeTexts size = JobSizeFor(m_run->CurrentJob().Box(), m_run->Settings());
    m_jobHeight->setText(FromUtf8(size.height));
    m_jobWidth->setText(FromUtf8(size.width));
}

void CPlotRelayDlg::DrawPreview()
{
    if (!m_run->HasJob()) return;
    const Job& job = m_run->CurrentJob();
    PreviewFrame frame{m_featureDlg->frameEnabled != 0, m_featureDlg->marginLeft, m_featureDlg->marginRight,
                       m_featureDlg->marginBottom, m_featureDlg->marginTop};
    QImage& buffer = m_preview->Buffer();
    const PreviewView& view = m_preview->View();
    DrawPreviewImage(buffer, BuildPreview(job.Points(), job.Box(), frame, buffer.width(), buffer.height(), view),
                     !view.IsFitted());
}

void CPlotRelayDlg::ApplyPlacementFinish()
{
    ShowJobSize();
    m_preview->FitView();  // the new placement is shown whole
    m_preview->SetNeedsDrawing(true);
    m_preview->update();
}

void CPlotRelayDlg::ShowRotationPicture()
{
    m_mirror->setIcon(Bitmap(m_bMirror ? kMirrorOnBitmap : kMirrorOffBitmap));
    m_rotate->setIcon(Bitmap(kRotationBitmaps[static_cast<int>(m_rotation)]));
}

void CPlotRelayDlg::ShowCuttingOrderPicture()
{
    m_cuttingOrder->setIcon(Bitmap(m_nCutOrder == 1 ? kReduceFeedBitmap : kDefaultOrderBitmap));
}

void CPlotRelayDlg::OnMirror()
{
    if (!m_run->HasJob() || m_sending) return;
    m_bMirror = !m_bMirror;
    ShowRotationPicture();
    m_run->ToggleMirror();
    ApplyPlacementFinish();
}

void CPlotRelayDlg::OnRotate()
{
    if (!m_run->HasJob() || m_sending) return;
    const QPoint at = m_rotate->mapToGlobal(QPoint(0, m_rotate->height()));
    QAction* chosen = menuChooser ? menuChooser(*m_rotateMenu, at) : m_rotateMenu->exec(at);
    if (chosen != nullptr) {
        m_rotation = static_cast<Rotation>(chosen->data().toInt());
        ShowRotationPicture();
    }
    // A dismissed menu still rebuilds the placement.
    m_run->SetRotation(m_rotation);
    ApplyPlacementFinish();
}

void CPlotRelayDlg::OnLengthStep(QLineEdit* edit, int step)
{
    if (m_sending) return;
    edit->setText(FromUtf8(StepLengthText(ToUtf8(edit->text()), step)));
}

void CPlotRelayDlg::OnLanguageChange(int index)
{
    if (m_sending) return;
    m_nLanguage = index;
    if (m_setup.settingsFile) m_setup.settingsFile->WriteInt(settings::kDeviceSection, settings::kLanguageKey, index);
    ApplyLanguage(index);
}

void CPlotRelayDlg::OnVirtualCom()
{
    if (m_setup.settingsFile == nullptr || m_sending) return;
    m_setup.settingsFile->WriteInt(settings::kDeviceSection, settings::kVirtualComKey,
                                   m_virtualCom->isChecked() ? 1 : 0);
    ShowEstimate();
}

void CPlotRelayDlg::OnRefreshSerial()
{
    if (m_sending) return;
    RecordingNotifier problems;
    m_ports = RefreshPortList(m_nLanguage, m_setup.deviceRoots, problems);
    SetComboEntries(*m_portList, m_ports.entries, m_ports.serialPorts.empty() ? -1 : 0);
    if (!m_ports.error.empty()) ShowMessage(FromUtf8(m_ports.error), NotifyIcon::Warning);
    OnPortSelectionChange();
}

void CPlotRelayDlg::OnPortSelectionChange()
{
    const bool network = IsNetworkPortText(ToUtf8(m_portList->currentText()));
    m_ipAddress->setEnabled(network);
    if (network) m_ipAddress->setFocus();
    ShowEstimate();  // the link's rate
}

void CPlotRelayDlg::RunSideDialog(QDialog& dialog)
{
    ApplyControlTips(dialog, dialog.objectName().toInt(), m_nLanguage);
    if (sideDialogRunner) sideDialogRunner(dialog);
    else dialog.exec();
}

void CPlotRelayDlg::OnFeature()
{
    if (m_sending) return;
    RunSideDialog(*m_featureDlg);
    CollectSettings();
    DrawPreview();
    ShowJobSize();
    m_preview->SetNeedsDrawing(false);
    m_preview->update();
}

void CPlotRelayDlg::OnCuttingOrder()
{
    if (!m_run->HasJob() || m_sending) return;
    CCuttingOrderDlg dialog(*m_run, m_setup.settingsFile, m_nLanguage, this);
    RunSideDialog(dialog);
    m_nCutOrder = m_setup.settingsFile
                      ? m_setup.settingsFile->ReadInt(settings::kOffsetSection, settings::kCutOrderKey, 0)
                      : m_nCutOrder;
    ShowCuttingOrderPicture();
}

void CPlotRelayDlg::OnAbout()
{
    CAboutDlg dialog(m_nLanguage, Bitmap(kLogoBitmap), this);
    RunSideDialog(dialog);
}

void CPlotRelayDlg::ShowMessage(const QString& text, NotifyIcon icon)
{
    m_messages.Post(text, icon);
}

void CPlotRelayDlg::PresentMessage(const QString& text, NotifyIcon icon)
{
    const CMC_CommandLineInfo& cmd = m_setup.commandLine;
    // Nobody sees a box under HideUI; the program that started an AutoSend run
    // reads the messages too. An offscreen box prints its text itself.
    const bool box = !cmd.m_bHideUI;
    if (!box || (cmd.m_bAutoSend && MessageBoxesAreVisible())) PrintMessage(text);
    if (messageHandler) messageHandler(text, icon);
    else if (box) ShowMessageBox(text, icon, NotifyButtons::Ok, isVisible() ? this : nullptr);
}

void CPlotRelayDlg::ReportJobLoad(JobLoadStatus status, const std::filesystem::path& path)
{
    if (status == JobLoadStatus::Loaded) return;
    if (m_setup.commandLine.m_bAutoSend) m_exitCode = ExitCodeFor(status);
    // Shown once the window runs, so that the box has the window to sit on.
    QMetaObject::invokeMethod(
        this,
        [this, text = FromUtf8(JobLoadText(status, path, m_nLanguage))] { ShowMessage(text, NotifyIcon::Warning); },
        Qt::QueuedConnection);
}

bool CPlotRelayDlg::RefuseUnusableLengths()
{
    const std::optional<TextId> refusal = LengthRefusal(m_run->Settings());
    if (!refusal) return false;
    ShowMessage(Tr(*refusal, m_nLanguage), NotifyIcon::Warning);
    return true;
}

void CPlotRelayDlg::SetProgressText(int percent)
{
    m_progress->setFormat(QStringLiteral("%1%").arg(percent));
}

SendCallbacks CPlotRelayDlg::QueuedSendCallbacks()
{
    // Every callback runs on the send's thread: each one queues its work to
    // the window. Progress is queued only when the percentage moves.
    auto lastPercent = std::make_shared<std::atomic<int>>(-1);
    SendCallbacks callbacks;
    callbacks.progress = [this, lastPercent](const SendProgress& p) {
        m_progressView.Report(p);
        if (lastPercent->exchange(p.percent) == p.percent) return;
        QMetaObject::invokeMethod(
            this, [this, percent = p.percent] { m_progress->setValue(percent); }, Qt::QueuedConnection);
    };
    callbacks.message = [this](const std::string& text, NotifyIcon icon) {
        QMetaObject::invokeMethod(
            this, [this, text = FromUtf8(text), icon] { ShowMessage(text, icon); }, Qt::QueuedConnection);
    };
    callbacks.done = [this](SendResult result) {
        QMetaObject::invokeMethod(
            this, [this, result] { OnSendFinished(result); }, Qt::QueuedConnection);
    };
    return callbacks;
}

void CPlotRelayDlg::OnSend()
{
    if (m_sending || m_ending) return;
    if (!m_run->HasJob()) {
        if (m_exitCode == kExitDone) m_exitCode = kExitNothingToCut;
        return EarlySendEnd();
    }
    CollectSettings();
    if (RefuseUnusableLengths()) {
        m_exitCode = kExitUsage;
        return EarlySendEnd();
    }
    m_progressView.Start(std::chrono::duration<double>(CurrentEstimate().Seconds()));
    switch (m_run->StartSend(QueuedSendCallbacks(), std::exchange(m_sendFrom, 1))) {
    case SendStart::Started:
        m_sending = true;
        m_workerEverStarted = true;
        m_progressTimer.start();
        EnableSendControls(false);
        return;
    case SendStart::NoJob: m_exitCode = kExitNothingToCut; return EarlySendEnd();
    case SendStart::Busy:
    case SendStart::NoThread:
        m_exitCode = kExitOutputFailure;
        // Its message is queued already; the early end follows it.
        QMetaObject::invokeMethod(
            this, [this] { EarlySendEnd(); }, Qt::QueuedConnection);
        return;
    }
}

void CPlotRelayDlg::EarlySendEnd()
{
    const CMC_CommandLineInfo& cmd = m_setup.commandLine;
    if (cmd.m_bHideUI || cmd.m_bAutoSend) EndDialog();
}

void CPlotRelayDlg::OnSendFinished(SendResult result)
{
    m_run->Wait();
    m_sending = false;
    m_exitCode = ExitCodeFor(result);
    if (!ReachedStreaming(result)) {
        // The send ended before streaming: the window is as before the Send.
        m_progressTimer.stop();
        EnableSendControls(true);
        EarlySendEnd();
        return;
    }
    OnSendDone(FailureFlag(result));
    // Once the failure's messages have been read.
    if (result == SendResult::Failed) m_messages.WhenShown([this] { OfferResume(); });
}

void CPlotRelayDlg::OfferResume()
{
    const std::optional<ResumeOffer> offer = m_run->LastResumeOffer();
    const CMC_CommandLineInfo& cmd = m_setup.commandLine;
    if (!offer || m_ending || m_sending || cmd.m_bHideUI || cmd.m_bAutoSend) return;
    auto showObject = [this, &offer](std::size_t k) {
        DrawPreview();
        const PreviewFrame frame{m_featureDlg->frameEnabled != 0, m_featureDlg->marginLeft, m_featureDlg->marginRight,
                                 m_featureDlg->marginBottom, m_featureDlg->marginTop};
        HighlightObject(m_preview->Buffer(), m_run->CurrentJob(), ArtObjectOf(*offer, k), frame, m_preview->View());
        m_preview->SetNeedsDrawing(false);  // a paint now must not draw over the highlight
        m_preview->update();
    };
    std::size_t from = 0;
    if (resumeHandler) {
        from = resumeHandler(*offer, showObject);
    } else {
        ResumeOfferDlg ask(*offer, m_nLanguage, showObject, this);
        if (ask.exec() == QDialog::Accepted) from = ask.ChosenObject();
    }
    DrawPreview();
    m_preview->update();
    if (from == 0) return;
    m_sendFrom = from;
    OnSend();
}

void CPlotRelayDlg::OnSendDone(int failureFlag)
{
    m_progress->setValue(100);
    m_progressTimer.stop();
    EnableSendControls(true);
    m_progress->setValue(0);
    SetProgressText(0);
    setWindowTitle(FromUtf8(WindowCaption(m_nLanguage)));
    m_progress->setToolTip(QString::fromUtf8(ControlTip(kMainWindowId, 1008, m_nLanguage)));
    if (m_ending) return;
    if (!m_setup.commandLine.m_bAutoSend) {
        if (failureFlag == 0) ShowMessage(Tr(TextId::SendFinished, m_nLanguage));
        m_preview->update();
    } else {
        QTimer::singleShot(kAutoSendCloseMs, this, &CPlotRelayDlg::EndDialog);
    }
}

void CPlotRelayDlg::OnProgressTimer()
{
    SetProgressText(m_progress->value());
    // Time left, or how long the cutter has not taken data, where it fits: in
    // the caption and on the bar's tip.
    const std::string status = m_progressView.StatusText(m_nLanguage, ProgressMeter::Clock::now());
    if (status.empty()) return;
    setWindowTitle(FromUtf8(WindowCaption(m_nLanguage) + " - " + status));
    m_progress->setToolTip(FromUtf8(status));
}

void CPlotRelayDlg::OnProgressReport(const QString& text)
{
    const ProgressReport report = DecodeProgressReport(ToUtf8(text));
    if (!report.message.empty()) ShowMessage(FromUtf8(report.message));
    if (report.showsProgress) m_progress->setValue(std::min(report.value, 100));
    if (report.completes) OnSendDone(0);
}

void CPlotRelayDlg::OnSaveToFile()
{
    if (!m_run->HasJob() || m_sending) return;
    // A text that is not a length is neither used nor saved.
    CollectSettings();
    if (RefuseUnusableLengths()) return;
    SaveSettings();
    QString chosen;
    if (saveFileChooser) {
        chosen = saveFileChooser();
    } else {
        chosen = ChooseSavePath(this, m_nLanguage, ToQString(ProposedSaveTarget(m_jobPath, LastFolder())));
    }
    if (chosen.isEmpty()) return;
    RememberFolder(ToPath(chosen).parent_path());
    SaveCallbacks callbacks;
    callbacks.message = [this](const std::string& text, NotifyIcon icon) {
        QMetaObject::invokeMethod(
            this, [this, text = FromUtf8(text), icon] { ShowMessage(text, icon); }, Qt::QueuedConnection);
    };
    callbacks.done = [this](SaveResult) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_run->Wait();
                m_sending = false;
                EnableSendControls(true);
            },
            Qt::QueuedConnection);
    };
    if (!m_run->StartSaveToFile(ToPath(chosen), callbacks)) return;
    m_sending = true;
    EnableSendControls(false);
}

void CPlotRelayDlg::OnOpenJob()
{
    if (m_sending || m_ending) return;
    QString chosen;
    if (openFileChooser) {
        chosen = openFileChooser();
    } else {
        chosen = QFileDialog::getOpenFileName(this, FromUtf8(ViewText(ViewTextId::OpenJobTitle, m_nLanguage)),
                                              ToQString(LastFolder()),
                                              FromUtf8(ViewText(ViewTextId::OpenJobFilter, m_nLanguage)));
    }
    if (!chosen.isEmpty()) OpenJob(ToPath(chosen));
}

void CPlotRelayDlg::OpenJob(const std::filesystem::path& path)
{
    if (m_sending || m_ending) return;
    // Tried on its own first, so that a file that does not load leaves the
    // job on screen as it was.
    Job probe;
    const JobLoadStatus status = LoadJobFile(probe, path);
    if (status != JobLoadStatus::Loaded) return ReportJobLoad(status, path);
    ReportJobLoad(m_run->LoadJob(path), path);
    m_jobPath = path;
    RememberFolder(path.parent_path());
    m_bMirror = false;  // a new job starts unplaced
    m_rotation = Rotation::None;
    ShowRotationPicture();
    EnableJobControls();
    ApplyPlacementFinish();
}

std::filesystem::path CPlotRelayDlg::LastFolder() const
{
    if (m_setup.settingsFile == nullptr) return {};
    return PathFromUtf8(m_setup.settingsFile->ReadString(settings::kDeviceSection, settings::kLastFolderKey, ""));
}

void CPlotRelayDlg::RememberFolder(const std::filesystem::path& folder)
{
    if (m_setup.settingsFile == nullptr || folder.empty()) return;
    // The system's own separators: the file dialogs hand back "/" on Windows too.
    m_setup.settingsFile->WriteString(settings::kDeviceSection, settings::kLastFolderKey,
                                      PathToUtf8(std::filesystem::path(folder).make_preferred()));
}

void CPlotRelayDlg::ShowEstimate()
{
    if (m_estimate == nullptr) return;
    if (!m_run->HasJob()) return m_estimate->Clear();
    m_estimate->Show(CurrentEstimate(), m_nLanguage);
}

JobEstimate CPlotRelayDlg::CurrentEstimate()
{
    CollectSettings();
    const LinkSettings link =
        BuildLinkSettings(ToUtf8(m_portList->currentText()), m_strNetworkPort, ToUtf8(m_ipAddress->text()),
                          m_virtualCom->isChecked(), m_ports.usbCutterPaths);
    const Job& job = m_run->CurrentJob();
    // A large job's stream is counted aside; until then the line shows the cutting time.
    const std::optional<std::uint64_t> bytes = m_streamSize.BytesFor(job, m_run->Settings(), [this] {
        QMetaObject::invokeMethod(
            this, [this] { ShowEstimate(); }, Qt::QueuedConnection);
    });
    return EstimateJob(job, m_run->Settings(), link.linkType, bytes.value_or(0));
}

void CPlotRelayDlg::UseCuttingSpeed(int mmPerSecond)
{
    if (m_sending) return;
    m_run->Settings().cuttingSpeed = mmPerSecond;
    if (m_setup.settingsFile) SaveCuttingSpeed(*m_setup.settingsFile, mmPerSecond);
    ShowEstimate();
}

void CPlotRelayDlg::OnCancel()
{
    if (m_ending) return;
    m_ending = true;
    // An unattended run stopped before it ended by itself was cancelled.
    if (m_sending || m_autoSendTimer.isActive()) m_exitCode = kExitCancelled;
    m_run->Cancel();
    m_autoSendTimer.stop();
    // A send that ran gets a moment to stop after its current chunk.
    if (m_workerEverStarted) QTimer::singleShot(kCancelGraceMs, this, &CPlotRelayDlg::EndDialog);
    else EndDialog();
}

void CPlotRelayDlg::EndDialog()
{
    if (isVisible() && m_setup.settingsFile) SaveWindowPosition(*this, *m_setup.settingsFile);
    m_ending = true;
    m_autoSendTimer.stop();
    // The run's messages are all read (or printed) before the window goes.
    m_messages.WhenShown([this] { QDialog::reject(); });
}

int CPlotRelayDlg::ExitCode() const
{
    return m_setup.commandLine.m_bAutoSend ? m_exitCode : kExitDone;
}

void CPlotRelayDlg::reject()
{
    // Escape and the close box are the Cancel button.
    OnCancel();
}

void CPlotRelayDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    OnCancel();
}

int CPlotRelayDlg::DoModal()
{
    if (!m_setup.commandLine.m_bHideUI) return exec();
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return result();
}

#ifdef Q_OS_WIN
bool CPlotRelayDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    MSG* msg = static_cast<MSG*>(message);
    if (eventType == "windows_generic_MSG" && msg->message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(msg->lParam);
        if (data != nullptr && data->lpData != nullptr) {
            const char* text = static_cast<const char*>(data->lpData);
            OnProgressReport(QString::fromLatin1(text, static_cast<qsizetype>(qstrnlen(text, data->cbData))));
        }
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace kerfmax::gui
