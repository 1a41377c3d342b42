#pragma once
// The folder of one run's output file: made for this run alone, readable and
// writable by the user alone, removed with the run. So two runs never share an
// output file and no other user can lock, redirect or replace it. The name
// holds the run's process id, so a later run can remove the folder of a run
// that was killed.
#include <filesystem>
#include <string>

namespace kerfmax {

// The output file that Send streams and Save to File copies.
inline constexpr char kOutputFileName[] = "cutcorldata.hb";

class OutputFolder {
public:
    OutputFolder();
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // The folder followed by "cutcorldata.hb"; empty when the folder could not be made.
    const std::filesystem::path& FilePath() const { return m_file; }
    const std::string& Error() const { return m_error; }

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_file;
    std::string m_error;
};

// Removes from parent the output folders "kerfmax-<pid>-..." of runs whose
// process has ended (a run killed before it could remove its own), except
// keep; folders of runs still going on are left alone. Returns how many went.
int RemoveAbandonedFolders(const std::filesystem::path& parent, const std::filesystem::path& keep = {});

}  // namespace kerfmax
