#include "geometry/OutputJob.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "geometry/AxisRuns.h"
#include "geometry/CutOrderChoice.h"
#include "geometry/ParallelCommandOutput.h"
#include "geometry/PenCommand.h"
#include "geometry/PointList.h"

namespace kerfmax {

namespace {

constexpr std::int64_t kUnitsPerMillimetre = 40;

// The working list without a copy of it: the job's points in file order, or the
// art objects' points in the chosen order, as runs of nodes.
struct NodeRun {
    const PointNode* begin;
    const PointNode* end;
};
using WorkingList = std::vector<NodeRun>;

// runObjects (optional) gets the art object of each run; file order is one run of no object.
WorkingList WorkingRuns(const Job& job, const OutputOptions& options, ObjectOrder& orderHeld,
                        std::vector<std::size_t>* runObjects = nullptr)
{
    if (!ReordersObjects(options.cutOrder))
        return {NodeRun{job.Points().data(), job.Points().data() + job.Points().size()}};
    const std::vector<MC_ArtObj_>& objects = job.ArtObjects();
    // The job is left as it is, so a run can assemble a job that another thread
    // reads. The job keeps only the "Reduce Feed" order; the others are computed here.
    const ObjectOrder* order = &job.CachedOrder();
    if (options.cutOrder != kCutOrderReduceFeed || !job.HasOrderedObjects()) {
        orderHeld = ComputeObjectOrder(options.cutOrder, objects, job.Box());
        order = &orderHeld;
    }
    WorkingList runs;
    runs.reserve(order->size());
    for (std::size_t index : *order) {
        if (index >= objects.size() || objects[index].points.empty()) continue;
        const PointSpan points = objects[index].points;
        runs.push_back(NodeRun{points.data(), points.data() + points.size()});
        if (runObjects) runObjects->push_back(index);
    }
    return runs;
}

// Calls visit(node, next) for every node of the working list; next is the node
// after it, or nullptr for the last.
template <typename Visit>
void ForEachNode(const WorkingList& runs, Visit visit)
{
    for (std::size_t r = 0; r < runs.size(); ++r) {
        for (const PointNode* n = runs[r].begin; n != runs[r].end; ++n) {
            const PointNode* next = n + 1 != runs[r].end ? n + 1 : (r + 1 < runs.size() ? runs[r + 1].begin : nullptr);
            visit(*n, next);
        }
    }
}

bool HasPenPoint(const WorkingList& runs)
{
    for (const NodeRun& run : runs)
        if (std::any_of(run.begin, run.end, [](const PointNode& n) { return n.kind != KIND_NONE; })) return true;
    return false;
}

// Runs the axis-run simplification over the working list and hands every
// simplified node to visit(node, next), next being the simplified node after it
// (nullptr for the last). Cheap enough to run once for the box and once for the
// commands, which spares a simplified copy of the job.
template <typename Visit>
void ForEachSimplifiedNode(const WorkingList& runs, Visit visit)
{
    std::optional<PointNode> held;
    auto delay = [&](const PointNode& n) {
        if (held) visit(*held, &n);
        held = n;
    };
    AxisRunWalk<decltype(delay)&> walk(delay);
    const PointNode* last = nullptr;
    ForEachNode(runs, [&](const PointNode& n, const PointNode* next) {
        walk.Take(n, next);
        last = &n;
    });
    walk.Finish(last ? *last : PointNode{});
    if (held) visit(*held, nullptr);
}

// The box of the simplified list as ComputeBounds gives it: the first node always
// counts, then every pen-down, and a pen-up only before a pen-down.
BoundBox SimplifiedBox(const WorkingList& runs)
{
    BoundBox box;
    bool first = true;
    ForEachSimplifiedNode(runs, [&](const PointNode& n, const PointNode* next) {
        if (first) {
            box = BoundBox{n.x, n.x, n.y, n.y};
            first = false;
        }
        const bool counts = n.kind == KIND_PEN_DOWN || (n.kind == KIND_PEN_UP && next && next->kind == KIND_PEN_DOWN);
        if (!counts) return;
        box.xMin = std::min(box.xMin, n.x);
        box.xMax = std::max(box.xMax, n.x);
        box.yMin = std::min(box.yMin, n.y);
        box.yMax = std::max(box.yMax, n.y);
    });
    return box;
}

// Job coordinates to cutter coordinates: the cutter's first axis runs along the
// job's y, the job's x is mirrored into the second axis; the frame margins shift
// the job and enlarge the area.
struct CutterMapping {
    std::int64_t xMin = 0, yMin = 0;  // moves the working list to the origin
    std::int64_t offX = 0, offY = 0;
    std::int64_t W = 0, H = 0;

