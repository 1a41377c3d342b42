#include "xml/XmlResultLog.h"

#include "xml/XmlEscaping.h"

namespace kerfmax {

void XmlResultLog::Add(std::string_view event, std::initializer_list<Attribute> attributes,
                       std::string_view content)
{
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
    const std::string open = "<" + std::string(event);
    for (std::size_t at = m_text.find(open); at != std::string::npos; at = m_text.find(open, at + 1)) {
        const std::size_t after = at + open.size();
        if (after < m_text.size() && (m_text[after] == ' ' || m_text[after] == '/' || m_text[after] == '>'))
            return true;
    }
    return false;
}

}  // namespace kerfmax
