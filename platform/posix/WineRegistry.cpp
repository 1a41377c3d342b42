// The user registry of a Wine prefix, read from its "user.reg" text file.
// Wine writes that file itself; we only read it, so a damaged line is passed
// over rather than trusted, and the file is never written.
#include "platform/Registry.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>
#include <vector>

namespace kerfmax {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string NormalizeKeyPath(std::string_view keyPath)
{
    while (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
    while (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
    return LowerAscii(keyPath);
}

void AppendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Collects UTF-16 code units (from escapes or hex data) and emits UTF-8,
// joining surrogate pairs; a lone surrogate becomes U+FFFD.
class Utf16Sink {
public:
    explicit Utf16Sink(std::string& out) : m_out(out) {}
    ~Utf16Sink() { Flush(); }
    void Unit(std::uint32_t unit)
    {
        if (m_high && unit >= 0xDC00 && unit <= 0xDFFF) {
            AppendUtf8(m_out, 0x10000 + ((m_high - 0xD800) << 10) + (unit - 0xDC00));
            m_high = 0;
            return;
        }
        Flush();
        if (unit >= 0xD800 && unit <= 0xDBFF) m_high = unit;
        else if (unit >= 0xDC00 && unit <= 0xDFFF) AppendUtf8(m_out, 0xFFFD);
        else AppendUtf8(m_out, unit);
    }
    void Byte(char c)
    {
        Flush();
        m_out += c;
    }
    void Flush()
    {
        if (m_high) AppendUtf8(m_out, 0xFFFD);
        m_high = 0;
    }

private:
    std::string& m_out;
    std::uint32_t m_high = 0;
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads an escaped text from text[pos] up to the unescaped terminator, which
// is consumed. Returns false when the terminator never comes.
bool ReadEscaped(std::string_view text, std::size_t& pos, char terminator, std::string& out)
{
    Utf16Sink sink(out);
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == terminator) return true;
        if (c != '\\') {
            sink.Byte(c);
            continue;
        }
        if (pos >= text.size()) return false;
        char e = text[pos++];
        switch (e) {
        case 'a': sink.Byte('\a'); break;
        case 'b': sink.Byte('\b'); break;
        case 'e': sink.Byte('\x1b'); break;
        case 'f': sink.Byte('\f'); break;
        case 'n': sink.Byte('\n'); break;
        case 'r': sink.Byte('\r'); break;
        case 't': sink.Byte('\t'); break;
        case 'v': sink.Byte('\v'); break;
        case 'x': {
            std::uint32_t unit = 0;
            int digits = 0;
            while (digits < 4 && pos < text.size() && HexDigit(text[pos]) >= 0) {
                unit = unit * 16 + static_cast<std::uint32_t>(HexDigit(text[pos++]));
                ++digits;
            }
            if (digits == 0) sink.Byte('x');
            else sink.Unit(unit);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
                for (int digits = 1; digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7';
                     ++digits)
                    unit = unit * 8 + static_cast<std::uint32_t>(text[pos++] - '0');
                sink.Unit(unit);
            } else {
                sink.Byte(e);   // \\ and \" and anything unknown stand for themselves
            }
        }
    }
    return false;
}

// "aa,bb,cc" (already joined over continuation lines) into bytes.
bool ParseHexBytes(std::string_view text, std::string& bytes)
{
    int high = -1;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t' || c == '\r') continue;
        int digit = HexDigit(c);
        if (digit < 0) return false;
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    return high < 0;
}

std::string TextUpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

std::string Utf16LeToUtf8(const std::string& bytes)
{
    std::string out;
    {
        Utf16Sink sink(out);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            std::uint32_t unit = static_cast<unsigned char>(bytes[i]) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
            if (unit == 0) break;
            sink.Unit(unit);
        }
    }
    return out;
}

struct StoredValue {
    std::string text;        // as a zero-terminated string reader sees it
    std::size_t bufferBytes; // what a caller's buffer must hold
};

class WineRegistry final : public Registry {
public:
    explicit WineRegistry(std::filesystem::path prefix) : m_prefix(std::move(prefix)) { Load(); }

    std::optional<std::string> ReadString(const std::string& keyPath, const std::string& valueName) const override
    {
        auto key = m_keys.find(NormalizeKeyPath(keyPath));
        if (key == m_keys.end()) return std::nullopt;
        auto value = key->second.find(LowerAscii(valueName));
        if (value == key->second.end()) return std::nullopt;
        if (value->second.bufferBytes > kRegistryValueBufferSize) return std::nullopt;
        return value->second.text;
    }

    std::optional<std::filesystem::path> ToLocalPath(const std::string& storedPath) const override;

    std::string LoadProblem() const override { return m_problem; }

private:
    void Load();
    void ParseLines(std::istream& in);
    void ParseValueLine(std::string line, std::istream& in, std::map<std::string, StoredValue>& values);

