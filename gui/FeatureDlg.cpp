#include "gui/FeatureDlg.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>

#include "app/DialogTexts.h"
#include "app/Texts.h"
#include "gui/DialogUnits.h"
#include "gui/Pictures.h"
#include "gui/UpDown.h"

namespace kerfmax::gui {

namespace {

constexpr int kSpinMinimum = 1;
constexpr int kSpinMaximum = 100;
constexpr qsizetype kReadLimit = 9;  // characters of a box that count

// Where each margin sits around the picture, in dialog units, with its spin
// control's id.
struct SidePlace {
    const char* editId;
    const char* spinId;
    int x, y;
};
constexpr SidePlace kSidePlaces[] = {
    {"1037", "1018", 6, 54},  // left
    {"1034", "1049", 132, 54},  // right
    {"1036", "1050", 79, 88},  // bottom
    {"1033", "1048", 79, 22},  // top
};
constexpr int kEditW = 26, kEditH = 12, kSpinW = 9, kUnitW = 16;

struct ModePlace {
    int id;
    DialogTextId text;
    int y;
};
constexpr ModePlace kModePlaces[] = {
    {CFeatureDlg::kAllEqual, DialogTextId::AllEqual, 34},
    {CFeatureDlg::kHorizontalEqual, DialogTextId::HorizontalEqual, 48},
    {CFeatureDlg::kVerticalEqual, DialogTextId::VerticalEqual, 62},
    {CFeatureDlg::kOther, DialogTextId::OtherMargins, 76},
};

QString Utf8(const char* text)
{
    return QString::fromUtf8(text);
}

// The leading decimal number of the first characters, fraction dropped.
double LeadingNumber(const QString& text)
{
    const std::string bytes = text.left(kReadLimit).toStdString();
    std::size_t pos = 0;
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\t')) ++pos;
    double value = 0.0;
    const char* first = bytes.data() + pos;
    if (pos < bytes.size() && bytes[pos] == '+') ++first;
    const auto [end, error] = std::from_chars(first, bytes.data() + bytes.size(), value);
    if (error != std::errc{} || std::isnan(value)) return 0.0;
    return std::trunc(value);
}

int ClampToInt(double value)
{
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

// A margin box's text as OK reads it: at most 9 characters, the leading
// decimal number with its fraction dropped (none gives 0).
int MarginTextToInt(const QString& text)
{
    return ClampToInt(LeadingNumber(text));
}

}  // namespace

CFeatureDlg::CFeatureDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("149"));
    setFixedSize(DialogSize(286, 138));

    m_frameCheck = new QCheckBox(this);
    m_frameCheck->setObjectName(QStringLiteral("1032"));
    m_frameCheck->setGeometry(DialogRect(8, 7, 90, 10));
    connect(m_frameCheck, &QCheckBox::clicked, this, [this](bool checked) {
        frameEnabled = checked ? 1 : 0;
        ApplyFrameState();
    });

    // The job picture, with the four boxes around it.
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("151"));
    const QPixmap job = Bitmap(151);
    picture->setPixmap(job);
    picture->setGeometry(QRect(DialogRect(64, 38, 0, 0).topLeft(), job.size()));

    const auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (int side = 0; side < SideCount; ++side) {
        const SidePlace& place = kSidePlaces[side];
        QLineEdit* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(place.editId));
        edit->setValidator(digits);
        edit->setGeometry(DialogRect(place.x, place.y, kEditW, kEditH));
        m_edits[side] = edit;
        connect(edit, &QLineEdit::textEdited, this, [this, side] { OnEdited(static_cast<Side>(side)); });
        // The arrows keep working while their box is disabled: with the frame
        // off they still change the numbers.
        auto* spin = new UpDown(this);
        spin->setObjectName(QString::fromLatin1(place.spinId));
        spin->setGeometry(DialogRect(place.x + kEditW, place.y, kSpinW, kEditH));
        spin->SetBuddy(edit);
        connect(spin, &UpDown::stepped, this, [this, side](int step) { OnSpin(static_cast<Side>(side), step); });
        auto* unit = new QLabel(Utf8(kMillimetreLabel), this);
        unit->setGeometry(DialogRect(place.x + kEditW + kSpinW + 2, place.y + 2, kUnitW, 8));
    }

    for (int i = 0; i < 4; ++i) {
        const ModePlace& place = kModePlaces[i];
        m_modes[i] = new QRadioButton(this);
        m_modes[i]->setObjectName(QString::number(place.id));
        m_modes[i]->setGeometry(DialogRect(194, place.y, 84, 10));
        connect(m_modes[i], &QRadioButton::clicked, this, [this, id = place.id] { OnModeClicked(id); });
    }

    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("1"));
    m_ok->setGeometry(DialogRect(172, 118, 50, 14));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CFeatureDlg::accept);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("2"));
    m_cancel->setGeometry(DialogRect(228, 118, 50, 14));
    connect(m_cancel, &QPushButton::clicked, this, &CFeatureDlg::reject);

    ApplyTexts();
}

