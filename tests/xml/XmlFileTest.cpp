// LoadFile and SaveFile on real files, and every XML file on this machine that
// no one here wrote loads and saves byte for byte the same.
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
    EXPECT_TRUE(doc.IsAtTopLevel());
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

TEST(XmlSystemFiles, EveryXmlFileUnderUsrShareRoundTripsByteForByte)
{
    std::size_t checked = 0;
    std::error_code error;
    const auto options = std::filesystem::directory_options::skip_permission_denied;
    for (auto it = std::filesystem::recursive_directory_iterator("/usr/share", options, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        std::error_code statError;
        if (it->path().extension() != ".xml" || !it->is_regular_file(statError) ||
            it->file_size(statError) >= 5 * 1024 * 1024)
            continue;
        ++checked;
        const std::string original = ReadFileBytes(it->path());
        XmlDocument document;
        // A file an independent parser accepts must not be refused.
        if (!document.LoadFile(it->path()) && XmllintComplaint(original).empty())
            ADD_FAILURE() << "refused a well-formed file: " << it->path() << "\n" << document.ResultText();
        if (Saved(document) != original)
            ADD_FAILURE() << "not byte-identical after load and save: " << it->path() << "\n" << document.ResultText();
    }
    if (checked == 0) GTEST_SKIP() << "no *.xml files under /usr/share";
}

}  // namespace
}  // namespace kerfmax::test
