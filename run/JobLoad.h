#pragma once
// Why a job file did or did not load, and the message that tells the user.
#include <filesystem>
#include <string>

namespace kerfmax {

class Job;

enum class JobLoadStatus {
    Loaded,
    Missing,  // no file of that name
    Unreadable,  // the file is there but cannot be opened (permission, a lock)
    Folder,  // the name is a folder
    Empty,  // the file holds no byte
    NoPoints,  // read, but no pen or curve record gave a point
    OutOfRange,  // a coordinate or the job's size leaves the cutter's 32-bit range
};

// Decides the file-system reasons (missing, unreadable, folder, empty) before
// any parsing; Loaded when the file can be read and has bytes.
JobLoadStatus CheckJobFile(const std::filesystem::path& path);

// Checks the file, then loads it into job and checks what was read: no
// points, or coordinates the cutter cannot hold. job is left empty unless Loaded.
JobLoadStatus LoadJobFile(Job& job, const std::filesystem::path& path);

// The message for a status other than Loaded, naming the file, in the
// language (1 Chinese, else English); empty for Loaded.
std::string JobLoadText(JobLoadStatus status, const std::filesystem::path& path, int language);

}  // namespace kerfmax
