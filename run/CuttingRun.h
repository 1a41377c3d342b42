#pragma once
// One cutting run: the loaded job and its placement, the run's settings, the
// run's private output file, and the two actions that use them, Send and Save
// to File. The main window and kerfmax-cli drive it alike. Both actions run off
// the caller's thread and end with a callback; the caller's thread is never
// held by a connect, an assembly or a stream.
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/JobSettings.h"
#include "geometry/BladeCompensation.h"
#include "geometry/Job.h"
#include "run/JobLoad.h"
#include "run/OutputFolder.h"
#include "run/SendJob.h"

namespace kerfmax {

class CIniFile;

enum class SaveResult {
    Saved,  // "Save finished!"
    Failed,  // "Save fail!" (after "SaveCutTempData Error1" when the output could not be built)
    Cancelled,  // the run was cancelled; nothing written
    NoJob,  // nothing loaded: nothing happens
    OutOfRange,  // the placed job leaves the cutter's coordinate range: refused, nothing written
};

struct SaveCallbacks {
    std::function<void(const std::string& text, NotifyIcon icon)> message;
    std::function<void(SaveResult)> done;
};

class CuttingRun {
public:
    CuttingRun();
    // Cancels what runs and waits for it; removes the private output folder.
    ~CuttingRun();
    CuttingRun(const CuttingRun&) = delete;
    CuttingRun& operator=(const CuttingRun&) = delete;

    // The job. Loading resets mirror and rotation. A send or save under way
    // keeps the job it started with: changes here never reach it. A job that
    // does not load (see JobLoadText for the message) leaves the run without one.
    JobLoadStatus LoadJob(const std::filesystem::path& path);
    void LoadJobText(const std::string& text);
    bool HasJob() const { return m_job->HasJob(); }
    const Job& CurrentJob() const { return *m_job; }
    void ToggleMirror();
    void SetRotation(Rotation rotation);
    // The placement of settings.mirror and settings.rotation, as the window
    // has it after Mirror was pressed and then the rotation chosen.
    void ApplyPlacementFromSettings();
    // The "Reduce Feed" order of the job as it lies (computed on first use).
    const ObjectOrder& OrderedObjects();

    JobSettings& Settings() { return m_settings; }
    const JobSettings& Settings() const { return m_settings; }
    // Where Send and Save to File save the settings; nullptr: nowhere. The
    // file must not be used by the caller while a Send runs.
    void SetSettingsFile(CIniFile* settingsFile) { m_settingsFile = settingsFile; }
    // The USB list of the last port refresh: USB_n names its n-th path.
    void SetUsbCutterPaths(std::vector<std::string> paths) { m_usbCutterPaths = std::move(paths); }
    // For tests and kerfmax-cli --ip ADDR:PORT; 0 keeps the cutter's port 5000.
    void SetTcpPortOverride(std::int32_t port) { m_tcpPortOverride = port; }

    // The run's own output file ("cutcorldata.hb" in a folder of this run
    // alone); empty with OutputFolderError() when that folder cannot be made,
    // and then Send and Save to File report "SaveCutTempData Error1".
    const std::filesystem::path& OutputPath() const { return m_outputFolder.FilePath(); }
    const std::string& OutputFolderError() const { return m_outputFolder.Error(); }

    // Send: returns at once; see SendJob. fromObject > 1 sends the job from
    // that object on (numbered from 1 in cutting order), as after a failed send.
    SendStart StartSend(SendCallbacks callbacks, std::size_t fromObject = 1);
    // After a send whose stream failed: the object to send it again from.
    std::optional<ResumeOffer> LastResumeOffer() const { return m_send.LastResumeOffer(); }
    // Save to File after the Save As dialog: builds the cutter, assembles the
    // output file and copies it to target (through a temporary file beside it
    // and a rename), off the caller's thread. Saves nothing when the output
    // cannot be built. False when nothing started (no job, or busy: then done
    // does not follow).
    bool StartSaveToFile(std::filesystem::path target, SaveCallbacks callbacks);

    // Sets the cancel flag of whatever runs (once set, every later Send and
    // Save of this run ends cancelled: the program is ending).
    void Cancel();
    bool Busy() const { return m_send.Sending() || m_saving.load(); }
    // Joins the thread of an action whose done has run.
    void Wait();

    LinkSettings CurrentLinkSettings() const { return m_send.CurrentLinkSettings(); }
    std::atomic<int>& CancelFlag() { return m_send.CancelFlag(); }

private:
    Job& MutableJob();
    SaveResult Save(const std::filesystem::path& target, const JobSettings& settings,
                    const std::shared_ptr<const Job>& job, const SaveCallbacks& callbacks);

    std::shared_ptr<Job> m_job;  // shared with the send or save under way, copied before a change
    JobSettings m_settings;
    CIniFile* m_settingsFile = nullptr;
    std::vector<std::string> m_usbCutterPaths;
    std::int32_t m_tcpPortOverride = 0;
    OutputFolder m_outputFolder;
    BladeCompensator m_compensator;  // the run's compensation state, kept between assemblies
    SendJob m_send;
    std::atomic<bool> m_saving{false};
    std::thread m_saveThread;
};

}  // namespace kerfmax
