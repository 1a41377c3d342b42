// Files in their own encodings: read to UTF-8 text, written back the same way.
#include <gtest/gtest.h>

#include <optional>

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
    if (!HaveProgram("iconv")) GTEST_SKIP() << "iconv program missing";
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
        const std::string head =
            std::string("<?xml version=\"1.0\" encoding=\"") + c.declared + "\"?>\r\n<r a=\"" + c.value;
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
        EXPECT_EQ(saved, c.bom + Iconv(head + "\" caption=\"" + kChinese + "\">" + kChinese + "</r>\n", c.code))
            << c.code;
        EXPECT_EQ(XmllintComplaint(saved), "") << saved;
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

// Conversions never stop a load: each file is read to the given UTF-8 text (when
// set), an unedited save gives the given bytes (when set), the event is recorded.
TEST(XmlEncoding, EightBitAndDamagedFilesReadAndWriteAsExpected)
{
    const std::string ansiAsUtf8 = "<r a=\"caf\xC3\xA9\">\xE2\x82\xAC</r>";
    const std::string html =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"
        "</meta></head><body title=\"";
    const std::string htmlFile = html + "\xE9\"></body></html>", htmlText = html + "\xC3\xA9\"></body></html>";
    const std::nullopt_t asRead = std::nullopt;  // the save gives back the file's own bytes
    const struct {
        std::string file;
        const char* text;
        std::optional<std::string> saved;
        const char* event;
    } cases[] = {
        // a UTF-8 byte-order mark is not part of the text but is written back
        {"\xEF\xBB\xBF<r>\xC3\xA9</r>", "<r>\xC3\xA9</r>", asRead, ""},
        // undeclared bytes that are not UTF-8 are read as ANSI and written as UTF-8
        {"<r a=\"caf\xE9\">\x80</r>", ansiAsUtf8.c_str(), ansiAsUtf8, "<utf8_detection"},
        // an HTML meta charset names the encoding, which the save keeps
        {htmlFile, htmlText.c_str(), asRead, ""},
        // the five bytes windows-1252 leaves undefined read as the controls of
        // their number and go back as they came, as the Windows conversion does
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><r a=\"\x81\x8D\x8F\x90\x9D\x80\"/>",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r "
         "a=\"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xE2\x82\xAC\"/>",
         asRead, "<converted_from encoding=\"windows-1252\"/><read"},
        // bytes that cannot be converted are kept as read
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?><r a=\"\xE9\"/>", nullptr, asRead, ""},
        {"<?xml version='1.0' encoding='x-unknown-42'?><r a=\"\xE9\"/>", nullptr, asRead, "<file_error"},
        {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", nullptr, asRead, ""},
        // damaged files are read as far as they go; an odd last byte and a lone
        // surrogate of UTF-16 are kept
        {std::string("<r>a\0b\0</r>", 11), "<r>ab</r>", "<r>ab</r>", "<nulls_removed count=\"2\"/>"},
        {std::string("\xFF\xFE<\0r\0/\0>\0x", 11), "<r/>", asRead, "<truncation_error"},
        {std::string("\xFF\xFE<\0r\0>\0\x00\xD8<\0/\0r\0>\0", 18), "<r>\xED\xA0\x80</r>", asRead, ""},
        {std::string("\xFE\xFF\0<\0r\0>\xDF\xFF\0<\0/\0r\0>", 18), "<r>\xED\xBF\xBF</r>", asRead, ""},
    };
    for (const auto& c : cases) {
        XmlDocument doc = Loaded(c.file);
        if (c.text) {
            EXPECT_EQ(doc.Text(), c.text);
        }
        EXPECT_TRUE(doc.IsWellFormed()) << c.file << doc.ResultText();
        EXPECT_TRUE(Contains(doc.ResultText(), c.event)) << c.file << doc.ResultText();
        EXPECT_FALSE(Contains(doc.ResultText(), "conversion_loss")) << c.file << doc.ResultText();
        EXPECT_EQ(Saved(doc), c.saved.value_or(c.file));
    }
}

}  // namespace
}  // namespace kerfmax::test
