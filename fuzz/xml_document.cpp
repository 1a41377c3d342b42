// Loads a document from the input, runs a sequence of navigation and edit
// operations chosen by the input on it, and saves it to memory. A document
// that loaded well formed must keep its element index in step with its text.
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
        if (e.start + e.length > text.size())
            __builtin_trap();
        if (depth < 10000)
            Dump(text, index, e.firstChild, out, depth + 1);
        *out += '}';
    }
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
    if (size == 0)
        return 0;
    const std::size_t opCount = std::min<std::size_t>(data[0] % 64, size - 1);
    const std::string_view ops(reinterpret_cast<const char*>(data) + 1, opCount);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1 + opCount, size - 1 - opCount);

    XmlDocument doc;
    const bool wellFormed = doc.LoadFromBytes(bytes);
    for (const char op : ops)
        RunOperation(doc, static_cast<uint8_t>(op));
    std::string saved;
    doc.SaveToBytes(saved);

    if (wellFormed) {
        XmlElementIndex fresh;
        kerfmax::XmlResultLog log;
        kerfmax::ParseXmlText(doc.Text(), &fresh, &log);
        if (Tree(doc.Text(), doc.ElementIndex()) != Tree(doc.Text(), fresh))
            __builtin_trap();
    }
    return 0;
}
