#pragma once
// The texts of the standard pieces every window uses: message-box buttons,
// the Save As dialog and its overwrite question, and the message-box title,
// in the two interface languages (UTF-8).
#include <string>

namespace kerfmax {

enum class StandardTextId {
    OkButton,
    CancelButton,
    YesButton,
    NoButton,
    SaveDialogTitle,
    SaveDialogFilter,  // one filter, with its pattern in brackets
    SaveDialogLookIn,
    SaveDialogFileName,
    SaveDialogFileType,
    SaveDialogAccept,
    OverwriteQuestion,  // a printf format with one %s: the file's name
    Count
};

const char* StandardText(StandardTextId id, int language);
std::string OverwriteQuestionText(const std::string& fileName, int language);

// Every message box's title, in both languages.
inline constexpr const char* kMessageBoxTitle = "Kerfmax";

}  // namespace kerfmax
