#pragma once
// Shared by the XML document tests: load text, walk in, edit, and look at the result.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "support/TestSupport.h"
#include "xml/XmlDocument.h"
#include "xml/XmlParser.h"

namespace kerfmax::test {

inline XmlDocument Loaded(std::string_view bytes)
{
    XmlDocument document;
    document.LoadFromBytes(bytes);
    return document;
}

inline std::string Saved(XmlDocument& document)
{
    std::string bytes;
    document.SaveToBytes(bytes);
    return bytes;
}

// Finds and enters each named element in turn.
inline bool Descend(XmlDocument& doc, std::initializer_list<std::string_view> names)
{
    for (std::string_view name : names)
        if (!doc.FindSibling(name) || !doc.EnterElement())
            return false;
    return true;
}

inline bool Contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

// Empty when xmllint accepts the bytes, else its complaint.
inline std::string XmllintComplaint(const std::string& bytes)
{
    if (!HaveProgram("xmllint"))
        return {};
    TempDir dir;
    WriteFileBytes(dir / "edited.xml", bytes);
    const ProcessResult result = RunProgram({"xmllint", "--noout", (dir / "edited.xml").string()});
    return result.exitCode == 0 ? std::string() : result.err + result.out;
}

#define EXPECT_WELL_FORMED(bytes) EXPECT_EQ(::kerfmax::test::XmllintComplaint(bytes), "") << (bytes)

// The element tree as positions and links, for comparing an edited index with
// one built by parsing the edited text afresh.
inline void DumpElements(const std::string& text, const XmlElementIndex& index, int32_t id, std::string* out)
{
    for (; id != kNoElement; id = index[id].next) {
        const XmlElement& e = index[id];
        *out += text.substr(e.start, e.startTagLength) + "@" + std::to_string(e.start) + "+" +
                std::to_string(e.length) + "/" + std::to_string(e.endTagLength) + "f" + std::to_string(e.flags) + "{";
        DumpElements(text, index, e.firstChild, out);
        *out += "}";
    }
}

inline std::string ElementTree(const std::string& text, const XmlElementIndex& index)
{
    std::string out;
    DumpElements(text, index, index.FirstTopLevel(), &out);
    return out;
}

inline std::string FreshElementTree(const std::string& text)
{
    XmlElementIndex index;
    XmlResultLog log;
    ParseXmlText(text, &index, &log);
    return ElementTree(text, index);
}

// The index kept through edits equals the index of the text parsed anew.
#define EXPECT_INDEX_IN_STEP(doc)                                                \
    EXPECT_EQ(::kerfmax::test::ElementTree((doc).Text(), (doc).ElementIndex()), \
              ::kerfmax::test::FreshElementTree((doc).Text()))

}  // namespace kerfmax::test