void CFeatureDlg::SetLanguage(int language)
{
    m_language = language;
    ApplyTexts();
}

void CFeatureDlg::ApplyTexts()
{
    // The dialog is named as its check box, in the language.
    setWindowTitle(Utf8(DialogText(DialogTextId::FeatureCheck, m_language)));
    m_frameCheck->setText(Utf8(DialogText(DialogTextId::FeatureCheck, m_language)));
    for (int i = 0; i < 4; ++i) m_modes[i]->setText(Utf8(DialogText(kModePlaces[i].text, m_language)));
    m_ok->setText(Utf8(DialogText(DialogTextId::OkButton, m_language)));
    m_cancel->setText(Utf8(DialogText(DialogTextId::CancelButton, m_language)));
}

void CFeatureDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        const int margins[SideCount] = {marginLeft, marginRight, marginBottom, marginTop};
        for (int side = 0; side < SideCount; ++side) m_edits[side]->setText(QString::number(margins[side]));
        ApplyTexts();
        m_frameCheck->setChecked(frameEnabled == 1);
        ApplyFrameState();
    }
    QDialog::showEvent(event);
}

void CFeatureDlg::ApplyFrameState()
{
    const bool on = frameEnabled != 0;
    if (on) {
        ApplyModeEnabling();
        for (int i = 0; i < 4; ++i) {
            if (kModePlaces[i].id == mode) m_modes[i]->setChecked(true);
        }
    } else {
        for (QLineEdit* edit : m_edits) edit->setEnabled(false);
    }
    for (QRadioButton* button : m_modes) button->setEnabled(on);
}

void CFeatureDlg::ApplyModeEnabling()
{
    // left, right, bottom, top
    bool enabled[SideCount] = {true, true, true, true};
    switch (mode) {
    case kAllEqual: enabled[Right] = enabled[Bottom] = enabled[Top] = false; break;
    case kHorizontalEqual: enabled[Right] = false; break;
    case kVerticalEqual: enabled[Top] = false; break;
    default: break;
    }
    for (int side = 0; side < SideCount; ++side) m_edits[side]->setEnabled(enabled[side]);
}

void CFeatureDlg::CopyEqualValues()
{
    switch (mode) {
    case kAllEqual:
        for (Side side : {Right, Bottom, Top}) m_edits[side]->setText(m_edits[Left]->text());
        break;
    case kHorizontalEqual: m_edits[Right]->setText(m_edits[Left]->text()); break;
    case kVerticalEqual: m_edits[Top]->setText(m_edits[Bottom]->text()); break;
    default: break;
    }
}

void CFeatureDlg::OnModeClicked(int id)
{
    mode = id;
    ApplyModeEnabling();
    CopyEqualValues();
}

void CFeatureDlg::OnSpin(Side side, int step)
{
    const double value = LeadingNumber(m_edits[side]->text()) + step;
    // The arrows stay within their range; typing may go beyond it.
    const bool inRange = step > 0 ? value <= kSpinMaximum : value >= kSpinMinimum;
    if (value > 0 && inRange) m_edits[side]->setText(QString::number(ClampToInt(value)));
    CopyEqualValues();
}

// Typing into the box that the current mode copies from keeps the copies
// equal, as the mode says they are; the copies are disabled and cannot be
// mended by hand.
void CFeatureDlg::OnEdited(Side side)
{
    const bool source =
        (side == Left && (mode == kAllEqual || mode == kHorizontalEqual)) || (side == Bottom && mode == kVerticalEqual);
    if (source) CopyEqualValues();
}

void CFeatureDlg::accept()
{
    marginRight = MarginTextToInt(m_edits[Right]->text());
    marginLeft = MarginTextToInt(m_edits[Left]->text());
    marginBottom = MarginTextToInt(m_edits[Bottom]->text());
    marginTop = MarginTextToInt(m_edits[Top]->text());
    QDialog::accept();
}

}  // namespace kerfmax::gui
