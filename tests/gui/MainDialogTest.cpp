// The main window on Qt's offscreen platform, with a real settings file and
// real job files.

#include "gui/MainDialogWindow.h"
#include "gui/ToolkitOptions.h"

namespace kerfmax::gui {
namespace {

using namespace test_window;

QStringList PortEntries(Window& w)
{
    QStringList entries;
    auto* ports = w.Control<QComboBox>(1004);
    for (int i = 0; i < ports->count(); ++i) entries << ports->itemText(i);
    return entries;
}

TEST(MainDialog, StartsFromTheSettingsFileAndTheCommandLine)
{
    // No job: the job controls are off, Save to File and Refresh stay on; a
    // stored COM port is put back after the network entry without enumerating.
    Window none("[Device]\nPortS=COM7\n[Offset]\nChkBladeOffset=0\nBladeOffset=0.5\n", {});
    EXPECT_EQ(PortEntries(none), (QStringList{"Network Port", "COM7"}));
    EXPECT_EQ(none.Control<QComboBox>(1004)->currentText(), "COM7");
    for (int id : {1, 1009, 1010, 1031, 1005, 1016, 1004, 1067})
        EXPECT_FALSE(none.Control<QWidget>(id)->isEnabled()) << id;
    for (int id : {1027, 1025, 2}) EXPECT_TRUE(none.Control<QWidget>(id)->isEnabled()) << id;
    EXPECT_FALSE(none.Control<QCheckBox>(1005)->isChecked());
    EXPECT_EQ(none.Control<QLineEdit>(1006)->text(), "0.5");

    // Chinese chosen, and the network entry stored in English shown (once) in
    // Chinese and selected (the windows' texts in it: the window-look test).
    Window job("[Device]\nLangage=1\nPortS=Network Port\n");
    EXPECT_EQ(job.Control<QComboBox>(1023)->currentText(), QString::fromUtf8("中文"));
    EXPECT_EQ(PortEntries(job), (QStringList{QString::fromUtf8("网络端口")}));
    EXPECT_EQ(job.Control<QComboBox>(1004)->currentIndex(), 0);

    // Back to English: one network entry, still selected, saved in English.
    job.dlg->OnLanguageChange(0);
    EXPECT_EQ(PortEntries(job), (QStringList{"Network Port"}));
    EXPECT_EQ(job.Control<QComboBox>(1004)->currentIndex(), 0);
    EXPECT_EQ(job.Control<QPushButton>(1)->text(), "Send");
    job.dlg->SaveSettings();
    EXPECT_EQ(CIniFile(job.dir / "Kerfmax.ini").ReadInt("Device", "Langage", -1), 0);
    EXPECT_EQ(CIniFile(job.dir / "Kerfmax.ini").ReadString("Device", "PortS", ""), "Network Port");
}

TEST(MainDialog, LengthBoxesTakeOnlyALengthAndSendAndSaveRefuseTheRest)
{
    Window w("[Offset]\nChkOverCut=1\n");
    auto* blade = w.Control<QLineEdit>(1006);
    auto* overCut = w.Control<QLineEdit>(1017);
    // The up arrow key steps the blade offset as its arrows do.
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(blade, &up);
    EXPECT_EQ(blade->text(), "0.4");
    // The comma is the point; letters and a second point are refused; only
    // nine characters are read, so only nine are taken.
    for (auto [typed, taken] : {std::pair{"0,35abc,5", "0.355"}, {"1234567890", "123456789"}, {".4", ".4"}}) {
        blade->clear();
        Type(blade, typed);
        EXPECT_EQ(blade->text(), taken);
    }

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
    // A cancelled Save As dialog does nothing; the next one saves.
    stored.dlg->saveFileChooser = [] { return QString(); };
    stored.dlg->OnSaveToFile();
    stored.dlg->saveFileChooser = [&] { return ToQString(stored.dir / "saved.plt"); };
    stored.dlg->OnSaveToFile();
    PumpUntil([&] { return !stored.messages.isEmpty(); });
    EXPECT_EQ(stored.messages, QStringList{"Save finished!"});
    EXPECT_EQ(test::ReadFileBytes(stored.dir / "saved.plt"), stored.Converted({"--no-blade-offset"}));
}

TEST(MainDialog, MirrorAndRotateChangeSizesAndPreviewAndDefaultUndoesTheTurn)
{
    Window w;
    // Where the paths lie in the preview is the preview geometry's own test.
    w.dlg->DrawPreview();
    const QImage before = w.dlg->PreviewImage();
    ASSERT_FALSE(before.isNull());

    // Mirror, then a quarter turn from the menu: the extents swap (a turn may
    // lose a unit to truncation), the picture changes.
    w.dlg->OnMirror();
    w.dlg->menuChooser = [](QMenu& menu, const QPoint&) { return menu.actions().at(0); };
    w.dlg->OnRotate();
    const QString turnedWidth = w.Control<QLineEdit>(1012)->text();
    EXPECT_NEAR(turnedWidth.toDouble(), 50.0, 0.05);
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
