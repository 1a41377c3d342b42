#include "app/Texts.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "cutter/PortDiscovery.h"

namespace kerfmax {

namespace {

struct TextPair {
    TextId id;
    const char* english;
    const char* chinese;
};

// In the order of TextId; the check below keeps the two in step.
constexpr TextPair kTexts[] = {
    {TextId::Rotate90, "Rotation 90 Degree", "旋转90度"},
    {TextId::Rotate180, "Rotation 180 Degree", "旋转180度"},
    {TextId::Rotate270, "Rotation 270 Degree", "旋转270度"},
    {TextId::RotateDefault, "Default", "默认"},
    {TextId::ConnectFail, "Connect to Cutter fail!", "连接设备失败!"},
    {TextId::SaveTempError1, "SaveCutTempData Error1", "缓冲数据 失败1"},
    {TextId::SaveTempError2, "SaveCutTempData Error2", "缓冲数据 失败2"},
    {TextId::SendFinished, "Send finished!", "发送完成!"},
    {TextId::OpenTempFail, "Open temp file fail!", "打开临时文件失败!"},
    {TextId::SaveFinished, "Save finished!", "保存完成!"},
    {TextId::SaveFail, "Save fail!", "保存失败!"},
    {TextId::Edition, " for Elvoma", " for Elvoma"},
    {TextId::NetworkPort, kNetworkPortEnglish, kNetworkPortChinese},
    {TextId::AboutButton, "About Kerfmax", "关于 Kerfmax"},
    {TextId::JobSizeGroup, "Job Size", "文档尺寸"},
    {TextId::OffsetGroup, "Offset", "补偿"},
    {TextId::BladeOffsetCheck, "Blade offset", "尖角补偿"},
    {TextId::OverCutCheck, "OverCut", "闭合补偿"},
    {TextId::ManufacturerLabel, "MFGR:", "厂商:"},
    {TextId::PortGroup, "Port:", "端口:"},
    {TextId::SendButton, "Send", "发送"},
    {TextId::CancelButton, "Cancel", "取消"},
    {TextId::MirrorButton, "Mirror", "镜像"},
    {TextId::RotateButton, "Rotate", "旋转"},
    {TextId::RefreshSerialButton, "Refresh Serial No.", "刷新串口号"},
    {TextId::SaveToFileButton, "Save to File", "保存到文件"},
    {TextId::FeatureButton, "Feature", "外框"},
    {TextId::CuttingOrderButton, "Cutting Order", "切割顺序"},
    {TextId::VirtualComCheck, "STM Virtual COM", "STM虚拟串口"},
    {TextId::ProgressTimeLeft, "%s left", "剩余 %s"},
    {TextId::ProgressNotTaking, "the cutter has not taken data for %s", "切割机已 %s 未接收数据"},
    {TextId::JobMissing, "The job file %s does not exist.", "任务文件 %s 不存在。"},
    {TextId::JobUnreadable, "The job file %s cannot be read.", "无法读取任务文件 %s。"},
    {TextId::JobIsFolder, "%s is a folder, not a job file.", "%s 是文件夹，不是任务文件。"},
    {TextId::JobEmpty, "The job file %s is empty.", "任务文件 %s 是空的。"},
    {TextId::JobNoPoints, "The job file %s has no points to cut.", "任务文件 %s 中没有可切割的点。"},
    {TextId::JobOutOfRange, "The job in %s is too large for the cutter: its coordinates leave the cutter's range.",
     "任务文件 %s 超出切割机的坐标范围。"},
    {TextId::PlacedOutOfRange, "The job is too large for the cutter: its placed coordinates leave the cutter's range.",
     "任务放置后超出切割机的坐标范围。"},
    {TextId::BladeOffsetNotLength, "The blade offset is not a length: type it in millimetres, such as 0.35.",
     "尖角补偿不是长度：请以毫米为单位输入，例如 0.35。"},
    {TextId::OverCutNotLength, "The over-cut is not a length: type it in millimetres, such as 1.0.",
     "闭合补偿不是长度：请以毫米为单位输入，例如 1.0。"},
    {TextId::ResumePastEnd, "The job has %s objects to cut: there is no such object to send it from.",
     "任务共有 %s 个切割对象：没有可以从此开始发送的对象。"},
    {TextId::ResumeStopped, "The send stopped before object %s was cut in full. Send the job again from object:",
     "发送在第 %s 个对象完整切割之前中断。从以下对象重新发送任务："},
    {TextId::ResumeOfCount, "of %s", "共 %s 个"},
};

constexpr bool TableFollowsIds()
{
    if (std::size(kTexts) != static_cast<std::size_t>(TextId::Count)) return false;
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (static_cast<std::size_t>(kTexts[i].id) != i) return false;
    return true;
}
static_assert(TableFollowsIds(), "every TextId needs its row, in order");

constexpr ControlCaption kControlCaptions[] = {
    {1015, TextId::AboutButton},      {1019, TextId::JobSizeGroup},  {1024, TextId::OffsetGroup},
    {1005, TextId::BladeOffsetCheck}, {1016, TextId::OverCutCheck},  {1021, TextId::ManufacturerLabel},
    {1022, TextId::PortGroup},        {1, TextId::SendButton},       {2, TextId::CancelButton},
    {1009, TextId::MirrorButton},     {1010, TextId::RotateButton},  {1025, TextId::RefreshSerialButton},
    {1027, TextId::SaveToFileButton}, {1031, TextId::FeatureButton}, {1067, TextId::CuttingOrderButton},
    {1060, TextId::VirtualComCheck},
};

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

int FindEntryStartingWith(const std::vector<std::string>& list, std::string_view prefix)
{
    auto found = std::find_if(list.begin(), list.end(),
                              [&](const std::string& item) { return StartsWithIgnoringCase(item, prefix); });
    return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

}  // namespace

bool IsChineseLanguage(int language)
{
    return language == kLanguageChinese;
}

const char* Text(TextId id, int language)
{
    auto index = static_cast<std::size_t>(id);
    if (index >= std::size(kTexts)) return "";
    return IsChineseLanguage(language) ? kTexts[index].chinese : kTexts[index].english;
}

std::string TextWith(TextId id, int language, const std::string& value)
{
    // Only the first %s is filled; a text is never used as a format of its own.
    std::string text = Text(id, language);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

std::span<const ControlCaption> ControlCaptions()
{
    return kControlCaptions;
}

std::string WindowCaption(int language)
{
    return std::string(kCaptionPrefix) + Text(TextId::Edition, language);
}

std::string WindowHeading(int language)
{
    return WindowCaption(language) + "\n" + kVersionText;
}

int ReplaceNetworkPortEntry(std::vector<std::string>& portList, int selected, int language)
{
    int removed = FindEntryStartingWith(portList, Text(TextId::NetworkPort, kLanguageChinese));
    if (removed < 0) removed = FindEntryStartingWith(portList, Text(TextId::NetworkPort, kLanguageEnglish));
    if (removed >= 0) portList.erase(portList.begin() + removed);
    portList.emplace_back(Text(TextId::NetworkPort, language));
    if (selected < 0) return -1;
    if (removed < 0 || selected < removed) return selected;
    if (selected == removed) return static_cast<int>(portList.size()) - 1;
    return selected - 1;
}

}  // namespace kerfmax
