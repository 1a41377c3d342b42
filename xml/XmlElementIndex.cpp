#include "xml/XmlElementIndex.h"

#include <algorithm>

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

void XmlElementIndex::ShiftAfterSplice(std::size_t pos, std::size_t oldLength, std::size_t newLength, int32_t container)
{
    const std::size_t oldEnd = pos + oldLength;
    for (XmlElement& element : m_elements) {
        if (element.Has(kXmlRemoved)) continue;
        if (element.start >= oldEnd) element.start = element.start - oldLength + newLength;
        else if (element.start >= pos)  // only reached when oldLength > 0
            element.flags |= kXmlRemoved;
    }
    // Containers start before pos, so the loop above left them alone.
    for (int32_t id = container; id != kNoElement; id = (*this)[id].parent)
        (*this)[id].length = (*this)[id].length - oldLength + newLength;
}

void XmlElementIndex::ApplyRemovals(const std::vector<std::pair<std::size_t, std::size_t>>& ranges)
{
    // cut[i]: bytes cut by the first i ranges.
    std::vector<std::size_t> cut(ranges.size() + 1, 0);
    for (std::size_t i = 0; i < ranges.size(); ++i) cut[i + 1] = cut[i] + ranges[i].second - ranges[i].first;
    // Bytes cut in front of pos: the ranges that end at or before it.
    const auto cutBefore = [&](std::size_t pos) {
        const auto after = std::upper_bound(ranges.begin(), ranges.end(), pos,
                                            [](std::size_t p, const auto& range) { return p < range.second; });
        return cut[static_cast<std::size_t>(after - ranges.begin())];
    };
    for (XmlElement& element : m_elements) {
        if (element.Has(kXmlRemoved)) continue;
        const auto holder = std::upper_bound(ranges.begin(), ranges.end(), element.start,
                                             [](std::size_t p, const auto& range) { return p < range.first; });
        if (holder != ranges.begin() && element.start < std::prev(holder)->second) {
            element.flags |= kXmlRemoved;
            continue;
        }
        const std::size_t start = element.start - cutBefore(element.start);
        element.length = element.End() - cutBefore(element.End()) - start;
        element.start = start;
    }
}

}  // namespace kerfmax
