#include "xml/XmlElementIndex.h"

namespace kerfmax {

void XmlElementIndex::Clear()
{
    m_elements.clear();
    m_firstTopLevel = kNoElement;
}

int32_t XmlElementIndex::Add(const XmlElement& element)
{
    if (m_elements.size() == m_elements.capacity())
        m_elements.reserve(m_elements.size() < 1024 ? 1024 : m_elements.size() * 2);
    m_elements.push_back(element);
    return static_cast<int32_t>(m_elements.size() - 1);
}

void XmlElementIndex::ShiftAfterSplice(std::size_t pos, std::size_t oldLength,
                                       std::size_t newLength, int32_t container)
{
    const std::size_t oldEnd = pos + oldLength;
    for (XmlElement& element : m_elements) {
        if (element.Has(kXmlRemoved))
            continue;
        if (element.start >= oldEnd)
            element.start = element.start - oldLength + newLength;
        else if (element.start >= pos)  // only reached when oldLength > 0
            element.flags |= kXmlRemoved;
    }
    // Containers start before pos, so the loop above left them alone.
    for (int32_t id = container; id != kNoElement; id = (*this)[id].parent)
        (*this)[id].length = (*this)[id].length - oldLength + newLength;
}

}  // namespace kerfmax
