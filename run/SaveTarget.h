#pragma once
// What the Save As dialog of Save to File proposes: the job's name with
// ".plt", in the folder the user last chose (to save into, or to open a job
// from), else in the job's own folder.
#include <filesystem>

namespace kerfmax {

// lastFolder is used only while it is a folder; an empty job path gives the
// name "job.plt".
std::filesystem::path ProposedSaveTarget(const std::filesystem::path& jobPath, const std::filesystem::path& lastFolder);

}  // namespace kerfmax
