#include "cutter/Cutter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/Notifier.h"
#include "platform/SystemError.h"
#include "cutter/LinkLiveness.h"
#include "cutter/SocketX.h"

namespace kerfmax {

int CCutter::Open(const LinkSettings& /*settings*/)
{
    return 1;
}

int CCutter::Open(std::int32_t linkType, std::int32_t comPort, std::int32_t baudRate, const std::string& hostAddress,
                  std::int32_t tcpPort, std::uint8_t noAckWait, const std::string& usbDevicePath)
{
    LinkSettings settings;
    settings.linkType = linkType;
    settings.comPort = comPort;
    settings.baudRate = baudRate;
    settings.hostAddress = hostAddress;
    settings.tcpPort = tcpPort;
    settings.noAckWait = noAckWait;
    settings.usbDevicePath = usbDevicePath;
    return Open(settings);
}

Notifier& CCutter::Notify()
{
    return m_pNotifier ? *m_pNotifier : DefaultNotifier();
}

CHpglCutter::CHpglCutter() = default;

CHpglCutter::~CHpglCutter()
{
    // Also releases a serial device that a failed open left behind.
    Close();
    m_serial.Close(m_pCancel);
}

int CHpglCutter::SetLanguage(int language)
{
    return CutterDialect::SetLanguage(language);
}

int CHpglCutter::Open(const LinkSettings& settings)
{
    if (m_bOpen) Close();
    static_cast<LinkSettings&>(*this) = settings;
    m_nLastError = 0;
    switch (linkType) {
    case LINK_USB: return OpenUsb();
    case LINK_VCOM:
    case LINK_SERIAL: return OpenSerial();
    case LINK_NETWORK: return OpenNetwork();
    default: return 0;
    }
}

int CHpglCutter::OpenFailed(int errorCode)
{
    m_nLastError = errorCode;
    Notify().Notify(CSocketX::FormatError(errorCode));
    return 0;
}

int CHpglCutter::OpenUsb()
{
    m_bOpen = m_usb.Open(usbDevicePath);
    if (!m_bOpen) return OpenFailed(m_usb.LastError());
    return m_bOpen;
}

int CHpglCutter::OpenSerial()
{
    // A device left open by an earlier failed open goes first.
    m_serial.Close();
    m_serial.m_nPort = comPort;
    m_serial.m_nBaudRate = baudRate;
    m_serial.m_nDataBits = 8;
    m_serial.m_nParity = 0;
    m_serial.m_fStopBits = 1.0f;
    m_serial.m_nFlowControl = 1;
    m_serial.m_strDevicePath = serialDevicePath;
    int result = m_serial.Open();
    if (result != 0) m_bOpen = 1;
    // A port named by a bad number or line values fails before the system is asked.
    else if (m_serial.LastError() != 0) OpenFailed(m_serial.LastError());
    return result;
}

int CHpglCutter::OpenNetwork()
{
    m_pSocket = std::make_unique<CSocketX>(m_pNotifier);
    if (!m_pSocket->Create() || !m_pSocket->Connect(hostAddress, tcpPort, m_pCancel)) {
        const int errorCode = m_pSocket->GetLastError();
        // Released at once: nothing can be done with a socket that did not connect.
        m_pSocket.reset();
        // A connect given up by Cancel is no failure to tell about.
        if (CancelRequested(m_pCancel)) return 0;
        return OpenFailed(errorCode);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_bOpen = 1;
    return 1;
}

int CHpglCutter::Close()
{
    if (m_bOpen) {
        if (m_serial.IsOpen()) m_serial.Close(m_pCancel);
        if (m_pSocket) m_pSocket->Close(m_pCancel);
        m_pSocket.reset();
        if (m_usb.IsOpen()) m_usb.Close();
    }
    m_bOpen = 0;
    return 0;
}

int CHpglCutter::Read(char* buffer, int length)
{
    return m_serial.Read(buffer, length);
}

int CHpglCutter::Write(const char* buffer, int length, const std::atomic<int>* cancel, int handshake)
{
    if (!m_bOpen) return 0;
    if (cancel) m_pCancel = cancel;
    const int result = WriteLink(buffer, length, cancel, handshake);
    if (result != length) m_nLastError = LinkError();
    return result;
}

int CHpglCutter::LinkError() const
{
    switch (linkType) {
    case LINK_USB: return m_usb.LastError();
    case LINK_NETWORK: return m_pSocket ? m_pSocket->GetLastError() : NotConnectedErrorCode();
    default: return m_serial.LastError();
    }
}

int CHpglCutter::FinishSend(const std::atomic<int>* cancel)
{
    if (!m_bOpen) return 0;
    int result = 1;
    switch (linkType) {
    case LINK_NETWORK:
        if (!m_pSocket) return 1;
        result = m_pSocket->FinishSend(cancel);
        if (result < 0) m_nLastError = m_pSocket->GetLastError();
        return result;
    case LINK_SERIAL:
    case LINK_VCOM:
        // The driver's queue still holds the end of the job while the cutter
        // is paused; the job is done when it has left the port.
        result = m_serial.Drain(cancel);
        if (result < 0) m_nLastError = m_serial.LastError();
        return result;
    default: return 1;
    }
}

long CHpglCutter::UnconfirmedBytes()
{
    if (!m_bOpen) return -1;
    switch (linkType) {
    case LINK_NETWORK: return m_pSocket ? m_pSocket->UnconfirmedBytes() : -1;
    case LINK_SERIAL:
    case LINK_VCOM: return m_serial.PendingOutput();
    default: return 0;  // a USB write returns once the device has taken the bytes
    }
}

int CHpglCutter::WriteLink(const char* buffer, int length, const std::atomic<int>* cancel, int handshake)
{
    switch (linkType) {
    case LINK_USB: return m_usb.Write(buffer, length, cancel);
    case LINK_SERIAL:
        if (handshake) return WriteSerialAfterCts(buffer, length, cancel);
        return m_serial.Write(buffer, length, cancel);
    case LINK_NETWORK: return WriteNetwork(buffer, length, cancel);
    default: return m_serial.Write(buffer, length, cancel);
    }
}

int CHpglCutter::WriteSerialAfterCts(const char* buffer, int length, const std::atomic<int>* cancel)
{
    int cts = WaitForCts(cancel);
    if (cts <= 0) return cts;
    return m_serial.Write(buffer, length, cancel);
}

int CHpglCutter::WaitForCts(const std::atomic<int>* cancel)
{
    // A cutter holds CTS low while its buffer is full: busy, not gone.
    auto look = [this](std::chrono::milliseconds slice) {
        bool ctsOn = false;
        int errorCode = 0;
        // A port that cannot report its lines any more has gone away.
        if (!m_serial.ReadCts(ctsOn, errorCode)) return LinkState::Gone;
        if (ctsOn) return LinkState::Ready;
        std::this_thread::sleep_for(std::min(slice, std::chrono::milliseconds(kCtsPollMs)));
        return LinkState::Busy;
    };
    switch (WaitWhileBusy(look, cancel)) {
    case LinkWait::Ready: return 1;
    case LinkWait::Cancelled: return 0;
    default: return -1;
    }
}

int CHpglCutter::WriteNetwork(const char* buffer, int length, const std::atomic<int>* cancel)
{
    if (!m_pSocket) return -1;
    int sent = m_pSocket->Send(buffer, length, cancel);
    if (sent < 0) return m_pSocket->ReportSendError();
    return sent;
}

std::unique_ptr<CCutter> CreateCutterForType(std::int32_t cutterType, Notifier* notifier)
{
    if (cutterType != 1 && cutterType != 2) {
        (notifier ? *notifier : DefaultNotifier()).Notify("Unknow Cutter type!\n");
        return nullptr;
    }
    auto cutter = std::make_unique<CHpglCutter>();
    cutter->SetNotifier(notifier);
    if (cutterType == 2) cutter->SetLanguage(1);
    return cutter;
}

std::unique_ptr<CCutter> CreateCutter(int manufacturerRow, Notifier* notifier)
{
    const auto& table = ManufacturerTable();
    // No selection (or a row outside the table) cannot name a cutter type.
    if (manufacturerRow < 0 || static_cast<std::size_t>(manufacturerRow) >= table.size()) {
        return CreateCutterForType(0, notifier);
    }
    return CreateCutterForType(table[static_cast<std::size_t>(manufacturerRow)].cutterType, notifier);
}

}  // namespace kerfmax
