#pragma once
// The serial connection to a cutter on a COM port (plain RS-232 or a USB
// virtual COM port). Embedded in every cutter; the cutter sets the port and
// line parameters, opens it, writes the job through it and closes it.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/SerialDevice.h"

namespace kerfmax {

class CRS232 {
public:
    CRS232() = default;
    virtual ~CRS232();
    CRS232(const CRS232&) = delete;
    CRS232& operator=(const CRS232&) = delete;

    // Validates the fields, opens the device and applies time-outs, queue sizes
    // and line settings. 1 on success, 0 on failure. A failure after the device
    // opened leaves it open (open flag 1) until Close or destruction.
    int Open();
    // Waits until the written bytes have left the port, however long a paused
    // cutter takes. 1 when sent, 0 when cancelled, -1 when the port failed.
    int Drain(const std::atomic<int>* cancel);
    // Bytes written that are still in the driver's queue; -1 when the port cannot tell.
    long PendingOutput() { return m_bOpen ? m_device.PendingOutput() : -1; }
    // Lets the last written bytes leave the port (bounded, so that closing
    // after a failure cannot hang; a set cancel flag stops the wait), then
    // releases the device.
    void Close(const std::atomic<int>* cancel = nullptr);
    int IsOpen() const { return m_bOpen; }

    // The whole buffer: count written, 0 for a null buffer or when *cancel ends
    // the wait for the driver to take it, -1 on failure.
    int Write(const void* buffer, int length, const std::atomic<int>* cancel = nullptr);
    // Plain: what one read returns. Echo: each byte read is written back.
    int Read(void* buffer, int length);

    // Reads the CTS line. Returns false when the status query fails.
    bool ReadCts(bool& ctsOn, int& errorCode);
    // nullptr goes back to the device's own modem status.
    void SetModemStatusSource(ModemStatusSource* source) { m_pModemStatus = source; }

    int LastError() const { return m_device.LastError(); }
    // The name Open uses: the device path when set, else the port number's name.
    std::string DeviceName() const;

    // Line parameters, in the order a cutter sets them.
    std::int32_t m_nPort = 1;  // COM port number, 1 to 999
    std::int32_t m_nBaudRate = 38400;
    std::int32_t m_nDataBits = 8;  // 5 to 9
    std::int32_t m_nParity = 0;  // 0 none, 1 odd, 2 even
    float m_fStopBits = 1.0f;  // 1.0, 1.5 or 2.0
    std::int32_t m_nFlowControl = 1;  // 0 none, 1 CTS, 2 DSR, 3 both
    std::uint8_t echoRead = 0;
    std::int32_t queueSize = 4096;
    // Device path that replaces the port number where ports are named by path.
    std::string m_strDevicePath;

private:
    bool FieldsAreValid() const;
    bool Configure();
    void ChangeLineSettings(SerialLineSettings& line) const;
    int ReadEcho(unsigned char* buffer, int length);
    void WaitUntilSent(const std::atomic<int>* cancel);

    std::int32_t m_bOpen = 0;
    SerialDevice m_device;
    SerialTimeouts m_timeouts;
    SerialLineSettings m_lineSettings;
    ModemStatusSource* m_pModemStatus = nullptr;
};

}  // namespace kerfmax
