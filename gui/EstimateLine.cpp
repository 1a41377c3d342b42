#include "gui/EstimateLine.h"

#include <QInputDialog>

#include "app/SettingsKeys.h"
#include "app/ViewTexts.h"
#include "gui/PathText.h"

namespace kerfmax::gui {

EstimateLine::EstimateLine(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(this, &QLabel::linkActivated, this, [this] { AskSpeed(); });
}

void EstimateLine::Show(const JobEstimate& estimate, int language)
{
    m_speed = estimate.speed;
    m_language = language;
    m_plain = FromUtf8(EstimateLineText(estimate, language));
    // The speed is the link: the last place its number stands in the line.
    const QString speed = QString::number(estimate.speed);
    QString rich = m_plain.toHtmlEscaped();
    const qsizetype at = rich.lastIndexOf(speed);
    if (at >= 0) rich.replace(at, speed.size(), QStringLiteral("<a href=\"speed\">%1</a>").arg(speed));
    setText(rich);
    setToolTip(FromUtf8(EstimateDetailText(estimate, language)));
}

void EstimateLine::Clear()
{
    m_plain.clear();
    clear();
    setToolTip(QString());
}

void EstimateLine::AskSpeed()
{
    std::optional<int> chosen;
    if (speedAsker) {
        chosen = speedAsker(m_speed, m_language);
    } else {
        bool ok = false;
        const int value = QInputDialog::getInt(window(), FromUtf8(ViewText(ViewTextId::SpeedTitle, m_language)),
                                               FromUtf8(ViewText(ViewTextId::SpeedLabel, m_language)), m_speed,
                                               settings::kMinCuttingSpeed, settings::kMaxCuttingSpeed, 10, &ok);
        if (ok) chosen = value;
    }
    if (chosen && *chosen >= settings::kMinCuttingSpeed && *chosen <= settings::kMaxCuttingSpeed)
        emit speedChosen(*chosen);
}

}  // namespace kerfmax::gui
