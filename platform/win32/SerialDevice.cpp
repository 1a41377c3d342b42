#include "platform/SerialDevice.h"

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

// A write waiting for the driver looks at the cancel flag this often.
constexpr DWORD kWriteSliceMs = 20;
// One WriteFile call takes at most this much, so the count fits a DWORD.
constexpr std::size_t kMaxWriteCall = 1u << 30;

bool IsSet(const std::atomic<int>* flag)
{
    return flag != nullptr && flag->load() != 0;
}

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

// Drivers without modem lines (and Wine on a pty) refuse the query this way.
bool MeansNoModemLines(DWORD error)
{
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_FUNCTION ||
           error == ERROR_CALL_NOT_IMPLEMENTED;
}

// An overlapped call's own event, manual-reset as GetOverlappedResult needs.
class OverlappedCall {
public:
    OverlappedCall() : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) { m_overlapped.hEvent = m_event.Get(); }
    bool Valid() const { return m_event.Valid(); }
    OVERLAPPED* Get()
    {
        ::ResetEvent(m_event.Get());
        HANDLE event = m_overlapped.hEvent;
        m_overlapped = OVERLAPPED{};
        m_overlapped.hEvent = event;
        return &m_overlapped;
    }
    HANDLE Event() const { return m_event.Get(); }

private:
    win32::ScopedHandle m_event;
    OVERLAPPED m_overlapped{};
};

}  // namespace

SerialDevice::~SerialDevice()
{
    Close();
}

std::string SerialDevice::NameForPort(int portNumber)
{
    // The device-namespace form works for every port number, COM10 and up too.
    return "\\\\.\\COM" + std::to_string(portNumber);
}

bool SerialDevice::Fail()
{
    m_lastError = static_cast<int>(::GetLastError());
    return false;
}

bool SerialDevice::Open(const std::string& deviceName)
{
    Close();
    // Not shared, an existing device only. Overlapped, so that a write held
    // up by the cutter can be given up on when the user cancels; every call
    // below still waits for its own completion, as synchronous I/O would.
    HANDLE handle = ::CreateFileW(win32::Utf8ToWide(deviceName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return Fail();
    // A file or a pipe given as a port is never written to.
    if (::GetFileType(handle) != FILE_TYPE_CHAR) {
        ::CloseHandle(handle);
        m_lastError = ERROR_BAD_DEVICE;
        return false;
    }
    m_handle = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

void SerialDevice::Close()
{
    if (m_handle < 0) return;
    ::CloseHandle(AsHandle(m_handle));
    m_handle = -1;
}

bool SerialDevice::SetTimeouts(const SerialTimeouts& timeouts)
{
    COMMTIMEOUTS values{};
    values.ReadIntervalTimeout = timeouts.readInterval;
    values.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
    values.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
    values.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
    values.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
    if (!::SetCommTimeouts(AsHandle(m_handle), &values)) return Fail();
    return true;
}

bool SerialDevice::SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes)
{
    if (!::SetupComm(AsHandle(m_handle), inputBytes, outputBytes)) return Fail();
    return true;
}

bool SerialDevice::ReadLineSettings(SerialLineSettings& settings)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(AsHandle(m_handle), &dcb)) return Fail();
    settings.baudRate = static_cast<std::int32_t>(dcb.BaudRate);
    settings.dataBits = dcb.ByteSize;
    switch (dcb.StopBits) {
    case ONE5STOPBITS: settings.stopBits = SerialStopBits::OneAndHalf; break;
    case TWOSTOPBITS: settings.stopBits = SerialStopBits::Two; break;
    default: settings.stopBits = SerialStopBits::One; break;
    }
    switch (dcb.Parity) {
    case ODDPARITY: settings.parity = SerialParity::Odd; break;
    case EVENPARITY: settings.parity = SerialParity::Even; break;
    default: settings.parity = SerialParity::None; break;
    }
    settings.binary = dcb.fBinary != 0;
    settings.parityCheck = dcb.fParity != 0;
    settings.dtrOn = dcb.fDtrControl == DTR_CONTROL_ENABLE;
    settings.rtsOn = dcb.fRtsControl == RTS_CONTROL_ENABLE;
    settings.ctsOutputFlow = dcb.fOutxCtsFlow != 0;
    settings.dsrOutputFlow = dcb.fOutxDsrFlow != 0;
    return true;
}

