#include "app/ViewTexts.h"

#include <cstddef>

#include "app/Texts.h"

namespace kerfmax {

namespace {

struct ViewTextPair {
    ViewTextId id;
    const char* english;
    const char* chinese;
};

constexpr ViewTextPair kViewTexts[] = {
    {ViewTextId::EstimateLine, "Cut %1 m, travel %2 m, %3 objects, about %4 at %5 mm/s",
     "切割 %1 米，空走 %2 米，%3 个对象，约 %4（%5 毫米/秒）"},
    {ViewTextId::EstimateDetail,
     "Transfer %1 for %2 bytes (%3, %4 bytes/s); cutting %5 at %6 mm/s. Click the speed to change it.",
     "传输 %1，共 %2 字节（%3，每秒 %4 字节）；切割 %5，速度 %6 毫米/秒。点击速度可修改。"},
    {ViewTextId::LinkSerial, "serial, 38400 baud", "串口，38400 波特"},
    {ViewTextId::LinkNetwork, "network", "网络"},
    {ViewTextId::LinkUsb, "USB", "USB"},
    {ViewTextId::SpeedTitle, "Cutting speed", "切割速度"},
    {ViewTextId::SpeedLabel, "Speed of the knife (mm/s):", "刀速（毫米/秒）："},
    {ViewTextId::OpenJobTitle, "Open job file", "打开任务文件"},
    {ViewTextId::OpenJobFilter, "Job files (*.hb);;All files (*)", "任务文件 (*.hb);;所有文件 (*)"},
};

constexpr bool TableFollowsIds()
{
    for (std::size_t i = 0; i < std::size(kViewTexts); ++i)
        if (static_cast<std::size_t>(kViewTexts[i].id) != i) return false;
    return std::size(kViewTexts) == static_cast<std::size_t>(ViewTextId::Count);
}
static_assert(TableFollowsIds(), "one text per id, in the order of the ids");

}  // namespace

const char* ViewText(ViewTextId id, int language)
{
    const ViewTextPair& pair = kViewTexts[static_cast<std::size_t>(id)];
    return IsChineseLanguage(language) ? pair.chinese : pair.english;
}

std::string FillText(std::string format, std::initializer_list<std::string> values)
{
    // One pass: a value is never searched for placeholders itself.
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char next = i + 1 < format.size() ? format[i + 1] : '\0';
        const std::size_t n = static_cast<std::size_t>(next - '1');
        if (format[i] == '%' && next >= '1' && next <= '9' && n < values.size()) {
            out += *(values.begin() + n);
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

}  // namespace kerfmax
