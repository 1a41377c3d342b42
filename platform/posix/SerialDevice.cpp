#include "platform/SerialDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kerfmax {

namespace {

// A write waiting for room in the driver looks at the cancel flag this often.
constexpr int kWriteSliceMs = 20;

bool IsSet(const std::atomic<int>* flag)
{
    return flag != nullptr && flag->load() != 0;
}

// Waits up to sliceMs for the events; false only when poll itself fails.
bool WaitFor(int fd, short events, int sliceMs)
{
    pollfd entry{fd, events, 0};
    return ::poll(&entry, 1, sliceMs) >= 0 || errno == EINTR;
}

struct BaudEntry {
    std::int32_t rate;
    speed_t speed;
};

constexpr BaudEntry kBaudTable[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool SpeedForRate(std::int32_t rate, speed_t& speed)
{
    for (const BaudEntry& entry : kBaudTable) {
        if (entry.rate == rate) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

std::int32_t RateForSpeed(speed_t speed)
{
    for (const BaudEntry& entry : kBaudTable) {
        if (entry.speed == speed) return entry.rate;
    }
    return 0;
}

// Ports without modem lines (ptys, some adapters) refuse modem ioctls this way.
bool MeansNoModemLines(int error)
{
    return error == ENOTTY || error == EINVAL;
}

// Raises or lowers one modem line; a port without modem lines is left alone.
bool SetModemLine(int fd, int line, bool on)
{
    if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
    return MeansNoModemLines(errno);
}

void SetDataBits(termios& tio, std::int32_t dataBits)
{
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    switch (dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
}

std::int32_t DataBitsOf(const termios& tio)
{
    switch (tio.c_cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

void SetParity(termios& tio, SerialParity parity, bool check)
{
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
    if (parity != SerialParity::None) tio.c_cflag |= PARENB;
    if (parity == SerialParity::Odd) tio.c_cflag |= PARODD;
    if (check) {
        tio.c_iflag |= INPCK;
    } else {
        tio.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    }
}

}  // namespace

SerialDevice::~SerialDevice()
{
    Close();
}

std::string SerialDevice::NameForPort(int portNumber)
{
    // COM1 is the first serial port, ttyS0.
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

bool SerialDevice::Fail()
{
    m_lastError = errno;
    return false;
}

bool SerialDevice::Open(const std::string& deviceName)
{
    Close();
    // Non-blocking for its whole life: an open without carrier cannot hang, and
    // reads and writes wait in poll() instead of in the driver.
    // Only a character device is a port: a file or a pipe given as a port is
    // never opened for writing.
    struct stat info {};
    if (::stat(deviceName.c_str(), &info) != 0) return Fail();
    if (!S_ISCHR(info.st_mode)) {
        m_lastError = ENODEV;
        return false;
    }
    int fd = ::open(deviceName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail();
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        ::close(fd);
        m_lastError = ENODEV;
        return false;
    }
    // No sharing: a second opener gets EBUSY (the superuser excepted).
    (void)::ioctl(fd, TIOCEXCL);
    m_handle = fd;
    return true;
}

void SerialDevice::Close()
{
    if (m_handle < 0) return;
    // A pty outlives our descriptor; leaving it exclusive would lock the next opener out.
    (void)::ioctl(static_cast<int>(m_handle), TIOCNXCL);
    ::close(static_cast<int>(m_handle));
    m_handle = -1;
}

bool SerialDevice::SetTimeouts(const SerialTimeouts& /*timeouts*/)
{
    // termios has no per-call time-outs; reads wait for the first byte (VMIN 1)
    // and writes until the driver takes the data, which is what the link sets.
    return IsOpen();
}

bool SerialDevice::SetQueueSizes(std::uint32_t /*inputBytes*/, std::uint32_t /*outputBytes*/)
{
    // The tty layer's queues have a fixed size.
    return IsOpen();
}

bool SerialDevice::ReadLineSettings(SerialLineSettings& settings)
{
    termios tio{};
    if (::tcgetattr(static_cast<int>(m_handle), &tio) != 0) return Fail();
    settings.baudRate = RateForSpeed(::cfgetospeed(&tio));
    settings.dataBits = DataBitsOf(tio);
    settings.stopBits = (tio.c_cflag & CSTOPB) ? SerialStopBits::Two : SerialStopBits::One;
    if (!(tio.c_cflag & PARENB)) {
        settings.parity = SerialParity::None;
    } else {
        settings.parity = (tio.c_cflag & PARODD) ? SerialParity::Odd : SerialParity::Even;
    }
    settings.binary = true;
    settings.parityCheck = (tio.c_iflag & INPCK) != 0;
    settings.ctsOutputFlow = (tio.c_cflag & CRTSCTS) != 0;
    settings.dsrOutputFlow = false;
    int lines = 0;
    bool haveLines = ::ioctl(static_cast<int>(m_handle), TIOCMGET, &lines) == 0;
    settings.dtrOn = haveLines && (lines & TIOCM_DTR);
    settings.rtsOn = haveLines && (lines & TIOCM_RTS);
    return true;
}

bool SerialDevice::ApplyLineSettings(const SerialLineSettings& settings)
{
    int fd = static_cast<int>(m_handle);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return Fail();
    speed_t speed{};
    if (!SpeedForRate(settings.baudRate, speed) || settings.dataBits < 5 || settings.dataBits > 8) {
        m_lastError = EINVAL;
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    SetDataBits(tio, settings.dataBits);
    SetParity(tio, settings.parity, settings.parityCheck);
    // No one-and-a-half on POSIX; UARTs give 1.5 for "two" at 5 data bits.
    if (settings.stopBits == SerialStopBits::One) {
        tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    } else {
        tio.c_cflag |= CSTOPB;
    }
    // termios has no DSR output flow; CTS flow is CRTSCTS.
    if (settings.ctsOutputFlow) {
        tio.c_cflag |= CRTSCTS;
    } else {
        tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    }
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return Fail();
    if (!SetModemLine(fd, TIOCM_DTR, settings.dtrOn)) return Fail();
    if (!SetModemLine(fd, TIOCM_RTS, settings.rtsOn)) return Fail();
    return true;
}

long SerialDevice::Write(const void* buffer, std::size_t length, const std::atomic<int>* cancel)
{
    const int fd = static_cast<int>(m_handle);
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = ::write(fd, bytes + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            m_lastError = n < 0 ? errno : EIO;
            return -1;
        }
        // The driver's queue is full: wait for room in short slices.
        if (IsSet(cancel)) return static_cast<long>(done);
        if (!WaitFor(fd, POLLOUT, kWriteSliceMs)) {
            m_lastError = errno;
            return -1;
        }
    }
    return static_cast<long>(done);
}

long SerialDevice::Read(void* buffer, std::size_t length)
{
    const int fd = static_cast<int>(m_handle);
    for (;;) {
        ssize_t n = ::read(fd, buffer, length);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Synchronous read: wait for the first byte.
            if (WaitFor(fd, POLLIN, -1)) continue;
        } else if (errno == EINTR) {
            continue;
        }
        m_lastError = errno;
        return -1;
    }
}

bool SerialDevice::ReadModemStatus(std::uint32_t& status, int& errorCode)
{
    int lines = 0;
    if (::ioctl(static_cast<int>(m_handle), TIOCMGET, &lines) != 0) {
        if (MeansNoModemLines(errno)) {
            status = kModemCtsOn;
            return true;
        }
        errorCode = m_lastError = errno;
        return false;
    }
    // The bit values of the Windows modem status word.
    status = 0;
    if (lines & TIOCM_CTS) status |= kModemCtsOn;
    if (lines & TIOCM_DSR) status |= 0x20;
    if (lines & TIOCM_RNG) status |= 0x40;
    if (lines & TIOCM_CAR) status |= 0x80;
    return true;
}

long SerialDevice::PendingOutput()
{
    int pending = 0;
    if (::ioctl(static_cast<int>(m_handle), TIOCOUTQ, &pending) != 0) {
        m_lastError = errno;
        return -1;
    }
    return pending;
}

}  // namespace kerfmax
