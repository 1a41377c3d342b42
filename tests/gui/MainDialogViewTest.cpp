// The window beyond its dialog template: zoom and pan in the preview, opening
// a job from the window, the estimate line and the remembered position.

#include "gui/EstimateLine.h"
#include "gui/MainDialogWindow.h"
#include "gui/PreviewArea.h"
#include "support/GeometryText.h"

namespace kerfmax::gui {
namespace {

using namespace test_window;

void Mouse(QWidget* target, QEvent::Type type, QPointF at)
{
    QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST(MainDialogView, WheelZoomsAtTheCursorDragPansAndFitRestoresTheDrawing)
{
    Window w;
    auto* preview = w.Control<PreviewArea>(1013);
    w.dlg->DrawPreview();
    const QImage fitted = w.dlg->PreviewImage();
    // The cursor over the picture's point (100, 50), in the widget's own frame.
    const QPointF at = QPointF(100, 50) + QPointF(preview->contentsRect().topLeft());

    QWheelEvent wheel(at, preview->mapToGlobal(at), {}, QPoint(0, 360), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    const auto underCursor = [&] { return QPointF(preview->View().ViewX(100), preview->View().ViewY(50)); };
    QApplication::sendEvent(preview, &wheel);
    EXPECT_NEAR(preview->View().zoom, 1.25 * 1.25 * 1.25, 1e-12);
    EXPECT_EQ(underCursor(), QPointF(100, 50));
    w.dlg->DrawPreview();
    EXPECT_NE(w.dlg->PreviewImage(), fitted);

    // A drag moves the picture with the mouse.
    Mouse(preview, QEvent::MouseButtonPress, at);
    Mouse(preview, QEvent::MouseMove, at + QPointF(30, -20));
    Mouse(preview, QEvent::MouseButtonRelease, at + QPointF(30, -20));
    EXPECT_EQ(underCursor(), QPointF(130, 30));

    // Home fits the drawing again.
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QApplication::sendEvent(preview, &home);
    EXPECT_TRUE(preview->View().IsFitted());
}

TEST(MainDialogView, DropAndCtrlOLoadAJobAsTheCommandLineDoes)
{
    Window w("", {});
    auto* estimate = w.dlg->findChild<EstimateLine*>(QStringLiteral("estimate"));
    EXPECT_TRUE(estimate->PlainText().isEmpty());
    test::WriteFileBytes(w.dir / "wide.hb", "PU0,0;PD8000,0;PD8000,400;SP0;");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(ToQString(w.dir / "wide.hb"))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.dlg.get(), &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.dlg.get(), &drop);
    EXPECT_EQ(w.Control<QLineEdit>(1012)->text(), "200.00");
    EXPECT_TRUE(estimate->PlainText().startsWith("Cut 0.21 m, ")) << estimate->PlainText().toStdString();
    for (int id : {1, 1009, 1010, 1031, 1067}) EXPECT_TRUE(w.Control<QWidget>(id)->isEnabled()) << id;
    EXPECT_EQ(CIniFile(w.dir / "Kerfmax.ini").ReadString("Device", "LastFolder", ""), w.dir.Path().string());

    // Ctrl+O: a file that does not load says why, in the words of the
    // command line (which gives every reason), and the job on screen stays.
    auto* open = w.dlg->findChild<QShortcut*>();
    EXPECT_EQ(open->key(), QKeySequence(QKeySequence::Open));
    const auto absent = w.dir / "absent.hb";
    w.dlg->openFileChooser = [&] { return ToQString(absent); };
    emit open->activated();
    PumpUntil([&] { return !w.messages.isEmpty(); });
    EXPECT_EQ(w.messages, QStringList{QString::fromStdString(JobLoadText(JobLoadStatus::Missing, absent, 0))});
    EXPECT_EQ(w.Control<QLineEdit>(1012)->text(), "200.00");
    w.dlg->openFileChooser = [&] { return ToQString(w.dir / "job.hb"); };
    w.dlg->OnOpenJob();
    EXPECT_EQ(w.Control<QLineEdit>(1012)->text(), "100.00");
}

TEST(MainDialogView, TheEstimateLineOfTheSampleAndTheSpeedItSets)
{
    // Native separators: on Windows a word that begins with "/" is a switch.
    Window w("[Device]\nPortS=COM7\n", {test::SourcePath("resources/samples/sign.hb").make_preferred().string()});
    auto* line = w.dlg->findChild<EstimateLine*>(QStringLiteral("estimate"));
    const auto fits = [line] {
        return test::RunningUnderWine() || line->fontMetrics().horizontalAdvance(line->PlainText()) <= line->width();
    };
    // A serial port: 5137 bytes at 3840 bytes a second take 0:01; cutting at 200 mm/s 0:05.
    EXPECT_EQ(line->PlainText(), "Cut 0.80 m, travel 0.29 m, 6 objects, about 0:05 at 200 mm/s");
    EXPECT_TRUE(fits());

    line->speedAsker = [](int current, int) { return std::optional<int>(current / 20); };
    emit line->linkActivated(QStringLiteral("speed"));
    EXPECT_EQ(line->PlainText(), "Cut 0.80 m, travel 0.29 m, 6 objects, about 1:49 at 10 mm/s");
    EXPECT_EQ(CIniFile(w.dir / "Kerfmax.ini").ReadInt("Device", "Speed", 0), 10);

    w.dlg->OnLanguageChange(1);
    EXPECT_TRUE(line->PlainText().startsWith(QString::fromUtf8("切割 0.80 米"))) << line->PlainText().toStdString();
    EXPECT_TRUE(fits());
}

TEST(MainDialogView, ThePositionComesBackOnItsScreenAndNotOffEveryScreen)
{
    const QString screen = QGuiApplication::primaryScreen()->name();
    Window first;
    first.dlg->show();
    first.dlg->move(37, 41);
    first.dlg->OnCancel();
    PumpUntil([&] { return !first.dlg->isVisible(); });
    const std::string stored = CIniFile(first.dir / "Kerfmax.ini").ReadString("Device", "WindowPos", "");
    EXPECT_EQ(stored, "37,41," + screen.toStdString());

    const struct {
        std::string value;
        bool restored;
    } cases[] = {{stored, true},
                 {"37,41,a screen that is gone", true},
                 {"100000,41," + screen.toStdString(), false},
                 {"-5000,-5000,a screen that is gone", false},
                 {"37,not a number", false}};
    for (const auto& [value, restored] : cases) {
        Window next("[Device]\nWindowPos=" + value + "\n");
        EXPECT_EQ(next.dlg->pos() == QPoint(37, 41), restored) << value;
        EXPECT_NE(next.dlg->pos(), QPoint(100000, 41));
    }
}

// A line to the pixel the pen is on draws nothing and adds no vertex, but at a
// polyline's end one is kept: the painter leaves the last pixel undrawn.
TEST(PreviewDrawing, PointsOnThePixelBeforeThemAreLeftOutAndAPolylineKeepsItsLast)
{
    const BoundBox box{0, 4000, 4000, 0};
    const PreviewMapping map = FitPreview(box, {}, 200, 200);
    const auto at = [&](int x, int y) { return map.Map(x, 4000 - y); };
    ASSERT_EQ(at(4000, 0), at(4005, 5));
    ASSERT_EQ(at(4000, 4000), at(4005, 4005));
    const PreviewPicture picture =
        BuildPreview(test::NodesFrom("U0,0 D4000,0 D4005,5 D4000,4000 D4005,4005"), box, {}, 200, 200);
    EXPECT_EQ(picture.paths,
              (std::vector<std::vector<ScreenPoint>>{{at(0, 0), at(4000, 0), at(4000, 4000), at(4000, 4000)}}));
}

}  // namespace
}  // namespace kerfmax::gui
