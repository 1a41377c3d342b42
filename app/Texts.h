#pragma once
// The interface texts of the main window in its two languages, and the texts
// that are the same in both. Language numbers are those of the settings file:
// 1 is Chinese, every other value English.
#include <span>
#include <string>
#include <vector>

#include "app/Version.h"

namespace kerfmax {

enum class TextId {
    // Menu and message texts.
    Rotate90,            // rotation menu, first item
    Rotate180,
    Rotate270,
    RotateDefault,       // rotation menu, last item: no rotation
    ConnectFail,         // Send: the link does not open
    SaveTempError1,      // Send, Save to File: the output file is not written
    SaveTempError2,      // Send: the worker does not start
    SendFinished,
    OpenTempFail,        // the send worker cannot open the output file
    SaveFinished,
    SaveFail,
    Edition,             // caption suffix, with its leading blank
    NetworkPort,         // the network entry of the Port list
    // Control captions.
    AboutButton,
    JobSizeGroup,
    OffsetGroup,
    BladeOffsetCheck,
    OverCutCheck,
    ManufacturerLabel,
    PortGroup,
    SendButton,
    CancelButton,
    MirrorButton,
    RotateButton,
    RefreshSerialButton,
    SaveToFileButton,
    FeatureButton,
    CuttingOrderButton,
    VirtualComCheck,
    // Progress of a send (a printf format with one %s: the time as m:ss).
    ProgressTimeLeft,
    ProgressNotTaking,
    // Why a job did not load (a printf format with one %s: the file).
    JobMissing,
    JobUnreadable,
    JobIsFolder,
    JobEmpty,
    JobNoPoints,
    JobOutOfRange,
    // Send, Save to File: the placed job leaves the cutter's coordinate range.
    PlacedOutOfRange,
    // Send, Save to File: a ticked length box whose text is not a length.
    BladeOffsetNotLength,
    OverCutNotLength,
    // Sending a job again from one object on (a printf format with one %s: a number).
    ResumePastEnd,       // the job's object count: no object to start from there
    ResumeStopped,       // the first object the cutter did not confirm in full
    ResumeOfCount,       // beside the object box: the job's object count
    Count
};

inline constexpr int kLanguageEnglish = 0;
inline constexpr int kLanguageChinese = 1;

bool IsChineseLanguage(int language);

// The text of id in the language (UTF-8).
const char* Text(TextId id, int language);
// A text with one %s (the progress and job-load texts), filled with value.
std::string TextWith(TextId id, int language, const std::string& value);

// Which control of the main window shows which caption.
struct ControlCaption {
    int controlId;
    TextId text;
};
std::span<const ControlCaption> ControlCaptions();

// Texts that do not depend on the language.
inline constexpr const char* kAboutMenuText = "&About Kerfmax...";
inline constexpr const char* kVersionText = "Ver" KERFMAX_VERSION;
inline constexpr const char* kSocketInitFailText = "Windows 套接字初始化失败!";
inline constexpr const char* kLanguageNames[] = {"English", "中文"};   // combo index = language
inline constexpr const char* kMillimetreLabel = "mm";
inline constexpr const char* kCaptionPrefix = "Kerfmax  ";
inline constexpr const char* kSaveDialogExtension = "plt";

// "Kerfmax  " followed by the edition text; built once at start.
std::string WindowCaption(int language);
// The caption, a line feed and the version.
std::string WindowHeading(int language);

// A language change on the Port list: the first network entry (the Chinese
// one searched first, then the English one; prefixes compared ignoring case)
// is removed and the entry of the new language appended at the end. Returns
// the index to select afterwards: the same item as selected (the new network
// entry when the old one was), -1 when nothing was selected.
int ReplaceNetworkPortEntry(std::vector<std::string>& portList, int selected, int language);

}  // namespace kerfmax
