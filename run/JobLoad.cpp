#include "run/JobLoad.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "app/Texts.h"
#include "geometry/Job.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"

namespace kerfmax {

JobLoadStatus CheckJobFile(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (path.empty() || status.type() == std::filesystem::file_type::not_found) return JobLoadStatus::Missing;
    if (std::filesystem::is_directory(status)) return JobLoadStatus::Folder;
    // A pipe or a device would hold the reader forever (or feed it without end).
    if (ec || !std::filesystem::is_regular_file(status)) return JobLoadStatus::Unreadable;
    std::FILE* file = OpenFile(path, "rb");
    if (!file) return errno == ENOENT ? JobLoadStatus::Missing : JobLoadStatus::Unreadable;
    const bool empty = std::fgetc(file) == EOF;
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return JobLoadStatus::Unreadable;
    return empty ? JobLoadStatus::Empty : JobLoadStatus::Loaded;
}

JobLoadStatus LoadJobFile(Job& job, const std::filesystem::path& path)
{
    JobLoadStatus status = CheckJobFile(path);
    if (status != JobLoadStatus::Loaded) {
        job = Job();
        return status;
    }
    job.LoadJob(path);
    if (!job.HasJob()) status = JobLoadStatus::NoPoints;
    else if (!job.FitsCutterRange()) status = JobLoadStatus::OutOfRange;
    // A job the cutter cannot hold is not kept: nothing may cut it wrapped.
    if (status != JobLoadStatus::Loaded) job = Job();
    return status;
}

std::string JobLoadText(JobLoadStatus status, const std::filesystem::path& path, int language)
{
    TextId id = TextId::JobMissing;
    switch (status) {
    case JobLoadStatus::Loaded: return {};
    case JobLoadStatus::Missing: id = TextId::JobMissing; break;
    case JobLoadStatus::Unreadable: id = TextId::JobUnreadable; break;
    case JobLoadStatus::Folder: id = TextId::JobIsFolder; break;
    case JobLoadStatus::Empty: id = TextId::JobEmpty; break;
    case JobLoadStatus::NoPoints: id = TextId::JobNoPoints; break;
    case JobLoadStatus::OutOfRange: id = TextId::JobOutOfRange; break;
    }
    return TextWith(id, language, "\"" + PathToUtf8(path) + "\"");
}

}  // namespace kerfmax