    std::filesystem::path m_prefix;
    std::map<std::string, std::map<std::string, StoredValue>> m_keys;
    std::string m_problem;
};

void WineRegistry::Load()
{
    auto file = m_prefix / "user.reg";
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        m_problem = "cannot read " + file.string() + ": " + std::strerror(errno);
        return;
    }
    std::string header;
    std::getline(in, header);
    if (!header.empty() && header.back() == '\r') header.pop_back();
    if (header != kHeader) {
        m_problem = file.string() + " is not a Wine registry file";
        return;
    }
    ParseLines(in);
}

void WineRegistry::ParseLines(std::istream& in)
{
    std::map<std::string, StoredValue>* current = nullptr;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            std::size_t pos = 1;
            std::string name;
            current = ReadEscaped(line, pos, ']', name) ? &m_keys[NormalizeKeyPath(name)] : nullptr;
        } else if (current && (line[0] == '"' || line[0] == '@')) {
            ParseValueLine(std::move(line), in, *current);
        }
    }
}

void WineRegistry::ParseValueLine(std::string line, std::istream& in, std::map<std::string, StoredValue>& values)
{
    std::size_t pos = 1;
    std::string name;
    if (line[0] == '"' && !ReadEscaped(line, pos, '"', name)) return;
    if (pos >= line.size() || line[pos] != '=') return;
    std::string_view data = std::string_view(line).substr(pos + 1);

    StoredValue value;
    if (data.starts_with("\"") || data.starts_with("str(")) {
        std::size_t quote = data.find('"');
        if (quote == std::string_view::npos) return;
        std::size_t at = quote + 1;
        if (!ReadEscaped(data, at, '"', value.text)) return;
        value.text = TextUpToNul(value.text);
        value.bufferBytes = value.text.size() + 1;
    } else if (data.starts_with("dword:")) {
        std::string digits(data.substr(6));
        char* end = nullptr;
        unsigned long number = std::strtoul(digits.c_str(), &end, 16);
        if (digits.empty() || *end != '\0') return;
        std::string bytes;
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
        value.text = TextUpToNul(bytes);
        value.bufferBytes = 4;
    } else if (data.starts_with("hex")) {
        std::size_t colon = data.find(':');
        if (colon == std::string_view::npos) return;
        std::string_view type = data.substr(0, colon);
        // Long hex data continues on the next lines after a trailing backslash.
        std::string hex(data.substr(colon + 1));
        std::string next;
        while (!hex.empty() && hex.back() == '\\' && std::getline(in, next)) {
            hex.pop_back();
            hex += next;
        }
        std::string bytes;
        if (!ParseHexBytes(hex, bytes)) return;
        bool utf16Text = type == "hex(1)" || type == "hex(2)" || type == "hex(7)";
        value.text = utf16Text ? Utf16LeToUtf8(bytes) : TextUpToNul(bytes);
        value.bufferBytes = utf16Text ? value.text.size() + 1 : bytes.size();
    } else {
        return;
    }
    values[LowerAscii(name)] = std::move(value);
}

// Wine resolves names without regard to case; so do we, one component at a time.
std::filesystem::path ResolveComponent(const std::filesystem::path& folder, const std::string& component)
{
    std::error_code ec;
    if (std::filesystem::exists(folder / component, ec)) return folder / component;
    std::string wanted = LowerAscii(component);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (LowerAscii(it->path().filename().string()) == wanted) return it->path();
    }
    return folder / component;
}

std::optional<std::filesystem::path> WineRegistry::ToLocalPath(const std::string& storedPath) const
{
    if (storedPath.size() < 2 || !std::isalpha(static_cast<unsigned char>(storedPath[0])) || storedPath[1] != ':')
        return std::nullopt;
    char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(storedPath[0])));
    std::filesystem::path local =
        drive == 'c' ? m_prefix / "drive_c" : m_prefix / "dosdevices" / (std::string(1, drive) + ":");
    std::string component;
    int depth = 0;   // ".." never climbs above the drive's root, as on Windows
    auto flush = [&] {
        if (component == "..") {
            if (depth > 0) {
                local = local.parent_path();
                --depth;
            }
        } else if (!component.empty() && component != ".") {
            local = ResolveComponent(local, component);
            ++depth;
        }
        component.clear();
    };
    for (char c : std::string_view(storedPath).substr(2)) {
        if (c == '\\' || c == '/') flush();
        else component += c;
    }
    flush();
    return local;
}

}  // namespace

std::unique_ptr<Registry> OpenWinePrefixRegistry(const std::filesystem::path& prefix)
{
    return std::make_unique<WineRegistry>(prefix);
}

std::unique_ptr<Registry> OpenCurrentUserRegistry()
{
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return OpenWinePrefixRegistry(prefix);
    const char* home = std::getenv("HOME");
    return OpenWinePrefixRegistry(std::filesystem::path(home ? home : "") / ".wine");
}

}  // namespace kerfmax
