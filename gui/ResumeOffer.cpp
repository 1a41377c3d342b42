#include "gui/ResumeOffer.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <string>

#include "app/Texts.h"

namespace kerfmax::gui {

namespace {

QString Filled(TextId id, int language, std::size_t value)
{
    return QString::fromUtf8(TextWith(id, language, std::to_string(value)));
}

}  // namespace

ResumeOfferDlg::ResumeOfferDlg(const ResumeOffer& offer, int language, std::function<void(std::size_t)> showObject,
                               QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(Text(TextId::SendButton, language)));
    auto* question = new QLabel(Filled(TextId::ResumeStopped, language, offer.firstUnconfirmed), this);
    question->setWordWrap(true);
    m_object = new QSpinBox(this);
    m_object->setObjectName(QStringLiteral("resumeObject"));
    // One past the last object sends the frame and the end of the job alone.
    const std::size_t last = std::min<std::size_t>(offer.objectCount + 1, INT_MAX);
    m_object->setRange(1, static_cast<int>(last));
    m_object->setValue(static_cast<int>(std::min(offer.firstUnconfirmed, last)));
    auto* row = new QHBoxLayout;
    row->addWidget(m_object);
    row->addWidget(new QLabel(Filled(TextId::ResumeOfCount, language, offer.objectCount), this));
    row->addStretch();
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QString::fromUtf8(Text(TextId::SendButton, language)), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromUtf8(Text(TextId::CancelButton, language)), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(row);
    layout->addWidget(buttons);
    if (showObject) {
        connect(m_object, &QSpinBox::valueChanged, this,
                [showObject](int k) { showObject(static_cast<std::size_t>(k)); });
        showObject(ChosenObject());
    }
}

std::size_t ResumeOfferDlg::ChosenObject() const
{
    return static_cast<std::size_t>(m_object->value());
}

std::size_t ArtObjectOf(const ResumeOffer& offer, std::size_t k)
{
    return k >= 1 && k <= offer.artObjects.size() ? offer.artObjects[k - 1] : kNoArtObject;
}

void HighlightObject(QImage& image, const Job& job, std::size_t artObject, const PreviewFrame& frame,
                     const PreviewView& view)
{
    const std::vector<MC_ArtObj_>& objects = job.ArtObjects();
    if (image.isNull() || artObject >= objects.size()) return;
    const PreviewPicture picture =
        BuildPreview(objects[artObject].points, job.Box(), frame, image.width(), image.height(), view);
    QPainter painter(&image);
    painter.setClipRect(QRect(QPoint(1, 1), QPoint(image.width() - 2, image.height() - 2)));
    painter.setPen(QPen(QColor(0, 160, 0), 2));
    for (const auto& path : picture.paths) {
        QPolygon polygon(static_cast<int>(path.size()));
        for (std::size_t i = 0; i < path.size(); ++i) polygon.setPoint(static_cast<int>(i), path[i].x, path[i].y);
        painter.drawPolyline(polygon);
    }
}

}  // namespace kerfmax::gui
