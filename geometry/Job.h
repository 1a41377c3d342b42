#pragma once
// The loaded job and its placement: what the main window (and the command-line
// tool) holds for one cutting run.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/ArtObjects.h"
#include "geometry/PathTypes.h"
#include "geometry/PointList.h"

namespace kerfmax {

enum class Rotation { None = 0, Quarter = 1, Half = 2, ThreeQuarter = 3 };

// A job is read straight into its flattened points: the records are never held,
// so a large job costs one point list (and a second one only once it is placed).
class Job {
public:
    // Reads, flattens, moves to the origin and groups the job file. Never fails
    // as such: HasJob() tells whether a coordinate record was found (a missing or
    // unreadable file gives no job). Resets mirror and rotation.
    void LoadJob(const std::filesystem::path& path);
    // The same for job text already in memory.
    void LoadJobText(std::string_view text);
    bool HasJob() const;
    // False when a coordinate of the file, the job's size or a placed coordinate leaves the signed 32-bit
    // range: such a job must not be cut.
    bool FitsCutterRange() const;

    // Coordinate records read from the file.
    std::size_t RecordCount() const { return m_recordCount; }
    const PointList& Points() const { return m_points; }
    const BoundBox& Box() const { return m_box; }
    // Built on first use (only the cutting order needs them); safe to call from
    // several threads at once.
    const std::vector<MC_ArtObj_>& ArtObjects() const { return m_artObjects.Get(m_points); }

    // The "Reduce Feed" order; computed on first use after every placement change.
    const ObjectOrder& OrderedObjects();
    bool HasOrderedObjects() const { return !m_orderedObjects.empty(); }
    // The order as last computed; empty when none has been since the last change.
    const ObjectOrder& CachedOrder() const { return m_orderedObjects; }

    // Mirror button: toggles the mirror state and mirrors the job as it lies.
    void ToggleMirror();
    // Rotate menu: stores the rotation and rebuilds the placement from the file's coordinates.
    void SetRotation(Rotation rotation);
    bool Mirrored() const { return m_mirrored; }
    Rotation CurrentRotation() const { return m_rotation; }

    // Rebuilds the flattened points from the file's coordinates with the current
    // mirror and rotation (mirror first).
    void RebuildPlacement();

private:
    void Load(JobTextReader& reader, PathFlattener& flattener);
    const PointList& FilePoints();
    bool MirrorJob();
    bool CommonFinish();

    PointList m_points;
    // The points at the file's own coordinates, kept from the first placement
    // change on (before it, m_points moved back by m_fileOrigin are they).
    PointList m_filePoints;
    Point m_fileOrigin;
    BoundBox m_box;
    ArtObjectCache m_artObjects;
    ObjectOrder m_orderedObjects;
    std::size_t m_recordCount = 0;
    bool m_loaded = false;
    bool m_fileFits = true;  // every number and curve point of the file, and the loaded size
    bool m_fitsRange = true;
    bool m_mirrored = false;
    Rotation m_rotation = Rotation::None;
};

}  // namespace kerfmax
