// The side dialogs (Feature, cutting order) and the skin.

#include "app/SettingsKeys.h"
#include "gui/CuttingOrderDlg.h"
#include "gui/MainDialogWindow.h"
#include "gui/Skin.h"
#include "run/CuttingRun.h"

namespace kerfmax::gui {
namespace {

using namespace test_window;

template <typename T = QWidget>
T* Child(const QWidget& parent, const char* id)
{
    T* child = parent.findChild<T*>(QString::fromLatin1(id));
    EXPECT_NE(child, nullptr) << id;
    return child;
}

// One click on the up (+1) or down (-1) arrow of an up-down control.
void Spin(const QWidget& dialog, const char* spinId, int step, int times = 1)
{
    const QList<QToolButton*> arrows = Child(dialog, spinId)->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    for (int i = 0; i < times; ++i) arrows[step > 0 ? 0 : 1]->click();
}

// The margin boxes, left, right, bottom, top: their texts, or whether they are open.
std::vector<QString> Boxes(const QWidget& dialog, bool open = false)
{
    std::vector<QString> boxes;
    for (const char* id : {"1037", "1034", "1036", "1033"})
        boxes.push_back(open ? QString::number(Child(dialog, id)->isEnabled()) : Child<QLineEdit>(dialog, id)->text());
    return boxes;
}

std::vector<int> Margins(const CFeatureDlg& dialog)
{
    return {dialog.marginLeft, dialog.marginRight, dialog.marginBottom, dialog.marginTop};
}

TEST(FeatureDialog, FrameAndModeDecideWhichBoxesAreOpenAndOnlyOkStoresTheNumbers)
{
    CFeatureDlg dialog;
    dialog.show();
    // Frame off: boxes and modes closed; the arrows still count and, all equal,
    // are copied to every box.
    EXPECT_EQ(Boxes(dialog, true), (std::vector<QString>{"0", "0", "0", "0"}));
    EXPECT_FALSE(Child(dialog, "1041")->isEnabled());
    Spin(dialog, "1018", -1);  // down from 1 leaves 1
    Spin(dialog, "1018", +1, 6);
    EXPECT_EQ(Boxes(dialog), (std::vector<QString>{"7", "7", "7", "7"}));
    Child<QPushButton>(dialog, "1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Margins(dialog), (std::vector<int>{7, 7, 7, 7}));

    dialog.show();
    Child<QCheckBox>(dialog, "1032")->click();
    EXPECT_EQ(dialog.frameEnabled, 1);
    Child<QRadioButton>(dialog, "1041")->click();
    Spin(dialog, "1018", -1, 2);  // left
    Spin(dialog, "1050", +1, 2);  // bottom
    // Each mode closes the boxes it copies into and copies at once.
    const struct {
        const char* mode;
        std::vector<QString> open, boxes;
    } modes[] = {{"1041", {"1", "1", "1", "1"}, {"5", "7", "9", "7"}},
                 {"1039", {"1", "0", "1", "1"}, {"5", "5", "9", "7"}},  // horizontal: left to right
                 {"1040", {"1", "1", "1", "0"}, {"5", "5", "9", "9"}},  // vertical: bottom to top
                 {"1038", {"1", "0", "0", "0"}, {"5", "5", "5", "5"}}};  // all: left everywhere
    for (const auto& m : modes) {
        Child<QRadioButton>(dialog, m.mode)->click();
        EXPECT_EQ(Boxes(dialog, true), m.open) << m.mode;
        EXPECT_EQ(Boxes(dialog), m.boxes) << m.mode;
    }
    // Digits only, the closed copies follow the typing, and an empty box reads as 0.
    QLineEdit* left = Child<QLineEdit>(dialog, "1037");
    left->clear();
    Type(left, "1a2-3.5 ");
    EXPECT_EQ(Boxes(dialog), (std::vector<QString>{"1235", "1235", "1235", "1235"}));
    Child<QRadioButton>(dialog, "1041")->click();
    Child<QLineEdit>(dialog, "1036")->clear();
    Child<QPushButton>(dialog, "1")->click();
    EXPECT_EQ(Margins(dialog), (std::vector<int>{1235, 1235, 0, 1235}));

    // Cancel keeps the clicks on the frame and a mode but not the numbers.
    dialog.show();
    Child<QRadioButton>(dialog, "1039")->click();
    Spin(dialog, "1050", +1, 4);
    Child<QCheckBox>(dialog, "1032")->click();
    Child<QPushButton>(dialog, "2")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.mode, CFeatureDlg::kHorizontalEqual);
    EXPECT_EQ(dialog.frameEnabled, 0);
    EXPECT_EQ(Margins(dialog), (std::vector<int>{1235, 1235, 0, 1235}));
    dialog.show();
    EXPECT_EQ(Boxes(dialog)[2], "0");
    EXPECT_TRUE(Child<QRadioButton>(dialog, "1039")->isChecked());
    dialog.reject();
}

class CuttingOrderDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string text;
        for (int x = 0; x < 20 * 600; x += 600)  // twenty squares of 10 mm, 5 mm apart
            text += QString("PU%1,0;PD%2,0;PD%2,400;PD%1,400;PD%1,0;").arg(x).arg(x + 400).toStdString();
        run.LoadJobText(text + "SP0;");
        ASSERT_TRUE(run.HasJob());
    }
    int StoredOrder() { return ini.ReadInt(settings::kOffsetSection, settings::kCutOrderKey, -1); }

