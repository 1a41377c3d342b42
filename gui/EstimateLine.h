#pragma once
// The line under the preview: cut and travel length, objects and how long the
// job will take. The speed in it is a link that asks for a new cutting speed.
#include <QLabel>

#include <functional>
#include <optional>

#include "run/JobEstimate.h"

namespace kerfmax::gui {

class EstimateLine : public QLabel {
    Q_OBJECT
public:
    explicit EstimateLine(QWidget* parent = nullptr);

    void Show(const JobEstimate& estimate, int language);
    void Clear();
    // Asks for the speed (mm/s); nothing when the user cancels. A test may
    // answer instead of the input dialog.
    std::function<std::optional<int>(int current, int language)> speedAsker;
    // The plain text shown (without the link's markup).
    const QString& PlainText() const { return m_plain; }

signals:
    void speedChosen(int mmPerSecond);

private:
    void AskSpeed();

    QString m_plain;
    int m_speed = 0;
    int m_language = 0;
};

}  // namespace kerfmax::gui
