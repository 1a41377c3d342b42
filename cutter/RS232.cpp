#include "cutter/RS232.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include "cutter/LinkLiveness.h"

namespace kerfmax {

namespace {

constexpr std::uint32_t kWaitForever = 0xFFFFFFFF;
// How long Close lets the driver's queue empty before letting go of the port.
constexpr auto kDrainLimit = std::chrono::seconds(10);
constexpr auto kDrainPoll = std::chrono::milliseconds(10);

}  // namespace

CRS232::~CRS232()
{
    if (m_bOpen) m_device.Close();
    m_bOpen = 0;
}

std::string CRS232::DeviceName() const
{
    if (!m_strDevicePath.empty()) return m_strDevicePath;
    return SerialDevice::NameForPort(m_nPort);
}

bool CRS232::FieldsAreValid() const
{
    bool portOk = !m_strDevicePath.empty() || (m_nPort >= 1 && m_nPort <= 999);
    return portOk && m_nBaudRate >= 1 && m_nDataBits >= 5 && m_nDataBits <= 9 && m_nParity >= 0 && m_nParity <= 2 &&
           m_fStopBits >= 1.0f && m_fStopBits <= 2.0f;
}

int CRS232::Open()
{
    if (!FieldsAreValid()) return 0;
    if (!m_device.Open(DeviceName())) return 0;
    m_bOpen = 1;
    return Configure() ? 1 : 0;
}

bool CRS232::Configure()
{
    m_timeouts = {kWaitForever, kWaitForever, kWaitForever, kWaitForever, kWaitForever};
    (void)m_device.SetTimeouts(m_timeouts);
    auto queue = static_cast<std::uint32_t>(queueSize);
    if (!m_device.SetQueueSizes(queue, queue)) return false;
    if (!m_device.ReadLineSettings(m_lineSettings)) return false;
    ChangeLineSettings(m_lineSettings);
    return m_device.ApplyLineSettings(m_lineSettings);
}

void CRS232::ChangeLineSettings(SerialLineSettings& line) const
{
    line.baudRate = m_nBaudRate;
    line.dataBits = m_nDataBits;
    // Any other stop-bit value in the valid range keeps what the port had.
    if (m_fStopBits == 1.0f) line.stopBits = SerialStopBits::One;
    if (m_fStopBits == 1.5f) line.stopBits = SerialStopBits::OneAndHalf;
    if (m_fStopBits == 2.0f) line.stopBits = SerialStopBits::Two;
    line.parity = static_cast<SerialParity>(m_nParity);
    line.binary = true;
    line.parityCheck = false;
    line.dtrOn = false;
    line.rtsOn = false;
    line.ctsOutputFlow = m_nFlowControl == 1 || m_nFlowControl == 3;
    line.dsrOutputFlow = m_nFlowControl == 2 || m_nFlowControl == 3;
}

void CRS232::Close(const std::atomic<int>* cancel)
{
    if (m_bOpen) {
        WaitUntilSent(cancel);
        m_device.Close();
    }
    m_bOpen = 0;
}

void CRS232::WaitUntilSent(const std::atomic<int>* cancel)
{
    // Sleeps rather than blocking in the driver, so a cutter holding CTS low
    // cannot keep the port (and the program) forever.
    auto deadline = std::chrono::steady_clock::now() + kDrainLimit;
    while (!CancelRequested(cancel) && std::chrono::steady_clock::now() < deadline) {
        if (m_device.PendingOutput() <= 0) return;
        std::this_thread::sleep_for(kDrainPoll);
    }
}

int CRS232::Drain(const std::atomic<int>* cancel)
{
    if (!m_bOpen) return -1;
    auto look = [this](std::chrono::milliseconds slice) {
        const long pending = m_device.PendingOutput();
        if (pending < 0) return LinkState::Gone;
        if (pending == 0) return LinkState::Ready;
        std::this_thread::sleep_for(std::min(slice, std::chrono::duration_cast<std::chrono::milliseconds>(kDrainPoll)));
        return LinkState::Busy;
    };
    switch (WaitWhileBusy(look, cancel)) {
    case LinkWait::Ready: return 1;
    case LinkWait::Cancelled: return 0;
    default: return -1;
    }
}

int CRS232::Write(const void* buffer, int length, const std::atomic<int>* cancel)
{
    if (buffer == nullptr) return 0;
    if (!m_bOpen || length < 0) return -1;
    long written = m_device.Write(buffer, static_cast<std::size_t>(length), cancel);
    // A write cut short by Cancel reports like a cancelled CTS wait.
    if (written >= 0 && written < length) return 0;
    return static_cast<int>(written);
}

int CRS232::Read(void* buffer, int length)
{
    if (buffer == nullptr) return 0;
    if (!m_bOpen || length < 0) return -1;
    if (echoRead) return ReadEcho(static_cast<unsigned char*>(buffer), length);
    return static_cast<int>(m_device.Read(buffer, static_cast<std::size_t>(length)));
}

int CRS232::ReadEcho(unsigned char* buffer, int length)
{
    for (int i = 0; i < length; ++i) {
        if (m_device.Read(buffer + i, 1) != 1) return -1;
        if (m_device.Write(buffer + i, 1) != 1) return -1;
    }
    return length;
}

bool CRS232::ReadCts(bool& ctsOn, int& errorCode)
{
    ModemStatusSource& source = m_pModemStatus ? *m_pModemStatus : m_device;
    std::uint32_t status = 0;
    if (!source.ReadModemStatus(status, errorCode)) return false;
    ctsOn = (status & kModemCtsOn) != 0;
    return true;
}

}  // namespace kerfmax
