#include "geometry/Job.h"

#include <algorithm>
#include <cstdint>

#include "geometry/ArtObjects.h"
#include "geometry/CuttingOrder.h"
#include "geometry/JobFile.h"
#include "geometry/PointList.h"
#include "geometry/Transform.h"

namespace kerfmax {
namespace {

double RotationAngle(Rotation rotation)
{
    switch (rotation) {
    case Rotation::Quarter: return kQuarterTurn;
    case Rotation::Half: return kHalfTurn;
    case Rotation::ThreeQuarter: return kThreeQuarterTurn;
    case Rotation::None: break;
    }
    return 0.0;
}

// Completes m so that the box, mapped by it, starts at (0, 0).
void MoveMappedBoxToOrigin(Transform& m, const BoundBox& box)
{
    BoundBox mapped = box;
    TransformBox(mapped, m);
    m.tx = WrappingNegate(mapped.xMin);
    m.ty = WrappingNegate(mapped.yMin);
}

// Whether the span of every coordinate the records name fits a signed 32-bit number.
bool RecordsFitCutterRange(const PathList& paths)
{
    std::int64_t lo[2] = {INT32_MAX, INT32_MAX};
    std::int64_t hi[2] = {INT32_MIN, INT32_MIN};
    for (const PathRecord& r : paths) {
        const int values = r.kind == KIND_BEZIER ? 6 : (r.kind == KIND_NONE ? 0 : 2);
        for (int i = 0; i < values; ++i) {
            lo[i % 2] = std::min<std::int64_t>(lo[i % 2], r.points[i]);
            hi[i % 2] = std::max<std::int64_t>(hi[i % 2], r.points[i]);
        }
    }
    for (int axis = 0; axis < 2; ++axis) {
        if (hi[axis] >= lo[axis] && hi[axis] - lo[axis] > INT32_MAX) return false;
    }
    return true;
}

}  // namespace

void Job::LoadJob(const std::filesystem::path& path)
{
    // An unreadable file leaves the list empty, which is what "no job" means.
    PathList paths;
    ReadJobFile(path, paths);
    LoadPaths(std::move(paths));
}

void Job::LoadJobText(std::string_view text)
{
    LoadPaths(ParseJobText(text));
}

void Job::LoadPaths(PathList paths)
{
    m_paths = std::move(paths);
    m_mirrored = false;
    m_rotation = Rotation::None;
    m_points = FlattenPaths(m_paths);
    m_box = MoveToOrigin(m_points);
    const bool anyCoordinateRecord =
        std::any_of(m_paths.begin(), m_paths.end(), [](const PathRecord& r) { return r.kind != KIND_NONE; });
    m_loaded = anyCoordinateRecord && !m_points.empty();
    m_fitsRange = RecordsFitCutterRange(m_paths);
    BuildArtObjects();
}

bool Job::HasJob() const
{
    return m_loaded;
}

bool Job::FitsCutterRange() const
{
    return m_fitsRange;
}

const ObjectOrder& Job::OrderedObjects()
{
    if (m_orderedObjects.empty()) m_orderedObjects = OrderReduceFeed(m_artObjects, m_box);
    return m_orderedObjects;
}

void Job::ToggleMirror()
{
    if (!HasJob()) return;
    m_mirrored = !m_mirrored;
    MirrorJob();
    CommonFinish();
}

void Job::SetRotation(Rotation rotation)
{
    if (!HasJob()) return;
    m_rotation = rotation;
    RebuildPlacement();
}

void Job::RebuildPlacement()
{
    if (!HasJob()) return;
    // From the file's own coordinates, so turns never accumulate truncation.
    m_points = FlattenPaths(m_paths);
    ComputeBounds(m_points, m_box);
    if (m_mirrored) {
        MirrorJob();
        ComputeBounds(m_points, m_box);
    }
    Transform turn = RotationTransform(RotationAngle(m_rotation));
    MoveMappedBoxToOrigin(turn, m_box);
    ApplyTransform(m_points, turn);
    CommonFinish();
}

void Job::MirrorJob()
{
    Transform mirror = MirrorTransform();
    MoveMappedBoxToOrigin(mirror, m_box);
    ApplyTransform(m_points, mirror);
}

void Job::CommonFinish()
{
    ComputeBounds(m_points, m_box);
    BuildArtObjects();
}

void Job::BuildArtObjects()
{
    m_artObjects = kerfmax::BuildArtObjects(m_points);
    m_orderedObjects.clear();
}

}  // namespace kerfmax
