#pragma once
// Shared by the XML document tests: load text, walk in, edit, and look at the result.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

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
        if (!doc.FindSibling(name) || !doc.EnterElement()) return false;
    return true;
}

inline bool Contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

// Empty when xmllint accepts the bytes, else its complaint.
inline std::string XmllintComplaint(const std::string& bytes)
{
    if (!HaveProgram("xmllint")) return {};
    TempDir dir;
    WriteFileBytes(dir / "edited.xml", bytes);
    const ProcessResult result = RunProgram({"xmllint", "--noout", (dir / "edited.xml").string()});
    return result.exitCode == 0 ? std::string() : result.err + result.out;
}

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

// Runs steps on the document, each a word: "?name" FindSibling, ">" EnterElement
// (">name" finds the element first), "<" LeaveElement, "+name" AppendElement, "^name" InsertElement, "-" RemoveElement,
// "@key=value" SetAttribute, "=text" SetElementText; "$key=value" expects the
// attribute's value, ":name" the current element's tag ("" for none), "#text"
// the whole text. A leading "!" expects the step to fail.
inline void RunSteps(XmlDocument& doc, const std::vector<std::string_view>& steps)
{
    for (std::string_view step : steps) {
        const bool fails = step.starts_with('!');
        step.remove_prefix(fails ? 1 : 0);
        const std::string_view arg = step.substr(1), key = arg.substr(0, arg.rfind('='));
        const std::string_view value = arg.substr(std::min(arg.size(), key.size() + 1));
        bool done = true;
        switch (step[0]) {
        case '?': done = doc.FindSibling(arg); break;
        case '>': done = (arg.empty() || doc.FindSibling(arg)) && doc.EnterElement(); break;
        case '<': done = doc.LeaveElement(); break;
        case '+': done = doc.AppendElement(arg); break;
        case '^': done = doc.InsertElement(arg); break;
        case '-': done = doc.RemoveElement(); break;
        case '@': done = doc.SetAttribute(key, value); break;
        case '=': done = doc.SetElementText(arg); break;
        case '$': EXPECT_EQ(doc.GetAttribute(key), value) << step; break;
        case ':': EXPECT_EQ(doc.GetTagName(), arg) << step; break;
        case '#': EXPECT_EQ(doc.Text(), arg); break;
        default: ADD_FAILURE() << "no such step: " << step;
        }
        EXPECT_EQ(done, !fails) << step << " in\n" << doc.Text();
    }
}

struct StepsCase {
    std::string_view input;
    std::vector<std::string_view> steps;
    std::string_view expected;  // the text after the steps
    // The index as ElementTree writes it, where it cannot be that of the text
    // parsed afresh: an edit beside an unended element keeps it unended.
    std::string_view tree = {};
};

// Each case: the text, the index in step with it, and output that an
// independent parser accepts when it accepted the input.
inline void RunCases(const std::vector<StepsCase>& cases)
{
    for (const StepsCase& c : cases) {
        SCOPED_TRACE(c.input);
        XmlDocument doc = Loaded(c.input);
        RunSteps(doc, c.steps);
        EXPECT_EQ(doc.Text(), c.expected);
        // The index kept through edits is that of the text parsed anew.
        EXPECT_EQ(ElementTree(doc.Text(), doc.ElementIndex()),
                  c.tree.empty() ? FreshElementTree(doc.Text()) : std::string(c.tree));
        if (c.expected == c.input) continue;  // unedited: nothing new to show xmllint
        const std::string complaint = XmllintComplaint(Saved(doc));
        EXPECT_TRUE(complaint.empty() || !XmllintComplaint(std::string(c.input)).empty()) << complaint;
    }
}

}  // namespace kerfmax::test
