#include "gui/Skin.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QStringDecoder>

namespace kerfmax::gui {

namespace {

// A style sheet is a few kilobytes; anything far larger is not one.
constexpr std::uintmax_t kMaxSkinBytes = 1024 * 1024;

bool IsUtf8(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

// Comments and strings closed, braces balanced and never closed before they
// open. Qt would drop a sheet it cannot parse without a word; this keeps the
// decision ours and the look predictable.
bool IsBalanced(const std::string& text)
{
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const std::size_t end = text.find("*/", i + 2);
            if (end == std::string::npos) return false;
            i = end + 1;
        } else if (c == '"' || c == '\'') {
            std::size_t j = i + 1;
            while (j < text.size() && text[j] != c && text[j] != '\n') j += text[j] == '\\' ? 2 : 1;
            if (j >= text.size() || text[j] != c) return false;
            i = j;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth < 0) return false;
        }
    }
    return depth == 0;
}

}  // namespace

std::optional<std::string> ReadSkinFile(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxSkinBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    // A byte-order mark is allowed and dropped.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    if (!IsUtf8(text) || !IsBalanced(text)) return std::nullopt;
    return text;
}

bool LoadSkin(QApplication& app, const std::filesystem::path& programFolder)
{
    const std::optional<std::string> text = ReadSkinFile(programFolder / kSkinFileName);
    if (!text) return false;
    app.setStyleSheet(QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size())));
    return true;
}

}  // namespace kerfmax::gui
