#pragma once
// Writes a run's output file: the assembled command stream of the job for the
// run's settings, in the cutter's language, put in place whole or not at all.
#include <atomic>
#include <filesystem>
#include <string>

#include "geometry/OutputJob.h"

namespace kerfmax {

struct JobSettings;

// Written only when the whole stream reached the file. A set cancel flag ends
// the assembly and leaves the file as it was; *error tells why a write failed;
// *layout (optional) gets where each object begins in it.
OutputResult WriteOutputFile(const Job& job, const JobSettings& settings, const CommandTexts& texts,
                             const std::filesystem::path& path, BladeCompensator& compensator,
                             const std::atomic<int>* cancel, std::string* error = nullptr,
                             OutputLayout* layout = nullptr);

// "Warning: <reason>", the form in which the program shows a system's reason.
std::string SystemWarningText(const std::string& reason);

}  // namespace kerfmax
