// Files in their own encodings: read to UTF-8 text, written back the same way.
#include <gtest/gtest.h>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

// Converts with the iconv program, so that the files are not made by the code under test.
std::string Iconv(const std::string& utf8, const std::string& to)
{
    TempDir dir;
    WriteFileBytes(dir / "in", utf8);
    const ProcessResult result = RunProgram({"iconv", "-f", "UTF-8", "-t", to, (dir / "in").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

const std::string kChinese = "\xE5\x88\x87\xE5\x89\xB2";  // "cutting" in Chinese, UTF-8

std::string WithRootEdit(XmlDocument& doc)
{
    doc.FindSibling("r");
    doc.SetAttribute("caption", kChinese);
    return Saved(doc);
}

TEST(XmlEncoding, Utf16WithByteOrderMarkIsWrittenBackInItsByteOrder)
{
    if (!HaveProgram("iconv"))
        GTEST_SKIP() << "iconv program missing";
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r a=\"" + kChinese + " \xF0\x9F\x98\x80\"/>";
    const std::string edited =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r a=\"" + kChinese + " \xF0\x9F\x98\x80\" caption=\"" + kChinese + "\"/>";
    for (const auto& [order, bom] : {std::pair<std::string, std::string>{"UTF-16LE", "\xFF\xFE"},
                                     std::pair<std::string, std::string>{"UTF-16BE", "\xFE\xFF"}}) {
        const std::string file = bom + Iconv(text, order);
        XmlDocument doc = Loaded(file);
        EXPECT_TRUE(doc.IsWellFormed()) << doc.ResultText();
        EXPECT_EQ(doc.EncodingName(), order);
        EXPECT_EQ(doc.Text(), text) << "the document text is UTF-8";
        EXPECT_EQ(Saved(doc), file) << order << " unedited round trip";
        const std::string saved = WithRootEdit(doc);
        EXPECT_EQ(saved, bom + Iconv(edited, order)) << order;
        EXPECT_WELL_FORMED(saved);
    }
}

TEST(XmlEncoding, Utf16WithoutByteOrderMarkIsRecognisedByItsFirstTag)
{
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>";
    const std::string file = Iconv(text, "UTF-16BE");
    XmlDocument doc = Loaded(file);
    EXPECT_TRUE(doc.FileFlags().utf16BigEndian);
    EXPECT_EQ(doc.Text(), text);
    EXPECT_EQ(Saved(doc), file);
}

TEST(XmlEncoding, DeclaredCodePageIsConvertedBothWays)
{
    const std::string text = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<r name=\"" + kChinese + "\">" + kChinese + "</r>\n";
    const std::string file = Iconv(text, "GBK");
    ASSERT_NE(file, text);
    XmlDocument doc = Loaded(file);
    EXPECT_EQ(doc.EncodingName(), "GBK");
    doc.FindSibling("r");
    EXPECT_EQ(doc.GetAttribute("name"), kChinese);
    EXPECT_EQ(Saved(doc), file);
    doc.SetAttribute("caption", kChinese);
    const std::string saved = Saved(doc);
    const std::string edited = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<r name=\"" + kChinese + "\" caption=\"" +
                               kChinese + "\">" + kChinese + "</r>\n";
    EXPECT_EQ(saved, Iconv(edited, "GBK"));
    EXPECT_WELL_FORMED(saved);
}

TEST(XmlEncoding, CharactersTheCodePageLacksAreReplacedAndTheLossRecorded)
{
    XmlDocument doc = Loaded("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xE9\"/>");
    doc.FindSibling("r");
    EXPECT_EQ(doc.GetAttribute("a"), "\xC3\xA9");
    doc.SetAttribute("b", kChinese);
    EXPECT_EQ(Saved(doc), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xE9\" b=\"??\"/>");
    EXPECT_NE(doc.ResultText().find("<conversion_loss count=\"2\"/>"), std::string::npos) << doc.ResultText();
}

TEST(XmlEncoding, Utf8ByteOrderMarkStays)
{
    const std::string file = "\xEF\xBB\xBF<r>" + kChinese + "</r>";
    XmlDocument doc = Loaded(file);
    EXPECT_TRUE(doc.FileFlags().utf8ByteOrderMark);
    EXPECT_EQ(doc.Text(), "<r>" + kChinese + "</r>");
    EXPECT_EQ(Saved(doc), file);
}

TEST(XmlEncoding, UndeclaredBytesThatAreNotUtf8AreReadAsAnsiAndWrittenAsUtf8)
{
    XmlDocument doc = Loaded("<r a=\"caf\xE9\">\x80</r>");
    EXPECT_TRUE(doc.FileFlags().readAsAnsi);
    EXPECT_NE(doc.ResultText().find("<utf8_detection"), std::string::npos) << doc.ResultText();
    doc.FindSibling("r");
    EXPECT_EQ(doc.GetAttribute("a"), "caf\xC3\xA9");
    EXPECT_EQ(Saved(doc), "<r a=\"caf\xC3\xA9\">\xE2\x82\xAC</r>");
}

struct KeptCase {
    const char* what;
    std::string file;
    const char* event;  // expected in the result text, or empty
};

TEST(XmlEncoding, BytesThatCannotBeConvertedAreKeptAsRead)
{
    const KeptCase cases[] = {
        {"declared UTF-8 with a stray byte", "<?xml version=\"1.0\" encoding=\"utf-8\"?><r a=\"\xE9\"/>", ""},
        {"an encoding no converter knows", "<?xml version='1.0' encoding='x-unknown-42'?><r a=\"\xE9\"/>",
         "<file_error"},
        {"a wide encoding declared in 8-bit text", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", ""},
    };
    for (const KeptCase& c : cases) {
        XmlDocument doc = Loaded(c.file);
        EXPECT_TRUE(doc.IsWellFormed()) << c.what;
        EXPECT_EQ(Saved(doc), c.file) << c.what;
        if (*c.event) {
            doc.LoadFromBytes(c.file);
            EXPECT_NE(doc.ResultText().find(c.event), std::string::npos) << c.what << doc.ResultText();
        }
    }
}

TEST(XmlEncoding, HtmlMetaCharsetNamesTheEncoding)
{
    const std::string file =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></meta></head>"
        "<body title=\"\xE9\"></body></html>";
    XmlDocument doc = Loaded(file);
    EXPECT_EQ(doc.EncodingName(), "iso-8859-1");
    doc.FindSibling("html");
    doc.EnterElement();
    doc.FindSibling("body");
    EXPECT_EQ(doc.GetAttribute("title"), "\xC3\xA9");
    EXPECT_EQ(Saved(doc), file) << "written back in the encoding it names";
}

TEST(XmlEncoding, DamagedFilesAreReadAsFarAsTheyGoAndTheDamageRecorded)
{
    XmlDocument nulls = Loaded(std::string("<r>a\0b\0</r>", 11));
    EXPECT_EQ(nulls.Text(), "<r>ab</r>");
    EXPECT_NE(nulls.ResultText().find("<nulls_removed count=\"2\"/>"), std::string::npos);

    XmlDocument odd = Loaded(std::string("\xFF\xFE<\0r\0/\0>\0x", 11));
    EXPECT_EQ(odd.Text(), "<r/>");
    EXPECT_NE(odd.ResultText().find("<truncation_error"), std::string::npos);

    XmlDocument surrogate = Loaded(std::string("\xFF\xFE<\0r\0>\0\x00\xD8<\0/\0r\0>\0", 18));
    EXPECT_EQ(surrogate.Text(), "<r>\xEF\xBF\xBD</r>");
    EXPECT_NE(surrogate.ResultText().find("<conversion_loss count=\"1\"/>"), std::string::npos);
}

}  // namespace
}  // namespace kerfmax::test
