#include "cutter/SendJob.h"

#include "app/IniFile.h"
#include "app/Notifier.h"
#include "app/Texts.h"
#include "cutter/Cutter.h"
#include "cutter/PortDiscovery.h"
#include "geometry/Job.h"
#include "geometry/OutputJob.h"
#include "geometry/OutputSink.h"
#include "platform/UserFolders.h"

namespace kerfmax {

std::filesystem::path DefaultOutputPath()
{
    return std::filesystem::path(TemporaryFolder().string() + kOutputFileName);
}

SendJob::SendJob(Notifier& notifier) : m_notifier(notifier) {}

SendJob::~SendJob()
{
    Cancel();
    Finish();
}

void SendJob::Finish()
{
    m_worker.Wait();
    ReleaseCutter();
}

void SendJob::ReleaseCutter()
{
    if (m_cutter && m_cutter->IsOpen()) m_cutter->Close();
    m_cutter.reset();
}

bool SendJob::OpenLink(const SendRequest& request)
{
    const JobSettings& settings = request.settings;
    m_linkSettings = BuildLinkSettings(settings.portText, NetworkPortText(settings.language),
                                       settings.networkAddress, settings.virtualCom,
                                       request.usbCutterPaths);
    if (m_linkSettings.linkType == LINK_NETWORK && request.tcpPortOverride > 0)
        m_linkSettings.tcpPort = request.tcpPortOverride;
    return m_cutter->Open(m_linkSettings) != 0;
}

SendStartResult SendJob::WriteOutputFile(Job& job, const SendRequest& request)
{
    const int language = request.settings.language;
    FileSink sink(request.outputPath, &m_cancelRequested);
    OutputResult result = OutputResult::WriteFailed;
    if (sink.Open()) result = BuildOutputJob(job, request.settings, *m_cutter, sink);
    if (result == OutputResult::Written && sink.Commit()) return SendStartResult::Started;
    if (m_cancelRequested.load()) return SendStartResult::Cancelled;
    m_notifier.Notify(Text(TextId::SaveTempError1, language));
    return result == OutputResult::NothingToCut ? SendStartResult::NothingToCut
                                                 : SendStartResult::OutputFailed;
}

SendStartResult SendJob::Start(Job& job, const SendRequest& request, SendWorkerCallbacks callbacks)
{
    const int language = request.settings.language;
    if (!job.HasJob()) return SendStartResult::NoJob;
    if (m_worker.Running()) {
        m_notifier.Notify(Text(TextId::SaveTempError2, language));
        return SendStartResult::WorkerFailed;
    }
    Finish();
    m_cutter = CreateCutter(request.settings.manufacturerRow, &m_notifier);
    if (!m_cutter) return SendStartResult::NoCutter;
    if (!OpenLink(request)) {
        m_notifier.Notify(Text(TextId::ConnectFail, language));
        return SendStartResult::ConnectFailed;
    }
    if (request.settingsFile)
        SaveSettings(*request.settingsFile, request.settings, m_linkSettings.linkType == LINK_NETWORK);

    SendStartResult written = m_cancelRequested.load() ? SendStartResult::Cancelled
                                                        : WriteOutputFile(job, request);
    if (written != SendStartResult::Started) {
        // The port is of no use without a job to stream: let other programs have it.
        m_cutter->Close();
        return written;
    }
    if (!callbacks.message)
        callbacks.message = [this](const std::string& text, NotifyIcon icon) { m_notifier.Notify(text, icon); };
    if (!m_worker.Start(*m_cutter, m_linkSettings.linkType, request.outputPath, m_cancelRequested,
                        Text(TextId::OpenTempFail, language), std::move(callbacks))) {
        m_notifier.Notify(Text(TextId::SaveTempError2, language));
        m_cutter->Close();
        return SendStartResult::WorkerFailed;
    }
    return SendStartResult::Started;
}

}  // namespace kerfmax
