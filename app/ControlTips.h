#pragma once
// The short tip each control of the windows shows under the mouse, in the two
// interface languages (UTF-8). Windows and controls are named by their dialog
// ids: 102 the main window, 149 Feature, 162 cutting order, 100 about box.
namespace kerfmax {

inline constexpr int kMainWindowId = 102;
inline constexpr int kFeatureWindowId = 149;
inline constexpr int kCuttingOrderWindowId = 162;
inline constexpr int kAboutWindowId = 100;

// The tip of a control, or nullptr when the control has none.
const char* ControlTip(int windowId, int controlId, int language);

}  // namespace kerfmax
