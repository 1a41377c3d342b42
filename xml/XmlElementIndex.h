#pragma once
// Where each element of a document lies in its text, and how the elements
// hang together. Edits shift the stored positions; nothing is re-parsed.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kerfmax {

constexpr int32_t kNoElement = -1;

enum XmlElementFlag : uint8_t {
    kXmlEmptyElementTag = 1,  // written as "<name/>"
    kXmlNoEndTag = 2,  // start tag never ended; the element runs to where its parent ended
    kXmlRemoved = 4,  // taken out by an edit; the slot is not reused
};

struct XmlElement {
    std::size_t start = 0;  // offset of '<' of the start tag
    std::size_t length = 0;  // from the start tag through the end tag
    uint32_t startTagLength = 0;
    uint32_t endTagLength = 0;
    int32_t parent = kNoElement;
    int32_t prev = kNoElement;
    int32_t next = kNoElement;
    int32_t firstChild = kNoElement;
    uint8_t flags = 0;

    bool Has(XmlElementFlag flag) const { return (flags & flag) != 0; }
    std::size_t End() const { return start + length; }
    std::size_t ContentStart() const { return start + startTagLength; }
    std::size_t ContentEnd() const { return start + length - endTagLength; }
};

class XmlElementIndex {
public:
    void Clear();
    int32_t Add(const XmlElement& element);
    void Reserve(std::size_t count) { m_elements.reserve(count); }
    XmlElement& operator[](int32_t id) { return m_elements[static_cast<std::size_t>(id)]; }
    const XmlElement& operator[](int32_t id) const { return m_elements[static_cast<std::size_t>(id)]; }
    std::size_t Size() const { return m_elements.size(); }

    int32_t FirstTopLevel() const { return m_firstTopLevel; }
    void SetFirstTopLevel(int32_t id) { m_firstTopLevel = id; }

    // After the text in [pos, pos + oldLength) was replaced by newLength bytes:
    // elements after the range move, elements inside it are marked removed, and
    // `container` with all its ancestors grows or shrinks by the difference.
    void ShiftAfterSplice(std::size_t pos, std::size_t oldLength, std::size_t newLength, int32_t container);

    // After the sorted, separate text ranges [first, second) were cut out all
    // at once: every element moves by what was cut in front of it, shrinks by
    // what was cut inside it, and is marked removed when it lay in a range.
    void ApplyRemovals(const std::vector<std::pair<std::size_t, std::size_t>>& ranges);

private:
    std::vector<XmlElement> m_elements;
    int32_t m_firstTopLevel = kNoElement;
};

}  // namespace kerfmax
