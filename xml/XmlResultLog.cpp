#include "xml/XmlResultLog.h"

#include "xml/XmlEscaping.h"

namespace kerfmax {

void XmlResultLog::Clear()
{
    m_text.clear();
    m_events = m_omitted = m_omittedWritten = m_keptLength = 0;
}

const std::string& XmlResultLog::Text() const
{
    if (m_omittedWritten != m_omitted) {
        m_text.resize(m_keptLength);
        m_text += "<events_omitted count=\"" + std::to_string(m_omitted) + "\"/>";
        m_omittedWritten = m_omitted;
    }
    return m_text;
}

void XmlResultLog::Add(std::string_view event, std::initializer_list<Attribute> attributes, std::string_view content)
{
    if (m_omitted > 0 || m_events >= kMaxEvents || m_text.size() >= kMaxBytes) {
        if (m_omitted++ == 0) m_keptLength = m_text.size();
        return;
    }
    ++m_events;
    m_text += '<';
    m_text += event;
    for (const Attribute& attribute : attributes) {
        m_text += ' ';
        m_text += attribute.first;
        m_text += "=\"";
        m_text += EscapeAttributeValue(attribute.second);
        m_text += '"';
    }
    if (content.empty()) {
        m_text += "/>";
        return;
    }
    m_text += '>';
    m_text += EscapeText(content);
    m_text += "</";
    m_text += event;
    m_text += '>';
}

bool XmlResultLog::Contains(std::string_view event) const
{
    const std::string& text = Text();
    const std::string open = "<" + std::string(event);
    for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
        const std::size_t after = at + open.size();
        if (after < text.size() && (text[after] == ' ' || text[after] == '/' || text[after] == '>')) return true;
    }
    return false;
}

}  // namespace kerfmax
