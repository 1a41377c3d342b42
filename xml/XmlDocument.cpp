#include "xml/XmlDocument.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/AtomicFile.h"
#include "xml/XmlEscaping.h"
#include "xml/XmlParser.h"
#include "xml/XmlStartTag.h"
#include "platform/PathText.h"

namespace kerfmax {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
// Room behind the text for edits, so that they do not move a large text to a
// new buffer (on a 10 MB file that copy costs more than everything else).
constexpr std::size_t kEditRoom = 64 * 1024;

// Names go into the text unescaped, so only a plain name may be written:
// anything else would break the tag around it.
bool IsPlainName(std::string_view name)
{
    return !name.empty() && IsXmlNameStart(name[0]) && XmlNameLength(name, 0) == name.size();
}

// The attribute of that name in the start tag of `element`, if any.
bool FindAttribute(std::string_view text, const XmlElement& element, std::string_view name, XmlAttributeSpan* found,
                   std::size_t* lastAttributeEnd = nullptr)
{
    const std::string_view tag = text.substr(0, element.start + element.startTagLength);
    XmlAttributeCursor cursor(tag, element.start + 1 + XmlNameLength(tag, element.start + 1));
    XmlAttributeSpan attribute;
    while (cursor.Next(&attribute)) {
        if (tag.substr(attribute.nameStart, attribute.nameLength) == name) {
            *found = attribute;
            return true;
        }
    }
    if (lastAttributeEnd) *lastAttributeEnd = cursor.LastAttributeEnd();
    return false;
}

}  // namespace

void XmlDocument::Clear()
{
    m_text.clear();
    m_index.Clear();
    m_parent = m_current = m_child = kNoElement;
    m_flags = {};
    m_encodingName.clear();
    m_result.Clear();
    m_wellFormed = false;
    m_removals.clear();
    m_removalEnds.clear();
}

bool XmlDocument::LoadFile(const std::filesystem::path& path, std::string* readError)
{
    Clear();
    std::string bytes;
    std::string error;
    if (!ReadWholeFile(path, &bytes, &error, kEditRoom)) {
        m_result.Add("file_error", {}, "cannot read " + PathToUtf8(path) + ": " + error);
        if (readError) *readError = error.empty() ? "read error" : error;
        return false;
    }
    if (readError) readError->clear();
    return LoadBytes(std::move(bytes));
}

bool XmlDocument::LoadFromBytes(std::string_view fileBytes)
{
    Clear();
    std::string bytes;
    bytes.reserve(fileBytes.size() + kEditRoom);
    bytes.assign(fileBytes);
    return LoadBytes(std::move(bytes));
}

bool XmlDocument::LoadBytes(std::string fileBytes)
{
    XmlDecodedText decoded = DecodeXmlBytes(std::move(fileBytes), &m_result);
    m_text = std::move(decoded.text);
    m_flags = decoded.flags;
    m_encodingName = std::move(decoded.encodingName);
    m_wellFormed = ParseXmlText(m_text, &m_index, &m_result);
    return m_wellFormed;
}

bool XmlDocument::SaveToBytes(std::string& fileBytes)
{
    ApplyRemovals();
    m_result.Clear();
    XmlEncodedBytes encoded = EncodeXmlText(m_text, m_flags, &m_result);
    fileBytes = encoded.textAsIs ? m_text : std::move(encoded.bytes);
    m_result.Add("write", {{"encoding", encoded.encodingName}, {"length", std::to_string(fileBytes.size())}});
    return true;
}

bool XmlDocument::SaveFile(const std::filesystem::path& path)
{
    ApplyRemovals();
    m_result.Clear();
    const XmlEncodedBytes encoded = EncodeXmlText(m_text, m_flags, &m_result);
    const std::string_view bytes = encoded.textAsIs ? std::string_view(m_text) : std::string_view(encoded.bytes);
    std::string error;
    if (!WriteFileAtomically(path, bytes, &error)) {
        m_result.Add("file_error", {}, "cannot write " + PathToUtf8(path) + ": " + error);
        return false;
    }
    m_result.Add("write", {{"encoding", encoded.encodingName}, {"length", std::to_string(bytes.size())}});
    return true;
}

