#include "gui/PathText.h"

namespace kerfmax::gui {

std::filesystem::path ToPath(const QString& text)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(text.toStdWString());
#else
    return std::filesystem::path(text.toUtf8().toStdString());
#endif
}

QString ToQString(const std::filesystem::path& path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.wstring());
#else
    return QString::fromUtf8(path.string().c_str());
#endif
}

}  // namespace kerfmax::gui
