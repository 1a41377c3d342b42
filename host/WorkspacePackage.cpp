#include "host/WorkspacePackage.h"

#include "host/WorkspaceFileEdit.h"

#include "host/HostIdentifiers.h"
#include "host/HostPaths.h"
#include "platform/AtomicFile.h"
#include "platform/FileOps.h"
#include "platform/ProcessRunner.h"
#include "platform/PathText.h"

namespace kerfmax {

namespace {

std::string DescribeFailure(const std::string& what, const ProcessOutcome& outcome)
{
    if (!outcome.started) return what + ": " + outcome.problem;
    std::string text = what + ": 7-Zip ended with " +
                       (outcome.exitCode >= 0 ? "exit code " + std::to_string(outcome.exitCode) : outcome.problem);
    return text;
}

// Zip entries can be symbolic links; editing or copying through one could
// write outside the working folder, and the host never puts any in a package.
bool HoldsLinks(const std::filesystem::path& folder)
{
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_symlink(ec)) return true;
    return static_cast<bool>(ec);
}

// 7-Zip adds ".zip" to an archive name without an extension, so the copy
// carries one. It lies beside the file a linked package names, so that the
// rename replaces that file and keeps the link.
std::filesystem::path UpdateCopyOf(const std::filesystem::path& package)
{
    std::filesystem::path copy = TemporarySibling(ReplacementTarget(package));
    copy += ".zip";
    return copy;
}

}  // namespace

std::optional<std::filesystem::path> UnpackWorkspacePackage(const std::filesystem::path& package,
                                                            const std::string& sevenZipProgram, std::string& problem)
{
    std::filesystem::path absolutePackage = std::filesystem::absolute(package);
    auto folder = CreateUniqueFolder(PackageWorkingFolder(absolutePackage), &problem);
    if (!folder) return std::nullopt;
    // Absolute paths throughout: the tool then stores and extracts entries
    // relative to the working folder.
    ProcessOutcome outcome =
        RunHiddenProcess({sevenZipProgram, "x", "-r", "-y", PathToUtf8(absolutePackage), "-o" + PathToUtf8(*folder)});
    if (!outcome.Succeeded()) {
        problem = DescribeFailure("cannot unpack " + PathToUtf8(package), outcome);
        DeleteFolderTree(*folder);
        return std::nullopt;
    }
    if (HoldsLinks(*folder)) {
        problem = "left " + PathToUtf8(package) + " alone: it holds symbolic links";
        DeleteFolderTree(*folder);
        return std::nullopt;
    }
    return folder;
}

bool RepackWorkspacePackage(const std::filesystem::path& package, const std::filesystem::path& workingFolder,
                            const std::string& sevenZipProgram, std::string& problem)
{
    std::filesystem::path absolutePackage = std::filesystem::absolute(package);
    if (!KeepBackupOnce(absolutePackage, problem)) return false;
    std::filesystem::path copy = UpdateCopyOf(absolutePackage);
    std::error_code ec;
    std::filesystem::copy_file(absolutePackage, copy, ec);
    if (ec) {
        problem = "cannot copy " + PathToUtf8(package) + ": " + ec.message();
        return false;
    }
    std::string contents = PathToUtf8(std::filesystem::absolute(workingFolder) / "*");
    ProcessOutcome outcome = RunHiddenProcess({sevenZipProgram, "a", "-tzip", "-r", PathToUtf8(copy), contents});
    if (!outcome.Succeeded()) {
        problem = DescribeFailure("cannot repack " + PathToUtf8(package), outcome);
        std::filesystem::remove(copy, ec);
        return false;
    }
    std::string error;
    if (!CommitTemporaryFile(copy, absolutePackage, &error)) {
        problem = "cannot replace " + PathToUtf8(package) + ": " + error;
        return false;
    }
    return true;
}

int RemovePackageLeftovers(const std::filesystem::path& package)
{
    std::filesystem::path absolutePackage = std::filesystem::absolute(package);
    int removed = RemoveWorkspaceLeftovers(absolutePackage);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(absolutePackage.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!IsPackageWorkingFolderName(absolutePackage, PathToUtf8(it->path().filename()))) continue;
        // A link of that name is not a folder we made.
        std::error_code statError;
        if (std::filesystem::is_directory(it->symlink_status(statError)) && DeleteFolderTree(it->path())) ++removed;
    }
    return removed;
}

bool CopyWorkspaceIcons(const std::filesystem::path& programFolder, const std::filesystem::path& workingFolder,
                        std::string& problem)
{
    std::filesystem::path icons = PackageIconsFolder(workingFolder);
    if (!EnsureFolder(icons.parent_path(), &problem) || !EnsureFolder(icons, &problem)) return false;
    bool allCopied = true;
    for (std::string_view name : kWorkspaceIconFiles) {
        std::string error;
        if (!CopyFileAtomically(programFolder / name, icons / name, &error)) {
            problem = "cannot copy the icon " + std::string(name) + ": " + error;
            allCopied = false;
        }
    }
    return allCopied;
}

}  // namespace kerfmax
