#pragma once
// Progress and error reports that another process sends to the main window
// (on Windows the copy-data message, on Linux the window's local socket): a
// decimal number as text. 0 to 100 is progress, 100 or more means done, and a
// negative number is an error code that also ends the send.
#include <string>
#include <string_view>

namespace kerfmax {

struct ProgressReport {
    int value = 0;  // the number the text begins with (0 when none)
    std::string message;  // the error's text for codes -1 to -7, else empty
    bool showsProgress = false;  // value 0 or more: the bar moves to it
    bool completes = false;  // 100 or more, or any negative value
};

// Reads the text up to its first NUL byte.
ProgressReport DecodeProgressReport(std::string_view text);

}  // namespace kerfmax