std::string_view XmlDocument::TagNameOf(int32_t element) const
{
    const std::size_t nameStart = m_index[element].start + 1;
    return std::string_view(m_text).substr(nameStart, XmlNameLength(m_text, nameStart));
}

int32_t XmlDocument::FirstChildOf(int32_t parent) const
{
    return parent == kNoElement ? m_index.FirstTopLevel() : m_index[parent].firstChild;
}

int32_t XmlDocument::LastChildOf(int32_t parent) const
{
    int32_t last = FirstChildOf(parent);
    while (last != kNoElement && m_index[last].next != kNoElement) last = m_index[last].next;
    return last;
}

void XmlDocument::SetFirstChild(int32_t parent, int32_t element)
{
    if (parent == kNoElement) m_index.SetFirstTopLevel(element);
    else m_index[parent].firstChild = element;
}

std::string XmlDocument::GetTagName() const
{
    return m_current == kNoElement ? std::string() : std::string(TagNameOf(m_current));
}

bool XmlDocument::FindSibling(std::string_view elementName)
{
    int32_t id = m_current != kNoElement ? m_index[m_current].next : FirstChildOf(m_parent);
    for (; id != kNoElement; id = m_index[id].next) {
        if (TagNameOf(id) == elementName) {
            m_current = id;
            m_child = kNoElement;
            return true;
        }
    }
    return false;
}

bool XmlDocument::EnterElement()
{
    if (m_current == kNoElement) return false;
    m_parent = m_current;
    m_current = m_child = kNoElement;
    return true;
}

bool XmlDocument::LeaveElement()
{
    if (m_parent == kNoElement) return false;
    m_child = m_current;
    m_current = m_parent;
    m_parent = m_index[m_parent].parent;
    return true;
}

std::string XmlDocument::GetAttribute(std::string_view attributeName) const
{
    XmlAttributeSpan attribute;
    if (m_current == kNoElement || !FindAttribute(m_text, m_index[m_current], attributeName, &attribute)) return {};
    return DecodeCharacterReferences(std::string_view(m_text).substr(attribute.valueStart, attribute.valueLength));
}

bool XmlDocument::SetAttribute(std::string_view attributeName, std::string_view value)
{
    if (m_current == kNoElement || !IsPlainName(attributeName)) return false;
    ApplyRemovals();
    const std::string quoted = "\"" + EscapeAttributeValue(value) + "\"";
    XmlAttributeSpan attribute;
    std::size_t lastAttributeEnd = 0;
    std::size_t pos;
    std::size_t oldLength = 0;
    std::string replacement;
    if (!FindAttribute(m_text, m_index[m_current], attributeName, &attribute, &lastAttributeEnd)) {
        pos = lastAttributeEnd;
        replacement = " " + std::string(attributeName) + "=" + quoted;
    } else if (!attribute.hasValue) {  // a bare name gains its value
        pos = attribute.end;
        replacement = "=" + quoted;
    } else {
        pos = attribute.quote != 0 ? attribute.valueStart - 1 : attribute.valueStart;
        oldLength = attribute.end - pos;
        replacement = quoted;
    }
    Splice(pos, oldLength, replacement, m_current);
    m_index[m_current].startTagLength =
        static_cast<uint32_t>(m_index[m_current].startTagLength - oldLength + replacement.size());
    return true;
}

bool XmlDocument::AppendElement(std::string_view elementName)
{
    return AddElement(elementName, true);
}

bool XmlDocument::InsertElement(std::string_view elementName)
{
    return AddElement(elementName, false);
}

