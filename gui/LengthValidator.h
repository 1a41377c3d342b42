#pragma once
// The blade-offset and over-cut boxes take only a length in millimetres:
// digits and one decimal point. A comma typed (or pasted) becomes the point,
// as users of decimal commas type it. An empty box or a lone point may stand
// while typing; Send and Save to File refuse them.
#include <QValidator>

class QLineEdit;

namespace kerfmax::gui {

class LengthValidator final : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Gives the box its validator and the nine characters that a length is read from.
void MakeLengthEdit(QLineEdit& edit);

}  // namespace kerfmax::gui
