#include "run/SendJob.h"

#include <system_error>

#include "app/IniFile.h"
#include "app/Texts.h"
#include "cutter/Cutter.h"
#include "cutter/PortDiscovery.h"
#include "geometry/BladeCompensation.h"
#include "geometry/Job.h"
#include "run/OutputFile.h"

namespace kerfmax {

namespace {

// The cutter's own messages ("Unknow Cutter type!", "Socket Close!!!", the
// system's reason for a failed open) go where the send's messages go.
class CallbackNotifier final : public Notifier {
public:
    explicit CallbackNotifier(const SendCallbacks& callbacks) : m_callbacks(callbacks) {}
    NotifyAnswer Notify(const std::string& text, NotifyIcon icon, NotifyButtons buttons) override
    {
        if (m_callbacks.message) m_callbacks.message(text, icon);
        return buttons == NotifyButtons::YesNo ? NotifyAnswer::Yes : NotifyAnswer::Ok;
    }

private:
    const SendCallbacks& m_callbacks;
};

SendResult ResultOf(SendOutcome outcome)
{
    switch (outcome) {
    case SendOutcome::Finished: return SendResult::Finished;
    case SendOutcome::Cancelled: return SendResult::Cancelled;
    default: return SendResult::Failed;
    }
}

}  // namespace

bool ReachedStreaming(SendResult result)
{
    return result == SendResult::Finished || result == SendResult::Failed || result == SendResult::Cancelled;
}

int FailureFlag(SendResult result)
{
    return result == SendResult::Failed ? 1 : 0;
}

SendJob::~SendJob()
{
    Cancel();
    Wait();
}

LinkSettings SendJob::CurrentLinkSettings() const
{
    std::lock_guard<std::mutex> lock(m_linkMutex);
    return m_linkSettings;
}

std::optional<ResumeOffer> SendJob::LastResumeOffer() const
{
    std::lock_guard<std::mutex> lock(m_linkMutex);
    return m_resumeOffer;
}

void SendJob::Offer(std::optional<ResumeOffer> offer)
{
    std::lock_guard<std::mutex> lock(m_linkMutex);
    m_resumeOffer = std::move(offer);
}

SendStart SendJob::Start(SendRequest request, SendCallbacks callbacks)
{
    if (!request.job || !request.job->HasJob()) return SendStart::NoJob;
    auto refuse = [&](SendStart why) {
        if (callbacks.message)
            callbacks.message(Text(TextId::SaveTempError2, request.settings.language), NotifyIcon::None);
        return why;
    };
    if (m_running.load()) return refuse(SendStart::Busy);
    Wait();  // a previous send that has ended
    Offer(std::nullopt);
    m_running.store(true);
    try {
        m_thread = std::thread([this, request = std::move(request), callbacks]() {
            SendResult result = Run(request, callbacks);
            // Nothing touches this object after done: its handler may destroy it.
            m_running.store(false);
            if (callbacks.done) callbacks.done(result);
        });
    } catch (const std::system_error&) {
        m_running.store(false);
        return refuse(SendStart::NoThread);
    }
    return SendStart::Started;
}

void SendJob::Wait()
{
    if (!m_thread.joinable()) return;
    // Called from done itself: the thread is about to end and cannot join itself.
    if (m_thread.get_id() == std::this_thread::get_id()) m_thread.detach();
    else m_thread.join();
}

LinkSettings SendJob::BuildLink(const SendRequest& request)
{
    const JobSettings& settings = request.settings;
    LinkSettings link = BuildLinkSettings(settings.portText, NetworkPortText(settings.language),
                                          settings.networkAddress, settings.virtualCom, request.usbCutterPaths);
    if (link.linkType == LINK_NETWORK && request.tcpPortOverride > 0) link.tcpPort = request.tcpPortOverride;
    std::lock_guard<std::mutex> lock(m_linkMutex);
    m_linkSettings = link;
    return link;
}

// The steps of the Send, in their order, each failure with its own text.
SendResult SendJob::Run(const SendRequest& request, const SendCallbacks& callbacks)
{
    const int language = request.settings.language;
    const std::atomic<int>& cancel = m_cancelRequested;
    auto tell = [&](TextId id) {
        if (callbacks.message) callbacks.message(Text(id, language), NotifyIcon::None);
    };
    CallbackNotifier notifier(callbacks);
    // Refused before the link opens: coordinates that wrap would cut somewhere else.
    if (!request.job->FitsCutterRange()) {
        tell(TextId::PlacedOutOfRange);
        return SendResult::OutOfRange;
    }

    std::unique_ptr<CCutter> cutter = CreateCutter(request.settings.manufacturerRow, &notifier);
    if (!cutter) return SendResult::NoCutter;
    cutter->SetCancelFlag(&cancel);
    const LinkSettings link = BuildLink(request);
    if (cancel.load()) return SendResult::Cancelled;
    if (!cutter->Open(link)) {
        if (cancel.load()) return SendResult::Cancelled;
        tell(TextId::ConnectFail);
        return SendResult::ConnectFailed;
    }
    if (request.settingsFile) SaveSettings(*request.settingsFile, request.settings, link.linkType == LINK_NETWORK);

    BladeCompensator fresh;
    BladeCompensator& compensator = request.compensator ? *request.compensator : fresh;
    std::string reason = request.outputFolderError;
    OutputLayout layout;
    OutputResult written = request.outputPath.empty()
                               ? OutputResult::WriteFailed
                               : WriteOutputFile(*request.job, request.settings, *cutter, request.outputPath,
                                                 compensator, &cancel, &reason, &layout);
    if (written == OutputResult::Written && request.fromObject != 1) {
        if (!IsResumableObject(layout, request.fromObject)) {
            cutter->Close();
            if (callbacks.message)
                callbacks.message(TextWith(TextId::ResumePastEnd, language, std::to_string(layout.ObjectCount())),
                                  NotifyIcon::None);
            return SendResult::NothingToCut;
        }
        // The whole stream is assembled first, so the objects sent again carry the very points they had.
        if (!WriteResumedOutput(request.outputPath, layout, request.fromObject, request.outputPath, &cancel, &reason))
            written = OutputResult::WriteFailed;
    }
    if (written != OutputResult::Written) {
        // The port is of no use without a job to stream: let other programs have it.
        cutter->Close();
        if (cancel.load()) return SendResult::Cancelled;
        tell(TextId::SaveTempError1);
        if (written == OutputResult::WriteFailed && !reason.empty() && callbacks.message)
            callbacks.message(SystemWarningText(reason), NotifyIcon::None);
        return written == OutputResult::NothingToCut ? SendResult::NothingToCut : SendResult::OutputFailed;
    }

    StreamCallbacks stream{callbacks.progress, callbacks.message};
    std::uint64_t confirmed = 0;
    const SendOutcome outcome = SendWorker(*cutter, link.linkType, request.outputPath, cancel,
                                           Text(TextId::OpenTempFail, language), stream, &confirmed);
    // Closed here, not by the caller: a serial drain or a reset must not hold the caller's thread.
    cutter->Close();
    if (outcome == SendOutcome::Failed) Offer(MakeResumeOffer(layout, request.fromObject, confirmed));
    return ResultOf(outcome);
}

}  // namespace kerfmax
