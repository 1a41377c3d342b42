#include "app/ProgressReport.h"

#include "app/IniFile.h"

namespace kerfmax {

namespace {

const char* ErrorText(int code)
{
    switch (code) {
    case -1: return "ERROR_FILE_PATH!";
    case -2: return "ERROR_NO_OPEN_SENDKIT_DLL!";
    case -3: return "Connect to Cutter fail!";
    case -4: return "ERROR_OPEN_DATA_FILE!";
    case -5: return "ERROR_WRITE_USB_DATA!";
    case -6: return "ERROR_READ_USB_OVERTIME!";
    case -7: return "Connect to Cutter fail!";
    default: return "";
    }
}

}  // namespace

ProgressReport DecodeProgressReport(std::string_view text)
{
    if (auto end = text.find('\0'); end != std::string_view::npos) text = text.substr(0, end);
    ProgressReport report;
    // The settings file's integer reading: leading blanks, a sign, digits, saturated.
    report.value = IniTextToInt(std::string(text));
    report.message = ErrorText(report.value);
    report.showsProgress = report.value >= 0;
    report.completes = report.value >= 100 || report.value < 0;
    return report;
}

}  // namespace kerfmax
