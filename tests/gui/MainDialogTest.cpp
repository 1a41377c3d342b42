// The main window on Qt's offscreen platform, with a real settings file and
// real job files.

#include <tuple>

#include "gui/MainDialogWindow.h"
#include "gui/ToolkitOptions.h"

namespace kerfmax::gui {
namespace {

using namespace std::chrono_literals;
using namespace test_window;

TEST(MainDialog, StartsFromTheSettingsFileAndTheCommandLine)
{
    // No job: the job controls are off, Save to File and Refresh stay on; a
    // stored COM port is put back after the network entry without enumerating.
    Window none("[Device]\nPortS=COM7\n[Offset]\nChkBladeOffset=0\nBladeOffset=0.5\n", {});
    EXPECT_EQ(none.PortEntries(), (QStringList{"Network Port", "COM7"}));
    EXPECT_EQ(none.Control<QComboBox>(1004)->currentText(), "COM7");
    for (int id : {1, 1009, 1010, 1031, 1005, 1016, 1004, 1067})
        EXPECT_FALSE(none.Control<QWidget>(id)->isEnabled()) << id;
    for (int id : {1027, 1025, 2}) EXPECT_TRUE(none.Control<QWidget>(id)->isEnabled()) << id;
    EXPECT_FALSE(none.Control<QCheckBox>(1005)->isChecked());
    EXPECT_EQ(none.Control<QLineEdit>(1006)->text(), "0.5");
    EXPECT_EQ(none.dlg->windowTitle(), "Kerfmax   for Elvoma");
    EXPECT_EQ(none.Control<QProgressBar>(1008)->format(), "0%");

    // A job and Chinese: texts, sizes, the network entry in Chinese selected
    // from an empty PortS after a refresh that found nothing else.
    Window job("[Device]\nLangage=1\n");
    EXPECT_EQ(job.Control<QComboBox>(1023)->currentText(), QString::fromUtf8("中文"));
    EXPECT_EQ(job.Control<QPushButton>(1)->text(), QString::fromUtf8("发送"));
    EXPECT_EQ(job.PortEntries(), (QStringList{QString::fromUtf8("网络端口")}));
    EXPECT_EQ(job.Control<QComboBox>(1004)->currentIndex(), 0);
    EXPECT_TRUE(job.Control<QLineEdit>(1057)->isEnabled());
    EXPECT_EQ(job.Control<QLineEdit>(1012)->text(), "100.00");
    EXPECT_EQ(job.Control<QLineEdit>(1011)->text(), "50.00");
    for (int id : {1, 1009, 1010, 1031, 1005, 1016, 1067}) EXPECT_TRUE(job.Control<QWidget>(id)->isEnabled()) << id;
    EXPECT_TRUE(job.Control<QLineEdit>(1006)->isEnabled());  // blade offset ticked by default
    EXPECT_FALSE(job.Control<QLineEdit>(1017)->isEnabled());  // over-cut not

    // Back to English: one network entry, at the end, still selected.
    job.dlg->OnLanguageChange(0);
    EXPECT_EQ(job.PortEntries(), (QStringList{"Network Port"}));
    EXPECT_EQ(job.Control<QComboBox>(1004)->currentIndex(), 0);
    EXPECT_EQ(job.Control<QPushButton>(1)->text(), "Send");
    EXPECT_EQ(CIniFile(job.dir / "Kerfmax.ini").ReadInt("Device", "Langage", -1), 0);
}

TEST(MainDialog, OneNetworkEntryWhicheverLanguageStoredIt)
{
    const QString english = QStringLiteral("Network Port"), chinese = QString::fromUtf8("网络端口");
    const std::tuple<int, const char*, QString> cases[] = {
        {0, "网络端口", english}, {1, "Network Port", chinese}, {0, "Network Port", english}, {1, "网络端口", chinese}};
    for (const auto& [language, stored, entry] : cases) {
        SCOPED_TRACE(stored);
        Window w("[Device]\nLangage=" + std::to_string(language) + "\nPortS=" + stored + "\n");
        EXPECT_EQ(w.PortEntries(), QStringList{entry});
        EXPECT_EQ(w.Control<QComboBox>(1004)->currentText(), entry);
        EXPECT_TRUE(w.Control<QLineEdit>(1057)->isEnabled());
        // There and back: still the one entry, selected, in the language shown.
        w.dlg->OnLanguageChange(1 - language);
        w.dlg->OnLanguageChange(language);
        EXPECT_EQ(w.PortEntries(), QStringList{entry});
        EXPECT_EQ(w.Control<QComboBox>(1004)->currentText(), entry);
        w.dlg->SaveSettings();
        EXPECT_EQ(CIniFile(w.dir / "Kerfmax.ini").ReadString("Device", "PortS", ""), entry.toStdString());
    }
}

TEST(MainDialog, LengthBoxesTakeOnlyALengthAndSendAndSaveRefuseTheRest)
{
    Window w("[Offset]\nChkOverCut=1\n");
    auto* blade = w.Control<QLineEdit>(1006);
    auto* overCut = w.Control<QLineEdit>(1017);
    blade->clear();
    Type(blade, "0,35abc,5");  // the comma is the point; letters and a second point are refused
    EXPECT_EQ(blade->text(), "0.355");
    blade->clear();
    Type(blade, "1234567890");  // only nine characters are read, so only nine are taken
    EXPECT_EQ(blade->text(), "123456789");
    blade->clear();
    Type(blade, ".4");
    EXPECT_EQ(blade->text(), ".4");

    // An empty box and a lone point may stand while typing, but nothing is sent,
    // saved or written to the settings file with them.
    bool chooserAsked = false;
    w.dlg->saveFileChooser = [&] {
        chooserAsked = true;
        return QString();
    };
    const QString refusal = QStringLiteral("The over-cut is not a length: type it in millimetres, such as 1.0.");
    for (const char* text : {"", "."}) {
        overCut->clear();
        Type(overCut, text);
        EXPECT_EQ(overCut->text(), text);
        w.messages.clear();
        w.dlg->OnSend();
        EXPECT_FALSE(w.dlg->Sending());
        w.dlg->OnSaveToFile();
        EXPECT_EQ(w.messages, (QStringList{refusal, refusal})) << text;
    }
    EXPECT_FALSE(chooserAsked);
    EXPECT_EQ(test::ReadFileBytes(w.dir / "Kerfmax.ini"), "[Offset]\nChkOverCut=1\n");

    // A stored text is shown as stored and refused while its box is ticked;
    // unticked, it is not used and the job is saved without that compensation.
    Window stored("[Offset]\nBladeOffset=abc\n");
    EXPECT_EQ(stored.Control<QLineEdit>(1006)->text(), "abc");
    stored.dlg->OnSend();
    EXPECT_EQ(stored.messages,
              QStringList{QStringLiteral("The blade offset is not a length: type it in millimetres, such as 0.35.")});
    stored.messages.clear();
    stored.Control<QCheckBox>(1005)->click();
    stored.dlg->saveFileChooser = [&] { return ToQString(stored.dir / "saved.plt"); };
    stored.dlg->OnSaveToFile();
    stored.PumpUntil([&] { return !stored.messages.isEmpty(); });
    EXPECT_EQ(stored.messages, QStringList{"Save finished!"});
    EXPECT_EQ(test::ReadFileBytes(stored.dir / "saved.plt"), stored.Converted({"--no-blade-offset"}));
    // A cancelled Save As dialog does nothing.
    stored.messages.clear();
    stored.dlg->saveFileChooser = [] { return QString(); };
    stored.dlg->OnSaveToFile();
    stored.PumpUntil([] { return false; }, 100ms);
    EXPECT_TRUE(stored.messages.isEmpty());
}

TEST(MainDialog, LengthStepsPlacementAndPreview)
{
    Window w;
    auto* blade = w.Control<QLineEdit>(1006);
    for (const char* expected : {"0.4", "0.5", "0.6"}) {
        w.dlg->OnLengthStep(blade, 1);
        EXPECT_EQ(blade->text(), expected);
    }
    blade->setText("0.1");
    w.dlg->OnLengthStep(blade, -1);
    EXPECT_EQ(blade->text(), "0.1");  // a result of 0 is not taken

    // The preview is drawn on the first paint: white field, red paths.
    w.dlg->DrawPreview();
    const QImage before = w.dlg->PreviewImage();
    ASSERT_FALSE(before.isNull());
    EXPECT_EQ(before.pixel(before.width() / 2, 2), qRgb(255, 255, 255));
    const int left = FirstRedColumn(before);
    EXPECT_EQ(left, 5);  // a wide job fills the width less the border

    // Mirror, then a quarter turn from the menu: sizes swap, the picture changes.
    w.dlg->OnMirror();
    w.dlg->menuChooser = [](QMenu& menu, const QPoint&) { return menu.actions().at(0); };
    w.dlg->OnRotate();
    // The extents swap (a turn may lose a unit to truncation).
    const QString turnedWidth = w.Control<QLineEdit>(1012)->text();
    EXPECT_NEAR(turnedWidth.toDouble(), 50.0, 0.05);
    EXPECT_NEAR(w.Control<QLineEdit>(1011)->text().toDouble(), 100.0, 0.05);
    w.dlg->DrawPreview();
    EXPECT_NE(w.dlg->PreviewImage(), before);
    // A dismissed menu keeps the rotation; "Default" brings back the unturned, mirrored job.
    w.dlg->menuChooser = [](QMenu&, const QPoint&) { return nullptr; };
    w.dlg->OnRotate();
    EXPECT_EQ(w.Control<QLineEdit>(1012)->text(), turnedWidth);
    w.dlg->menuChooser = [](QMenu& menu, const QPoint&) { return menu.actions().at(3); };
    w.dlg->OnRotate();
    w.dlg->OnMirror();
    w.dlg->DrawPreview();
    EXPECT_EQ(w.dlg->PreviewImage(), before);
    EXPECT_EQ(w.dlg->RotationMenu().actions().at(1)->text(), "Rotation 180 Degree");
}

// Pictures of the windows for a person to look at: runs only when
// KERFMAX_SCREENSHOT_DIR names a folder (scripts/screenshots.sh sets it and a
// real X server under xvfb-run). The main window with a job, the cutting-order
// and Feature dialogs as the main window opens them, and the preview zoomed in
// at its middle by the mouse wheel, each in English and Chinese.
TEST(MainDialogScreenshots, EveryWindowInEnglishAndChinese)
{
    const QString folder = qEnvironmentVariable("KERFMAX_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "KERFMAX_SCREENSHOT_DIR not set";
    const auto save = [&](QWidget& window, const QString& name, int language) {
        window.show();
        PumpUntil([] { return false; }, 300ms);
        const QString file = folder + "/" + name + (language == 1 ? "-zh.png" : "-en.png");
        EXPECT_TRUE(window.grab().save(file)) << file.toStdString();
    };
    for (int language : {0, 1}) {
        Window w("[Device]\nPortS=Network Port\nLangage=" + std::to_string(language) + "\n");
        save(*w.dlg, "main-window", language);
        w.dlg->sideDialogRunner = [&](QDialog& dialog) {
            save(dialog, dialog.objectName() == "149" ? "feature-dialog" : "cutting-order-dialog", language);
            dialog.reject();
        };
        w.dlg->OnCuttingOrder();
        w.dlg->findChild<CFeatureDlg*>()->frameEnabled = 1;  // the frame shown on, its boxes open
        w.dlg->OnFeature();
        auto* preview = w.dlg->findChild<QWidget*>("1013");
        const QPointF middle(preview->width() / 2.0, preview->height() / 2.0);
        for (int notch = 0; notch < 6; ++notch) {
            QWheelEvent wheel(middle, preview->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(preview, &wheel);
        }
        save(*w.dlg, "main-window-zoomed", language);
        w.dlg->hide();
    }
}

}  // namespace
}  // namespace kerfmax::gui

TEST(StartUp, ToolkitOptionsAreNeitherSwitchesNorWordsOfTheJobPath)
{
    using Words = std::vector<std::string>;
    const std::vector<std::pair<Words, Words>> cases = {
        {{"job.hb", "-platform", "offscreen"}, {"job.hb"}},
        {{"-platform", "offscreen", "-HideUI", "C:\\My", "Jobs\\a.hb"}, {"-HideUI", "C:\\My", "Jobs\\a.hb"}},
        {{"--style", "fusion", "-stylesheet", "a.qss", "b.hb"}, {"b.hb"}},
        {{"-Platform", "x"}, {"-Platform", "x"}},  // ours are matched exactly, and so are the toolkit's
        {{"a.hb", "-platform"}, {"a.hb", "-platform"}},
    };
    for (const auto& [words, kept] : cases) EXPECT_EQ(kerfmax::gui::WithoutToolkitOptions(words), kept);
}
