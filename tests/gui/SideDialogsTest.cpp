// The side dialogs (Feature, cutting order, about box), the pictures and the skin.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "app/IniFile.h"
#include "app/SettingsKeys.h"
#include "gui/AboutDlg.h"
#include "gui/CuttingOrderDlg.h"
#include "gui/FeatureDlg.h"
#include "gui/Pictures.h"
#include "gui/Skin.h"
#include "run/CuttingRun.h"
#include "support/TestSupport.h"

namespace kerfmax::gui {
namespace {

using Clock = std::chrono::steady_clock;

template <typename T = QWidget>
T* Child(const QWidget& parent, const char* id)
{
    T* child = parent.findChild<T*>(QString::fromLatin1(id));
    EXPECT_NE(child, nullptr) << id;
    return child;
}

QString Text(const QWidget& dialog, const char* id)
{
    return Child<QLineEdit>(dialog, id)->text();
}

// One click on the up (+1) or down (-1) arrow of an up-down control.
void Spin(const QWidget& dialog, const char* spinId, int step, int times = 1)
{
    const QList<QToolButton*> arrows = Child(dialog, spinId)->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    for (int i = 0; i < times; ++i) arrows[step > 0 ? 0 : 1]->click();
}

void Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

// Margin boxes in the order left, right, bottom, top.
constexpr const char* kBoxes[] = {"1037", "1034", "1036", "1033"};

std::vector<QString> Boxes(const QWidget& dialog)
{
    std::vector<QString> texts;
    for (const char* id : kBoxes) texts.push_back(Text(dialog, id));
    return texts;
}

std::vector<bool> Enabled(const QWidget& dialog)
{
    std::vector<bool> enabled;
    for (const char* id : kBoxes) enabled.push_back(Child(dialog, id)->isEnabled());
    return enabled;
}

TEST(FeatureDialog, AllEqualSpinsCopyToEveryBoxAndOkStoresThem)
{
    CFeatureDlg dialog;
    dialog.show();
    EXPECT_EQ(Boxes(dialog), (std::vector<QString>{"1", "1", "1", "1"}));
    Spin(dialog, "1018", -1);  // down from 1 leaves 1
    EXPECT_EQ(Text(dialog, "1037"), "1");
    Spin(dialog, "1018", +1, 6);
    EXPECT_EQ(Boxes(dialog), (std::vector<QString>{"7", "7", "7", "7"}));
    Child<QPushButton>(dialog, "1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.marginLeft, 7);
    EXPECT_EQ(dialog.marginRight, 7);
    EXPECT_EQ(dialog.marginBottom, 7);
    EXPECT_EQ(dialog.marginTop, 7);
}

TEST(FeatureDialog, FrameAndModeDecideWhichBoxesAreOpen)
{
    CFeatureDlg dialog;
    dialog.mode = CFeatureDlg::kOther;
    dialog.show();
    // Frame off: boxes and radio buttons closed; the arrows still count and OK stores.
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(Child(dialog, "1041")->isEnabled());
    Spin(dialog, "1050", +1, 2);  // bottom
    Child<QPushButton>(dialog, "1")->click();
    EXPECT_EQ(dialog.marginBottom, 3);
    EXPECT_EQ(dialog.frameEnabled, 0);

    dialog.show();
    Child<QCheckBox>(dialog, "1032")->click();
    EXPECT_EQ(dialog.frameEnabled, 1);
    EXPECT_TRUE(Child<QRadioButton>(dialog, "1041")->isChecked());
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, true, true, true}));
    Spin(dialog, "1018", +1, 4);  // left, copied nowhere
    EXPECT_EQ(Boxes(dialog), (std::vector<QString>{"5", "1", "3", "1"}));
    Child<QRadioButton>(dialog, "1039")->click();  // horizontal: left goes to right
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(Boxes(dialog), (std::vector<QString>{"5", "5", "3", "1"}));
    Child<QRadioButton>(dialog, "1040")->click();  // vertical: bottom goes to top
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(Boxes(dialog), (std::vector<QString>{"5", "5", "3", "3"}));
    Child<QRadioButton>(dialog, "1038")->click();  // all: left goes everywhere
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(Boxes(dialog), (std::vector<QString>{"5", "5", "5", "5"}));
    Child<QCheckBox>(dialog, "1032")->click();
    EXPECT_EQ(Enabled(dialog), (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(Child(dialog, "1038")->isEnabled());
    dialog.reject();
    EXPECT_EQ(dialog.mode, CFeatureDlg::kAllEqual);
    EXPECT_EQ(dialog.frameEnabled, 0);
}

TEST(FeatureDialog, BoxesTakeDigitsOnlyAndTypingKeepsTheCopiesEqual)
{
    CFeatureDlg dialog;
    dialog.frameEnabled = 1;
    dialog.mode = CFeatureDlg::kHorizontalEqual;
    dialog.show();
    QLineEdit* left = Child<QLineEdit>(dialog, "1037");
    left->clear();
    Type(left, "1a2-3.5 ");
    EXPECT_EQ(left->text(), "1235");
    EXPECT_EQ(Text(dialog, "1034"), "1235");  // the disabled copy follows
    Child<QLineEdit>(dialog, "1036")->clear();  // an empty box reads as 0
    Child<QPushButton>(dialog, "1")->click();
    EXPECT_EQ(dialog.marginLeft, 1235);
    EXPECT_EQ(dialog.marginRight, 1235);
    EXPECT_EQ(dialog.marginBottom, 0);
    EXPECT_EQ(dialog.marginTop, 1);
}

TEST(FeatureDialog, CancelKeepsTheClicksButNotTheNumbers)
{
    CFeatureDlg dialog;
    dialog.show();
    Child<QCheckBox>(dialog, "1032")->click();
    Child<QRadioButton>(dialog, "1041")->click();
    Spin(dialog, "1049", +1, 4);  // right
    EXPECT_EQ(Text(dialog, "1034"), "5");
    Child<QPushButton>(dialog, "2")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.frameEnabled, 1);
    EXPECT_EQ(dialog.mode, CFeatureDlg::kOther);
    EXPECT_EQ(dialog.marginRight, 1);
    // The next opening shows the stored values again.
    dialog.show();
    EXPECT_EQ(Text(dialog, "1034"), "1");
    EXPECT_TRUE(Child<QRadioButton>(dialog, "1041")->isChecked());
    dialog.reject();
}

TEST(FeatureDialog, TextsFollowTheLanguage)
{
    CFeatureDlg dialog;
    dialog.SetLanguage(1);
    EXPECT_EQ(Child<QCheckBox>(dialog, "1032")->text(), QString::fromUtf8("外框"));
    EXPECT_EQ(Child<QRadioButton>(dialog, "1040")->text(), QString::fromUtf8("纵向相等"));
    EXPECT_EQ(Child<QPushButton>(dialog, "1")->text(), QString::fromUtf8("确定"));
    dialog.SetLanguage(7);
    EXPECT_EQ(Child<QCheckBox>(dialog, "1032")->text(), "Feature");
    EXPECT_EQ(Child<QPushButton>(dialog, "2")->text(), "Cancel");
}

// Twenty squares of 10 mm in a row, 5 mm apart.
std::string SquaresJob(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int x = i * 600;
        text += "PU" + std::to_string(x) + ",0;PD" + std::to_string(x + 400) + ",0;PD" + std::to_string(x + 400) +
                ",400;PD" + std::to_string(x) + ",400;PD" + std::to_string(x) + ",0;";
    }
    return text + "SP0;";
}

class CuttingOrderDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        run.LoadJobText(SquaresJob(20));
        ASSERT_TRUE(run.HasJob());
    }
    int StoredOrder() { return ini.ReadInt(settings::kOffsetSection, settings::kCutOrderKey, -1); }

    // Runs the event loop until the condition holds or the time is up.
    template <typename Condition>
    bool WaitFor(Condition condition, std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        while (!condition() && Clock::now() < end) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        QCoreApplication::processEvents();
        return condition();
    }

    test::TempDir dir;
    CIniFile ini{dir / "Kerfmax.ini"};
    CuttingRun run;
};

TEST_F(CuttingOrderDialog, ApplyStoresTheChoiceAndCancelLeavesIt)
{
    ini.WriteInt(settings::kOffsetSection, settings::kCutOrderKey, 0);
    {
        CCuttingOrderDlg dialog(run, &ini, 0, nullptr);
        EXPECT_EQ(dialog.Mode(), CCuttingOrderDlg::DefaultOrder);
        EXPECT_EQ(dialog.ShownPicture(), CCuttingOrderDlg::DefaultOrderPicture);
        dialog.ChooseOrder(CCuttingOrderDlg::kReduceFeedMenuId);
        EXPECT_EQ(dialog.ShownPicture(), CCuttingOrderDlg::ReduceFeedPicture);
        Child<QPushButton>(dialog, "2")->click();
    }
    EXPECT_EQ(StoredOrder(), 0);
    EXPECT_TRUE(run.CurrentJob().HasOrderedObjects());  // the order computed stays in use
    {
        CCuttingOrderDlg dialog(run, &ini, 0, nullptr);
        dialog.ChooseOrder(CCuttingOrderDlg::kReduceFeedMenuId);
        Child<QPushButton>(dialog, "1")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(StoredOrder(), 1);
    {
        CCuttingOrderDlg dialog(run, &ini, 1, nullptr);
        EXPECT_EQ(dialog.Mode(), CCuttingOrderDlg::ReduceFeed);
        EXPECT_EQ(dialog.ShownPicture(), CCuttingOrderDlg::ReduceFeedPicture);
        const QImage icon = Child<QPushButton>(dialog, "1071")->icon().pixmap(24, 24).toImage();
        EXPECT_EQ(icon.convertToFormat(QImage::Format_ARGB32),
                  Bitmap(164).toImage().convertToFormat(QImage::Format_ARGB32));
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("预览切割顺序"));
        Child<QAction>(dialog, "32789")->trigger();
        EXPECT_EQ(Child<QAction>(dialog, "32789")->text(), QString::fromUtf8("由内向外"));
        EXPECT_EQ(dialog.ShownPicture(), CCuttingOrderDlg::InsideFirstPicture);
        Child<QPushButton>(dialog, "1")->click();
    }
    EXPECT_EQ(StoredOrder(), 2);
    {
        CCuttingOrderDlg dialog(run, &ini, 0, nullptr);
        EXPECT_EQ(dialog.Mode(), CCuttingOrderDlg::InsideFirst);
        EXPECT_EQ(dialog.ShownPicture(), CCuttingOrderDlg::InsideFirstPicture);
        EXPECT_EQ(Child<QAction>(dialog, "32789")->text(), "Inside First");
        dialog.ChooseOrder(CCuttingOrderDlg::kDefaultOrderMenuId);
        Child<QPushButton>(dialog, "1")->click();
    }
    EXPECT_EQ(StoredOrder(), 0);
    // Without a settings file nothing is written anywhere.
    CCuttingOrderDlg loose(run, nullptr, 0, nullptr);
    loose.ChooseOrder(CCuttingOrderDlg::kReduceFeedMenuId);
    loose.Apply();
    EXPECT_EQ(StoredOrder(), 0);
}

