// LoadFile and SaveFile on real files.
#include <gtest/gtest.h>

#include <filesystem>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

TEST(XmlFiles, LoadReplacesTheDocumentAndItsPosition)
{
    TempDir dir;
    WriteFileBytes(dir / "a.xml", "<a><x/></a>");
    WriteFileBytes(dir / "b.xml", "<b><y/></b>");
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir / "a.xml"));
    doc.FindSibling("a");
    doc.EnterElement();
    doc.FindSibling("x");
    ASSERT_TRUE(doc.LoadFile(dir / "b.xml"));
    EXPECT_TRUE(doc.IsAtTopLevel());
    EXPECT_FALSE(doc.HasCurrentElement());
    EXPECT_FALSE(doc.FindSibling("a"));
    EXPECT_TRUE(doc.FindSibling("b"));
}

TEST(XmlFiles, UnreadableFileLeavesAnEmptyDocument)
{
    TempDir dir;
    WriteFileBytes(dir / "a.xml", "<a/>");
    XmlDocument doc;
    doc.LoadFile(dir / "a.xml");
    EXPECT_FALSE(doc.LoadFile(dir / "missing.xml"));
    EXPECT_EQ(doc.Text(), "");
    EXPECT_FALSE(doc.FindSibling("a"));
    EXPECT_NE(doc.ResultText().find("<file_error>"), std::string::npos) << doc.ResultText();
    EXPECT_FALSE(doc.LoadFile(dir.Path())) << "a folder is not a file";
    EXPECT_EQ(doc.Text(), "");
}

TEST(XmlFiles, SaveWritesTheWholeFileOrNothing)
{
    TempDir dir;
    const std::string original = "<?xml version=\"1.0\"?>\r\n<a>\r\n\t<b/>\r\n</a>\r\n";
    WriteFileBytes(dir / "w.xml", original);
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir / "w.xml"));
    doc.FindSibling("a");
    doc.EnterElement();
    doc.AppendElement("c");
    ASSERT_TRUE(doc.SaveFile(dir / "w.xml"));
    EXPECT_EQ(ReadFileBytes(dir / "w.xml"), "<?xml version=\"1.0\"?>\r\n<a>\r\n\t<b/>\r\n<c/>\r\n</a>\r\n");
    EXPECT_NE(doc.ResultText().find("<write encoding=\"UTF-8\" length=\"47\"/>"), std::string::npos)
        << doc.ResultText();

    // A folder that does not exist: failure reported, nothing written anywhere.
    EXPECT_FALSE(doc.SaveFile(dir / "missing" / "w.xml"));
    EXPECT_NE(doc.ResultText().find("<file_error>"), std::string::npos);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1u) << "no temporary file left behind";
}

}  // namespace
}  // namespace kerfmax::test
