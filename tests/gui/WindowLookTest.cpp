// What every window shows: titles as they are set, texts that fit their
// controls in both languages, every text and tip in the chosen language, the
// up-down arrows where they belong.

#include <map>

#include "app/StandardTexts.h"
#include "gui/MainDialogWindow.h"
#include "gui/MessageBoxNotifier.h"
#include "gui/PreviewArea.h"
#include "gui/SaveDialog.h"
#include "gui/TextFit.h"
#include "gui/UpDown.h"

namespace kerfmax::gui {
namespace {

using namespace test_window;

// A serial port whose name is longer than the Port list is wide.
const std::string kLongPort = "ttyS0<Communications Port>";

std::string Settings(int language)
{
    return "[Device]\nLangage=" + std::to_string(language) + "\nPortS=" + kLongPort + "\n";
}

bool IsNumbered(const QWidget& control)
{
    bool numbered = false;
    control.objectName().toInt(&numbered);
    return numbered;
}

// The window's own numbered controls that a user can see.
std::vector<QWidget*> Controls(QWidget& window)
{
    std::vector<QWidget*> controls;
    for (QWidget* w : window.findChildren<QWidget*>())
        if (w->window() == &window && IsNumbered(*w) && w->isVisibleTo(&window)) controls.push_back(w);
    return controls;
}

bool IsInteractive(const QWidget& w)
{
    return qobject_cast<const QAbstractButton*>(&w) || qobject_cast<const QComboBox*>(&w) ||
           qobject_cast<const QLineEdit*>(&w) || qobject_cast<const UpDown*>(&w) ||
           qobject_cast<const QProgressBar*>(&w) || qobject_cast<const PreviewArea*>(&w) ||
           w.objectName() == "1068";  // the cutting-order picture
}

// What one window looked like: its title, each control's clipped text, each tip.
struct Seen {
    QString title;
    QStringList clipped;
    std::map<QString, QString> tips;  // control id -> tip
};

Seen Look(QWidget& window)
{
    window.show();
    QApplication::processEvents();
    Seen seen{window.windowTitle(), {}, {}};
    for (QWidget* control : Controls(window)) {
        const std::optional<TextRoom> room = MeasureText(*control);
        // Only the Port list shows names it does not choose; it shows them whole in its tip.
        const bool tipHoldsIt = control->objectName() == "1004" && room && control->toolTip().contains(room->text);
        if (room && !room->Fits() && !tipHoldsIt)
            seen.clipped << QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6 (%7)")
                                .arg(control->objectName(), room->text)
                                .arg(room->needed.width())
                                .arg(room->needed.height())
                                .arg(room->available.width())
                                .arg(room->available.height())
                                .arg(QFontInfo(control->font()).family());
        if (IsInteractive(*control)) seen.tips[control->objectName()] = control->toolTip();
    }
    return seen;
}

// The main window and each side dialog as the main window opens them.
std::map<QString, Seen> LookAtEveryWindow(int language)
{
    Window w(Settings(language));
    std::map<QString, Seen> seen;
    seen["main"] = Look(*w.dlg);
    w.dlg->sideDialogRunner = [&](QDialog& dialog) {
        seen[dialog.objectName()] = Look(dialog);
        dialog.reject();
    };
    w.dlg->OnFeature();
    w.dlg->OnCuttingOrder();
    w.dlg->OnAbout();
    w.dlg->hide();
    return seen;
}

TEST(WindowLook, EveryWindowSpeaksTheChosenLanguageWithTextsThatFit)
{
    std::map<QString, Seen> english = LookAtEveryWindow(0);
    std::map<QString, Seen> chinese = LookAtEveryWindow(1);
    ASSERT_EQ(english.size(), 4u);
    ASSERT_EQ(chinese.size(), 4u);

    // Titles exactly as set, in the language; no application name added by the toolkit.
    const std::map<QString, std::pair<QString, QString>> titles = {
        {"main", {"Kerfmax   for Elvoma", "Kerfmax   for Elvoma"}},
        {"149", {"Feature", QString::fromUtf8("外框")}},
        {"162", {"Preview Cutting Order", QString::fromUtf8("预览切割顺序")}},
        {"100", {"About Kerfmax", QString::fromUtf8("关于 Kerfmax")}},
    };
    for (const auto& [window, title] : titles) {
        EXPECT_EQ(english[window].title, title.first) << window.toStdString();
        EXPECT_EQ(chinese[window].title, title.second) << window.toStdString();
    }
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());

