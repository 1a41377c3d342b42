#include "gui/CuttingOrderDlg.h"

#include <chrono>
#include <system_error>
#include <variant>
#include <vector>

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "app/DialogTexts.h"
#include "app/IniFile.h"
#include "app/SettingsKeys.h"
#include "geometry/CutOrderChoice.h"
#include "gui/DialogUnits.h"
#include "gui/MessageBoxNotifier.h"
#include "gui/Pictures.h"
#include "run/CuttingRun.h"

namespace kerfmax::gui {

namespace {

const QColor kStillCutColour(230, 130, 130);
const QColor kPlaybackCutColour(255, 0, 255);
const QColor kTravelColour(255, 0, 0);
const QColor kStartMarkColour(0, 255, 0);

QString Utf8(const char* text)
{
    return QString::fromUtf8(text);
}

QPoint ToQt(ScreenPoint p)
{
    return QPoint(p.x, p.y);
}

// The preview area: shows whichever picture the dialog selects, as it is.
class OrderPictureArea : public QWidget {
public:
    explicit OrderPictureArea(QWidget* parent) : QWidget(parent) {}
    void SetImage(const QImage* image)
    {
        m_image = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_image == nullptr) return;
        QPainter painter(this);
        painter.drawImage(0, 0, *m_image);
    }

private:
    const QImage* m_image = nullptr;
};

void PaintBackground(QImage& image, const CuttingOrderPicture& picture, bool travel)
{
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    if (travel) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kStartMarkColour);
        painter.drawEllipse(ToQt(picture.startMark), kStartMarkRadius, kStartMarkRadius);
    }
}

void PaintObject(QPainter& painter, const OrderObjectPicture& object, const QPen& cutPen, bool travel)
{
    const QPen travelPen(kTravelColour, 1);
    std::vector<QPoint> line;
    for (const auto& stroke : object.strokes) {
        if (const auto* arrow = std::get_if<TravelArrow>(&stroke)) {
            if (!travel) continue;
            painter.setPen(travelPen);
            painter.drawLine(ToQt(arrow->from), ToQt(arrow->to));
            painter.drawLine(ToQt(arrow->to), ToQt(arrow->headA));
            painter.drawLine(ToQt(arrow->to), ToQt(arrow->headB));
        } else {
            const CutLine& cut = std::get<CutLine>(stroke);
            line.clear();
            for (ScreenPoint p : cut) line.push_back(ToQt(p));
            painter.setPen(cutPen);
            painter.drawPolyline(line.data(), static_cast<int>(line.size()));
        }
    }
}

QImage DrawStill(const QSize& size, const CuttingOrderPicture& picture, bool travel)
{
    QImage image(size, QImage::Format_RGB32);
    PaintBackground(image, picture, travel);
    QPainter painter(&image);
    const QPen cutPen(kStillCutColour, 1);
    for (const OrderObjectPicture& object : picture.objects) PaintObject(painter, object, cutPen, travel);
    return image;
}

}  // namespace

