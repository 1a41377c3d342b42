#pragma once
// A USB printing-class device node opened by path (/dev/usb/lpN here; the
// device-interface path with overlapped writes on Windows).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kerfmax {

class UsbPrinterDevice {
public:
    UsbPrinterDevice() = default;
    ~UsbPrinterDevice();
    UsbPrinterDevice(const UsbPrinterDevice&) = delete;
    UsbPrinterDevice& operator=(const UsbPrinterDevice&) = delete;

    // Opens an existing device for reading and writing.
    bool Open(const std::string& devicePath);
    bool IsOpen() const { return m_handle >= 0; }
    void Close();

    // Returns when the whole buffer is written: the count, or -1 on failure.
    // A device that stops taking bytes is waited for in short slices; once
    // *cancel is non-zero the count written so far is returned.
    long Write(const void* buffer, std::size_t length, const std::atomic<int>* cancel = nullptr);

    int LastError() const { return m_lastError; }

private:
    std::intptr_t m_handle = -1;
    int m_lastError = 0;
};

}  // namespace kerfmax