    const bool realFonts = !test::RunningUnderWine();
    for (const auto& [window, look] : english) {
        EXPECT_TRUE(!realFonts || look.clipped.isEmpty())
            << "English " << window.toStdString() << ": " << look.clipped.join("; ").toStdString();
        EXPECT_TRUE(!realFonts || chinese[window].clipped.isEmpty())
            << "Chinese " << window.toStdString() << ": " << chinese[window].clipped.join("; ").toStdString();
        // Every control a user can reach has a short tip of its own in each language.
        for (const auto& [id, tip] : look.tips) {
            const QString where = window + "/" + id;
            const QString other = chinese[window].tips[id];
            EXPECT_FALSE(tip.isEmpty()) << where.toStdString();
            EXPECT_LE(tip.section('\n', 0, 0).size(), 40) << where.toStdString();
            EXPECT_NE(tip, other) << where.toStdString() << " has the same tip in both languages";
        }
    }
    // The long port name: whole in the tip, and its list is wide enough to show it.
    Window w(Settings(0));
    auto* ports = w.Control<QComboBox>(1004);
    EXPECT_TRUE(ports->toolTip().endsWith(QString::fromStdString(kLongPort)));
    EXPECT_GE(ports->view()->minimumWidth(), ports->fontMetrics().horizontalAdvance(ports->currentText()));
}

TEST(WindowLook, MessageBoxesAndTheSaveDialogSpeakTheChosenLanguage)
{
    for (int language : {0, 1}) {
        SetMessageBoxLanguage(language);
        const auto text = [language](StandardTextId id) { return QString::fromUtf8(StandardText(id, language)); };
        const auto yesNo = BuildMessageBox("?", NotifyIcon::Question, NotifyButtons::YesNo);
        EXPECT_EQ(yesNo->windowTitle(), "Kerfmax");
        ASSERT_EQ(yesNo->buttons().size(), 2);
        EXPECT_EQ(yesNo->button(QMessageBox::Yes)->text(), text(StandardTextId::YesButton));
        EXPECT_EQ(yesNo->button(QMessageBox::No)->text(), text(StandardTextId::NoButton));
        const auto ok = BuildMessageBox("!", NotifyIcon::None, NotifyButtons::Ok);
        EXPECT_EQ(ok->button(QMessageBox::Ok)->text(), language == 1 ? QString::fromUtf8("确定") : "OK");

        const auto save = BuildSaveDialog(nullptr, language);
        EXPECT_EQ(save->windowTitle(), language == 1 ? QString::fromUtf8("保存为 plt 文件") : "Save to plt file");
        EXPECT_EQ(save->nameFilters(), QStringList{text(StandardTextId::SaveDialogFilter)});
        EXPECT_EQ(save->labelText(QFileDialog::Accept), text(StandardTextId::SaveDialogAccept));
        EXPECT_EQ(save->labelText(QFileDialog::Reject), text(StandardTextId::CancelButton));
        // Our own question before a file is replaced, not the toolkit's.
        EXPECT_TRUE(save->testOption(QFileDialog::DontConfirmOverwrite));
    }
    SetMessageBoxLanguage(0);
}

void PressKey(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

TEST(WindowLook, UpDownsSitRightOfTheirBoxesAndOnlyTheBladeOffsetTakesArrowKeys)
{
    Window w("[Offset]\nChkOverCut=1\n");
    for (auto [edit, spin] : {std::pair{1006, 1007}, std::pair{1017, 1018}}) {
        const QRect box = w.Control<QWidget>(edit)->geometry();
        const QRect arrows = w.Control<QWidget>(spin)->geometry();
        EXPECT_EQ(arrows.left(), box.right() + 1) << spin;
        EXPECT_EQ(arrows.top(), box.top()) << spin;
        EXPECT_EQ(arrows.height(), box.height()) << spin;
    }
    auto* blade = w.Control<QLineEdit>(1006);
    auto* overCut = w.Control<QLineEdit>(1017);
    PressKey(blade, Qt::Key_Up);
    EXPECT_EQ(blade->text(), "0.4");
    PressKey(overCut, Qt::Key_Up);
    EXPECT_EQ(overCut->text(), "1.0");

    // The Feature margins step by their arrows only.
    auto* feature = w.dlg->findChild<CFeatureDlg*>();
    ASSERT_NE(feature, nullptr);
    feature->show();
    auto* left = feature->findChild<QLineEdit*>("1037");
    PressKey(left, Qt::Key_Up);
    EXPECT_EQ(left->text(), "1");
    feature->reject();

    // Rotate shows the drop-down arrow of a button with a menu, and its text
    // has only the room left of it.
    auto* rotate = w.Control<QPushButton>(1010);
    QPushButton plain(rotate->text());
    plain.setIcon(rotate->icon());
    plain.resize(rotate->size());
    plain.setFont(rotate->font());
    const QImage drawn = rotate->grab().toImage();
    const QImage without = plain.grab().toImage();
    const QRect arrowSide(rotate->width() * 3 / 4, 0, rotate->width() / 4, rotate->height());
    EXPECT_NE(drawn.copy(arrowSide), without.copy(arrowSide));
    EXPECT_LT(MeasureText(*rotate)->available.width(), MeasureText(plain)->available.width());
}

}  // namespace
}  // namespace kerfmax::gui
