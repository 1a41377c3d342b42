#include "xml/XmlStartTag.h"

namespace kerfmax {

bool IsXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsXmlNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

std::size_t XmlNameLength(std::string_view text, std::size_t pos)
{
    std::size_t end = pos;
    while (end < text.size()) {
        const char c = text[end];
        if (IsXmlSpace(c) || c == '>' || c == '/' || c == '<' || c == '=' || c == '"' || c == '\'')
            break;
        ++end;
    }
    return end - pos;
}

void XmlAttributeCursor::SkipSpace()
{
    while (m_pos < m_text.size() && IsXmlSpace(m_text[m_pos]))
        ++m_pos;
}

// True (and m_end set) when the tag ends or breaks off at m_pos.
bool XmlAttributeCursor::AtTagEnd()
{
    if (m_pos >= m_text.size() || m_text[m_pos] == '<') {
        m_end = XmlTagEnd::Broken;
        return true;
    }
    if (m_text[m_pos] == '>') {
        m_end = XmlTagEnd::Close;
        ++m_pos;
        return true;
    }
    if (m_text[m_pos] == '/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '>') {
        m_end = XmlTagEnd::EmptyClose;
        m_pos += 2;
        return true;
    }
    return false;
}

std::size_t XmlAttributeCursor::ReadValue(XmlAttributeSpan* attribute)
{
    const char c = m_text[m_pos];
    if (c == '"' || c == '\'') {
        // A '<' cannot stand in a value: stopping there keeps a broken tag
        // from swallowing the rest of the document.
        std::size_t close = m_pos + 1;
        while (close < m_text.size() && m_text[close] != c && m_text[close] != '<')
            ++close;
        if (close >= m_text.size() || m_text[close] != c)
            return std::string_view::npos;
        attribute->quote = c;
        attribute->valueStart = m_pos + 1;
        attribute->valueLength = close - m_pos - 1;
        return close + 1;
    }
    // Unquoted, as old HTML writes it: up to white space or the tag end.
    std::size_t end = m_pos;
    while (end < m_text.size() && !IsXmlSpace(m_text[end]) && m_text[end] != '>' && m_text[end] != '<' &&
           !(m_text[end] == '/' && end + 1 < m_text.size() && m_text[end + 1] == '>'))
        ++end;
    attribute->valueStart = m_pos;
    attribute->valueLength = end - m_pos;
    return end;
}

bool XmlAttributeCursor::Next(XmlAttributeSpan* attribute)
{
    while (true) {
        SkipSpace();
        if (AtTagEnd())
            return false;
        const std::size_t nameLength = XmlNameLength(m_text, m_pos);
        if (nameLength == 0) {  // stray '=', quote or '/': pass over it
            ++m_pos;
            continue;
        }
        *attribute = XmlAttributeSpan{};
        attribute->nameStart = m_pos;
        attribute->nameLength = nameLength;
        m_pos += nameLength;
        attribute->end = m_pos;
        const std::size_t afterName = m_pos;
        SkipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == '=') {
            ++m_pos;
            SkipSpace();
            const std::size_t end = m_pos < m_text.size() ? ReadValue(attribute) : std::string_view::npos;
            if (end == std::string_view::npos) {
                m_end = XmlTagEnd::Broken;
                return false;
            }
            attribute->hasValue = true;
            attribute->end = end;
            m_pos = end;
        } else {
            m_pos = afterName;
        }
        m_lastEnd = attribute->end;
        return true;
    }
}

}  // namespace kerfmax