// Where a new element goes: always right in front of markup where there is
// any, so that removing it again (with the white space up to the next markup)
// gives back the text exactly as it was.
std::size_t XmlDocument::NewElementPosition(bool append) const
{
    if (m_current != kNoElement) {
        const XmlElement& current = m_index[m_current];
        if (!append) return current.start;
        // Not past the parent's content: a parent without end tag may end
        // before white space that belongs further out.
        const std::size_t limit = m_parent == kNoElement ? m_text.size() : m_index[m_parent].ContentEnd();
        const std::size_t markup = SkipSpace(current.End(), limit);
        if (markup == limit) return m_parent == kNoElement ? current.End() : limit;
        return m_text[markup] == '<' ? markup : current.End();
    }
    if (m_parent == kNoElement) return m_text.size();
    const XmlElement& parent = m_index[m_parent];
    if (append) return parent.ContentEnd();
    const std::size_t markup = SkipSpace(parent.ContentStart(), parent.ContentEnd());
    return markup == parent.ContentEnd() || m_text[markup] == '<' ? markup : parent.ContentStart();
}

std::size_t XmlDocument::SkipSpace(std::size_t pos, std::size_t limit) const
{
    while (pos < limit && IsXmlSpace(m_text[pos])) ++pos;
    return pos;
}

bool XmlDocument::AddElement(std::string_view elementName, bool append)
{
    if (!IsPlainName(elementName)) return false;
    ApplyRemovals();
    // A document has one root: nothing is added beside it.
    if (m_parent == kNoElement && m_index.FirstTopLevel() != kNoElement) return false;
    if (m_parent != kNoElement && m_current == kNoElement && m_index[m_parent].Has(kXmlEmptyElementTag))
        ExpandEmptyElement(m_parent);

    const std::size_t pos = NewElementPosition(append);
    const std::string tag = "<" + std::string(elementName) + "/>";
    // One line break, after the element: that is the white space RemoveElement
    // takes with it, so removing what was added gives back the very text, also
    // where elements stand side by side. Only at the very end does it go first.
    std::string piece = tag;
    if (pos < m_text.size()) piece += kLineBreak;
    else if (pos > 0 && !IsXmlSpace(m_text[pos - 1])) piece.insert(0, kLineBreak);
    Splice(pos, 0, piece, m_parent);

    XmlElement element;
    element.start = pos + piece.find('<');
    element.length = element.startTagLength = static_cast<uint32_t>(tag.size());
    element.flags = kXmlEmptyElementTag;
    const int32_t id = m_index.Add(element);
    int32_t prev;
    int32_t next;
    if (m_current != kNoElement) {
        prev = append ? m_current : m_index[m_current].prev;
        next = append ? m_index[m_current].next : m_current;
    } else {
        prev = append ? LastChildOf(m_parent) : kNoElement;
        next = append ? kNoElement : FirstChildOf(m_parent);
    }
    Link(id, m_parent, prev, next);
    m_current = id;
    m_child = kNoElement;
    return true;
}

// "<name a='1'/>" becomes "<name a='1'></name>", so that it can take content.
void XmlDocument::ExpandEmptyElement(int32_t element)
{
    const std::string name(TagNameOf(element));
    const std::size_t slash = m_index[element].start + m_index[element].startTagLength - 2;
    // "<a//>" must not become "<a/></a>", which reads as an empty tag again.
    const std::string_view gap = slash > 0 && m_text[slash - 1] == '/' ? " " : "";
    Splice(slash, 2, std::string(gap) + "></" + name + ">", element);
    XmlElement& expanded = m_index[element];
    expanded.startTagLength = static_cast<uint32_t>(expanded.startTagLength - 1 + gap.size());
    expanded.endTagLength = static_cast<uint32_t>(name.size() + 3);
    expanded.flags &= static_cast<uint8_t>(~kXmlEmptyElementTag);
}

bool XmlDocument::SetElementText(std::string_view text)
{
    if (m_current == kNoElement || m_index[m_current].firstChild != kNoElement) return false;
    ApplyRemovals();
    if (m_index[m_current].Has(kXmlEmptyElementTag)) ExpandEmptyElement(m_current);
    const XmlElement& element = m_index[m_current];
    Splice(element.ContentStart(), element.ContentEnd() - element.ContentStart(), EscapeText(text), m_current);
    return true;
}

