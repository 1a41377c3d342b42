#pragma once
// Conversion between UTF-8 and 8-bit or multi-byte code pages (ISO-8859-x,
// windows-125x, GBK, Shift_JIS, ...). One implementation per platform: iconv
// from the C library on POSIX systems, the Win32 code-page calls on Windows.
#include <cstddef>
#include <string>
#include <string_view>

namespace kerfmax {

struct CodePageConversion {
    bool supported = false;  // false: the encoding is unknown, nothing was converted
    std::size_t lost = 0;  // characters that could not be converted and were replaced
};

class CodePageConverter {
public:
    virtual ~CodePageConverter() = default;
    // Undecodable bytes become U+FFFD, except the bytes a Windows single-byte
    // code page leaves undefined, which become the control character of the
    // same number (0x81 -> U+0081), as the Windows conversion does.
    virtual CodePageConversion ToUtf8(std::string_view bytes, std::string_view encoding, std::string* out) const = 0;
    // Unrepresentable characters (and malformed UTF-8) become '?'; such a
    // control character goes back to its undefined byte.
    virtual CodePageConversion FromUtf8(std::string_view text, std::string_view encoding, std::string* out) const = 0;
    // The code page for bytes that carry no encoding and are not UTF-8.
    virtual std::string AnsiEncodingName() const = 0;
};

const CodePageConverter& SystemCodePageConverter();

}  // namespace kerfmax
