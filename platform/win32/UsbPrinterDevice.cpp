#include "platform/UsbPrinterDevice.h"

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

// A write waiting for the device looks at the cancel flag this often.
constexpr DWORD kWriteSliceMs = 20;
constexpr std::size_t kMaxWriteCall = 1u << 30;

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

bool IsSet(const std::atomic<int>* flag)
{
    return flag != nullptr && flag->load() != 0;
}

}  // namespace

UsbPrinterDevice::~UsbPrinterDevice()
{
    Close();
}

bool UsbPrinterDevice::Open(const std::string& devicePath)
{
    Close();
    // The device-interface path, not shared, with overlapped writes.
    HANDLE handle = ::CreateFileW(win32::Utf8ToWide(devicePath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        m_lastError = static_cast<int>(::GetLastError());
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

void UsbPrinterDevice::Close()
{
    if (m_handle < 0) return;
    ::CloseHandle(AsHandle(m_handle));
    m_handle = -1;
}

long UsbPrinterDevice::Write(const void* buffer, std::size_t length, const std::atomic<int>* cancel)
{
    HANDLE handle = AsHandle(m_handle);
    // A manual-reset event, not signalled, in a zeroed overlapped record.
    win32::ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event.Valid()) {
        m_lastError = static_cast<int>(::GetLastError());
        return -1;
    }
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const DWORD chunk = static_cast<DWORD>(std::min(length - done, kMaxWriteCall));
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.Get();
        ::ResetEvent(event.Get());
        DWORD written = 0;
        if (!::WriteFile(handle, bytes + done, chunk, nullptr, &overlapped)) {
            if (::GetLastError() != ERROR_IO_PENDING) {
                m_lastError = static_cast<int>(::GetLastError());
                return -1;
            }
            // A device that stops taking bytes must not hold Cancel off.
            while (::WaitForSingleObject(event.Get(), kWriteSliceMs) == WAIT_TIMEOUT) {
                if (IsSet(cancel)) {
                    ::CancelIoEx(handle, &overlapped);
                    break;
                }
            }
        }
        if (!::GetOverlappedResult(handle, &overlapped, &written, TRUE)) {
            // Aborted by our Cancel: a short count. Aborted otherwise (the
            // device was removed): a failure with the system's reason.
            if (::GetLastError() == ERROR_OPERATION_ABORTED && IsSet(cancel)) return static_cast<long>(done + written);
            m_lastError = static_cast<int>(::GetLastError());
            return -1;
        }
        if (written == 0) {
            // A device that takes nothing and reports no error would loop forever.
            if (IsSet(cancel)) return static_cast<long>(done);
            ::Sleep(kWriteSliceMs);
        }
        done += written;
    }
    return static_cast<long>(done);
}

}  // namespace kerfmax
