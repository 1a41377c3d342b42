#include "cutter/UsbLink.h"

namespace kerfmax {

int UsbLink::Open(const std::string& devicePath)
{
    Close();
    m_bOpen = m_device.Open(devicePath) ? 1 : 0;
    return m_bOpen;
}

int UsbLink::Write(const void* buffer, int length, const std::atomic<int>* cancel)
{
    if (!m_bOpen) return 0;
    if (buffer == nullptr || length <= 0) return 0;
    return static_cast<int>(m_device.Write(buffer, static_cast<std::size_t>(length), cancel));
}

void UsbLink::Close()
{
    m_device.Close();
    m_bOpen = 0;
}

}  // namespace kerfmax
