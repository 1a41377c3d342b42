#pragma once
// Text is UTF-8 inside the program; the Win32 calls take UTF-16. Every
// crossing of that boundary goes through these two conversions (and the path
// forms built on them), so that names with Chinese characters survive.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace kerfmax::win32 {

// Malformed UTF-8 becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
// Lone surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

// The command line CreateProcessW takes for argv (UTF-8 words), each word
// quoted so that the C run-time's split gives it back unchanged.
std::wstring CommandLineOf(const std::vector<std::string>& argv);

// RAII for a kernel handle that may be null or INVALID_HANDLE_VALUE.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    // Hands the handle over: this object no longer closes it.
    HANDLE Release()
    {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    bool Valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr)
    {
        if (Valid()) ::CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

}  // namespace kerfmax::win32
