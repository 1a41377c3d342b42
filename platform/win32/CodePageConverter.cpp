// The Win32 code-page calls (MultiByteToWideChar / WideCharToMultiByte) behind
// the XML document's CodePageConverter. Encoding names are the ones files
// declare ("windows-1252", "ISO-8859-2", "GBK", "Shift_JIS", ...).
#include "platform/win32/Win32Text.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/CodePageConverter.h"
#include "platform/Utf8.h"

namespace kerfmax {

namespace {

// Lower case without '-', '_' and blanks: "Shift_JIS" and "shift-jis" are one name.
std::string Normalized(std::string_view name)
{
    std::string n;
    for (const char c : name)
        if (c != '-' && c != '_' && c != ' ') n += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return n;
}

struct NamedCodePage {
    const char* name;
    UINT codePage;
};

constexpr NamedCodePage kNames[] = {
    {"usascii", 20127},   {"ascii", 20127},     {"latin1", 28591},   {"latin2", 28592},    {"iso88591", 28591},
    {"iso88592", 28592},  {"iso88593", 28593},  {"iso88594", 28594}, {"iso88595", 28595},  {"iso88596", 28596},
    {"iso88597", 28597},  {"iso88598", 28598},  {"iso88599", 28599}, {"iso885913", 28603}, {"iso885915", 28605},
    {"gbk", 936},         {"gb2312", 936},      {"euccn", 936},      {"gb18030", 54936},   {"big5", 950},
    {"shiftjis", 932},    {"sjis", 932},        {"windows31j", 932}, {"eucjp", 20932},     {"euckr", 51949},
    {"ksc56011987", 949}, {"uhc", 949},         {"koi8r", 20866},    {"koi8u", 21866},     {"macintosh", 10000},
    {"tis620", 874},      {"iso2022jp", 50220},
};

// "windows-1250", "cp850", "x-cp1252", "ibm437" and the names above.
std::optional<UINT> CodePageOf(std::string_view encoding)
{
    const std::string n = Normalized(encoding);
    UINT codePage = 0;
    for (const NamedCodePage& entry : kNames)
        if (n == entry.name) codePage = entry.codePage;
    if (codePage == 0) {
        for (const std::string_view prefix : {"windows", "xcp", "cp", "ibm", "ms"}) {
            if (n.size() <= prefix.size() || n.compare(0, prefix.size(), prefix) != 0) continue;
            const std::string digits = n.substr(prefix.size());
            if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
            codePage = static_cast<UINT>(std::strtoul(digits.c_str(), nullptr, 10));
            break;
        }
    }
    // UTF-8 and UTF-16 are the document's own business, never a code page here.
    if (codePage == 0 || codePage == CP_UTF8 || codePage == 1200 || codePage == 1201 || !::IsValidCodePage(codePage))
        return std::nullopt;
    return codePage;
}

void AppendWide(std::wstring_view wide, std::string* out)
{
    *out += win32::WideToUtf8(wide);
}

// Converts bytes that MultiByteToWideChar accepts whole; false when one is refused.
bool DecodeStrict(UINT codePage, std::string_view bytes, std::wstring& wide)
{
    wide.clear();
    if (bytes.empty()) return true;
    const int size = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (needed <= 0) return false;
    wide.resize(static_cast<std::size_t>(needed));
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), needed) == needed;
}

// Some code pages refuse MB_ERR_INVALID_CHARS and the used-default report.
bool TakesStrictFlags(UINT codePage)
{
    return !(codePage == 50220 || codePage == 50221 || codePage == 50222 || codePage == 50225 || codePage == 50227 ||
             codePage == 50229 || codePage == 52936 || codePage == 54936 || (codePage >= 57002 && codePage <= 57011) ||
             codePage == 65000 || codePage == 42);
}

// UTF-8 to UTF-16 with each malformed byte as '?'; returns how many there were.
std::size_t WideFromUtf8(std::string_view text, std::wstring& wide)
{
    std::size_t lost = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t cp = 0;
        if (!NextUtf8(text, &pos, &cp)) {
            wide += L'?';
            ++lost;
        } else if (cp >= 0x10000) {
            wide += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            wide += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(cp);
        }
    }
    return lost;
}

// One run of UTF-16 into the code page; *usedDefault tells whether '?' stood in.
std::string Encode(UINT codePage, std::wstring_view wide, bool* usedDefault)
{
    if (wide.empty()) return {};
    const bool strict = TakesStrictFlags(codePage);
    const DWORD flags = strict ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL used = FALSE;
    const int size = static_cast<int>(wide.size());
    const int needed = ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, strict ? "?" : nullptr,
                                             strict ? &used : nullptr);
    std::string bytes(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    used = FALSE;
    if (needed > 0)
        ::WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), needed, strict ? "?" : nullptr,
                              strict ? &used : nullptr);
    *usedDefault = used != FALSE;
    return bytes;
}

class Win32CodePageConverter final : public CodePageConverter {
public:
    CodePageConversion ToUtf8(std::string_view bytes, std::string_view encoding, std::string* out) const override
    {
        const std::optional<UINT> codePage = CodePageOf(encoding);
        if (!codePage) return {};
        std::wstring wide;
        if (!TakesStrictFlags(*codePage)) {
            const int needed =
                ::MultiByteToWideChar(*codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
            wide.resize(static_cast<std::size_t>(needed > 0 ? needed : 0));
            if (needed > 0)
                ::MultiByteToWideChar(*codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), needed);
            AppendWide(wide, out);
            return {true, 0};
        }
        if (DecodeStrict(*codePage, bytes, wide)) {
            AppendWide(wide, out);
            return {true, 0};
        }
        // Something was refused: go character by character, a lead byte with
        // its trail byte, and put U+FFFD for each byte that makes no character.
        CPINFO info{};
        ::GetCPInfo(*codePage, &info);
        std::size_t lost = 0;
        std::wstring all, one;
        for (std::size_t pos = 0; pos < bytes.size();) {
            std::size_t step = 1;
            if (info.MaxCharSize == 2 && pos + 1 < bytes.size() &&
                ::IsDBCSLeadByteEx(*codePage, static_cast<BYTE>(bytes[pos])))
                step = 2;
            if (DecodeStrict(*codePage, bytes.substr(pos, step), one)) {
                all += one;
                pos += step;
                continue;
            }
            all += static_cast<wchar_t>(kReplacementCharacter);
            ++lost;
            ++pos;
        }
        AppendWide(all, out);
        return {true, lost};
    }

    CodePageConversion FromUtf8(std::string_view text, std::string_view encoding, std::string* out) const override
    {
        const std::optional<UINT> codePage = CodePageOf(encoding);
        if (!codePage) return {};
        std::wstring wide;
        std::size_t lost = WideFromUtf8(text, wide);
        bool usedDefault = false;
        std::string bytes = Encode(*codePage, wide, &usedDefault);
        if (usedDefault) {
            // Count the characters that had no place, one at a time.
            bytes.clear();
            for (std::size_t i = 0; i < wide.size();) {
                const std::size_t units = (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) ? 2 : 1;
                bool missing = false;
                bytes += Encode(*codePage, std::wstring_view(wide).substr(i, units), &missing);
                if (missing) ++lost;
                i += units;
            }
        }
        *out += bytes;
        return {true, lost};
    }

    std::string AnsiEncodingName() const override { return "WINDOWS-" + std::to_string(::GetACP()); }
};

}  // namespace

const CodePageConverter& SystemCodePageConverter()
{
    static const Win32CodePageConverter converter;
    return converter;
}

}  // namespace kerfmax
