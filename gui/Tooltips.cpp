#include "gui/Tooltips.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "app/ControlTips.h"
#include "gui/TextFit.h"

namespace kerfmax::gui {

namespace {

constexpr const char* kOwnTipProperty = "controlTip";
constexpr const char* kFollowsTextProperty = "tipFollowsText";

void UpdateTip(QWidget& control)
{
    QString tip = control.property(kOwnTipProperty).toString();
    const std::optional<TextRoom> room = MeasureText(control);
    if (room && !room->Fits()) tip = tip.isEmpty() ? room->text : tip + QLatin1Char('\n') + room->text;
    control.setToolTip(tip);
    // A drop-down's list is at least as wide as its widest entry.
    if (auto* combo = qobject_cast<QComboBox*>(&control)) combo->view()->setMinimumWidth(WidestEntryWidth(*combo));
}

void FollowText(QWidget& control)
{
    if (control.property(kFollowsTextProperty).toBool()) return;
    control.setProperty(kFollowsTextProperty, true);
    if (auto* combo = qobject_cast<QComboBox*>(&control))
        QObject::connect(combo, &QComboBox::currentTextChanged, combo, [combo] { UpdateTip(*combo); });
    else if (auto* edit = qobject_cast<QLineEdit*>(&control))
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { UpdateTip(*edit); });
}

}  // namespace

void ApplyControlTips(QWidget& window, int windowId, int language)
{
    for (QWidget* control : window.findChildren<QWidget*>()) {
        if (control->window() != &window) continue;
        bool numbered = false;
        const int id = control->objectName().toInt(&numbered);
        if (!numbered) continue;
        const char* tip = ControlTip(windowId, id, language);
        control->setProperty(kOwnTipProperty, tip ? QString::fromUtf8(tip) : QString());
        FollowText(*control);
        UpdateTip(*control);
    }
}

}  // namespace kerfmax::gui
