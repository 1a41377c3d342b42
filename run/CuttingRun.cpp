#include "run/CuttingRun.h"

#include <system_error>

#include "app/IniFile.h"
#include "app/Texts.h"
#include "cutter/Cutter.h"
#include "platform/AtomicFile.h"
#include "run/OutputFile.h"

namespace kerfmax {

CuttingRun::CuttingRun() : m_job(std::make_shared<Job>()) {}

CuttingRun::~CuttingRun()
{
    Cancel();
    Wait();
    // The send's thread is gone; the output folder may go now.
}

Job& CuttingRun::MutableJob()
{
    // A send or save under way holds the job it started with; it gets to keep it.
    if (m_job.use_count() > 1) m_job = std::make_shared<Job>(*m_job);
    return *m_job;
}

JobLoadStatus CuttingRun::LoadJob(const std::filesystem::path& path)
{
    auto job = std::make_shared<Job>();
    const JobLoadStatus status = LoadJobFile(*job, path);
    m_job = std::move(job);
    return status;
}

void CuttingRun::LoadJobText(const std::string& text)
{
    auto job = std::make_shared<Job>();
    job->LoadJobText(text);
    m_job = std::move(job);
}

void CuttingRun::ToggleMirror()
{
    MutableJob().ToggleMirror();
}

void CuttingRun::SetRotation(Rotation rotation)
{
    MutableJob().SetRotation(rotation);
}

void CuttingRun::ApplyPlacementFromSettings()
{
    if (m_settings.mirror) ToggleMirror();
    if (m_settings.rotation != Rotation::None) SetRotation(m_settings.rotation);
}

const ObjectOrder& CuttingRun::OrderedObjects()
{
    if (!m_job->HasOrderedObjects()) return MutableJob().OrderedObjects();
    return m_job->CachedOrder();
}

SendStart CuttingRun::StartSend(SendCallbacks callbacks, std::size_t fromObject)
{
    if (!HasJob()) return SendStart::NoJob;
    if (m_saving.load()) {
        if (callbacks.message) callbacks.message(Text(TextId::SaveTempError2, m_settings.language), NotifyIcon::None);
        return SendStart::Busy;
    }
    SendRequest request;
    request.job = m_job;
    request.settings = m_settings;
    request.usbCutterPaths = m_usbCutterPaths;
    request.outputPath = OutputPath();
    request.outputFolderError = OutputFolderError();
    request.settingsFile = m_settingsFile;
    request.compensator = &m_compensator;
    request.tcpPortOverride = m_tcpPortOverride;
    request.fromObject = fromObject;
    return m_send.Start(std::move(request), std::move(callbacks));
}

bool CuttingRun::StartSaveToFile(std::filesystem::path target, SaveCallbacks callbacks)
{
    if (!HasJob() || Busy()) return false;
    if (m_saveThread.joinable()) m_saveThread.join();
    m_saving.store(true);
    try {
        m_saveThread = std::thread([this, target = std::move(target), settings = m_settings, job = m_job, callbacks]() {
            SaveResult result = Save(target, settings, job, callbacks);
            m_saving.store(false);
            if (callbacks.done) callbacks.done(result);
        });
    } catch (const std::system_error&) {
        m_saving.store(false);
        return false;
    }
    return true;
}

SaveResult CuttingRun::Save(const std::filesystem::path& target, const JobSettings& settings,
                            const std::shared_ptr<const Job>& job, const SaveCallbacks& callbacks)
{
    const std::atomic<int>* cancel = &m_send.CancelFlag();
    auto tell = [&](TextId id, NotifyIcon icon) {
        if (callbacks.message) callbacks.message(Text(id, settings.language), icon);
    };
    if (!job->FitsCutterRange()) {
        tell(TextId::PlacedOutOfRange, NotifyIcon::Error);
        return SaveResult::OutOfRange;
    }
    RecordingNotifier cutterMessages;
    std::unique_ptr<CCutter> cutter = CreateCutter(settings.manufacturerRow, &cutterMessages);
    if (cutterMessages.count > 0 && callbacks.message) callbacks.message(cutterMessages.messages, NotifyIcon::None);
    if (!cutter) return SaveResult::Failed;  // nothing was built, so nothing is copied
    std::string reason = OutputFolderError();
    const OutputResult built =
        OutputPath().empty() ? OutputResult::WriteFailed
                             : WriteOutputFile(*job, settings, *cutter, OutputPath(), m_compensator, cancel, &reason);
    if (cancel->load()) return SaveResult::Cancelled;
    if (built != OutputResult::Written) {
        // An output file of an earlier run is not this job: nothing is saved.
        tell(TextId::SaveTempError1, NotifyIcon::None);
        if (built == OutputResult::WriteFailed && !reason.empty() && callbacks.message)
            callbacks.message(SystemWarningText(reason), NotifyIcon::None);
        tell(TextId::SaveFail, NotifyIcon::Error);
        return SaveResult::Failed;
    }
    if (!CopyFileAtomically(OutputPath(), target, &reason)) {
        if (callbacks.message) callbacks.message(SystemWarningText(reason), NotifyIcon::None);
        tell(TextId::SaveFail, NotifyIcon::Error);
        return SaveResult::Failed;
    }
    tell(TextId::SaveFinished, NotifyIcon::Information);
    return SaveResult::Saved;
}

void CuttingRun::Cancel()
{
    m_send.Cancel();
}

void CuttingRun::Wait()
{
    m_send.Wait();
    if (!m_saveThread.joinable()) return;
    if (m_saveThread.get_id() == std::this_thread::get_id()) m_saveThread.detach();
    else m_saveThread.join();
}

}  // namespace kerfmax