    PenPoint Map(const PointNode& n) const { return {(n.y - yMin) + offY, W - ((n.x - xMin) + offX)}; }
};

CutterMapping MapForOutput(const BoundBox& box, const OutputOptions& options)
{
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

// Everything between the header and the trailer, handed to out as typed commands.
// movedUps (optional) gets, for each pen-up that moves, its place among all the
// pen-ups of the working list: the simplification keeps every pen-up, in order.
void WalkCommands(const WorkingList& runs, const CutterMapping& map, std::int32_t frameEnabled,
                  ParallelCommandOutput& out, std::vector<std::size_t>* movedUps = nullptr)
{
    bool ended = false;
    std::size_t penUps = 0;
    ForEachSimplifiedNode(runs, [&](const PointNode& n, const PointNode* next) {
        if (ended || out.Failed()) return;
        if (n.kind == KIND_PEN_UP) {
            ++penUps;
            if (next && next->kind == KIND_PEN_UP) return;  // only the last of a run of pen-ups moves
            if (!next || next->kind == KIND_NONE) {
                ended = true;  // trailing pen-ups move nothing
                return;
            }
            if (movedUps) movedUps->push_back(penUps - 1);
            out.Take(PenMove::Up, map.Map(n));
        } else if (n.kind == KIND_PEN_DOWN) {
            out.Take(PenMove::Down, map.Map(n));
        } else {
            out.Take(PenMove::None);
        }
    });
    if (frameEnabled == 1) {
        out.Take(PenMove::Up, {map.H, 0});
        const std::int64_t corners[4][2] = {{map.H, map.W}, {0, map.W}, {0, 0}, {map.H, 0}};
        for (const auto& corner : corners) out.Take(PenMove::Down, {corner[0], corner[1]});
    }
    out.Take(PenMove::Up, {map.H, 0});
}

// The art object that the pen-up at each place of the working list begins.
// File order: one object per pen-up, after the object of leading pen-downs.
std::vector<std::size_t> PenUpOwners(const Job& job, const WorkingList& runs,
                                     const std::vector<std::size_t>& runObjects)
{
    std::vector<std::size_t> owners;
    if (runObjects.empty()) {
        const PointList& points = job.Points();
        auto firstPen =
            std::find_if(points.begin(), points.end(), [](const PointNode& n) { return n.kind != KIND_NONE; });
        std::size_t owner = firstPen != points.end() && firstPen->kind == KIND_PEN_DOWN ? 1 : 0;
        for (const PointNode& n : points)
            if (n.kind == KIND_PEN_UP) owners.push_back(owner++);
        return owners;
    }
    for (std::size_t r = 0; r < runs.size(); ++r)
        for (const PointNode* n = runs[r].begin; n != runs[r].end; ++n)
            if (n->kind == KIND_PEN_UP) owners.push_back(runObjects[r]);
    return owners;
}

// The layout from the pen-ups the writer wrote: those of the objects, then the
// frame's (when it is cut) and the final one.
void FillLayout(OutputLayout& layout, std::uint64_t headerBytes, const std::vector<std::uint64_t>& penUps,
                const std::vector<std::size_t>& movedUps, const std::vector<std::size_t>& owners,
                std::size_t firstRunObject, std::uint64_t totalBytes)
{
    layout = OutputLayout{};
    layout.headerBytes = headerBytes;
    layout.totalBytes = totalBytes;
    const std::size_t objectUps = movedUps.size();
    layout.tailStart = headerBytes + (objectUps < penUps.size() ? penUps[objectUps] : totalBytes - headerBytes);
    const bool leadingDowns = (objectUps == 0 ? layout.tailStart : headerBytes + penUps[0]) > headerBytes;
    if (leadingDowns) {
        layout.objectStarts.push_back(headerBytes);
        layout.artObjects.push_back(firstRunObject);
    }
    for (std::size_t i = 0; i < objectUps; ++i) {
        layout.objectStarts.push_back(headerBytes + penUps[i]);
        layout.artObjects.push_back(movedUps[i] < owners.size() ? owners[movedUps[i]] : kNoArtObject);
    }
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
                            BladeCompensator& compensator, OutputLayout* layout)
{
    if (!job.HasJob()) return OutputResult::NothingToCut;
    ObjectOrder orderHeld;
    std::vector<std::size_t> runObjects;
    const WorkingList runs = WorkingRuns(job, options, orderHeld, layout ? &runObjects : nullptr);
    if (!HasPenPoint(runs)) return OutputResult::NothingToCut;

    const CutterMapping map = MapForOutput(SimplifiedBox(runs), options);
    std::vector<std::uint64_t> penUps;
    std::vector<std::size_t> movedUps;

    sink.Write(dialect.initCommand);
    ParallelCommandOutput commands(dialect, sink,
                                   CommandFilter{options.compensate, options.bladeOffset, options.overCut}, compensator,
                                   layout ? &penUps : nullptr);
    WalkCommands(runs, map, options.frameEnabled, commands, layout ? &movedUps : nullptr);
    const std::uint64_t commandBytes = commands.Finish();
    sink.Write(dialect.trailer);
    sink.Write(std::string_view(kEndFiller, sizeof kEndFiller - 1));
    if (layout) {
        const std::uint64_t header = dialect.initCommand.size();
        FillLayout(*layout, header, penUps, movedUps, PenUpOwners(job, runs, runObjects),
                   runObjects.empty() ? 0 : runObjects.front(),
                   header + commandBytes + dialect.trailer.size() + (sizeof kEndFiller - 1));
    }
    return sink.Failed() ? OutputResult::WriteFailed : OutputResult::Written;
}

}  // namespace kerfmax
