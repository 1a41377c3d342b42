// iconv (part of the C library on Linux) behind CodePageConverter.
#include "platform/CodePageConverter.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/Utf8.h"

namespace kerfmax {
namespace {

class IconvHandle {
public:
    IconvHandle(const std::string& to, const std::string& from) : m_handle(iconv_open(to.c_str(), from.c_str())) {}
    ~IconvHandle()
    {
        if (Valid()) iconv_close(m_handle);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_handle; }

private:
    iconv_t m_handle;
};

// Runs the whole input through iconv. At a byte it cannot convert, `fault`
// gets the rest of the input, appends what stands for it to the output and
// returns how many input bytes that was; it sets *lost when it had to guess.
template <typename FaultFn>
std::size_t Convert(const IconvHandle& cd, std::string_view input, std::string* out, FaultFn fault)
{
    std::size_t lost = 0;
    char buffer[4096];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft);
        out->append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
        bool guessed = false;
        const std::size_t step = fault(std::string_view(in, inLeft), out, &guessed);
        in += step;
        inLeft -= step;
        lost += guessed ? 1 : 0;
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    // Stateful encodings end with a shift back to their initial state.
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft);
    out->append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return lost;
}

// The Windows single-byte code pages (windows-1250 to windows-1258) leave a few
// bytes of 0x80..0x9F undefined, which the C library refuses. Windows itself
// converts each of them to the control character of the same number and back
// (0x81 <-> U+0081), and so do we: a file read and written keeps those bytes.
bool IsWindowsSingleByteCodePage(std::string_view encoding)
{
    std::string n;
    for (const char c : encoding)
        if (c != '-' && c != '_' && c != ' ') n += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const std::string_view prefix : {"windows125", "cp125", "xcp125"})
        if (n.size() == prefix.size() + 1 && n.compare(0, prefix.size(), prefix) == 0 && n.back() >= '0' &&
            n.back() <= '8')
            return true;
    return false;
}

// True when the code page gives the byte no character.
bool IsUndefinedByte(const std::string& encoding, unsigned char byte)
{
    IconvHandle cd("UTF-8", encoding);
    if (!cd.Valid()) return false;
    char in = static_cast<char>(byte);
    char out[8];
    char* inPtr = &in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    return iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
}

class IconvConverter final : public CodePageConverter {
public:
    CodePageConversion ToUtf8(std::string_view bytes, std::string_view encoding, std::string* out) const override
    {
        const std::string name(encoding);
        IconvHandle cd("UTF-8", name);
        if (!cd.Valid()) return {};
        const bool controlsForUndefined = IsWindowsSingleByteCodePage(name);
        out->reserve(out->size() + bytes.size());
        const std::size_t lost = Convert(cd, bytes, out, [&](std::string_view rest, std::string* to, bool* guessed) {
            const auto byte = static_cast<unsigned char>(rest[0]);
            if (controlsForUndefined && byte >= 0x80 && byte <= 0x9F && IsUndefinedByte(name, byte)) {
                AppendUtf8(*to, byte);
            } else {
                AppendUtf8(*to, kReplacementCharacter);
                *guessed = true;
            }
            return std::size_t{1};
        });
        return {true, lost};
    }

    CodePageConversion FromUtf8(std::string_view text, std::string_view encoding, std::string* out) const override
    {
        const std::string name(encoding);
        IconvHandle cd(name, "UTF-8");
        if (!cd.Valid()) return {};
        const bool controlsForUndefined = IsWindowsSingleByteCodePage(name);
        out->reserve(out->size() + text.size());
        const std::size_t lost = Convert(cd, text, out, [&](std::string_view rest, std::string* to, bool* guessed) {
            std::size_t pos = 0;
            char32_t cp = 0;
            const bool whole = NextUtf8(rest, &pos, &cp);  // a whole character, or one bad byte
            if (whole && cp >= 0x80 && cp <= 0x9F && controlsForUndefined &&
                IsUndefinedByte(name, static_cast<unsigned char>(cp))) {
                *to += static_cast<char>(cp);
            } else {
                *to += '?';
                *guessed = true;
            }
            return pos;
        });
        return {true, lost};
    }

    std::string AnsiEncodingName() const override { return "WINDOWS-1252"; }
};

}  // namespace

const CodePageConverter& SystemCodePageConverter()
{
    static const IconvConverter converter;
    return converter;
}

}  // namespace kerfmax
