#include "gui/AboutDlg.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include "app/DialogTexts.h"
#include "app/Texts.h"
#include "gui/DialogUnits.h"

namespace kerfmax::gui {

namespace {

constexpr int kTemplateWidth = 331;  // dialog units
constexpr int kTemplateHeight = 171;

struct LinkPlace {
    const char* id;
    int x, y, w, h;
};
constexpr LinkPlace kLinkPlaces[] = {
    {"1000", 58, 84, 175, 16},
    {"1001", 58, 108, 159, 21},
    {"1002", 57, 135, 159, 21},
};

}  // namespace

CAboutDlg::CAboutDlg(int language, const QPixmap& logo, QWidget* parent) : QDialog(parent)
{
    // The caption of the About button, in the language.
    setWindowTitle(QString::fromUtf8(Text(TextId::AboutButton, language)));
    setObjectName(QStringLiteral("100"));
    const QSize size = DialogSize(kTemplateWidth, kTemplateHeight);
    resize(size);
    setMinimumSize(size);

    // A bitmap static takes the size of its picture.
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("1063"));
    picture->setPixmap(logo);
    const QRect logoPlace = DialogRect(7, 7, 15, 13);
    picture->setGeometry(QRect(logoPlace.topLeft(), logo.isNull() ? logoPlace.size() : logo.size()));

    auto* version = new QLabel(QString::fromUtf8(kVersionText), this);
    version->setObjectName(QStringLiteral("1014"));
    version->setGeometry(DialogRect(12, 52, 119, 8));

    auto* notice = new QLabel(QString::fromUtf8(DialogText(DialogTextId::AboutNotice, language)), this);
    notice->setObjectName(QStringLiteral("1061"));
    notice->setGeometry(DialogRect(12, 68, 232, 8));

    auto* ok = new QPushButton(QString::fromUtf8(DialogText(DialogTextId::OkButton, language)), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(DialogRect(274, 7, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    QFont linkFont(QStringLiteral("Arial"));
    linkFont.setPixelSize(15);
    linkFont.setBold(true);
    for (int i = 0; i < 3; ++i) {
        const LinkPlace& place = kLinkPlaces[i];
        m_links[i] = new QLabel(this);
        m_links[i]->setObjectName(QString::fromLatin1(place.id));
        m_links[i]->setFont(linkFont);
        m_links[i]->setGeometry(DialogRect(place.x, place.y, place.w, place.h));
        m_links[i]->hide();
    }
}

// The link areas keep their top-left corner and take all the width the box
// gains; nothing moves down and nothing else changes.
void CAboutDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int grown = width() - DialogX(kTemplateWidth);
    for (int i = 0; i < 3; ++i) {
        const LinkPlace& place = kLinkPlaces[i];
        QRect rect = DialogRect(place.x, place.y, place.w, place.h);
        rect.setWidth(rect.width() + grown);
        m_links[i]->setGeometry(rect);
    }
}

}  // namespace kerfmax::gui