bool SerialDevice::ApplyLineSettings(const SerialLineSettings& settings)
{
    // Read afresh, so that every field the link does not set (XON/XOFF, error
    // character, null stripping, abort on error, DSR sensitivity) stays as the
    // port has it.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(AsHandle(m_handle), &dcb)) return Fail();
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    switch (settings.stopBits) {
    case SerialStopBits::One: dcb.StopBits = ONESTOPBIT; break;
    case SerialStopBits::OneAndHalf: dcb.StopBits = ONE5STOPBITS; break;
    case SerialStopBits::Two: dcb.StopBits = TWOSTOPBITS; break;
    }
    switch (settings.parity) {
    case SerialParity::None: dcb.Parity = NOPARITY; break;
    case SerialParity::Odd: dcb.Parity = ODDPARITY; break;
    case SerialParity::Even: dcb.Parity = EVENPARITY; break;
    }
    dcb.fBinary = settings.binary ? TRUE : FALSE;
    dcb.fParity = settings.parityCheck ? TRUE : FALSE;
    dcb.fDtrControl = settings.dtrOn ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = settings.rtsOn ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    dcb.fOutxCtsFlow = settings.ctsOutputFlow ? TRUE : FALSE;
    dcb.fOutxDsrFlow = settings.dsrOutputFlow ? TRUE : FALSE;
    if (!::SetCommState(AsHandle(m_handle), &dcb)) return Fail();
    return true;
}

long SerialDevice::Write(const void* buffer, std::size_t length, const std::atomic<int>* cancel)
{
    HANDLE handle = AsHandle(m_handle);
    OverlappedCall call;
    if (!call.Valid()) {
        Fail();
        return -1;
    }
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const DWORD chunk = static_cast<DWORD>(std::min(length - done, kMaxWriteCall));
        OVERLAPPED* overlapped = call.Get();
        DWORD written = 0;
        if (!::WriteFile(handle, bytes + done, chunk, nullptr, overlapped)) {
            if (::GetLastError() != ERROR_IO_PENDING) {
                Fail();
                return -1;
            }
            // Waited for in slices: a cutter holding CTS low keeps the write
            // pending, and Cancel must still end it.
            while (::WaitForSingleObject(call.Event(), kWriteSliceMs) == WAIT_TIMEOUT) {
                if (IsSet(cancel)) {
                    ::CancelIoEx(handle, overlapped);
                    break;
                }
            }
        }
        if (!::GetOverlappedResult(handle, overlapped, &written, TRUE)) {
            // Aborted by our Cancel: a short count. Aborted otherwise (the
            // device was removed): a failure with the system's reason.
            if (::GetLastError() == ERROR_OPERATION_ABORTED && IsSet(cancel)) return static_cast<long>(done + written);
            Fail();
            return -1;
        }
        done += written;
        // A write time-out hands back a short count: try again unless cancelled.
        if (written < chunk && IsSet(cancel)) return static_cast<long>(done);
    }
    return static_cast<long>(done);
}

long SerialDevice::Read(void* buffer, std::size_t length)
{
    HANDLE handle = AsHandle(m_handle);
    OverlappedCall call;
    if (!call.Valid()) {
        Fail();
        return -1;
    }
    const DWORD wanted = static_cast<DWORD>(std::min(length, kMaxWriteCall));
    if (wanted == 0) return 0;
    for (;;) {
        OVERLAPPED* overlapped = call.Get();
        DWORD got = 0;
        if (!::ReadFile(handle, buffer, wanted, nullptr, overlapped) && ::GetLastError() != ERROR_IO_PENDING) {
            Fail();
            return -1;
        }
        if (!::GetOverlappedResult(handle, overlapped, &got, TRUE)) {
            Fail();
            return -1;
        }
        // A read time-out with nothing read: a synchronous read waits for the first byte.
        if (got > 0) return static_cast<long>(got);
        ::Sleep(1);
    }
}

bool SerialDevice::ReadModemStatus(std::uint32_t& status, int& errorCode)
{
    DWORD lines = 0;
    if (!::GetCommModemStatus(AsHandle(m_handle), &lines)) {
        const DWORD error = ::GetLastError();
        if (MeansNoModemLines(error)) {
            status = kModemCtsOn;
            return true;
        }
        errorCode = m_lastError = static_cast<int>(error);
        return false;
    }
    // MS_CTS_ON and the others are the bits of the status word itself.
    status = static_cast<std::uint32_t>(lines);
    return true;
}

long SerialDevice::PendingOutput()
{
    DWORD errors = 0;
    COMSTAT state{};
    if (!::ClearCommError(AsHandle(m_handle), &errors, &state)) {
        Fail();
        return -1;
    }
    return static_cast<long>(state.cbOutQue);
}

}  // namespace kerfmax
