// A small console program for the process-runner tests: prints each argument
// after the first on its own line to standard output, "err" to standard
// error, optionally a flood of bytes, and exits with the first argument.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

int main()
{
    // The wide command line, so that arguments in any script come back as sent.
    int count = 0;
    wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (args == nullptr || count < 2) return 100;
    const int exitCode = _wtoi(args[1]);
    // Bytes as written: no CR put in front of each line feed.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    for (int i = 2; i < count; ++i) {
        if (std::wcscmp(args[i], L"--flood") == 0) {
            // More than a pipe holds: the parent must read while we write.
            std::string block(1000, 'x');
            for (int n = 0; n < 200; ++n) std::fwrite(block.data(), 1, block.size(), stdout);
            continue;
        }
        char utf8[1024];
        int length = ::WideCharToMultiByte(CP_UTF8, 0, args[i], -1, utf8, sizeof utf8, nullptr, nullptr);
        std::printf("[%s]\n", length > 0 ? utf8 : "?");
    }
    std::fflush(stdout);
    std::fputs("err\n", stderr);
    ::LocalFree(args);
    return exitCode;
}
