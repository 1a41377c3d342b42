#pragma once
// The cutter object: the dialect texts the output assembly reads and the
// connection to the machine (serial, TCP or USB), chosen by link type.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "cutter/Dialect.h"
#include "cutter/LinkSettings.h"
#include "cutter/RS232.h"
#include "cutter/UsbLink.h"

namespace kerfmax {

class CSocketX;
class Notifier;

// Link fields (a copy of the settings given to Open) and dialect fields are
// public, as the output assembly and the send step read them directly.
class CCutter : public LinkSettings, public CutterDialect {
public:
    CCutter() = default;
    virtual ~CCutter() = default;
    CCutter(const CCutter&) = delete;
    CCutter& operator=(const CCutter&) = delete;

    // 1 on success, 0 on failure. The base opens nothing.
    virtual int Open(const LinkSettings& settings);
    // The seven settings one by one.
    int Open(std::int32_t linkType, std::int32_t comPort, std::int32_t baudRate, const std::string& hostAddress,
             std::int32_t tcpPort, std::uint8_t noAckWait, const std::string& usbDevicePath);
    virtual int Close() { return 0; }
    virtual int Read(char* /*buffer*/, int /*length*/) { return 0; }
    // Sends one chunk. cancel is the send's cancel flag (another thread sets it
    // to 1); handshake 1 waits for the cutter where the link has a handshake.
    // Returns the count accepted, 0 when not open or cancelled, -1 on a link error.
    virtual int Write(const char* /*buffer*/, int /*length*/, const std::atomic<int>* /*cancel*/, int /*handshake*/)
    {
        return 0;
    }
    virtual int IsOpen() { return m_bOpen; }
    // The end of a send: waits until the link has delivered what was written,
    // for as long as the cutter is alive (Cancel ends the wait). 1 delivered,
    // 0 cancelled, -1 failed.
    virtual int FinishSend(const std::atomic<int>* /*cancel*/) { return 1; }
    // Of the bytes Write accepted, how many the link has not confirmed yet
    // (serial: still in the driver's queue; TCP: not acknowledged by the peer;
    // USB: none once written); -1 when the link cannot tell.
    virtual long UnconfirmedBytes() { return 0; }
    // The system's error code of the last failed Open, Write or FinishSend.
    virtual int LastError() const { return 0; }
    virtual int SetLanguage(int /*language*/) { return 0; }
    virtual int IsDmpl() { return isDmpl; }

    // Where this cutter's messages go; nullptr means DefaultNotifier().
    void SetNotifier(Notifier* notifier) { m_pNotifier = notifier; }
    // The send's cancel flag (another thread sets it to 1): it also ends a
    // connect under way, and a link closed after it was set closes abortively.
    // Its owner keeps it alive until the cutter is closed.
    void SetCancelFlag(const std::atomic<int>* cancel) { m_pCancel = cancel; }

protected:
    Notifier& Notify();

    std::int32_t m_bOpen = 0;
    Notifier* m_pNotifier = nullptr;
    const std::atomic<int>* m_pCancel = nullptr;
};

// The one concrete cutter; speaks HPGL or, after SetLanguage(1), DMPL.
class CHpglCutter final : public CCutter {
public:
    CHpglCutter();
    ~CHpglCutter() override;

    using CCutter::Open;
    int Open(const LinkSettings& settings) override;
    int Close() override;
    int Read(char* buffer, int length) override;
    int Write(const char* buffer, int length, const std::atomic<int>* cancel, int handshake) override;
    int SetLanguage(int language) override;
    int FinishSend(const std::atomic<int>* cancel) override;
    long UnconfirmedBytes() override;
    int LastError() const override { return m_nLastError; }

    // The embedded serial link (tests hand it a modem-status double).
    CRS232& SerialLink() { return m_serial; }
    // The network link while one exists, else nullptr.
    CSocketX* Socket() { return m_pSocket.get(); }

    // How often the CTS wait looks at the line and at the cancel flag.
    static constexpr int kCtsPollMs = 10;

private:
    int OpenSerial();
    int OpenNetwork();
    int OpenUsb();
    int WriteLink(const char* buffer, int length, const std::atomic<int>* cancel, int handshake);
    int LinkError() const;
    int WriteSerialAfterCts(const char* buffer, int length, const std::atomic<int>* cancel);
    int WriteNetwork(const char* buffer, int length, const std::atomic<int>* cancel);
    // Tells why a port did not open ("Warning: %s\n" with the system's text).
    int OpenFailed(int errorCode);
    // 1 when CTS is on, 0 when cancelled, -1 when the line cannot be read.
    int WaitForCts(const std::atomic<int>* cancel);

    CRS232 m_serial;
    std::unique_ptr<CSocketX> m_pSocket;
    UsbLink m_usb;
    int m_nLastError = 0;
};

// Builds the cutter of a manufacturer row (HPGL for type 1, DMPL for type 2).
// An unknown type, or a row outside the table, shows "Unknow Cutter type!\n"
// and gives nullptr.
std::unique_ptr<CCutter> CreateCutter(int manufacturerRow, Notifier* notifier = nullptr);
std::unique_ptr<CCutter> CreateCutterForType(std::int32_t cutterType, Notifier* notifier = nullptr);

}  // namespace kerfmax
