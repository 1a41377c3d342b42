#pragma once
// Reading a start tag: its name and its attributes, in the order written.
// Used by the parser to find where a tag ends and by the attribute edits.
#include <cstddef>
#include <string_view>

namespace kerfmax {

struct XmlAttributeSpan {
    std::size_t nameStart = 0;
    std::size_t nameLength = 0;
    std::size_t valueStart = 0;   // first byte of the value, inside the quotes
    std::size_t valueLength = 0;
    std::size_t end = 0;          // just after the value and its closing quote (or the name)
    char quote = 0;               // '"', '\'' or 0 for an unquoted value
    bool hasValue = false;        // false for a bare name (<option selected>)
};

enum class XmlTagEnd { Open, Close, EmptyClose, Broken };

bool IsXmlSpace(char c);
bool IsXmlNameStart(char c);

// Length of the tag name that starts at text[pos].
std::size_t XmlNameLength(std::string_view text, std::size_t pos);

class XmlAttributeCursor {
public:
    // `pos` is just after the tag name.
    XmlAttributeCursor(std::string_view text, std::size_t pos) : m_text(text), m_pos(pos), m_lastEnd(pos) {}

    // Reads the next attribute; false at the end of the tag (see End()).
    bool Next(XmlAttributeSpan* attribute);
    // After Next() returned false: how the tag ended, and the offset just after
    // ">" or "/>" (for Broken: where reading stopped).
    XmlTagEnd End() const { return m_end; }
    std::size_t Position() const { return m_pos; }
    // Just after the last attribute, or after the name when there is none.
    std::size_t LastAttributeEnd() const { return m_lastEnd; }

private:
    void SkipSpace();
    bool AtTagEnd();
    std::size_t ReadValue(XmlAttributeSpan* attribute);

    std::string_view m_text;
    std::size_t m_pos;
    std::size_t m_lastEnd;
    XmlTagEnd m_end = XmlTagEnd::Open;
};

}  // namespace kerfmax