    test::TempDir dir;
    CIniFile ini{dir / "Kerfmax.ini"};
    CuttingRun run;
};

TEST_F(CuttingOrderDialog, OkStoresTheChosenOrderOfEachMenuChoice)
{
    using D = CCuttingOrderDlg;
    for (auto [menuId, mode, picture] : {std::tuple{D::kReduceFeedMenuId, D::ReduceFeed, D::ReduceFeedPicture},
                                         {D::kInsideFirstMenuId, D::InsideFirst, D::InsideFirstPicture},
                                         {D::kDefaultOrderMenuId, D::DefaultOrder, D::DefaultOrderPicture}}) {
        D dialog(run, &ini, 0, nullptr);
        dialog.ChooseOrder(menuId);
        Child<QPushButton>(dialog, "1")->click();
        EXPECT_EQ(StoredOrder(), mode);
        EXPECT_EQ(D(run, &ini, 0, nullptr).ShownPicture(), picture);  // the stored order is shown
    }
    // The menu, here in Chinese; without a settings file nothing is written anywhere.
    D chinese(run, nullptr, 1, nullptr);
    Child<QAction>(chinese, "32789")->trigger();
    EXPECT_EQ(Child<QAction>(chinese, "32789")->text(), QString::fromUtf8("由内向外"));
    chinese.Apply();
    EXPECT_EQ(StoredOrder(), D::DefaultOrder);
}

TEST_F(CuttingOrderDialog, PlaybackRunsToTheLastObjectAndClosingEndsItAtOnce)
{
    {
        CCuttingOrderDlg dialog(run, nullptr, 0, nullptr);
        Child<QRadioButton>(dialog, "1074")->click();  // X3
        EXPECT_EQ(dialog.PlaybackDelay(), 50);
        QPushButton* play = Child<QPushButton>(dialog, "1066");
        play->click();
        EXPECT_FALSE(play->isEnabled());
        EXPECT_EQ(dialog.ShownPicture(), CCuttingOrderDlg::PlaybackCanvas);
        PumpUntil([&] { return play->isEnabled(); }, 20s);
        EXPECT_FALSE(dialog.PlaybackRunning());
        // The last frame shows every object in the playback colour.
        EXPECT_EQ(CountPixels(dialog.Picture(CCuttingOrderDlg::PlaybackCanvas), qRgb(255, 0, 255)),
                  CountPixels(dialog.Picture(CCuttingOrderDlg::DefaultOrderPicture), qRgb(230, 130, 130)));
    }
    for (bool apply : {false, true}) {
        CCuttingOrderDlg dialog(run, &ini, 0, nullptr);
        dialog.show();
        dialog.ChooseOrder(apply ? CCuttingOrderDlg::kInsideFirstMenuId : CCuttingOrderDlg::kReduceFeedMenuId);
        Child<QPushButton>(dialog, "1066")->click();  // X1: 20 objects take 6 s
        PumpUntil([] { return false; }, 350ms);
        ASSERT_TRUE(dialog.PlaybackRunning());
        Child<QPushButton>(dialog, apply ? "1" : "2")->click();  // OK, or Cancel
        EXPECT_FALSE(dialog.PlaybackRunning());
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(StoredOrder(), apply ? 2 : -1);
        EXPECT_TRUE(run.CurrentJob().HasOrderedObjects());  // the order computed stays in use
    }
}

TEST(Skin, LoadsASoundStyleSheetAndIgnoresTheRest)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
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
