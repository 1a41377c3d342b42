#pragma once
// The Send step of a cutting run, off the caller's thread from its first step
// to its last: build the cutter of the manufacturer row, build the link from
// the Port text, open it, save the settings, assemble the output file, stream
// it, see it delivered, close the link. Start() returns at once; progress,
// messages and the end arrive as callbacks on the send's own thread, for the
// caller to marshal to its thread (the window queues them, the command-line
// tool prints from them).
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/JobSettings.h"
#include "cutter/LinkSettings.h"
#include "cutter/SendWorker.h"
#include "run/ResumePoint.h"

namespace kerfmax {

class BladeCompensator;
class CIniFile;
class Job;

// How a Send ended. The first three come from the streaming half; the others
// end the Send before anything was streamed, each after its message.
enum class SendResult {
    Finished,  // every byte reached the cutter; "Send finished!" follows in the window
    Failed,  // the output file could not be read, a write fell short or the bytes were not delivered
    Cancelled,  // the cancel flag stopped the send (at any step)
    NoCutter,  // the manufacturer row names no cutter type ("Unknow Cutter type!\n")
    ConnectFailed,  // "Connect to Cutter fail!"
    NothingToCut,  // the job gave no command ("SaveCutTempData Error1"), or none from the object asked for
    OutputFailed,  // the output file could not be written ("SaveCutTempData Error1")
    OutOfRange,  // the placed job leaves the cutter's coordinate range: refused before the link opens
};

// True when the send got as far as the streaming half: the window then runs its
// completion (the send-done message); otherwise it runs the early end of the
// Send step (which closes the program under HideUI or AutoSend).
bool ReachedStreaming(SendResult result);
// The completion message's failure flag: 1 after a failed stream, else 0.
int FailureFlag(SendResult result);

// All three run on the send's thread; done is its last act.
struct SendCallbacks {
    std::function<void(const SendProgress&)> progress;
    std::function<void(const std::string& text, NotifyIcon icon)> message;
    std::function<void(SendResult)> done;
};

// Everything one Send reads, taken when it starts: later changes to the run do
// not reach a send under way.
struct SendRequest {
    std::shared_ptr<const Job> job;
    JobSettings settings;  // port text, address, virtual COM, row, lengths
    std::vector<std::string> usbCutterPaths;  // the USB list of the last refresh
    std::filesystem::path outputPath;  // the run's private output file
    std::string outputFolderError;  // why there is none, when outputPath is empty
    CIniFile* settingsFile = nullptr;  // where the settings are saved; none: not saved
    BladeCompensator* compensator = nullptr;  // the run's compensation state; none: a fresh one
    std::int32_t tcpPortOverride = 0;  // 0 keeps the cutter's port 5000
    std::size_t fromObject = 1;  // the object to start from, in cutting order from 1; 1 sends the whole job
};

enum class SendStart {
    Started,  // done will follow
    NoJob,  // nothing loaded: nothing happens, done does not follow
    Busy,  // a send is still running: "SaveCutTempData Error2" was reported
    NoThread,  // the thread cannot start: "SaveCutTempData Error2" was reported
};

class SendJob {
public:
    SendJob() = default;
    // Cancels a running send and waits for it.
    ~SendJob();
    SendJob(const SendJob&) = delete;
    SendJob& operator=(const SendJob&) = delete;

    // Returns at once. Busy and NoThread report through callbacks.message on
    // the caller's thread, in the settings' language, before returning.
    SendStart Start(SendRequest request, SendCallbacks callbacks);

    // The cancel flag: set once, never cleared; it reaches every wait of the
    // send (the connect, the assembly, a CTS wait, a blocked write, the
    // delivery wait) and the link is then closed abortively.
    void Cancel() { m_cancelRequested.store(1); }
    std::atomic<int>& CancelFlag() { return m_cancelRequested; }
    bool Sending() const { return m_running.load(); }

    // Joins the send's thread once done has run (quick: the thread is ending).
    // Safe to call from done itself.
    void Wait();

    // The link settings of the most recent Send, once its link was built (a
    // serial link before the first).
    LinkSettings CurrentLinkSettings() const;
    // After a send whose stream failed: the object to send it again from.
    // Empty after any other end, and while a send runs.
    std::optional<ResumeOffer> LastResumeOffer() const;

private:
    SendResult Run(const SendRequest& request, const SendCallbacks& callbacks);
    LinkSettings BuildLink(const SendRequest& request);

    void Offer(std::optional<ResumeOffer> offer);

    mutable std::mutex m_linkMutex;
    LinkSettings m_linkSettings;
    std::optional<ResumeOffer> m_resumeOffer;  // under m_linkMutex
    std::atomic<int> m_cancelRequested{0};
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

}  // namespace kerfmax