bool XmlDocument::RemoveElement()
{
    if (m_current == kNoElement) return false;
    const XmlElement element = m_index[m_current];
    // Ranges gathered before count as gone already: the white space scan
    // steps over them as if they had been spliced out.
    // The white space belongs to the parent's content only up to where that
    // ends: an element without end tag may end before white space that
    // belongs further out.
    const std::size_t limit = element.parent == kNoElement ? m_text.size() : m_index[element.parent].ContentEnd();
    std::size_t afterSpace = element.End();
    while (afterSpace < limit) {
        if (IsXmlSpace(m_text[afterSpace])) {
            ++afterSpace;
            continue;
        }
        // A gathered range begins with the '<' of its element.
        const auto gathered = m_text[afterSpace] == '<' ? m_removalEnds.find(afterSpace) : m_removalEnds.end();
        if (gathered == m_removalEnds.end()) break;
        afterSpace = gathered->second;
    }
    // The white space goes with the element only when markup follows it;
    // before text it is part of that text.
    const std::size_t end = afterSpace == limit || m_text[afterSpace] == '<' ? afterSpace : element.End();
    // Ranges inside this one (its descendants, the neighbours stepped over)
    // are merged into it when the removals are applied.
    m_removals.emplace_back(element.start, end);
    m_removalEnds[element.start] = end;
    Unlink(m_current);
    m_index[m_current].flags |= kXmlRemoved;
    m_current = element.prev;
    m_child = kNoElement;
    return true;
}

void XmlDocument::ApplyRemovals() const
{
    if (m_removals.empty()) return;
    // By start, the wider first, then the ranges inside others merged away.
    std::sort(m_removals.begin(), m_removals.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second > b.second;
    });
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    ranges.reserve(m_removals.size());
    for (const auto& range : m_removals) {
        if (!ranges.empty() && range.first < ranges.back().second)
            ranges.back().second = std::max(ranges.back().second, range.second);
        else ranges.push_back(range);
    }
    m_removals.clear();
    m_removalEnds.clear();
    // Kept pieces move to the front in place: the buffer and its room for edits stay.
    std::size_t write = ranges.front().first;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const std::size_t keptEnd = i + 1 < ranges.size() ? ranges[i + 1].first : m_text.size();
        const std::size_t keptStart = ranges[i].second;
        std::copy(m_text.begin() + static_cast<std::ptrdiff_t>(keptStart),
                  m_text.begin() + static_cast<std::ptrdiff_t>(keptEnd),
                  m_text.begin() + static_cast<std::ptrdiff_t>(write));
        write += keptEnd - keptStart;
    }
    m_text.resize(write);
    m_index.ApplyRemovals(ranges);
}

bool XmlDocument::IsLive(int32_t element) const
{
    for (int32_t id = element; id != kNoElement; id = m_index[id].parent) {
        if (id < 0 || static_cast<std::size_t>(id) >= m_index.Size() || m_index[id].Has(kXmlRemoved)) return false;
    }
    return true;
}

bool XmlDocument::SetPosition(const Position& position)
{
    if (!IsLive(position.parent) || !IsLive(position.current) || !IsLive(position.child)) return false;
    m_parent = position.parent;
    m_current = position.current;
    m_child = position.child;
    return true;
}

void XmlDocument::Splice(std::size_t pos, std::size_t oldLength, std::string_view replacement, int32_t container)
{
    m_text.replace(pos, oldLength, replacement);
    m_index.ShiftAfterSplice(pos, oldLength, replacement.size(), container);
}

void XmlDocument::Link(int32_t element, int32_t parent, int32_t prev, int32_t next)
{
    XmlElement& linked = m_index[element];
    linked.parent = parent;
    linked.prev = prev;
    linked.next = next;
    if (prev != kNoElement) m_index[prev].next = element;
    else SetFirstChild(parent, element);
    if (next != kNoElement) m_index[next].prev = element;
}

void XmlDocument::Unlink(int32_t element)
{
    const XmlElement& unlinked = m_index[element];
    if (unlinked.prev != kNoElement) m_index[unlinked.prev].next = unlinked.next;
    else SetFirstChild(unlinked.parent, unlinked.next);
    if (unlinked.next != kNoElement) m_index[unlinked.next].prev = unlinked.prev;
}

}  // namespace kerfmax
