#include "xml/XmlUtf16.h"

#include "xml/XmlUtf8.h"

namespace kerfmax {
namespace {

char16_t UnitAt(std::string_view bytes, std::size_t i, bool bigEndian)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char16_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
}

void PutUnit(std::string* out, char16_t unit, bool bigEndian)
{
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    *out += bigEndian ? high : low;
    *out += bigEndian ? low : high;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::size_t Utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string* out)
{
    std::size_t lost = 0;
    const std::size_t units = bytes.size() / 2;
    out->reserve(out->size() + bytes.size());
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = UnitAt(bytes, 2 * i, bigEndian);
        char32_t cp = unit;
        if (IsHighSurrogate(unit) && i + 1 < units && IsLowSurrogate(UnitAt(bytes, 2 * i + 2, bigEndian))) {
            const char16_t low = UnitAt(bytes, 2 * ++i, bigEndian);
            cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            cp = kReplacementCharacter;
            ++lost;
        }
        AppendUtf8(*out, cp);
    }
    return lost;
}

std::size_t Utf8ToUtf16(std::string_view text, bool bigEndian, std::string* out)
{
    std::size_t lost = 0;
    out->reserve(out->size() + text.size() * 2);
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp;
        if (!NextUtf8(text, &pos, &cp)) {
            cp = kReplacementCharacter;
            ++lost;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            PutUnit(out, static_cast<char16_t>(0xD800 + (cp >> 10)), bigEndian);
            PutUnit(out, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)), bigEndian);
        } else {
            PutUnit(out, static_cast<char16_t>(cp), bigEndian);
        }
    }
    return lost;
}

}  // namespace kerfmax
