#include "app/ControlTips.h"

#include "app/Texts.h"

namespace kerfmax {

namespace {

struct ControlTipRow {
    int windowId;
    int controlId;
    const char* english;
    const char* chinese;
};

constexpr ControlTipRow kControlTips[] = {
    {kMainWindowId, 1, "Send the job to the cutter", "将任务发送到切割机"},
    {kMainWindowId, 2, "Stop the send, or close the window", "停止发送或关闭窗口"},
    {kMainWindowId, 1009, "Mirror the job", "镜像任务"},
    {kMainWindowId, 1010, "Turn the job", "旋转任务"},
    {kMainWindowId, 1015, "About Kerfmax", "关于 Kerfmax"},
    {kMainWindowId, 1011, "Job height in mm", "任务高度（毫米）"},
    {kMainWindowId, 1012, "Job width in mm", "任务宽度（毫米）"},
    {kMainWindowId, 1023, "Interface language", "界面语言"},
    {kMainWindowId, 1067, "Choose the cutting order", "选择切割顺序"},
    {kMainWindowId, 1005, "Compensate the blade offset", "启用尖角补偿"},
    {kMainWindowId, 1006, "Blade offset in mm", "尖角补偿（毫米）"},
    {kMainWindowId, 1007, "Step the blade offset by 0.1 mm", "以 0.1 毫米调整尖角补偿"},
    {kMainWindowId, 1016, "Cut past the start of closed paths", "闭合路径多切一段"},
    {kMainWindowId, 1017, "Over-cut in mm", "闭合补偿（毫米）"},
    {kMainWindowId, 1018, "Step the over-cut by 0.1 mm", "以 0.1 毫米调整闭合补偿"},
    {kMainWindowId, 1031, "Cut a frame around the job", "在任务外切割外框"},
    {kMainWindowId, 1004, "Port of the cutter", "切割机端口"},
    {kMainWindowId, 1025, "List the serial ports again", "重新列出串口"},
    {kMainWindowId, 1057, "Network address of the cutter", "切割机网络地址"},
    {kMainWindowId, 1027, "Save the commands as a .plt file", "将命令保存为 .plt 文件"},
    {kMainWindowId, 1003, "Manufacturer", "厂商"},
    {kMainWindowId, 1008, "Send progress", "发送进度"},
    {kMainWindowId, 1060, "Send through the STM virtual COM port", "通过 STM 虚拟串口发送"},
    {kMainWindowId, 1013, "The job as it will be cut", "将要切割的任务"},
    {kFeatureWindowId, 1032, "Cut a frame around the job", "在任务外切割外框"},
    {kFeatureWindowId, 1037, "Left margin in mm", "左边距（毫米）"},
    {kFeatureWindowId, 1034, "Right margin in mm", "右边距（毫米）"},
    {kFeatureWindowId, 1036, "Bottom margin in mm", "下边距（毫米）"},
    {kFeatureWindowId, 1033, "Top margin in mm", "上边距（毫米）"},
    {kFeatureWindowId, 1018, "Step the margin by 1 mm", "以 1 毫米调整边距"},
    {kFeatureWindowId, 1049, "Step the margin by 1 mm", "以 1 毫米调整边距"},
    {kFeatureWindowId, 1050, "Step the margin by 1 mm", "以 1 毫米调整边距"},
    {kFeatureWindowId, 1048, "Step the margin by 1 mm", "以 1 毫米调整边距"},
    {kFeatureWindowId, 1038, "One margin for all four sides", "四边使用同一边距"},
    {kFeatureWindowId, 1039, "Right margin as the left one", "右边距等于左边距"},
    {kFeatureWindowId, 1040, "Top margin as the bottom one", "上边距等于下边距"},
    {kFeatureWindowId, 1041, "Each margin on its own", "各边距分别设置"},
    {kFeatureWindowId, 1, "Keep these margins", "使用这些边距"},
    {kFeatureWindowId, 2, "Close without taking the margins", "关闭且不更改边距"},
    {kCuttingOrderWindowId, 1068, "The job in the chosen order", "按所选顺序显示任务"},
    {kCuttingOrderWindowId, 1071, "Choose the order", "选择顺序"},
    {kCuttingOrderWindowId, 1066, "Play the order object by object", "逐个对象播放切割顺序"},
    {kCuttingOrderWindowId, 1072, "Slow playback", "慢速播放"},
    {kCuttingOrderWindowId, 1073, "Medium playback", "中速播放"},
    {kCuttingOrderWindowId, 1074, "Fast playback", "快速播放"},
    {kCuttingOrderWindowId, 1, "Use this order", "使用此顺序"},
    {kCuttingOrderWindowId, 2, "Close without changing the order", "关闭且不更改顺序"},
    {kAboutWindowId, 1, "Close", "关闭"},
};

}  // namespace

const char* ControlTip(int windowId, int controlId, int language)
{
    for (const ControlTipRow& row : kControlTips)
        if (row.windowId == windowId && row.controlId == controlId)
            return IsChineseLanguage(language) ? row.chinese : row.english;
    return nullptr;
}

}  // namespace kerfmax
