#include "geometry/Job.h"

#include <cstdint>

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

// Completes m so that the box, mapped by it, starts at (0, 0). False when mapping
// the box left the 32-bit range.
bool MoveMappedBoxToOrigin(Transform& m, const BoundBox& box)
{
    BoundBox mapped = box;
    const bool fits = TransformBox(mapped, m);
    m.tx = -std::int64_t{mapped.xMin};
    m.ty = -std::int64_t{mapped.yMin};
    return fits;
}

bool SizeFits(const BoundBox& box)
{
    return FitsInt32(std::int64_t{box.xMax} - box.xMin) && FitsInt32(std::int64_t{box.yMax} - box.yMin);
}

}  // namespace

void Job::LoadJob(const std::filesystem::path& path)
{
    // An unreadable file gives no record, which is what "no job" means.
    PathFlattener flattener;
    JobTextReader reader(flattener);
    if (FeedJobFile(path, reader) != 0) flattener.Points().clear();
    Load(reader, flattener);
}

void Job::LoadJobText(std::string_view text)
{
    PathFlattener flattener;
    JobTextReader reader(flattener);
    reader.ExpectBytes(text.size());
    reader.Feed(text.data(), text.size());
    reader.Finish();
    Load(reader, flattener);
}

void Job::Load(JobTextReader& reader, PathFlattener& flattener)
{
    m_mirrored = false;
    m_rotation = Rotation::None;
    m_recordCount = flattener.RecordCount();
    m_points = std::move(flattener.Points());
    // An end record before any coordinate record leaves no list at all.
    if (reader.Ended() && m_recordCount == 0) m_points.clear();
    m_filePoints = PointList();
    BoundBox fileBox;
    ComputeBounds(m_points, fileBox);
    m_fileOrigin = Point{fileBox.xMin, fileBox.yMin};
    const bool movedFits = TranslatePoints(m_points, -std::int64_t{fileBox.xMin}, -std::int64_t{fileBox.yMin});
    m_box = m_points.empty() ? BoundBox{}
                             : BoundBox{0, WrappingAdd(fileBox.xMax, WrappingNegate(fileBox.xMin)),
                                        WrappingAdd(fileBox.yMax, WrappingNegate(fileBox.yMin)), 0};
    m_loaded = m_recordCount > 0 && !m_points.empty();
    m_fileFits = reader.NumbersFit() && flattener.PointsFit() && SizeFits(fileBox) && movedFits;
    m_fitsRange = m_fileFits;
    m_artObjects.Clear();
    m_orderedObjects.clear();
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
    if (m_orderedObjects.empty()) m_orderedObjects = OrderReduceFeed(ArtObjects(), m_box);
    return m_orderedObjects;
}

void Job::ToggleMirror()
{
    if (!HasJob()) return;
    FilePoints();
    m_mirrored = !m_mirrored;
    const bool fits = MirrorJob();
    m_fitsRange = CommonFinish() && fits && m_fitsRange;
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
    m_points = FilePoints();
    bool fits = m_fileFits;
    ComputeBounds(m_points, m_box);
    if (m_mirrored) {
        fits &= MirrorJob();
        ComputeBounds(m_points, m_box);
    }
    Transform turn = RotationTransform(RotationAngle(m_rotation));
    fits &= MoveMappedBoxToOrigin(turn, m_box);
    fits &= ApplyTransform(m_points, turn);
    m_fitsRange = CommonFinish() && fits;
}

const PointList& Job::FilePoints()
{
    if (m_filePoints.empty()) {
        // No placement has changed the points yet: moving them back is exact.
        m_filePoints = m_points;
        TranslatePoints(m_filePoints, m_fileOrigin.x, m_fileOrigin.y);
    }
    return m_filePoints;
}

bool Job::MirrorJob()
{
    Transform mirror = MirrorTransform();
    const bool fits = MoveMappedBoxToOrigin(mirror, m_box);
    return ApplyTransform(m_points, mirror) && fits;
}

bool Job::CommonFinish()
{
    ComputeBounds(m_points, m_box);
    m_artObjects.Clear();
    m_orderedObjects.clear();
    return SizeFits(m_box);
}

}  // namespace kerfmax
