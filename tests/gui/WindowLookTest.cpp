// What every window shows: titles as they are set, texts that fit their
// controls in both languages, every text and tip in the chosen language.

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

bool IsInteractive(const QWidget& w)
{
    return qobject_cast<const QAbstractButton*>(&w) || qobject_cast<const QComboBox*>(&w) ||
           qobject_cast<const QLineEdit*>(&w) || qobject_cast<const UpDown*>(&w) ||
           qobject_cast<const QProgressBar*>(&w) || qobject_cast<const PreviewArea*>(&w) ||
           w.objectName() == "1068";  // the cutting-order picture
}

// Pictures of the windows for a person to look at, when KERFMAX_SCREENSHOT_DIR
// names a folder (scripts/screenshots.sh sets it and a real X server).
void SavePicture(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("KERFMAX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    PumpUntil([] { return false; }, 300ms);
    EXPECT_TRUE(window.grab().save(folder + "/" + name + ".png")) << name.toStdString();
}

// Shows a window, checks that each text fits its control, and gives its
// title and the tip of each control a user can reach, by control id.
std::map<QString, QString> Look(QWidget& window, const QString& picture)
{
    window.show();
    QApplication::processEvents();
    SavePicture(window, picture);
    std::map<QString, QString> seen{{"title", window.windowTitle()}};
    for (QWidget* control : window.findChildren<QWidget*>()) {
        bool numbered = false;
        control->objectName().toInt(&numbered);
        // The window's own numbered controls that a user can see.
        if (control->window() != &window || !numbered || !control->isVisibleTo(&window)) continue;
        const std::optional<TextRoom> room = MeasureText(*control);
        // Only the Port list shows names it does not choose; it shows them whole in its tip.
        const bool tipHoldsIt = control->objectName() == "1004" && room && control->toolTip().contains(room->text);
        EXPECT_TRUE(test::RunningUnderWine() || !room || tipHoldsIt || room->Fits())
            << control->objectName().toStdString() << " " << room->text.toStdString();
        if (IsInteractive(*control)) seen[control->objectName()] = control->toolTip();
    }
    return seen;
}

// The main window and each side dialog as the main window opens them (the
// Feature dialog with its frame on, so that its boxes are open), then the
// preview zoomed in at its middle by the mouse wheel.
std::map<QString, std::map<QString, QString>> LookAtEveryWindow(int language)
{
    const QString suffix = language == 1 ? "-zh" : "-en";
    const std::map<QString, QString> pictures = {
        {"149", "feature-dialog"}, {"162", "cutting-order-dialog"}, {"100", "about-box"}};
    Window w(Settings(language));
    std::map<QString, std::map<QString, QString>> seen;
    seen["main"] = Look(*w.dlg, "main-window" + suffix);
    w.dlg->sideDialogRunner = [&](QDialog& dialog) {
        seen[dialog.objectName()] = Look(dialog, pictures.at(dialog.objectName()) + suffix);
        dialog.reject();
    };
    w.dlg->findChild<CFeatureDlg*>()->frameEnabled = 1;
    w.dlg->OnFeature();
    w.dlg->OnCuttingOrder();
    w.dlg->OnAbout();
    auto* preview = w.Control<QWidget>(1013);
    const QPointF middle(preview->width() / 2.0, preview->height() / 2.0);
    QWheelEvent wheel(middle, preview->mapToGlobal(middle), {}, QPoint(0, 720), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview, &wheel);
    SavePicture(*w.dlg, "main-window-zoomed" + suffix);
    w.dlg->hide();
    return seen;
}

TEST(WindowLook, EveryWindowSpeaksTheChosenLanguageWithTextsThatFit)
{
    auto english = LookAtEveryWindow(0);
    auto chinese = LookAtEveryWindow(1);

    // Titles exactly as set, in the language; no application name added by the toolkit.
    const std::map<QString, std::pair<QString, QString>> titles = {
        {"main", {"Kerfmax   for Elvoma", "Kerfmax   for Elvoma"}},
        {"149", {"Feature", QString::fromUtf8("外框")}},
        {"162", {"Preview Cutting Order", QString::fromUtf8("预览切割顺序")}},
        {"100", {"About Kerfmax", QString::fromUtf8("关于 Kerfmax")}},
    };
    for (const auto& [window, title] : titles) {
        EXPECT_EQ(english[window]["title"], title.first) << window.toStdString();
        EXPECT_EQ(chinese[window]["title"], title.second) << window.toStdString();
        english[window].erase("title");
    }
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());

    // Every control a user can reach has a short tip of its own in each language.
    for (const auto& [window, tips] : english)
        for (const auto& [id, tip] : tips) {
            const std::string where = (window + "/" + id).toStdString();
            EXPECT_FALSE(tip.isEmpty()) << where;
            EXPECT_LE(tip.section('\n', 0, 0).size(), 40) << where;
            EXPECT_NE(tip, chinese[window][id]) << where << " has the same tip in both languages";
        }
    // The long port name: whole in the tip, and its list is wide enough to show it.
    Window w(Settings(0));
    auto* ports = w.Control<QComboBox>(1004);
    EXPECT_TRUE(ports->toolTip().endsWith(QString::fromStdString(kLongPort)));
    EXPECT_GE(ports->view()->minimumWidth(), ports->fontMetrics().horizontalAdvance(ports->currentText()));
    EXPECT_FALSE(w.dlg->windowIcon().pixmap(256, 256).isNull());
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
        EXPECT_EQ(BuildMessageBox("!", NotifyIcon::None, NotifyButtons::Ok)->button(QMessageBox::Ok)->text(),
                  language == 1 ? QString::fromUtf8("确定") : "OK");

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

}  // namespace
}  // namespace kerfmax::gui
