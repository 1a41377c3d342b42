#include "gui/Pictures.h"

#include <algorithm>
#include <iterator>

#include <QString>

namespace kerfmax::gui {

namespace {

constexpr int kPictureIds[] = {128, 129, 130, 134, 136, 137, 138, 139, 140, 141,
                               142, 143, 144, 151, 153, 164, 166, 167, 168};
constexpr int kAppIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

}  // namespace

QPixmap Bitmap(int resourceId)
{
    if (std::find(std::begin(kPictureIds), std::end(kPictureIds), resourceId) == std::end(kPictureIds)) return {};
    return QPixmap(QStringLiteral(":/pictures/bitmap%1.png").arg(resourceId));
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : kAppIconSizes)
        icon.addFile(QStringLiteral(":/pictures/icon128_%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace kerfmax::gui