TEST_F(CuttingOrderDialog, PicturesShowStartMarkTravelAndCuts)
{
    CCuttingOrderDlg dialog(run, nullptr, 0, nullptr);
    const QImage& picture = dialog.Picture(CCuttingOrderDlg::DefaultOrderPicture);
    EXPECT_EQ(picture.size(), Child(dialog, "1068")->size());
    const auto count = [](const QImage& image, QColor colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour;
        return n;
    };
    for (int code : {CCuttingOrderDlg::DefaultOrderPicture, CCuttingOrderDlg::ReduceFeedPicture,
                     CCuttingOrderDlg::InsideFirstPicture}) {
        const QImage& image = dialog.Picture(code);
        EXPECT_GT(count(image, QColor(0, 255, 0)), 40) << code;  // start mark, radius 5
        EXPECT_GT(count(image, QColor(255, 0, 0)), 100) << code;  // travel arrows
        EXPECT_GT(count(image, QColor(230, 130, 130)), 500) << code;  // cut lines
    }
}

TEST_F(CuttingOrderDialog, X3PlaysTwentyObjectsInAboutOneSecond)
{
    CCuttingOrderDlg dialog(run, nullptr, 0, nullptr);
    Child<QRadioButton>(dialog, "1074")->click();
    EXPECT_EQ(dialog.PlaybackDelay(), 50);
    EXPECT_FALSE(Child<QRadioButton>(dialog, "1072")->isChecked());
    QPushButton* play = Child<QPushButton>(dialog, "1066");
    const auto start = Clock::now();
    play->click();
    EXPECT_FALSE(play->isEnabled());
    EXPECT_EQ(dialog.ShownPicture(), CCuttingOrderDlg::PlaybackCanvas);
    ASSERT_TRUE(WaitFor([&] { return play->isEnabled(); }, std::chrono::seconds(5)));
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(950));
    EXPECT_LT(elapsed, std::chrono::milliseconds(4000));
    EXPECT_FALSE(dialog.PlaybackRunning());
    // The last frame shows every object in the playback colour.
    const QImage& canvas = dialog.Picture(CCuttingOrderDlg::PlaybackCanvas);
    const QImage& still = dialog.Picture(CCuttingOrderDlg::DefaultOrderPicture);
    int magenta = 0, pink = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            magenta += canvas.pixelColor(x, y) == QColor(255, 0, 255);
            pink += still.pixelColor(x, y) == QColor(230, 130, 130);
        }
    }
    EXPECT_EQ(magenta, pink);
}

