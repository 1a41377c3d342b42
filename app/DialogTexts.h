#pragma once
// The texts of the side dialogs (cutting order, Feature, about box) in the two
// interface languages, UTF-8. Language numbers as in app/Texts.h: 1 is
// Chinese, every other value English.
namespace kerfmax {

enum class DialogTextId {
    // Cutting-order dialog.
    CuttingOrderTitle,
    CutOrderButton,
    DefaultOrder,  // menu item, and the file order
    ReduceFeed,  // menu item, and the banded order
    InsideFirst,  // menu item, and the banded order that cuts what lies inside an outline first
    PlayButton,
    ApplyButton,
    CancelButton,
    // Feature dialog.
    FeatureCheck,
    AllEqual,
    HorizontalEqual,
    VerticalEqual,
    OtherMargins,
    OkButton,
    // About box.
    AboutNotice,
    Count
};

const char* DialogText(DialogTextId id, int language);

// Texts that do not depend on the language.
inline constexpr const char* kSpeedTexts[] = {"X1", "X2", "X3"};
// Shown when the playback thread cannot be started.
inline constexpr const char* kPlayThreadFailText = "AfxBeginThread";

}  // namespace kerfmax
