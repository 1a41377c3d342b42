#include "app/DialogTexts.h"

#include <cstddef>
#include <iterator>

#include "app/Texts.h"

namespace kerfmax {

namespace {

struct DialogTextPair {
    DialogTextId id;
    const char* english;
    const char* chinese;
};

// In the order of DialogTextId; the check below keeps the two in step.
constexpr DialogTextPair kDialogTexts[] = {
    {DialogTextId::CuttingOrderTitle, "Preview Cutting Order", "预览切割顺序"},
    {DialogTextId::CutOrderButton, "Cut Order", "切割顺序"},
    {DialogTextId::DefaultOrder, "Default Order", "默认顺序"},
    {DialogTextId::ReduceFeed, "Reduce Feed", "减少走纸"},
    {DialogTextId::InsideFirst, "Inside First", "由内向外"},
    {DialogTextId::PlayButton, "Play", "播放"},
    {DialogTextId::ApplyButton, "Apply", "应用"},
    {DialogTextId::CancelButton, "Cancel", "取消"},
    {DialogTextId::FeatureCheck, "Feature", "外框"},
    {DialogTextId::AllEqual, "All are equal", "全部相等"},
    {DialogTextId::HorizontalEqual, "Horizontal equal", "横向相等"},
    {DialogTextId::VerticalEqual, "Vertical equal", "纵向相等"},
    {DialogTextId::OtherMargins, "Other", "其它"},
    {DialogTextId::OkButton, "OK", "确定"},
    {DialogTextId::AboutNotice, "Copyright (C) 2026 the Kerfmax developers.", "版权所有 (C) 2026 Kerfmax 开发者。"},
};

constexpr bool TableFollowsIds()
{
    if (std::size(kDialogTexts) != static_cast<std::size_t>(DialogTextId::Count)) return false;
    for (std::size_t i = 0; i < std::size(kDialogTexts); ++i)
        if (static_cast<std::size_t>(kDialogTexts[i].id) != i) return false;
    return true;
}
static_assert(TableFollowsIds(), "every DialogTextId needs its row, in order");

}  // namespace

const char* DialogText(DialogTextId id, int language)
{
    const auto index = static_cast<std::size_t>(id);
    if (index >= std::size(kDialogTexts)) return "";
    const DialogTextPair& pair = kDialogTexts[index];
    return IsChineseLanguage(language) ? pair.chinese : pair.english;
}

}  // namespace kerfmax
