// LoadFile and SaveFile on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

TEST(XmlFiles, LoadReplacesTheDocumentAndAnUnreadableFileLeavesItEmpty)
{
    TempDir dir;
    WriteFileBytes(dir / "a.xml", "<a><x/></a>");
    WriteFileBytes(dir / "b.xml", "<b><y/></b>");
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir / "a.xml"));
    Descend(doc, {"a"});
    doc.FindSibling("x");
    ASSERT_TRUE(doc.LoadFile(dir / "b.xml"));
    EXPECT_FALSE(doc.HasCurrentElement());
    EXPECT_FALSE(doc.FindSibling("a"));
    EXPECT_TRUE(doc.FindSibling("b"));

    EXPECT_FALSE(doc.LoadFile(dir / "missing.xml"));
    EXPECT_EQ(doc.Text(), "");
    EXPECT_FALSE(doc.FindSibling("b"));
    EXPECT_TRUE(Contains(doc.ResultText(), "<file_error>")) << doc.ResultText();
    doc.LoadFile(dir / "a.xml");
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
    Descend(doc, {"a"});
    doc.AppendElement("c");
    ASSERT_TRUE(doc.SaveFile(dir / "w.xml"));
    EXPECT_EQ(ReadFileBytes(dir / "w.xml"), "<?xml version=\"1.0\"?>\r\n<a>\r\n\t<b/>\r\n<c/>\r\n</a>\r\n");
    EXPECT_TRUE(Contains(doc.ResultText(), "<write encoding=\"UTF-8\" length=\"47\"/>")) << doc.ResultText();

    // A folder that does not exist: failure reported, nothing written anywhere.
    EXPECT_FALSE(doc.SaveFile(dir / "missing" / "w.xml"));
    EXPECT_TRUE(Contains(doc.ResultText(), "<file_error>"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary file left";
}

}  // namespace
}  // namespace kerfmax::test
