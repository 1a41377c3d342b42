// iconv (part of the C library on Linux) behind CodePageConverter.
#ifndef _WIN32
#include <iconv.h>

#include <cerrno>
#include <string>

#include "xml/XmlCodePage.h"
#include "xml/XmlUtf8.h"

namespace kerfmax {
namespace {

class IconvHandle {
public:
    IconvHandle(const std::string& to, const std::string& from)
        : m_handle(iconv_open(to.c_str(), from.c_str())) {}
    ~IconvHandle()
    {
        if (Valid())
            iconv_close(m_handle);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_handle; }

private:
    iconv_t m_handle;
};

// Runs the whole input through iconv; at a byte it cannot convert, `skip`
// says how many input bytes to pass over and `replacement` is written instead.
template <typename SkipFn>
std::size_t Convert(const IconvHandle& cd, std::string_view input, std::string* out,
                    std::string_view replacement, SkipFn skip)
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
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
        const std::size_t step = skip(std::string_view(in, inLeft));
        in += step;
        inLeft -= step;
        out->append(replacement);
        ++lost;
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    // Stateful encodings end with a shift back to their initial state.
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft);
    out->append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return lost;
}

class IconvConverter final : public CodePageConverter {
public:
    CodePageConversion ToUtf8(std::string_view bytes, std::string_view encoding,
                              std::string* out) const override
    {
        IconvHandle cd("UTF-8", std::string(encoding));
        if (!cd.Valid())
            return {};
        std::string replacement;
        AppendUtf8(replacement, kReplacementCharacter);
        out->reserve(out->size() + bytes.size());
        const std::size_t lost = Convert(cd, bytes, out, replacement, [](std::string_view) { return 1u; });
        return {true, lost};
    }

    CodePageConversion FromUtf8(std::string_view text, std::string_view encoding,
                                std::string* out) const override
    {
        IconvHandle cd(std::string(encoding), "UTF-8");
        if (!cd.Valid())
            return {};
        out->reserve(out->size() + text.size());
        const std::size_t lost = Convert(cd, text, out, "?", [](std::string_view rest) {
            std::size_t pos = 0;
            char32_t cp;
            NextUtf8(rest, &pos, &cp);  // a whole character, or one bad byte
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
#endif
