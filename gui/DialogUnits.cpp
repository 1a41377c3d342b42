#include "gui/DialogUnits.h"

namespace kerfmax::gui {

namespace {

// value * numerator / denominator, rounded half away from zero.
int MulDivRounded(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

}  // namespace

int DialogX(int units)
{
    return MulDivRounded(units, kDialogBaseWidth, 4);
}

int DialogY(int units)
{
    return MulDivRounded(units, kDialogBaseHeight, 8);
}

QRect DialogRect(int x, int y, int w, int h)
{
    return QRect(DialogX(x), DialogY(y), DialogX(w), DialogY(h));
}

QSize DialogSize(int w, int h)
{
    return QSize(DialogX(w), DialogY(h));
}

}  // namespace kerfmax::gui
