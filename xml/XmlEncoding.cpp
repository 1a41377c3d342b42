#include "xml/XmlEncoding.h"

#include <algorithm>
#include <cctype>

#include "platform/CodePageConverter.h"
#include "xml/XmlStartTag.h"
#include "xml/XmlUtf16.h"
#include "platform/Utf8.h"

namespace kerfmax {
namespace {

constexpr std::size_t kHeadLength = 1024;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

enum class EncodingKind { None, Utf8, Wide, CodePage };

// "UTF-8", "utf_8" and "UTF8" are one name; so are the other spellings.
std::string Normalized(std::string_view name)
{
    std::string out;
    for (const char c : name)
        if (c != '-' && c != '_' && c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

EncodingKind KindOf(std::string_view name)
{
    if (name.empty()) return EncodingKind::None;
    const std::string n = Normalized(name);
    if (n == "utf8") return EncodingKind::Utf8;
    // A wide encoding declared in text that was read byte by byte cannot be
    // true: the bytes are kept as they are, as for UTF-8.
    for (const std::string_view wide : {"utf16", "utf32", "ucs2", "ucs4", "unicode"})
        if (n.compare(0, wide.size(), wide) == 0) return EncodingKind::Wide;
    return EncodingKind::CodePage;
}

std::string_view QuotedValueAt(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && IsXmlSpace(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] != '=') return {};
    ++pos;
    while (pos < text.size() && IsXmlSpace(text[pos])) ++pos;
    if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\'')) return {};
    const std::size_t close = text.find(text[pos], pos + 1);
    if (close == std::string_view::npos) return {};
    return text.substr(pos + 1, close - pos - 1);
}

std::string DeclarationEncoding(std::string_view head)
{
    const std::size_t end = head.find("?>");
    const std::string_view declaration = head.substr(0, end);
    for (std::size_t at = declaration.find("encoding"); at != std::string_view::npos;
         at = declaration.find("encoding", at + 1)) {
        if (IsXmlSpace(declaration[at - 1])) return std::string(QuotedValueAt(declaration, at + 8));
    }
    return {};
}

std::string MetaCharset(std::string_view head)
{
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::size_t at = lower.find("<meta"); at != std::string::npos; at = lower.find("<meta", at + 1)) {
        const std::size_t tagEnd = std::min(lower.find('>', at), lower.size());
        const std::string_view tag = std::string_view(lower).substr(at, tagEnd - at);
        const std::size_t charset = tag.find("charset=");
        if (tag.find("content-type") == std::string_view::npos || charset == std::string_view::npos) continue;
        std::size_t pos = at + charset + 8;
        const std::size_t valueStart = pos;
        while (pos < tagEnd && !IsXmlSpace(head[pos]) && head[pos] != '"' && head[pos] != '\'' && head[pos] != ';' &&
               head[pos] != '/')
            ++pos;
        return std::string(head.substr(valueStart, pos - valueStart));
    }
    return {};
}

void RemoveNulls(std::string* bytes, XmlResultLog* log)
{
    const std::size_t first = bytes->find('\0');
    if (first == std::string::npos) return;
    const auto kept = std::remove(bytes->begin() + static_cast<std::ptrdiff_t>(first), bytes->end(), '\0');
    const std::size_t removed = static_cast<std::size_t>(bytes->end() - kept);
    bytes->erase(kept, bytes->end());
    log->Add("nulls_removed", {{"count", std::to_string(removed)}});
}

void DecodeUtf16(std::string_view body, bool bigEndian, XmlDecodedText* result, XmlResultLog* log)
{
    result->flags.utf16BigEndian = bigEndian;
    result->flags.utf16LittleEndian = !bigEndian;
    result->encodingName = bigEndian ? "UTF-16BE" : "UTF-16LE";
    if (body.size() % 2 != 0) {
        log->Add("truncation_error", {{"length", "1"}, {"offset", std::to_string(body.size() - 1)}});
        result->flags.utf16OddByte = body.substr(body.size() - 1);
    }
    if (bigEndian) log->Add("endian_swap");
    const std::size_t lost = Utf16ToUtf8(body, bigEndian, &result->text);
    log->Add("converted_from", {{"encoding", result->encodingName}});
    if (lost > 0) log->Add("conversion_loss", {{"count", std::to_string(lost)}});
}

void ConvertFromCodePage(std::string&& bytes, const std::string& encoding, XmlDecodedText* result, XmlResultLog* log)
{
    const CodePageConversion conversion = SystemCodePageConverter().ToUtf8(bytes, encoding, &result->text);
    if (!conversion.supported) {
        result->text = std::move(bytes);
        log->Add("file_error", {{"encoding", encoding}}, "unknown encoding, bytes kept as read");
        return;
    }
    log->Add("converted_from", {{"encoding", encoding}});
    if (conversion.lost > 0) log->Add("conversion_loss", {{"count", std::to_string(conversion.lost)}});
}

