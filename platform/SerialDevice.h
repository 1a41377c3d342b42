#pragma once
// A serial port opened for synchronous reads and writes. POSIX back end:
// termios on a tty device; Windows back end: CreateFile "\\.\COM%d" with
// SetCommTimeouts, SetupComm, Get/SetCommState and GetCommModemStatus.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kerfmax {

// The CTS-on bit of the modem status word (same value as MS_CTS_ON).
inline constexpr std::uint32_t kModemCtsOn = 0x10;

// Where the modem-line status comes from. The serial device is one; a test may
// hand the link another, since a pty has no CTS line to hold low.
class ModemStatusSource {
public:
    virtual ~ModemStatusSource() = default;
    // Fills status with the modem-line bits. Returns false and sets errorCode
    // when the query fails. A port whose driver has no modem lines reports CTS on.
    virtual bool ReadModemStatus(std::uint32_t& status, int& errorCode) = 0;
};

// The five comm time-out values (milliseconds; 0xFFFFFFFF as the platform reads it).
struct SerialTimeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 0;
    std::uint32_t writeTotalConstant = 0;
};

enum class SerialParity : std::uint8_t { None = 0, Odd = 1, Even = 2 };
enum class SerialStopBits : std::uint8_t { One, OneAndHalf, Two };

// The part of the port's line settings the link changes; everything else stays
// as the port reported it.
struct SerialLineSettings {
    std::int32_t baudRate = 9600;
    std::int32_t dataBits = 8;
    SerialStopBits stopBits = SerialStopBits::One;
    SerialParity parity = SerialParity::None;
    bool binary = true;
    bool parityCheck = false;
    bool dtrOn = false;        // DTR line raised (DTR control enabled)
    bool rtsOn = false;        // RTS line raised (RTS control enabled)
    bool ctsOutputFlow = false;
    bool dsrOutputFlow = false;
};

class SerialDevice final : public ModemStatusSource {
public:
    SerialDevice() = default;
    ~SerialDevice() override;
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // The platform's name of COM port n: "\\.\COMn" on Windows, "/dev/ttyS<n-1>" here.
    static std::string NameForPort(int portNumber);

    // Opens an existing device for reading and writing, not shared, synchronous.
    bool Open(const std::string& deviceName);
    bool IsOpen() const { return m_handle >= 0; }
    void Close();

    bool SetTimeouts(const SerialTimeouts& timeouts);
    bool SetQueueSizes(std::uint32_t inputBytes, std::uint32_t outputBytes);
    bool ReadLineSettings(SerialLineSettings& settings);
    bool ApplyLineSettings(const SerialLineSettings& settings);

    // Returns when the whole buffer is accepted by the driver, on failure, or
    // within a slice of *cancel becoming non-zero: the count written (short only
    // when cancelled), or -1 on failure. The wait never blocks in the driver for
    // long, so a stalled reader or a CTS line held low cannot trap the caller.
    long Write(const void* buffer, std::size_t length, const std::atomic<int>* cancel = nullptr);
    // Waits for at least one byte; returns the count read, or -1 on failure.
    long Read(void* buffer, std::size_t length);
    bool ReadModemStatus(std::uint32_t& status, int& errorCode) override;
    // Bytes written but not yet sent out of the port; -1 when unknown.
    long PendingOutput();

    int LastError() const { return m_lastError; }

private:
    bool Fail();

    std::intptr_t m_handle = -1;   // file descriptor here, HANDLE on Windows
    int m_lastError = 0;
};

}  // namespace kerfmax
