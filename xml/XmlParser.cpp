#include "xml/XmlParser.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "xml/XmlStartTag.h"

namespace kerfmax {
namespace {

// Twelve bytes: a run of unended start tags keeps one per tag.
struct OpenElement {
    int32_t id;
    uint32_t nameLength;  // a start tag is at most 4 GB long, as the index holds it
    int32_t lastChild;
};

class Parser {
public:
    Parser(std::string_view text, XmlElementIndex* index, XmlResultLog* log)
        : m_text(text), m_index(*index), m_log(*log)
    {
    }

    bool Run();

private:
    std::size_t ParseMarkup(std::size_t lt);
    std::size_t ParseStartTag(std::size_t lt);
    std::size_t ParseEndTag(std::size_t lt);
    std::size_t ParseExclamation(std::size_t lt);
    std::size_t SkipPast(std::size_t lt, std::size_t from, std::string_view terminator, std::size_t* knownAbsentFrom,
                         const char* syntaxEvent, const char* kind);
    std::size_t DoctypeEnd(std::size_t from) const;
    void AddElement(std::size_t lt, std::size_t tagEnd, std::size_t nameLength, bool empty);
    void CloseOpenElement(std::size_t endTagStart, std::size_t endTagEnd);
    void LeaveUnended(std::size_t where);  // the innermost open element
    std::string_view NameOf(const OpenElement& open) const;
    void Fault(const char* event, std::initializer_list<XmlResultLog::Attribute> attributes);

    std::string_view m_text;
    XmlElementIndex& m_index;
    XmlResultLog& m_log;
    void PushOpen(const OpenElement& open);
    void PopOpen();
    bool NameIsOpen(std::string_view name);

