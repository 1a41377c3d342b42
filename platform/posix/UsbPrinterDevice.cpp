#include "platform/UsbPrinterDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kerfmax {

namespace {

// A write waiting for the device looks at the cancel flag this often.
constexpr int kWriteSliceMs = 20;

}  // namespace

UsbPrinterDevice::~UsbPrinterDevice()
{
    Close();
}

bool UsbPrinterDevice::Open(const std::string& devicePath)
{
    Close();
    // Non-blocking, so that a write to a device that stopped reading can be cancelled.
    int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
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

long UsbPrinterDevice::Write(const void* buffer, std::size_t length, const std::atomic<int>* cancel)
{
    const int fd = static_cast<int>(m_handle);
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = ::write(fd, bytes + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (cancel != nullptr && cancel->load() != 0) return static_cast<long>(done);
            pollfd entry{fd, POLLOUT, 0};
            if (::poll(&entry, 1, kWriteSliceMs) < 0 && errno != EINTR) {
                m_lastError = errno;
                return -1;
            }
            continue;
        }
        if (n <= 0) {
            m_lastError = n < 0 ? errno : EIO;
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

}  // namespace kerfmax
