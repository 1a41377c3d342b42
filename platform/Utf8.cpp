#include "platform/Utf8.h"

#include <cstdint>
#include <cstring>

namespace kerfmax {

bool AppendUtf8(std::string& out, char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return true;
}

bool NextUtf8(std::string_view text, std::size_t* pos, char32_t* codePoint)
{
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const std::size_t at = *pos;
    const unsigned char lead = byteAt(at);
    std::size_t count;
    char32_t cp;
    char32_t minimum;
    if (lead < 0x80) {
        *codePoint = lead;
        *pos = at + 1;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        count = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        *pos = at + 1;
        return false;
    }
    if (text.size() - at <= count) {
        *pos = at + 1;
        return false;
    }
    for (std::size_t i = 1; i <= count; ++i) {
        const unsigned char next = byteAt(at + i);
        if ((next & 0xC0) != 0x80) {
            *pos = at + 1;
            return false;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        *pos = at + 1;
        return false;
    }
    *codePoint = cp;
    *pos = at + count + 1;
    return true;
}

bool IsValidUtf8(std::string_view text)
{
    std::size_t pos = 0;
    char32_t cp;
    while (pos < text.size()) {
        // Eight ASCII bytes at a time: workspace files are mostly ASCII.
        uint64_t word;
        if (pos + sizeof word <= text.size()) {
            std::memcpy(&word, text.data() + pos, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                pos += sizeof word;
                continue;
            }
        }
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        if (!NextUtf8(text, &pos, &cp)) return false;
    }
    return true;
}

}  // namespace kerfmax
