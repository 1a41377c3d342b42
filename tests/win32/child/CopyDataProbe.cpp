// Plays the other process that reports a USB send's progress to the main
// window: finds the visible top-level window whose title begins with the
// first argument, sends it each further argument as a copy-data report
// (NUL-terminated decimal text), and after each prints one line:
//   <report> answered|unanswered <visible windows of that process>
// "unanswered" means the window did not return within the wait, which is
// what a report that opens a message box looks like from outside.
// Exits 1 when no such window shows up within 20 s.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kAnswerWaitMs = 3000;
constexpr int kFindTries = 100;
constexpr DWORD kFindSliceMs = 200;

struct Search {
    const wchar_t* titlePrefix = nullptr;
    DWORD processId = 0;
    HWND found = nullptr;
    int visibleCount = 0;
};

std::wstring TitleOf(HWND window)
{
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    return title;
}

BOOL CALLBACK FindByTitle(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    if (!::IsWindowVisible(window)) return TRUE;
    if (TitleOf(window).rfind(search->titlePrefix, 0) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CountVisible(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && ::IsWindowVisible(window)) ++search->visibleCount;
    return TRUE;
}

HWND WaitForWindow(Search& search)
{
    for (int attempt = 0; attempt < kFindTries && search.found == nullptr; ++attempt) {
        ::EnumWindows(FindByTitle, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) ::Sleep(kFindSliceMs);
    }
    return search.found;
}

bool SendReport(HWND window, const wchar_t* report)
{
    char text[32] = {};
    ::WideCharToMultiByte(CP_ACP, 0, report, -1, text, sizeof text - 1, nullptr, nullptr);
    COPYDATASTRUCT data{};
    data.dwData = 0;
    data.cbData = static_cast<DWORD>(std::strlen(text) + 1);
    data.lpData = text;
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                                 kAnswerWaitMs, &answer) != 0;
}

}  // namespace

int main()
{
    int count = 0;
    wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (args == nullptr || count < 2) return 2;
    Search search;
    search.titlePrefix = args[1];
    HWND window = WaitForWindow(search);
    if (window == nullptr) {
        std::puts("no window");
        return 1;
    }
    ::GetWindowThreadProcessId(window, &search.processId);
    for (int i = 2; i < count; ++i) {
        const bool answered = SendReport(window, args[i]);
        ::Sleep(500);  // lets a box that the report opened appear
        search.visibleCount = 0;
        ::EnumWindows(CountVisible, reinterpret_cast<LPARAM>(&search));
        std::printf("%ls %s %d\n", args[i], answered ? "answered" : "unanswered", search.visibleCount);
        std::fflush(stdout);
    }
    ::LocalFree(args);
    return 0;
}
