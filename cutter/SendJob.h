#pragma once
// The Send step: build the cutter of the manufacturer row, build the link from
// the Port text, open it, save the settings, assemble the output file and hand
// it to the send worker. The main window runs it from its Send button and its
// AutoSend timer; kerfmax-cli send runs it directly.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/JobSettings.h"
#include "cutter/LinkSettings.h"
#include "cutter/SendWorker.h"

namespace kerfmax {

class CCutter;
class CIniFile;
class Job;
class Notifier;

// The output file in the system's temporary folder that Send streams and Save
// to File copies.
inline constexpr char kOutputFileName[] = "cutcorldata.hb";
std::filesystem::path DefaultOutputPath();

struct SendRequest {
    JobSettings settings;                      // port text, address, virtual COM, row, lengths
    std::vector<std::string> usbCutterPaths;   // the USB list of the last refresh
    std::filesystem::path outputPath = DefaultOutputPath();
    CIniFile* settingsFile = nullptr;          // where the settings are saved; none: not saved
    std::int32_t tcpPortOverride = 0;          // 0 keeps the cutter's port 5000
};

enum class SendStartResult {
    Started,         // the worker runs; done will follow
    NoJob,           // nothing loaded
    NoCutter,        // the manufacturer row names no cutter type
    ConnectFailed,   // "Connect to Cutter fail!"
    NothingToCut,    // the job gave no command to send
    OutputFailed,    // "SaveCutTempData Error1"
    WorkerFailed,    // "SaveCutTempData Error2"
    Cancelled,       // the cancel flag was set before the worker started
};

class SendJob {
public:
    explicit SendJob(Notifier& notifier);
    // Cancels a running send, waits for the worker and releases the cutter.
    ~SendJob();
    SendJob(const SendJob&) = delete;
    SendJob& operator=(const SendJob&) = delete;

    // Runs the Send step. Failures before the worker starts are shown through
    // the notifier in the settings' language. A message callback left empty
    // sends the worker's messages to the notifier too; they, and the link's own
    // messages during the send, arrive on the worker thread.
    SendStartResult Start(Job& job, const SendRequest& request, SendWorkerCallbacks callbacks);

    // The cancel flag: set once, never cleared (the sender ends with it).
    void Cancel() { m_cancelRequested.store(1); }
    std::atomic<int>& CancelFlag() { return m_cancelRequested; }
    bool Sending() const { return m_worker.Running(); }

    // The completion half, on the caller's thread after done: waits for the
    // worker's thread, then closes and releases the cutter.
    void Finish();

    // The settings of the most recent Send (a serial link before the first).
    const LinkSettings& CurrentLinkSettings() const { return m_linkSettings; }

private:
    void ReleaseCutter();
    bool OpenLink(const SendRequest& request);
    SendStartResult WriteOutputFile(Job& job, const SendRequest& request);

    Notifier& m_notifier;
    std::unique_ptr<CCutter> m_cutter;
    LinkSettings m_linkSettings;
    std::atomic<int> m_cancelRequested{0};
    SendWorker m_worker;
};

}  // namespace kerfmax
