#pragma once
// The link to a cutter attached by USB: its printing-class device, opened by
// path, written one whole chunk at a time.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/UsbPrinterDevice.h"

namespace kerfmax {

class UsbLink {
public:
    // 1 on success, 0 on failure.
    int Open(const std::string& devicePath);
    // Count written (short when *cancel ended the wait); 0 when not open; -1
    // when the device fails.
    int Write(const void* buffer, int length, const std::atomic<int>* cancel = nullptr);
    void Close();
    int IsOpen() const { return m_bOpen; }
    int LastError() const { return m_device.LastError(); }

private:
    UsbPrinterDevice m_device;
    std::int32_t m_bOpen = 0;
};

}  // namespace kerfmax
