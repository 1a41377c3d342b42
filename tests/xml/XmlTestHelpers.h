#pragma once
// Shared by the XML document tests: load text, edit, and look at the result.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support/TestSupport.h"
#include "xml/XmlDocument.h"

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

// Empty when xmllint accepts the file, else its complaint.
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

}  // namespace kerfmax::test
