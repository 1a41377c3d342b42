#include "xml/XmlUtf16.h"

#include "platform/Utf8.h"

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

bool IsHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}

// An unpaired surrogate is kept in the text in the three-byte form UTF-8
// would give its number (ED A0..BF 80..BF), which no valid UTF-8 uses, so
// that writing the document back gives the very unit again.
void AppendLoneSurrogate(std::string* out, char16_t unit)
{
    *out += static_cast<char>(0xE0 | (unit >> 12));
    *out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (unit & 0x3F));
}

bool LoneSurrogateAt(std::string_view text, std::size_t pos, char16_t* unit)
{
    if (text.size() - pos < 3) return false;
    const auto b0 = static_cast<unsigned char>(text[pos]);
    const auto b1 = static_cast<unsigned char>(text[pos + 1]);
    const auto b2 = static_cast<unsigned char>(text[pos + 2]);
    if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return false;
    *unit = static_cast<char16_t>(0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
    return true;
}

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
            AppendLoneSurrogate(out, unit);
            continue;
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
        char16_t lone;
        if (LoneSurrogateAt(text, pos, &lone)) {
            PutUnit(out, lone, bigEndian);
            pos += 3;
            continue;
        }
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
