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

TEST(XmlEncoding, Utf16AndDeclaredCodePagesAreReadAsUtf8AndWrittenBackAsTheyCame)
{
    if (!HaveProgram("iconv"))
        GTEST_SKIP() << "iconv program missing";
    const std::string wide = kChinese + " \xF0\x9F\x98\x80";  // a surrogate pair in UTF-16
    const struct {
        const char* code;  // for iconv
        std::string bom;
        const char* declared;
        std::string value;
        const char* encodingName;  // expected, or null
    } cases[] = {
        {"UTF-16LE", "\xFF\xFE", "UTF-16", wide, "UTF-16LE"},
        {"UTF-16BE", "\xFE\xFF", "UTF-16", wide, "UTF-16BE"},
        {"UTF-16BE", "", "UTF-16", wide, nullptr},  // no mark: the first tag tells the byte order
        {"GBK", "", "GBK", kChinese, "GBK"},
    };
    for (const auto& c : cases) {
        const std::string head = std::string("<?xml version=\"1.0\" encoding=\"") + c.declared + "\"?>\r\n<r a=\"" + c.value;
        const std::string text = head + "\">" + kChinese + "</r>\n";
        const std::string file = c.bom + Iconv(text, c.code);
        XmlDocument doc = Loaded(file);
        EXPECT_TRUE(doc.IsWellFormed()) << c.code << doc.ResultText();
        EXPECT_EQ(doc.EncodingName(), c.encodingName ? c.encodingName : doc.EncodingName());
        EXPECT_EQ(doc.Text(), text) << c.code << ": the document text is UTF-8";
        EXPECT_EQ(Saved(doc), file) << c.code << " unedited round trip";
        doc.FindSibling("r");
        EXPECT_EQ(doc.GetAttribute("a"), c.value);
        doc.SetAttribute("caption", kChinese);
        const std::string saved = Saved(doc);
        EXPECT_EQ(saved, c.bom + Iconv(head + "\" caption=\"" + kChinese + "\">" + kChinese + "</r>\n", c.code)) << c.code;
        EXPECT_WELL_FORMED(saved);
    }
}

TEST(XmlEncoding, CharactersTheCodePageLacksAreReplacedAndTheLossRecorded)
{
    XmlDocument doc = Loaded("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xE9\"/>");
    doc.FindSibling("r");
    EXPECT_EQ(doc.GetAttribute("a"), "\xC3\xA9");
    doc.SetAttribute("b", kChinese);
    EXPECT_EQ(Saved(doc), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xE9\" b=\"??\"/>");
    EXPECT_TRUE(Contains(doc.ResultText(), "<conversion_loss count=\"2\"/>")) << doc.ResultText();
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
    EXPECT_TRUE(Contains(doc.ResultText(), "<utf8_detection")) << doc.ResultText();
    doc.FindSibling("r");
    EXPECT_EQ(doc.GetAttribute("a"), "caf\xC3\xA9");
    EXPECT_EQ(Saved(doc), "<r a=\"caf\xC3\xA9\">\xE2\x82\xAC</r>");
}

TEST(XmlEncoding, BytesThatCannotBeConvertedAreKeptAsRead)
{
    const struct {
        const char* what;
        std::string file;
        const char* event;  // expected in the result text, or empty
    } cases[] = {
        {"declared UTF-8 with a stray byte", "<?xml version=\"1.0\" encoding=\"utf-8\"?><r a=\"\xE9\"/>", ""},
        {"an encoding no converter knows", "<?xml version='1.0' encoding='x-unknown-42'?><r a=\"\xE9\"/>",
         "<file_error"},
        {"a wide encoding declared in 8-bit text", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", ""},
    };
    for (const auto& c : cases) {
        XmlDocument doc = Loaded(c.file);
        EXPECT_TRUE(doc.IsWellFormed()) << c.what;
        EXPECT_TRUE(Contains(doc.ResultText(), c.event)) << c.what << doc.ResultText();
        EXPECT_EQ(Saved(doc), c.file) << c.what;
    }
}

TEST(XmlEncoding, HtmlMetaCharsetNamesTheEncoding)
{
    const std::string file =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></meta></head>"
        "<body title=\"\xE9\"></body></html>";
    XmlDocument doc = Loaded(file);
    EXPECT_EQ(doc.EncodingName(), "iso-8859-1");
    Descend(doc, {"html"});
    doc.FindSibling("body");
    EXPECT_EQ(doc.GetAttribute("title"), "\xC3\xA9");
    EXPECT_EQ(Saved(doc), file) << "written back in the encoding it names";
}

TEST(XmlEncoding, DamagedFilesAreReadAsFarAsTheyGoAndTheDamageRecorded)
{
    const struct {
        std::string file;
        const char* text;
        const char* event;
    } cases[] = {
        {std::string("<r>a\0b\0</r>", 11), "<r>ab</r>", "<nulls_removed count=\"2\"/>"},
        {std::string("\xFF\xFE<\0r\0/\0>\0x", 11), "<r/>", "<truncation_error"},
        {std::string("\xFF\xFE<\0r\0>\0\x00\xD8<\0/\0r\0>\0", 18), "<r>\xEF\xBF\xBD</r>",
         "<conversion_loss count=\"1\"/>"},
    };
    for (const auto& c : cases) {
        XmlDocument doc = Loaded(c.file);
        EXPECT_EQ(doc.Text(), c.text);
        EXPECT_TRUE(Contains(doc.ResultText(), c.event)) << doc.ResultText();
    }
}

}  // namespace
}  // namespace kerfmax::test