void DecodeEightBit(std::string&& bytes, XmlDecodedText* result, XmlResultLog* log)
{
    RemoveNulls(&bytes, log);
    if (result->flags.utf8ByteOrderMark) {
        result->text = std::move(bytes);
        result->encodingName = "UTF-8";
        return;
    }
    const std::string declared = DeclaredEncoding(bytes);
    switch (KindOf(declared)) {
    case EncodingKind::None:
        if (IsValidUtf8(bytes)) {
            result->text = std::move(bytes);
            result->encodingName = "UTF-8";
            return;
        }
        result->flags.readAsAnsi = true;
        result->encodingName = SystemCodePageConverter().AnsiEncodingName();
        log->Add("utf8_detection", {{"encoding", result->encodingName}}, "not valid UTF-8");
        ConvertFromCodePage(std::move(bytes), result->encodingName, result, log);
        return;
    case EncodingKind::Utf8:
    case EncodingKind::Wide:
        result->text = std::move(bytes);
        result->encodingName = declared;
        return;
    case EncodingKind::CodePage:
        result->encodingName = declared;
        ConvertFromCodePage(std::move(bytes), declared, result, log);
        return;
    }
}

bool StartsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string DeclaredEncoding(std::string_view text)
{
    const std::string_view head = text.substr(0, kHeadLength);
    if (head.size() > 5 && StartsWith(head, "<?xml") && IsXmlSpace(head[5])) return DeclarationEncoding(head);
    return MetaCharset(head);
}

XmlDecodedText DecodeXmlBytes(std::string bytes, XmlResultLog* log)
{
    XmlDecodedText result;
    const std::string length = std::to_string(bytes.size());
    if (StartsWith(bytes, kUtf8Bom)) {
        result.flags.utf8ByteOrderMark = result.flags.byteOrderMark = true;
        bytes.erase(0, kUtf8Bom.size());
        DecodeEightBit(std::move(bytes), &result, log);
    } else if (StartsWith(bytes, kUtf16LeBom) || StartsWith(bytes, kUtf16BeBom)) {
        result.flags.byteOrderMark = true;
        DecodeUtf16(std::string_view(bytes).substr(2), StartsWith(bytes, kUtf16BeBom), &result, log);
    } else if (StartsWith(bytes, std::string_view("<\0", 2)) || StartsWith(bytes, std::string_view("\0<", 2))) {
        // No mark, but the first "<" shows the byte order.
        DecodeUtf16(bytes, bytes[0] == '\0', &result, log);
    } else {
        DecodeEightBit(std::move(bytes), &result, log);
    }
    log->Add("read", {{"encoding", result.encodingName}, {"length", length}});
    return result;
}

XmlEncodedBytes EncodeXmlText(std::string_view text, const XmlFileFlags& flags, XmlResultLog* log)
{
    XmlEncodedBytes result;
    if (flags.utf16LittleEndian || flags.utf16BigEndian) {
        const bool bigEndian = flags.utf16BigEndian;
        result.encodingName = bigEndian ? "UTF-16BE" : "UTF-16LE";
        if (flags.byteOrderMark) result.bytes = bigEndian ? kUtf16BeBom : kUtf16LeBom;
        if (bigEndian) log->Add("endian_swap");
        const std::size_t lost = Utf8ToUtf16(text, bigEndian, &result.bytes);
        result.bytes += flags.utf16OddByte;
        log->Add("converted_to", {{"encoding", result.encodingName}});
        if (lost > 0) log->Add("conversion_loss", {{"count", std::to_string(lost)}});
        return result;
    }
    if (flags.utf8ByteOrderMark) {
        result.encodingName = "UTF-8";
        result.bytes.reserve(text.size() + kUtf8Bom.size());
        result.bytes = kUtf8Bom;
        result.bytes += text;
        return result;
    }
    const std::string declared = DeclaredEncoding(text);
    if (KindOf(declared) != EncodingKind::CodePage) {
        result.encodingName = declared.empty() ? "UTF-8" : declared;
        result.textAsIs = true;
        return result;
    }
    result.encodingName = declared;
    const CodePageConversion conversion = SystemCodePageConverter().FromUtf8(text, declared, &result.bytes);
    if (!conversion.supported) {
        result.bytes = text;
        log->Add("file_error", {{"encoding", declared}}, "unknown encoding, text written as UTF-8");
        return result;
    }
    log->Add("converted_to", {{"encoding", declared}});
    if (conversion.lost > 0) log->Add("conversion_loss", {{"count", std::to_string(conversion.lost)}});
    return result;
}

}  // namespace kerfmax
