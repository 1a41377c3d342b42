// Loads a document from the input, runs a sequence of navigation and edit
// operations chosen by the input on it, and saves it to memory. A document
// that loaded well formed must keep its element index in step with its text;
// any document must keep every element inside its parent and the text, keep
// its result log short, and, read in an encoding that maps every byte, give
// back its very bytes when saved unedited.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "xml/XmlDocument.h"
#include "xml/XmlParser.h"

namespace {

using kerfmax::XmlDocument;
using kerfmax::XmlElementIndex;

constexpr std::string_view kNames[] = {"r", "a", "b", "item", "n:s", "x", "", "bad name", "commandBar"};
constexpr std::string_view kValues[] = {"", "v", "<&>\"'", "\xE5\x88\x87", "line\r\n\ttab", "\xFF"};

void Dump(const std::string& text, const XmlElementIndex& index, int32_t id, std::string* out, int depth)
{
    for (; id != kerfmax::kNoElement; id = index[id].next) {
        const kerfmax::XmlElement& e = index[id];
        *out += std::to_string(e.start) + ',' + std::to_string(e.length) + ',' + std::to_string(e.startTagLength) +
                ',' + std::to_string(e.endTagLength) + ',' + std::to_string(e.flags) + '{';
        if (e.start + e.length > text.size()) __builtin_trap();
        if (depth < 10000) Dump(text, index, e.firstChild, out, depth + 1);
        *out += '}';
    }
}

// Every element lies inside the text and its parent's content, after its
// previous sibling, and begins with '<'.
void CheckNesting(const std::string& text, const XmlElementIndex& index, int32_t id, std::size_t from, std::size_t to,
                  int depth)
{
    for (; id != kerfmax::kNoElement; id = index[id].next) {
        const kerfmax::XmlElement& e = index[id];
        if (e.start < from || e.End() > to || e.End() > text.size() || text[e.start] != '<' ||
            e.startTagLength + e.endTagLength > e.length)
            __builtin_trap();
        if (depth < 10000) CheckNesting(text, index, e.firstChild, e.ContentStart(), e.ContentEnd(), depth + 1);
        from = e.End();
    }
}

// Encodings in which reading and writing are exact inverses.
bool MapsEveryByte(const XmlDocument& doc, std::string_view bytes)
{
    const kerfmax::XmlFileFlags& flags = doc.FileFlags();
    if (flags.readAsAnsi || doc.ResultText().find("<nulls_removed") != std::string::npos ||
        doc.ResultText().find("<conversion_loss") != std::string::npos)
        return false;
    if (flags.utf16LittleEndian || flags.utf16BigEndian || flags.utf8ByteOrderMark) return true;
    std::string name;
    for (const char c : doc.EncodingName())
        if (c != '-' && c != '_') name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (name == "utf8") return true;
    // A code page named by an HTML meta element is looked for in the first
    // 1024 bytes, which decoding may push it beyond; only a declaration counts.
    return (name == "windows1252" || name == "iso88591") && bytes.substr(0, 5) == "<?xml";
}

std::string Tree(const std::string& text, const XmlElementIndex& index)
{
    std::string out;
    Dump(text, index, index.FirstTopLevel(), &out, 0);
    return out;
}

void RunOperation(XmlDocument& doc, uint8_t op)
{
    const std::string_view name = kNames[(op / 12) % std::size(kNames)];
    const std::string_view value = kValues[(op / 12) % std::size(kValues)];
    switch (op % 12) {
    case 0: doc.FindSibling(name); break;
    case 1: doc.EnterElement(); break;
    case 2: doc.LeaveElement(); break;
    case 3: (void)doc.GetAttribute(name); break;
    case 4: doc.SetAttribute(name, value); break;
    case 5: doc.AppendElement(name); break;
    case 6: doc.InsertElement(name); break;
    case 7: doc.SetElementText(value); break;
    case 8: doc.RemoveElement(); break;
    case 9: (void)doc.GetTagName(); break;
    case 10: doc.FindSibling(doc.GetTagName()); break;
    default: {
        std::string bytes;
        doc.SaveToBytes(bytes);
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t opCount = std::min<std::size_t>(data[0] % 64, size - 1);
    const std::string_view ops(reinterpret_cast<const char*>(data) + 1, opCount);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1 + opCount, size - 1 - opCount);

    {
        XmlDocument unedited;
        unedited.LoadFromBytes(bytes);
        if (unedited.ResultText().size() > kerfmax::XmlResultLog::kMaxBytes + 4096) __builtin_trap();
        const bool exact = MapsEveryByte(unedited, bytes);  // before the save replaces the load's log
        std::string saved;
        unedited.SaveToBytes(saved);
        if (exact && saved != bytes) __builtin_trap();
    }

    XmlDocument doc;
    const bool wellFormed = doc.LoadFromBytes(bytes);
    for (const char op : ops) RunOperation(doc, static_cast<uint8_t>(op));
    std::string saved;
    doc.SaveToBytes(saved);
    CheckNesting(doc.Text(), doc.ElementIndex(), doc.ElementIndex().FirstTopLevel(), 0, doc.Text().size(), 0);

    if (wellFormed) {
        XmlElementIndex fresh;
        kerfmax::XmlResultLog log;
        kerfmax::ParseXmlText(doc.Text(), &fresh, &log);
        if (Tree(doc.Text(), doc.ElementIndex()) != Tree(doc.Text(), fresh)) __builtin_trap();
    }
    return 0;
}