TEST_F(CuttingOrderDialog, ClosingDuringPlaybackEndsItAtOnce)
{
    for (bool apply : {false, true}) {
        CCuttingOrderDlg dialog(run, &ini, 0, nullptr);
        dialog.show();
        dialog.ChooseOrder(apply ? CCuttingOrderDlg::kInsideFirstMenuId : CCuttingOrderDlg::kReduceFeedMenuId);
        Child<QPushButton>(dialog, "1066")->click();  // X1: 20 objects take 6 s
        WaitFor([] { return false; }, std::chrono::milliseconds(350));
        ASSERT_TRUE(dialog.PlaybackRunning());
        const auto start = Clock::now();
        if (apply) Child<QPushButton>(dialog, "1")->click();
        else dialog.close();
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(150));
        EXPECT_FALSE(dialog.PlaybackRunning());
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(StoredOrder(), apply ? 2 : -1);
    }
}

TEST(AboutBox, ShowsVersionAndTheNoticeOfTheLanguage)
{
    const QPixmap logo = Bitmap(153);
    CAboutDlg english(0, logo, nullptr);
    CAboutDlg chinese(1, logo, nullptr);
    EXPECT_EQ(english.windowTitle(), "About Kerfmax");
    EXPECT_EQ(Child<QLabel>(english, "1014")->text(), "Ver3.1.7");
    EXPECT_TRUE(Child<QLabel>(english, "1061")->text().startsWith("Copyright (C) 2026"));
    EXPECT_TRUE(Child<QLabel>(chinese, "1061")->text().startsWith(QString::fromUtf8("版权所有")));
    EXPECT_EQ(Child<QLabel>(english, "1063")->pixmap().size(), logo.size());

    // Widening widens the hidden, empty link areas and moves nothing.
    english.show();
    const QRect version = Child(english, "1014")->geometry();
    const QRect ok = Child(english, "1")->geometry();
    const QRect link = Child(english, "1001")->geometry();
    english.resize(english.width() + 80, english.height() + 30);
    QCoreApplication::processEvents();
    for (const char* id : {"1000", "1001", "1002"}) {
        EXPECT_FALSE(Child(english, id)->isVisible()) << id;
        EXPECT_TRUE(Child<QLabel>(english, id)->text().isEmpty()) << id;
    }
    EXPECT_EQ(Child(english, "1001")->geometry(), link.adjusted(0, 0, 80, 0));
    EXPECT_EQ(Child(english, "1014")->geometry(), version);
    EXPECT_EQ(Child(english, "1")->geometry(), ok);
    english.close();
}

TEST(Pictures, EveryNamedPictureIsThereAndOthersAreNot)
{
    for (int id : {128, 129, 130, 134, 136, 137, 138, 139, 140, 141, 142, 143, 144, 151, 153, 164, 166, 167, 168})
        EXPECT_FALSE(Bitmap(id).isNull()) << id;
    EXPECT_TRUE(Bitmap(135).isNull());
    EXPECT_TRUE(Bitmap(0).isNull());
    const QIcon icon = AppIcon();
    EXPECT_GE(icon.availableSizes().size(), 5);
    EXPECT_FALSE(icon.pixmap(256, 256).isNull());
}

TEST(Skin, LoadsASoundStyleSheetAndIgnoresTheRest)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    const QString before = app->styleSheet();
    test::TempDir dir;
    EXPECT_FALSE(LoadSkin(*app, dir.Path()));  // no file
    const char* broken[] = {
        "QPushButton { color: red; ",  // brace left open
        "QPushButton { color: red; } }",  // one closed too many
        "QLabel { color: red; } /* open",  // comment never closed
        "QLabel { font-family: \"Arial; }",  // string never closed
        "QLabel { color: red; } /* \xC3\x28 */",  // not UTF-8
    };
    for (const char* text : broken) {
        test::WriteFileBytes(dir / "Skin.qss", text);
        EXPECT_FALSE(LoadSkin(*app, dir.Path())) << text;
        EXPECT_EQ(app->styleSheet(), before) << text;
    }
    std::filesystem::remove(dir / "Skin.qss");
    std::filesystem::create_directory(dir / "Skin.qss");  // a folder of that name is no file
    EXPECT_FALSE(LoadSkin(*app, dir.Path()));
    std::filesystem::remove(dir / "Skin.qss");

    // The shipped sample, with a comment holding braces and a non-ASCII name.
    const std::string sample = test::ReadFileBytes(test::SourcePath("resources/Skin.qss"));
    test::WriteFileBytes(dir / "Skin.qss", sample + "/* } { */ QLabel#\xE4\xB8\xAD { color: #123456; }\n");
    EXPECT_TRUE(LoadSkin(*app, dir.Path()));
    EXPECT_TRUE(app->styleSheet().contains("QProgressBar::chunk"));
    EXPECT_TRUE(app->styleSheet().contains(QString::fromUtf8("QLabel#中")));
    app->setStyleSheet(before);
}

}  // namespace
}  // namespace kerfmax::gui
