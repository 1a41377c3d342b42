// The Windows side of the shared test helpers: the same temporary folders and
// file helpers, and child processes through CreateProcessW with two pipes.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <thread>

#include "platform/win32/Win32Text.h"
#include "support/TestSupport.h"

namespace kerfmax::test {

namespace {

// The parent's environment with the extra "NAME=value" entries in place of
// their namesakes, as the block CreateProcessW takes.
std::wstring EnvironmentBlock(const std::vector<std::string>& extraEnv)
{
    std::vector<std::wstring> entries;
    wchar_t* strings = ::GetEnvironmentStringsW();
    for (const wchar_t* p = strings; p && *p; p += wcslen(p) + 1) entries.emplace_back(p);
    ::FreeEnvironmentStringsW(strings);
    for (const std::string& extra : extraEnv) {
        const std::wstring wide = win32::Utf8ToWide(extra);
        const std::wstring name = wide.substr(0, wide.find(L'=') + 1);
        std::erase_if(entries,
                      [&](const std::wstring& e) { return _wcsnicmp(e.c_str(), name.c_str(), name.size()) == 0; });
        entries.push_back(wide);
    }
    std::wstring block;
    for (const std::wstring& e : entries) block += e + L'\0';
    block += L'\0';
    return block;
}

void Drain(HANDLE pipe, std::string* to)
{
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) to->append(buffer, n);
}

}  // namespace

ProcessResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv)
{
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) return result;
    if (!::CreatePipe(&errRead, &errWrite, &inherit, 0)) return result;
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul =
        ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);

    std::wstring commandLine = win32::CommandLineOf(argv);
    std::wstring environment = EnvironmentBlock(extraEnv);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const BOOL created = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                          CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &process);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    ::CloseHandle(nul);
    if (created) {
        std::thread errReader(Drain, errRead, &result.err);
        Drain(outRead, &result.out);
        errReader.join();
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        result.exitCode = static_cast<int>(code);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    } else {
        result.exitCode = 127;
    }
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    return result;
}

bool HaveProgram(const std::string& name)
{
    wchar_t found[MAX_PATH];
    return ::SearchPathW(nullptr, win32::Utf8ToWide(name).c_str(), L".exe", MAX_PATH, found, nullptr) > 0;
}

bool RunningUnderWine()
{
    // Wine's own ntdll exports its version; Windows' does not.
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace kerfmax::test
