#include "gui/TextFit.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace kerfmax::gui {

namespace {

// A line edit keeps this much between its frame and its text (Qt's own margin).
constexpr int kLineEditMargin = 2;
// The label of a closed drop-down is drawn one pixel in from its field.
constexpr int kComboLabelInset = 1;

QSize TextSize(const QFontMetrics& metrics, const QString& text)
{
    return metrics.size(Qt::TextShowMnemonic, text);
}

std::optional<TextRoom> PushButtonRoom(const QPushButton& button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    const bool arrow = button.menu() != nullptr || button.property(kDropDownProperty).toBool();
    if (arrow) option.features |= QStyleOptionButton::HasMenu;
    if (button.isDefault()) option.features |= QStyleOptionButton::DefaultButton;
    if (button.autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
    QStyle* style = button.style();
    QSize available = style->subElementRect(QStyle::SE_PushButtonContents, &option, &button).size();
    if (arrow) available.rwidth() -= style->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, &button);
    QSize needed = TextSize(button.fontMetrics(), option.text);
    if (!option.icon.isNull()) {
        // The label puts the icon left of the text with 4 pixels between.
        needed.rwidth() += option.iconSize.width() + 4;
        needed.setHeight(std::max(needed.height(), option.iconSize.height()));
    }
    return TextRoom{option.text, needed, available};
}

// Check boxes and radio buttons: their size hint is indicator, spacing and text.
std::optional<TextRoom> CheckRoom(const QAbstractButton& button)
{
    const QSize needed(button.sizeHint().width(), TextSize(button.fontMetrics(), button.text()).height());
    return TextRoom{button.text(), needed, button.size()};
}

std::optional<TextRoom> ComboRoom(const QComboBox& combo)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.frame = combo.hasFrame();
    option.currentText = combo.currentText();
    option.currentIcon = combo.itemIcon(combo.currentIndex());
    option.iconSize = combo.iconSize();
    QSize available =
        combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo).size();
    available.rwidth() -= 2 * kComboLabelInset;
    QSize needed = TextSize(combo.fontMetrics(), option.currentText);
    if (!option.currentIcon.isNull()) needed.rwidth() += option.iconSize.width() + 4;
    return TextRoom{option.currentText, needed, available};
}

std::optional<TextRoom> LineEditRoom(const QLineEdit& edit)
{
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    option.midLineWidth = 0;
    option.features = QStyleOptionFrame::None;
    QRect room = edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
    room = room.marginsRemoved(edit.textMargins());
    QSize available = room.size();
    available.rwidth() -= 2 * kLineEditMargin;
    // One more pixel for the cursor after the last character.
    const QSize needed(edit.fontMetrics().horizontalAdvance(edit.text()) + 1, edit.fontMetrics().height());
    return TextRoom{edit.text(), needed, available};
}

std::optional<TextRoom> LabelRoom(const QLabel& label)
{
    if (label.wordWrap() || label.textFormat() == Qt::RichText) return std::nullopt;
    const QSize available = label.contentsRect().size() - QSize(2 * label.margin(), 2 * label.margin());
    return TextRoom{label.text(), TextSize(label.fontMetrics(), label.text()), available};
}

std::optional<TextRoom> GroupBoxRoom(const QGroupBox& group)
{
    QStyleOptionGroupBox option;
    option.initFrom(&group);
    option.text = group.title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    option.textAlignment = group.alignment();
    option.lineWidth = 1;
    const QRect label = group.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &group);
    // The style sizes the label to its text; what counts is that it stays inside the box.
    const QSize needed(label.right() + 1, label.bottom() + 1);
    return TextRoom{option.text, needed, group.size()};
}

}  // namespace

std::optional<TextRoom> MeasureText(const QWidget& control)
{
    std::optional<TextRoom> room;
    if (const auto* push = qobject_cast<const QPushButton*>(&control)) room = PushButtonRoom(*push);
    else if (const auto* check = qobject_cast<const QCheckBox*>(&control)) room = CheckRoom(*check);
    else if (const auto* radio = qobject_cast<const QRadioButton*>(&control)) room = CheckRoom(*radio);
    else if (const auto* combo = qobject_cast<const QComboBox*>(&control)) room = ComboRoom(*combo);
    else if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) room = LineEditRoom(*edit);
    else if (const auto* label = qobject_cast<const QLabel*>(&control)) room = LabelRoom(*label);
    else if (const auto* group = qobject_cast<const QGroupBox*>(&control)) room = GroupBoxRoom(*group);
    if (room && room->text.isEmpty()) return std::nullopt;
    return room;
}

QString TwoLineCaption(const QString& text)
{
    QString caption = text;
    if (const qsizetype blank = caption.indexOf(QLatin1Char(' ')); blank > 0) caption[blank] = QLatin1Char('\n');
    else if (caption.size() >= 2 && caption.at(0).unicode() >= 0x2E80)
        caption.insert(caption.size() / 2, QLatin1Char('\n'));
    return caption;
}

int WidestEntryWidth(const QComboBox& combo)
{
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i)
        widest = std::max(widest, combo.fontMetrics().horizontalAdvance(combo.itemText(i)));
    // The list's own frame, item margins and a scroll bar's room.
    const int scrollBar = combo.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, combo.view());
    return widest + scrollBar + 16;
}

}  // namespace kerfmax::gui
