#include "geometry/OutputJob.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "geometry/AxisRuns.h"
#include "geometry/CuttingOrder.h"
#include "geometry/PointList.h"

namespace kerfmax {

namespace {

constexpr std::int64_t kUnitsPerMillimetre = 40;

// A dialect's "%ld,%ld" format split once into its literal pieces, so that a
// million commands need no format parsing and 64-bit values print whole on
// every platform (long is 32 bits on Windows).
class PenFormat {
public:
    explicit PenFormat(const std::string& format) : m_format(format)
    {
        std::size_t first = format.find("%ld");
        std::size_t second = first == std::string::npos ? first : format.find("%ld", first + 3);
        m_compiled = second != std::string::npos && format.find('%', second + 3) == std::string::npos &&
                     format.find('%') == first && format.find('%', first + 3) == second;
        if (m_compiled) {
            m_head = format.substr(0, first);
            m_middle = format.substr(first + 3, second - first - 3);
            m_tail = format.substr(second + 3);
        }
    }

    void Format(std::int64_t first, std::int64_t second, std::string& out) const
    {
        out.clear();
        if (!m_compiled) {
            out = FormatPenCommand(m_format, static_cast<long>(first), static_cast<long>(second));
            return;
        }
        char digits[24];
        out += m_head;
        out.append(digits, std::to_chars(digits, digits + sizeof digits, first).ptr);
        out += m_middle;
        out.append(digits, std::to_chars(digits, digits + sizeof digits, second).ptr);
        out += m_tail;
    }

private:
    std::string m_format;
    bool m_compiled = false;
    std::string m_head, m_middle, m_tail;
};

// Job coordinates to cutter coordinates: the cutter's first axis runs along the
// job's y, the job's x is mirrored into the second axis; the frame margins shift
// the job and enlarge the area.
struct CutterMapping {
    std::int64_t xMin = 0, yMin = 0;  // moves the working list to the origin
    std::int64_t offX = 0, offY = 0;
    std::int64_t W = 0, H = 0;

    std::int64_t First(const PointNode& n) const { return (n.y - yMin) + offY; }
    std::int64_t Second(const PointNode& n) const { return W - ((n.x - xMin) + offX); }
};

CutterMapping MapForOutput(const PointList& points, const OutputOptions& options)
{
    BoundBox box;
    ComputeBounds(points, box);
    CutterMapping map;
    map.xMin = box.xMin;
    map.yMin = box.yMin;
    std::int64_t w = std::int64_t{box.xMax} - box.xMin;
    std::int64_t h = std::int64_t{box.yMax} - box.yMin;
    map.W = w;
    map.H = h;
    if (options.frameEnabled == 1) {
        map.offX = kUnitsPerMillimetre * options.marginBottom;
        map.offY = kUnitsPerMillimetre * options.marginLeft;
        map.W = w + kUnitsPerMillimetre * (std::int64_t{options.marginTop} + options.marginBottom);
        map.H = h + kUnitsPerMillimetre * (std::int64_t{options.marginLeft} + options.marginRight);
    }
    return map;
}

bool HasPenPoint(const PointList& points)
{
    return std::any_of(points.begin(), points.end(), [](const PointNode& n) { return n.kind != KIND_NONE; });
}

// Everything between the header and the trailer, handed to one of the two emitters.
template <typename Emit>
void WalkCommands(const PointList& points, const CutterMapping& map, const PenFormat& up, const PenFormat& down,
                  std::int32_t frameEnabled, OutputSink& sink, Emit emit)
{
    std::string text;
    for (std::size_t i = 0; i < points.size() && !sink.Failed(); ++i) {
        const PointNode& n = points[i];
        const PointNode* next = i + 1 < points.size() ? &points[i + 1] : nullptr;
        if (n.kind == KIND_PEN_UP) {
            if (next && next->kind == KIND_PEN_UP) continue;  // only the last of a run of pen-ups moves
            if (!next || next->kind == KIND_NONE) break;  // trailing pen-ups move nothing
            up.Format(map.First(n), map.Second(n), text);
        } else if (n.kind == KIND_PEN_DOWN) {
            down.Format(map.First(n), map.Second(n), text);
        } else {
            text.clear();
        }
        emit(std::string_view(text));
    }
    if (frameEnabled == 1) {
        up.Format(map.H, 0, text);
        emit(std::string_view(text));
        const std::int64_t corners[4][2] = {{map.H, map.W}, {0, map.W}, {0, 0}, {map.H, 0}};
        for (const auto& corner : corners) {
            down.Format(corner[0], corner[1], text);
            emit(std::string_view(text));
        }
    }
    up.Format(map.H, 0, text);
    emit(std::string_view(text));
}

PointList WorkingList(const Job& job, const OutputOptions& options)
{
    if (options.cutOrder != 1) return CopyPointList(job.Points());
    if (job.HasOrderedObjects()) return JoinArtObjects(job.ArtObjects(), job.CachedOrder());
    return JoinArtObjects(job.ArtObjects(), OrderReduceFeed(job.ArtObjects(), job.Box()));
}

}  // namespace

PointList JoinArtObjects(const std::vector<MC_ArtObj_>& objects, const ObjectOrder& order)
{
    std::size_t total = 0;
    for (std::size_t index : order)
        if (index < objects.size()) total += objects[index].points.size();
    PointList joined;
    joined.reserve(total);
    for (std::size_t index : order) {
        if (index >= objects.size()) continue;
        for (const PointNode& n : objects[index].points) joined.push_back({n.kind, n.x, n.y});
    }
    return joined;
}

OutputResult BuildOutputJob(const Job& job, const OutputOptions& options, const CommandTexts& dialect, OutputSink& sink,
                            BladeCompensator& compensator)
{
    if (!job.HasJob()) return OutputResult::NothingToCut;
    PointList points = WorkingList(job, options);
    if (!HasPenPoint(points)) return OutputResult::NothingToCut;
    SimplifyAxisRuns(points);

    const CutterMapping map = MapForOutput(points, options);
    const PenFormat up(dialect.penUpFormat);
    const PenFormat down(dialect.penDownFormat);

    sink.Write(dialect.initCommand);
    if (!options.compensate) {
        WalkCommands(points, map, up, down, options.frameEnabled, sink, [&sink](std::string_view text) {
            if (!text.empty()) sink.Write(text);
        });
    } else {
        const std::int32_t bladeOffset = options.bladeOffset;
        const std::int32_t overCut = options.overCut;
        const int isDmpl = dialect.isDmpl;
        CompensatorOutput registered(compensator, sink);
        WalkCommands(points, map, up, down, options.frameEnabled, sink,
                     [&](std::string_view text) { compensator.CompensateCommand(text, bladeOffset, overCut, isDmpl); });
    }
    sink.Write(dialect.trailer);
    sink.Write(std::string_view(kEndFiller, sizeof kEndFiller - 1));
    return sink.Failed() ? OutputResult::WriteFailed : OutputResult::Written;
}

}  // namespace kerfmax
