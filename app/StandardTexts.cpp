#include "app/StandardTexts.h"

#include <cstddef>
#include <iterator>

#include "app/Texts.h"

namespace kerfmax {

namespace {

struct StandardTextPair {
    StandardTextId id;
    const char* english;
    const char* chinese;
};

// In the order of StandardTextId; the check below keeps the two in step.
constexpr StandardTextPair kStandardTexts[] = {
    {StandardTextId::OkButton, "OK", "确定"},
    {StandardTextId::CancelButton, "Cancel", "取消"},
    {StandardTextId::YesButton, "Yes", "是"},
    {StandardTextId::NoButton, "No", "否"},
    {StandardTextId::SaveDialogTitle, "Save to plt file", "保存为 plt 文件"},
    {StandardTextId::SaveDialogFilter, "Plt Files(*.plt)", "Plt 文件(*.plt)"},
    {StandardTextId::SaveDialogLookIn, "Save in:", "保存在:"},
    {StandardTextId::SaveDialogFileName, "File name:", "文件名:"},
    {StandardTextId::SaveDialogFileType, "Save as type:", "保存类型:"},
    {StandardTextId::SaveDialogAccept, "Save", "保存"},
    {StandardTextId::OverwriteQuestion, "%s already exists.\nDo you want to replace it?", "%s 已存在。\n要替换它吗?"},
};

constexpr bool TableFollowsIds()
{
    if (std::size(kStandardTexts) != static_cast<std::size_t>(StandardTextId::Count)) return false;
    for (std::size_t i = 0; i < std::size(kStandardTexts); ++i)
        if (static_cast<std::size_t>(kStandardTexts[i].id) != i) return false;
    return true;
}
static_assert(TableFollowsIds(), "every StandardTextId needs its row, in order");

}  // namespace

const char* StandardText(StandardTextId id, int language)
{
    const auto index = static_cast<std::size_t>(id);
    if (index >= std::size(kStandardTexts)) return "";
    return IsChineseLanguage(language) ? kStandardTexts[index].chinese : kStandardTexts[index].english;
}

std::string OverwriteQuestionText(const std::string& fileName, int language)
{
    std::string text = StandardText(StandardTextId::OverwriteQuestion, language);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, fileName);
    return text;
}

}  // namespace kerfmax