    std::vector<OpenElement> m_open;
    // How many open elements carry each name; kept only after the first end
    // tag that does not match the innermost element, so that a run of stray
    // end tags in deep nesting costs no search through the whole stack.
    std::unordered_map<std::string_view, uint32_t> m_openNames;
    bool m_countingNames = false;
    int32_t m_lastTopLevel = kNoElement;
    bool m_wellFormed = true;
    bool m_doctypeSeen = false;
    // A terminator that is missing after some offset is missing after any later one.
    std::size_t m_noCommentEndFrom = std::string_view::npos;
    std::size_t m_noPiEndFrom = std::string_view::npos;
    std::size_t m_noCdataEndFrom = std::string_view::npos;
};

std::string Offset(std::size_t offset)
{
    return std::to_string(offset);
}

bool Parser::Run()
{
    std::size_t pos = 0;
    while (true) {
        const std::size_t lt = m_text.find('<', pos);
        if (lt == std::string_view::npos) break;
        pos = ParseMarkup(lt);
    }
    while (!m_open.empty()) LeaveUnended(m_text.size());
    if (m_index.FirstTopLevel() == kNoElement) Fault("no_root_element", {});
    return m_wellFormed;
}

void Parser::Fault(const char* event, std::initializer_list<XmlResultLog::Attribute> attributes)
{
    m_wellFormed = false;
    m_log.Add(event, attributes);
}

std::size_t Parser::ParseMarkup(std::size_t lt)
{
    if (lt + 1 >= m_text.size()) {
        Fault("unterminated_tag_syntax", {{"offset", Offset(lt)}});
        return lt + 1;
    }
    const char next = m_text[lt + 1];
    if (next == '/') return ParseEndTag(lt);
    if (next == '?')
        return SkipPast(lt, lt + 2, "?>", &m_noPiEndFrom, "unterminated_tag_syntax", "processing_instruction");
    if (next == '!') return ParseExclamation(lt);
    if (IsXmlNameStart(next)) return ParseStartTag(lt);
    Fault("first_tag_syntax", {{"offset", Offset(lt)}});
    return lt + 1;
}

std::size_t Parser::SkipPast(std::size_t lt, std::size_t from, std::string_view terminator,
                             std::size_t* knownAbsentFrom, const char* syntaxEvent, const char* kind)
{
    const std::size_t end = from >= *knownAbsentFrom ? std::string_view::npos : m_text.find(terminator, from);
    if (end != std::string_view::npos) return end + terminator.size();
    *knownAbsentFrom = std::min(*knownAbsentFrom, from);
    Fault(syntaxEvent, {{"type", kind}, {"offset", Offset(lt)}});
    return lt + 1;
}

std::size_t Parser::ParseExclamation(std::size_t lt)
{
    const std::string_view rest = m_text.substr(lt);
    if (rest.starts_with("<!--"))
        return SkipPast(lt, lt + 4, "-->", &m_noCommentEndFrom, "comment_tag_syntax", "comment");
    if (rest.starts_with("<![CDATA["))
        return SkipPast(lt, lt + 9, "]]>", &m_noCdataEndFrom, "cdata_section_syntax", "cdata_section");
    if (rest.starts_with("<!DOCTYPE")) {
        // One document type is allowed; scanning only the first keeps a run
        // of broken ones from costing a pass over the text each.
        const std::size_t end = m_doctypeSeen ? std::string_view::npos : DoctypeEnd(lt + 9);
        m_doctypeSeen = true;
        if (end != std::string_view::npos) return end;
        Fault("doctype_tag_syntax", {{"type", "document_type"}, {"offset", Offset(lt)}});
        return lt + 1;
    }
    Fault("exclamation_tag_syntax", {{"offset", Offset(lt)}});
    return lt + 1;
}

// Just after the '>' that ends a document type, skipping quoted strings,
// comments and the internal subset in brackets.
std::size_t Parser::DoctypeEnd(std::size_t pos) const
{
    int depth = 0;
    while (pos < m_text.size()) {
        const char c = m_text[pos];
        if (c == '"' || c == '\'') {
            const std::size_t close = m_text.find(c, pos + 1);
            if (close == std::string_view::npos) return close;
            pos = close + 1;
        } else if (m_text.substr(pos, 4) == "<!--") {
            const std::size_t close = m_text.find("-->", pos + 4);
            if (close == std::string_view::npos) return close;
            pos = close + 3;
        } else {
            if (c == '[') ++depth;
            else if (c == ']') --depth;
            else if (c == '>' && depth <= 0) return pos + 1;
            ++pos;
        }
    }
    return std::string_view::npos;
}

std::size_t Parser::ParseStartTag(std::size_t lt)
{
    const std::size_t nameLength = XmlNameLength(m_text, lt + 1);
    XmlAttributeCursor cursor(m_text, lt + 1 + nameLength);
    XmlAttributeSpan attribute;
    while (cursor.Next(&attribute)) {}
    if (cursor.End() == XmlTagEnd::Broken) {
        Fault("unterminated_tag_syntax", {{"type", "start_tag"}, {"offset", Offset(lt)}});
        return lt + 1;
    }
    AddElement(lt, cursor.Position(), nameLength, cursor.End() == XmlTagEnd::EmptyClose);
    return cursor.Position();
}

void Parser::AddElement(std::size_t lt, std::size_t tagEnd, std::size_t nameLength, bool empty)
{
    XmlElement element;
    element.start = lt;
    element.length = tagEnd - lt;
    element.startTagLength = static_cast<uint32_t>(tagEnd - lt);
    element.flags = empty ? kXmlEmptyElementTag : 0;
    int32_t* lastSibling = &m_lastTopLevel;
    if (!m_open.empty()) {
        element.parent = m_open.back().id;
        lastSibling = &m_open.back().lastChild;
    } else if (m_lastTopLevel != kNoElement) {
        Fault("root_has_sibling",
              {{"tagname", std::string(m_text.substr(lt + 1, nameLength))}, {"offset", Offset(lt)}});
    }
    element.prev = *lastSibling;
    const int32_t id = m_index.Add(element);
    if (element.prev != kNoElement) m_index[element.prev].next = id;
    else if (element.parent != kNoElement) m_index[element.parent].firstChild = id;
    else m_index.SetFirstTopLevel(id);
    *lastSibling = id;
    if (!empty) PushOpen({id, static_cast<uint32_t>(nameLength), kNoElement});
}

std::string_view Parser::NameOf(const OpenElement& open) const
{
    return m_text.substr(m_index[open.id].start + 1, open.nameLength);
}

std::size_t Parser::ParseEndTag(std::size_t lt)
{
    const std::size_t nameLength = XmlNameLength(m_text, lt + 2);
    std::size_t pos = lt + 2 + nameLength;
    while (pos < m_text.size() && IsXmlSpace(m_text[pos])) ++pos;
    if (pos >= m_text.size() || m_text[pos] != '>') {
        Fault("unterminated_tag_syntax", {{"type", "end_tag"}, {"offset", Offset(lt)}});
        return lt + 1;
    }
    const std::string_view name = m_text.substr(lt + 2, nameLength);
    const bool closesInnermost = !m_open.empty() && NameOf(m_open.back()) == name;
    if (!closesInnermost && !NameIsOpen(name)) {
        Fault("lone_end_tag", {{"tagname", std::string(name)}, {"offset", Offset(lt)}});
        return pos + 1;
    }
    while (NameOf(m_open.back()) != name) LeaveUnended(lt);
    CloseOpenElement(lt, pos + 1);
    return pos + 1;
}

void Parser::CloseOpenElement(std::size_t endTagStart, std::size_t endTagEnd)
{
    XmlElement& element = m_index[m_open.back().id];
    element.length = endTagEnd - element.start;
    element.endTagLength = static_cast<uint32_t>(endTagEnd - endTagStart);
    PopOpen();
}

// A start tag that is never ended runs to where its parent ends (or the text does).
void Parser::LeaveUnended(std::size_t where)
{
    const OpenElement open = m_open.back();
    XmlElement& element = m_index[open.id];
    element.length = where - element.start;
    element.flags |= kXmlNoEndTag;
    Fault("unended_start_tag", {{"type", "start_tag"},
                                {"tagname", std::string(NameOf(open))},
                                {"offset", Offset(element.start)},
                                {"offset2", Offset(where)}});
    PopOpen();
}

void Parser::PushOpen(const OpenElement& open)
{
    m_open.push_back(open);
    if (m_countingNames) ++m_openNames[NameOf(open)];
}

void Parser::PopOpen()
{
    if (m_countingNames) --m_openNames[NameOf(m_open.back())];
    m_open.pop_back();
}

bool Parser::NameIsOpen(std::string_view name)
{
    if (!m_countingNames) {
        for (const OpenElement& open : m_open) ++m_openNames[NameOf(open)];
        m_countingNames = true;
    }
    const auto found = m_openNames.find(name);
    return found != m_openNames.end() && found->second > 0;
}

}  // namespace

// Start tags in the text at most, found in one quick pass: growing the index
// step by step costs more than the parse on large files.
std::size_t StartTagBound(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t lt = text.find('<'); lt != std::string_view::npos; lt = text.find('<', lt + 1))
        if (lt + 1 < text.size() && IsXmlNameStart(text[lt + 1])) ++count;
    return count;
}

bool ParseXmlText(std::string_view text, XmlElementIndex* index, XmlResultLog* log)
{
    index->Clear();
    const std::size_t bound = StartTagBound(text);
    index->Reserve(bound + bound / 16 + 64);  // room for elements added by edits
    return Parser(text, index, log).Run();
}

}  // namespace kerfmax
