#pragma once
// The Feature dialog: the frame around the job and its four margins in whole
// millimetres. The main window keeps one for the whole run, so its values
// last until the program ends; they are never written to the settings file.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kerfmax::gui {

class CFeatureDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFeatureDlg(QWidget* parent = nullptr);

    // The texts of the language (1 Chinese, any other value English).
    void SetLanguage(int language);

    // Radio-button ids of the modes.
    static constexpr int kAllEqual = 1038;
    static constexpr int kHorizontalEqual = 1039;
    static constexpr int kVerticalEqual = 1040;
    static constexpr int kOther = 1041;

    int marginLeft = 1;
    int marginRight = 1;
    int marginBottom = 1;
    int marginTop = 1;
    int frameEnabled = 0;  // stored at the click, so Cancel keeps it
    int mode = kAllEqual;  // stored at the click, so Cancel keeps it

    // OK: the four boxes into the margins, then close.
    void accept() override;

protected:
    // Every opening starts from the fields: the values last confirmed with OK.
    void showEvent(QShowEvent* event) override;

private:
    enum Side { Left, Right, Bottom, Top, SideCount };

    void ApplyTexts();
    void ApplyFrameState();
    void ApplyModeEnabling();
    void CopyEqualValues();
    void OnModeClicked(int id);
    void OnSpin(Side side, int step);
    void OnEdited(Side side);

    int m_language = 0;
    QCheckBox* m_frameCheck = nullptr;
    QLineEdit* m_edits[SideCount] = {};
    QRadioButton* m_modes[4] = {};
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace kerfmax::gui
