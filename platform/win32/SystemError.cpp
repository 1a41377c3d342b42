#include "platform/SystemError.h"

#include "platform/win32/Win32Text.h"

namespace kerfmax {

std::string SystemErrorText(int code)
{
    // The system message table in the default language; inserts are not
    // filled, so a text with %1 in it cannot read arguments that are not there.
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length > 0 && buffer != nullptr) text = win32::WideToUtf8(std::wstring_view(buffer, length));
    if (buffer != nullptr) ::LocalFree(buffer);
    // The table's texts end with CR LF; the callers add their own line end.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "Unknown error " + std::to_string(code);
    return text;
}

int LastSystemErrorCode()
{
    // Winsock's last error is the thread's last error.
    return static_cast<int>(::GetLastError());
}

int NotConnectedErrorCode()
{
    return WSAENOTCONN;
}

int TimedOutErrorCode()
{
    return WSAETIMEDOUT;
}

int ConnectionResetErrorCode()
{
    return WSAECONNRESET;
}

}  // namespace kerfmax
