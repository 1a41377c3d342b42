#pragma once
// The about box: the logo, the version and the maker's notice line in the
// interface language. Its three link areas stay empty and hidden; they widen
// with the box.
#include <QDialog>
#include <QPixmap>

class QLabel;

namespace kerfmax::gui {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(int language, const QPixmap& logo, QWidget* parent);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_links[3] = {nullptr, nullptr, nullptr};
};

}  // namespace kerfmax::gui