CCuttingOrderDlg::CCuttingOrderDlg(CuttingRun& run, CIniFile* settingsFile, int language, QWidget* parent)
    : QDialog(parent), m_settingsFile(settingsFile)
{
    setObjectName(QStringLiteral("162"));
    setWindowTitle(Utf8(DialogText(DialogTextId::CuttingOrderTitle, language)));
    setFixedSize(DialogSize(306, 214));

    auto* area = new OrderPictureArea(this);
    area->setObjectName(QStringLiteral("1068"));
    area->setGeometry(DialogRect(7, 7, 220, 200));
    m_area = area;

    m_cutOrder = new QPushButton(Utf8(DialogText(DialogTextId::CutOrderButton, language)), this);
    m_cutOrder->setObjectName(QStringLiteral("1071"));
    m_cutOrder->setGeometry(DialogRect(235, 7, 64, 26));
    m_cutOrder->setIconSize(QSize(20, 20));
    m_menu = new QMenu(this);
    QAction* defaultItem = m_menu->addAction(Utf8(DialogText(DialogTextId::DefaultOrder, language)));
    defaultItem->setObjectName(QString::number(kDefaultOrderMenuId));
    QAction* reduceItem = m_menu->addAction(Utf8(DialogText(DialogTextId::ReduceFeed, language)));
    reduceItem->setObjectName(QString::number(kReduceFeedMenuId));
    QAction* insideItem = m_menu->addAction(Utf8(DialogText(DialogTextId::InsideFirst, language)));
    insideItem->setObjectName(QString::number(kInsideFirstMenuId));
    connect(defaultItem, &QAction::triggered, this, [this] { ChooseOrder(kDefaultOrderMenuId); });
    connect(reduceItem, &QAction::triggered, this, [this] { ChooseOrder(kReduceFeedMenuId); });
    connect(insideItem, &QAction::triggered, this, [this] { ChooseOrder(kInsideFirstMenuId); });
    connect(m_cutOrder, &QPushButton::clicked, this,
            [this] { m_menu->exec(m_cutOrder->mapToGlobal(QPoint(0, m_cutOrder->height()))); });

    m_play = new QPushButton(Utf8(DialogText(DialogTextId::PlayButton, language)), this);
    m_play->setObjectName(QStringLiteral("1066"));
    m_play->setGeometry(DialogRect(235, 38, 64, 16));
    connect(m_play, &QPushButton::clicked, this, &CCuttingOrderDlg::Play);

    auto* speedGroup = new QGroupBox(this);
    speedGroup->setObjectName(QStringLiteral("1075"));
    speedGroup->setGeometry(DialogRect(235, 60, 64, 60));
    const char* speedIds[] = {"1072", "1073", "1074"};
    for (int i = 0; i < 3; ++i) {
        m_speeds[i] = new QRadioButton(Utf8(kSpeedTexts[i]), this);
        m_speeds[i]->setObjectName(QString::fromLatin1(speedIds[i]));
        m_speeds[i]->setGeometry(DialogRect(247, 70 + 16 * i, 40, 10));
        connect(m_speeds[i], &QRadioButton::clicked, this, [this, i] { SetSpeed(i); });
    }

    auto* apply = new QPushButton(Utf8(DialogText(DialogTextId::ApplyButton, language)), this);
    apply->setObjectName(QStringLiteral("1"));
    apply->setGeometry(DialogRect(235, 170, 64, 16));
    apply->setDefault(true);
    connect(apply, &QPushButton::clicked, this, &CCuttingOrderDlg::Apply);
    auto* cancel = new QPushButton(Utf8(DialogText(DialogTextId::CancelButton, language)), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(DialogRect(235, 190, 64, 16));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The pictures, all the size of the preview area, from the job as it lies now.
    const QSize size = m_area->size();
    // The order first: computing it may give the run a fresh copy of its job
    // (when a send holds the old one), and the job read must be that copy.
    const ObjectOrder& ordered = run.OrderedObjects();
    const Job& job = run.CurrentJob();
    m_defaultOrder = std::make_shared<const CuttingOrderPicture>(
        BuildCuttingOrderPicture(job.ArtObjects(), nullptr, job.Box(), true, size.width(), size.height()));
    m_reduceFeed = std::make_shared<const CuttingOrderPicture>(
        BuildCuttingOrderPicture(job.ArtObjects(), &ordered, job.Box(), true, size.width(), size.height()));
    const ObjectOrder insideFirst = ComputeObjectOrder(kCutOrderInsideFirst, job.ArtObjects(), job.Box());
    m_insideFirst = std::make_shared<const CuttingOrderPicture>(
        BuildCuttingOrderPicture(job.ArtObjects(), &insideFirst, job.Box(), true, size.width(), size.height()));
    m_base = DrawStill(size, *m_defaultOrder, false);
    m_defaultPicture = DrawStill(size, *m_defaultOrder, true);
    m_reducePicture = DrawStill(size, *m_reduceFeed, true);
    m_insidePicture = DrawStill(size, *m_insideFirst, true);
    m_canvas = m_base.copy();

    const int stored =
        m_settingsFile != nullptr
            ? m_settingsFile->ReadInt(settings::kOffsetSection, settings::kCutOrderKey, settings::kDefaultCutOrder)
            : run.Settings().cutOrder;
    ChooseOrder(stored == ReduceFeed    ? kReduceFeedMenuId
                : stored == InsideFirst ? kInsideFirstMenuId
                                        : kDefaultOrderMenuId);
    SetSpeed(0);
}

CCuttingOrderDlg::~CCuttingOrderDlg()
{
    StopPlayback();
}

const QImage& CCuttingOrderDlg::Picture(int code) const
{
    switch (code) {
    case PlaybackCanvas: return m_canvas;
    case ReduceFeedPicture: return m_reducePicture;
    case InsideFirstPicture: return m_insidePicture;
    default: return m_defaultPicture;
    }
}

void CCuttingOrderDlg::ShowPicture(int code)
{
    m_shown = code;
    static_cast<OrderPictureArea*>(m_area)->SetImage(&Picture(code));
}

void CCuttingOrderDlg::ChooseOrder(int menuId)
{
    if (menuId == kReduceFeedMenuId) {
        m_mode = ReduceFeed;
        m_cutOrder->setIcon(QIcon(Bitmap(164)));
        ShowPicture(ReduceFeedPicture);
    } else if (menuId == kInsideFirstMenuId) {
        m_mode = InsideFirst;
        m_cutOrder->setIcon(QIcon(Bitmap(164)));
        ShowPicture(InsideFirstPicture);
    } else if (menuId == kDefaultOrderMenuId) {
        m_mode = DefaultOrder;
        m_cutOrder->setIcon(QIcon(Bitmap(166)));
        ShowPicture(DefaultOrderPicture);
    }
    update();
}

void CCuttingOrderDlg::SetSpeed(int index)
{
    m_delayMs.store(kSpeedDelays[index]);
    for (int i = 0; i < 3; ++i) m_speeds[i]->setChecked(i == index);
}

void CCuttingOrderDlg::Play()
{
    if (m_playThread.joinable()) return;
    m_play->setEnabled(false);
    {
        std::lock_guard lock(m_stopMutex);
        m_stopRequested = false;
    }
    m_canvas = m_base.copy();
    ShowPicture(PlaybackCanvas);
    // The thread gets its own copies: the picture it walks and the image it draws on.
    std::shared_ptr<const CuttingOrderPicture> picture = m_mode == ReduceFeed    ? m_reduceFeed
                                                         : m_mode == InsideFirst ? m_insideFirst
                                                                                 : m_defaultOrder;
    try {
        m_playThread = std::thread(&CCuttingOrderDlg::PlayThread, this, std::move(picture), m_base.copy());
    } catch (const std::system_error&) {
        m_play->setEnabled(true);
        ShowMessageBox(Utf8(kPlayThreadFailText), NotifyIcon::Information, NotifyButtons::Ok, this);
    }
}

// Off the GUI thread: draws on its own image and hands copies of it to the
// dialog (a copy shares the pixels until this thread paints again, when
// QImage detaches), so neither thread ever waits for the other.
void CCuttingOrderDlg::PlayThread(std::shared_ptr<const CuttingOrderPicture> picture, QImage canvas)
{
    auto show = [this](const QImage& frame) {
        QMetaObject::invokeMethod(
            this,
            [this, frame] {
                m_canvas = frame;
                if (m_shown == PlaybackCanvas) ShowPicture(PlaybackCanvas);
            },
            Qt::QueuedConnection);
    };
    PaintBackground(canvas, *picture, true);
    const QPen cutPen(kPlaybackCutColour, 1);
    for (const OrderObjectPicture& object : picture->objects) {
        show(canvas);
        if (WaitOrStop(m_delayMs.load())) break;
        QPainter painter(&canvas);
        PaintObject(painter, object, cutPen, true);
    }
    show(canvas);
    QMetaObject::invokeMethod(this, &CCuttingOrderDlg::OnPlayFinished, Qt::QueuedConnection);
}

// True when the dialog is closing; the wait ends at once then.
bool CCuttingOrderDlg::WaitOrStop(int milliseconds)
{
    std::unique_lock lock(m_stopMutex);
    return m_stopChanged.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_stopRequested; });
}

void CCuttingOrderDlg::OnPlayFinished()
{
    if (m_playThread.joinable()) m_playThread.join();
    m_play->setEnabled(true);
}

void CCuttingOrderDlg::StopPlayback()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stopRequested = true;
    }
    m_stopChanged.notify_all();
    if (m_playThread.joinable()) m_playThread.join();
}

void CCuttingOrderDlg::Apply()
{
    StopPlayback();
    if (m_settingsFile != nullptr) m_settingsFile->WriteInt(settings::kOffsetSection, settings::kCutOrderKey, m_mode);
    accept();
}

void CCuttingOrderDlg::done(int result)
{
    StopPlayback();
    QDialog::done(result);
}

}  // namespace kerfmax::gui
