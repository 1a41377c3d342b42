#pragma once
// A small XML reader and in-place editor for foreign files (host workspace
// files). The document keeps its whole text; every edit splices that text and
// shifts the element index, so whatever is not touched (comments, declarations,
// white space, attribute order and quoting) is written back byte for byte.
// Ill-formed documents still load: what cannot be read is recorded in the
// result text and passed over, and the recognisable elements stay editable.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "xml/XmlElementIndex.h"
#include "xml/XmlEncoding.h"
#include "xml/XmlResultLog.h"

namespace kerfmax {

class XmlDocument {
public:
    XmlDocument() = default;

    // Replaces the document by the file's content. True when the file was
    // read and the document is well formed; an ill-formed document is still
    // loaded and editable. A file that cannot be read (or a folder) leaves it
    // empty and sets *readError, when given, to the reason.
    bool LoadFile(const std::filesystem::path& path, std::string* readError = nullptr);
    // Writes the document text in the loaded file's encoding, atomically.
    bool SaveFile(const std::filesystem::path& path);

    // The same, from and to memory (file bytes exactly as on disk).
    bool LoadFromBytes(std::string_view fileBytes);
    bool SaveToBytes(std::string& fileBytes);

    // Navigation. Names are compared exactly, case-sensitively.
    bool FindSibling(std::string_view elementName);
    bool EnterElement();
    bool LeaveElement();

    // Attributes of the current element; values are read with character
    // references decoded and written escaped, in double quotes.
    std::string GetAttribute(std::string_view attributeName) const;
    bool SetAttribute(std::string_view attributeName, std::string_view value);

    // Edits. New elements are written as "<name/>", separated by a line
    // break, and become current: Append after the current element or as the
    // last child, Insert before it or as the first child. Nothing is added
    // beside the root, and a name that is not a plain XML name is refused.
    bool AppendElement(std::string_view elementName);
    bool InsertElement(std::string_view elementName);
    // Replaces the content of a current element that has no child elements.
    bool SetElementText(std::string_view text);
    // Takes out the current element; the one before it becomes current.
    // Removals are gathered and spliced out together when the text is next
    // needed, so that taking out many elements costs one pass over the text.
    bool RemoveElement();

    // The current position, to come back to after a walk elsewhere.
    struct Position {
        int32_t parent = kNoElement;
        int32_t current = kNoElement;
        int32_t child = kNoElement;
    };
    Position GetPosition() const { return {m_parent, m_current, m_child}; }
    // False, changing nothing, when an element of the position was removed since.
    bool SetPosition(const Position& position);

    // Tag name of the current element; empty when there is none.
    std::string GetTagName() const;
    bool HasCurrentElement() const { return m_current != kNoElement; }

    // The document text, always UTF-8.
    const std::string& Text() const
    {
        ApplyRemovals();
        return m_text;
    }
    // Encoding name as found at loading (declared name, "UTF-16LE", ...).
    const std::string& EncodingName() const { return m_encodingName; }
    const XmlFileFlags& FileFlags() const { return m_flags; }
    // Short XML text with one element per event of the last load or save.
    const std::string& ResultText() const { return m_result.Text(); }
    // Where each element lies in the text (kept in step with every edit).
    const XmlElementIndex& ElementIndex() const
    {
        ApplyRemovals();
        return m_index;
    }
    // True when the last load found no syntax fault and exactly one root.
    bool IsWellFormed() const { return m_wellFormed; }

private:
    void Clear();
    bool LoadBytes(std::string fileBytes);
    std::string_view TagNameOf(int32_t element) const;
    int32_t FirstChildOf(int32_t parent) const;
    int32_t LastChildOf(int32_t parent) const;
    void SetFirstChild(int32_t parent, int32_t element);
    bool AddElement(std::string_view elementName, bool append);
    std::size_t NewElementPosition(bool append) const;
    std::size_t SkipSpace(std::size_t pos, std::size_t limit) const;
    void ExpandEmptyElement(int32_t element);
    void Splice(std::size_t pos, std::size_t oldLength, std::string_view replacement, int32_t container);
    void Link(int32_t element, int32_t parent, int32_t prev, int32_t next);
    void Unlink(int32_t element);
    bool IsLive(int32_t element) const;
    // Splices out the gathered removals and moves the index to match.
    void ApplyRemovals() const;

    // Mutable for the removals gathered by RemoveElement, which the const
    // readers of the text apply first.
    mutable std::string m_text;
    mutable XmlElementIndex m_index;
    // Text ranges [first, second) still to be taken out, in the order of the
    // removals; a later one may hold earlier ones (an element's removed
    // children). None lies inside an element that is still in the document.
    mutable std::vector<std::pair<std::size_t, std::size_t>> m_removals;
    mutable std::unordered_map<std::size_t, std::size_t> m_removalEnds;  // end by start
    int32_t m_parent = kNoElement;
    int32_t m_current = kNoElement;
    int32_t m_child = kNoElement;
    XmlFileFlags m_flags;
    std::string m_encodingName;
    XmlResultLog m_result;
    bool m_wellFormed = false;
};

}  // namespace kerfmax
