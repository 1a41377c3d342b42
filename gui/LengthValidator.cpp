#include "gui/LengthValidator.h"

#include <QLineEdit>

#include "app/JobSettings.h"

namespace kerfmax::gui {

namespace {

// Only the first nine characters of a length box are read: a longer text would
// show a value that is not the one used.
constexpr int kLengthTextLimit = 9;

}  // namespace

QValidator::State LengthValidator::validate(QString& input, int&) const
{
    input.replace(QLatin1Char(','), QLatin1Char('.'));
    const std::string text = input.toStdString();
    if (IsLengthText(text)) return Acceptable;
    // Empty or a lone point: a length still being typed.
    if (input.isEmpty() || input == QLatin1String(".")) return Intermediate;
    return Invalid;
}

void MakeLengthEdit(QLineEdit& edit)
{
    edit.setValidator(new LengthValidator(&edit));
    edit.setMaxLength(kLengthTextLimit);
}

}  // namespace kerfmax::gui
