#pragma once
// The link to a cutter attached by USB: its printing-class device, opened by
// path, written one whole chunk at a time.
#include <cstdint>
#include <string>

#include "platform/UsbPrinterDevice.h"

namespace kerfmax {

class UsbLink {
public:
    // 1 on success, 0 on failure.
    int Open(const std::string& devicePath);
    // Count written; 0 when not open; -1 when the device fails.
    int Write(const void* buffer, int length);
    void Close();
    int IsOpen() const { return m_bOpen; }
    int LastError() const { return m_device.LastError(); }

private:
    UsbPrinterDevice m_device;
    std::int32_t m_bOpen = 0;
};

}  // namespace kerfmax
