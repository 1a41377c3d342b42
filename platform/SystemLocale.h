#pragma once
// The system's default user-interface locale, as far as the program needs it.
namespace kerfmax {

// True when the system's default locale is Chinese (PRC), locale id 0x0804.
// POSIX: the first of LC_ALL, LC_MESSAGES, LANG that is set and not empty
// begins with "zh_CN".
bool SystemLocaleIsChinesePrc();

}  // namespace kerfmax
