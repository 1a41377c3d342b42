#include "platform/ProcessRunner.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/PathText.h"
#include "platform/SystemError.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

std::string LastErrorText()
{
    return SystemErrorText(LastSystemErrorCode());
}

// Reads the pipe until every writer has closed it, so a chatty child never blocks.
void DrainPipe(HANDLE pipe, std::string& output)
{
    char buffer[4096];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(pipe, buffer, sizeof buffer, &n, nullptr)) return;  // broken pipe: the child is done
        std::size_t room = kMaxCapturedOutput - std::min(output.size(), kMaxCapturedOutput);
        output.append(buffer, std::min(room, static_cast<std::size_t>(n)));
    }
}

}  // namespace

ProcessOutcome RunHiddenProcess(const std::vector<std::string>& argv)
{
    ProcessOutcome outcome;
    if (argv.empty()) {
        outcome.problem = "no program given";
        return outcome;
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        outcome.problem = "cannot create a pipe: " + LastErrorText();
        return outcome;
    }
    win32::ScopedHandle reader(readEnd), writer(writeEnd);
    ::SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
    win32::ScopedHandle nul(
        ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    if (!nul.Valid()) {
        outcome.problem = "cannot open NUL: " + LastErrorText();
        return outcome;
    }

    // Only the pipe's write end and NUL go to the child, even when another
    // thread makes inheritable handles of its own meanwhile.
    HANDLE inherited[] = {writer.Get(), nul.Get()};
    SIZE_T attributeSize = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &attributeSize);
    std::vector<char> attributeBuffer(attributeSize);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBuffer.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &attributeSize) ||
        !::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited,
                                     nullptr, nullptr)) {
        outcome.problem = "cannot prepare the child's handles: " + LastErrorText();
        return outcome;
    }

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = nul.Get();
    startup.StartupInfo.hStdOutput = writer.Get();
    startup.StartupInfo.hStdError = writer.Get();
    startup.lpAttributeList = attributes;

    // No application name: the program is looked for in our own folder first,
    // then in the system folders and on PATH.
    std::wstring commandLine = win32::CommandLineOf(argv);
    PROCESS_INFORMATION process{};
    const BOOL created =
        ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT, nullptr,
                         nullptr, &startup.StartupInfo, &process);
    const DWORD createError = ::GetLastError();
    ::DeleteProcThreadAttributeList(attributes);
    // Our copy of the write end must go, or the pipe never reports the end.
    writer.Reset();
    nul.Reset();
    if (!created) {
        outcome.problem = "cannot start " + argv[0] + ": " + SystemErrorText(static_cast<int>(createError));
        return outcome;
    }
    win32::ScopedHandle child(process.hProcess), thread(process.hThread);
    DrainPipe(reader.Get(), outcome.output);
    ::WaitForSingleObject(child.Get(), INFINITE);
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(child.Get(), &exitCode)) {
        outcome.problem = "cannot read the exit code: " + LastErrorText();
        exitCode = static_cast<DWORD>(-1);
    }
    outcome.started = true;
    // An exception status (0xC0000005 and the like) is a crash, not an exit.
    if (exitCode >= 0xC0000000u) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(exitCode));
        outcome.problem = std::string("ended by exception ") + text;
        outcome.exitCode = -1;
    } else {
        outcome.exitCode = static_cast<int>(exitCode);
    }
    return outcome;
}

std::string BundledToolProgram(const std::filesystem::path& programFolder, std::string_view name)
{
    return PathToUtf8(programFolder / PathFromUtf8(std::string(name) + ".exe"));
}

}  // namespace kerfmax
