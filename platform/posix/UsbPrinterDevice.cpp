#include "platform/UsbPrinterDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kerfmax {

UsbPrinterDevice::~UsbPrinterDevice()
{
    Close();
}

bool UsbPrinterDevice::Open(const std::string& devicePath)
{
    Close();
    int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = errno;
        return false;
    }
    m_handle = fd;
    return true;
}

void UsbPrinterDevice::Close()
{
    if (m_handle < 0) return;
    ::close(static_cast<int>(m_handle));
    m_handle = -1;
}

long UsbPrinterDevice::Write(const void* buffer, std::size_t length)
{
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = ::write(static_cast<int>(m_handle), bytes + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_lastError = n < 0 ? errno : EIO;
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

}  // namespace kerfmax
