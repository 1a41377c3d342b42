#include "xml/XmlEscaping.h"

#include <cstddef>

#include "xml/XmlEntities.h"
#include "platform/Utf8.h"

namespace kerfmax {
namespace {

std::string Escape(std::string_view text, bool quotesToo)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += quotesToo ? "&quot;" : "\""; break;
        case '\'': out += quotesToo ? "&apos;" : "'"; break;
        default: out += c;
        }
    }
    return out;
}

bool IsDigitIn(char c, int base)
{
    if (c >= '0' && c <= '9') return true;
    return base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// The code point of a numeric reference body ("#65" or "#x41").
bool ParseNumericReference(std::string_view body, char32_t* codePoint)
{
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    const int base = hex ? 16 : 10;
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return false;
    char32_t value = 0;
    for (const char c : digits) {
        if (!IsDigitIn(c, base)) return false;
        value = value * base + DigitValue(c);
        if (value > 0x10FFFF) return false;
    }
    *codePoint = value;
    return value != 0 && !(value >= 0xD800 && value <= 0xDFFF);
}

// Longest reference body we look for; the longest name is "thetasym".
constexpr std::size_t kMaxReferenceLength = 16;

}  // namespace

std::string EscapeAttributeValue(std::string_view value)
{
    return Escape(value, true);
}

std::string EscapeText(std::string_view text)
{
    return Escape(text, false);
}

std::string DecodeCharacterReferences(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t amp = text.find('&', pos);
        if (amp == std::string_view::npos) break;
        out.append(text, pos, amp - pos);
        const std::size_t semicolon = text.substr(amp, kMaxReferenceLength + 2).find(';');
        char32_t cp = 0;
        bool decoded = false;
        if (semicolon != std::string_view::npos && semicolon > 1) {
            const std::string_view body = text.substr(amp + 1, semicolon - 1);
            decoded = body[0] == '#' ? ParseNumericReference(body, &cp) : LookupNamedEntity(body, &cp);
        }
        if (decoded && AppendUtf8(out, cp)) {
            pos = amp + semicolon + 1;
        } else {
            out += '&';
            pos = amp + 1;
        }
    }
    out.append(text, pos);
    return out;
}

}  // namespace kerfmax
