#pragma once
// The options that every command writing a cutter job shares (convert, send):
// dialect, blade offset, over-cut, cutting order, mirror, rotation, frame and a
// settings file to start from. Other options (-o, --port, ...) stay with the
// command; it hands each word it does not know to Take().
#include <optional>
#include <string>
#include <vector>

#include "app/JobSettings.h"
#include "cli/Commands.h"
#include "cutter/Dialect.h"
#include "geometry/Job.h"

namespace kerfmax::cli {

struct GeometryOptions {
    JobSettings settings;    // mirror, rotation, frame and order included
    CutterDialect dialect;
};

class GeometryOptionParser {
public:
    enum class Status { NotMine, Taken, Bad };

    // Looks at args[i]. A shared option is consumed with its value and i is left
    // on the last word consumed; a bad value gives Bad with Error() set.
    Status Take(const Args& args, std::size_t& i);

    // Starts from a fresh settings file (or the --settings file, read but never
    // written), then applies the options in the order given. False with Error()
    // when the settings file cannot be read or names an unknown cutter.
    bool Finish(GeometryOptions& out);

    const std::string& Error() const { return m_error; }

private:
    Status Bad(const std::string& message);

    std::optional<std::string> m_settingsPath;
    std::optional<int> m_dialect;                         // manufacturer cutter type
    std::optional<std::optional<std::string>> m_blade;    // empty inner: unticked
    std::optional<std::string> m_overCut;
    std::optional<int> m_cutOrder;
    bool m_mirror = false;
    std::optional<Rotation> m_rotation;
    std::optional<std::vector<int>> m_frame;              // left, right, bottom, top
    std::string m_error;
};

// Gives a loaded job the placement of the main window after Mirror is pressed
// and then the rotation chosen (rebuilt from the path list, mirror first).
void ApplyPlacement(Job& job, const JobSettings& settings);

// The help lines of the shared options, ready to print.
const char* GeometryOptionsHelp();

}  // namespace kerfmax::cli
