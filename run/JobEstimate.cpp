#include "run/JobEstimate.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "app/ViewTexts.h"
#include "cutter/Dialect.h"
#include "geometry/PathLengths.h"
#include "geometry/OutputJob.h"
#include "geometry/OutputSink.h"

namespace kerfmax {

namespace {

constexpr double kUnitsPerMetre = 40'000;
constexpr std::int64_t kUnitsPerMm = 40;

CutterDialect DialectOf(const JobSettings& settings)
{
    CutterDialect dialect;
    const auto& table = ManufacturerTable();
    if (settings.manufacturerRow >= 0 && static_cast<std::size_t>(settings.manufacturerRow) < table.size())
        DialectForCutterType(table[static_cast<std::size_t>(settings.manufacturerRow)].cutterType, dialect);
    return dialect;
}

// Where the frame puts the job and how large the cut area is, in job units.
struct Area {
    std::int64_t offX = 0, offY = 0, width = 0, height = 0;
};

Area AreaOf(const Job& job, const JobSettings& s)
{
    const BoundBox& box = job.Box();
    Area area{0, 0, std::int64_t{box.xMax} - box.xMin, std::int64_t{box.yMax} - box.yMin};
    if (s.frameEnabled == 1) {
        area.offX = kUnitsPerMm * s.marginBottom;
        area.offY = kUnitsPerMm * s.marginLeft;
        area.width += kUnitsPerMm * (std::int64_t{s.marginTop} + s.marginBottom);
        area.height += kUnitsPerMm * (std::int64_t{s.marginLeft} + s.marginRight);
    }
    return area;
}

// Counts what the assembly writes, and keeps nothing.
class CountingSink final : public OutputSink {
public:
    explicit CountingSink(const std::atomic<bool>* cancel) : m_cancel(cancel) {}
    void Write(std::string_view bytes) override { m_bytes += bytes.size(); }
    bool Failed() const override { return m_cancel != nullptr && m_cancel->load(); }
    std::uint64_t Bytes() const { return m_bytes; }

private:
    const std::atomic<bool>* m_cancel;
    std::uint64_t m_bytes = 0;
};

}  // namespace

double LinkBytesPerSecond(std::int32_t linkType)
{
    switch (linkType) {
    case LINK_NETWORK: return kNetworkBytesPerSecond;
    case LINK_USB:
    case LINK_VCOM: return kUsbBytesPerSecond;
    default: return kSerialBytesPerSecond;
    }
}

JobEstimate EstimateJob(const Job& job, const JobSettings& settings, std::int32_t linkType)
{
    return EstimateJob(job, settings, linkType, CommandStreamBytes(job, settings));
}

JobEstimate EstimateJob(const Job& job, const JobSettings& settings, std::int32_t linkType, std::uint64_t commandBytes)
{
    JobEstimate e;
    e.linkType = linkType;
    e.bytesPerSecond = LinkBytesPerSecond(linkType);
    e.speed = settings.cuttingSpeed > 0 ? settings.cuttingSpeed : settings::kDefaultCuttingSpeed;
    if (!job.HasJob()) return e;
    const Area area = AreaOf(job, settings);
    const BoundBox& box = job.Box();
    // The cutter starts at its origin, the job's lower right corner, and parks
    // at the upper right one (with the frame, the corners of the frame).
    const auto corner = [&](std::int64_t cutterFirst) {
        return Point{static_cast<std::int32_t>(box.xMin + area.width - area.offX),
                     static_cast<std::int32_t>(box.yMin + cutterFirst - area.offY)};
    };
    const PathLengths lengths = MeasurePaths(job.Points(), corner(0), corner(area.height));
    double cutUnits = lengths.cutUnits;
    if (settings.frameEnabled == 1) cutUnits += 2.0 * static_cast<double>(area.width + area.height);
    e.cutMetres = cutUnits / kUnitsPerMetre;
    e.travelMetres = lengths.travelUnits / kUnitsPerMetre;
    e.objects = lengths.objects;
    e.commandBytes = commandBytes;
    e.transferSeconds = static_cast<double>(e.commandBytes) / e.bytesPerSecond;
    e.cuttingSeconds = (e.cutMetres + e.travelMetres) * 1000.0 / e.speed;
    return e;
}

std::uint64_t CommandStreamBytes(const Job& job, const JobSettings& settings, const std::atomic<bool>* cancel)
{
    CountingSink counter(cancel);
    // A compensator of its own: counting must not move the run's compensation state.
    BladeCompensator compensator;
    BuildOutputJob(job, OutputOptionsFor(settings), DialectOf(settings), counter, compensator);
    return counter.Bytes();
}

StreamSizeCache::~StreamSizeCache()
{
    StopCounting();
}

void StreamSizeCache::StopCounting()
{
    m_cancel = true;
    if (m_thread.joinable()) m_thread.join();
    m_cancel = false;
}

std::optional<std::uint64_t> StreamSizeCache::BytesFor(const Job& job, const JobSettings& settings,
                                                       std::function<void()> counted)
{
    const Key key{&job,
                  job.Points().size(),
                  job.Box(),
                  job.Mirrored(),
                  job.CurrentRotation(),
                  OutputOptionsFor(settings),
                  settings.manufacturerRow};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_key && Same(*m_key, key)) return m_bytes;
    }
    StopCounting();  // a count of an older job or setting is not wanted any more
    std::lock_guard<std::mutex> lock(m_mutex);
    m_key = key;
    if (!counted || job.Points().size() <= kCountInlineUpTo) {
        m_bytes = CommandStreamBytes(job, settings);
        return m_bytes;
    }
    m_bytes.reset();
    auto copy = std::make_shared<const Job>(job);
    m_thread = std::thread([this, copy, settings, counted = std::move(counted)] {
        const std::uint64_t bytes = CommandStreamBytes(*copy, settings, &m_cancel);
        if (m_cancel) return;
        {
            std::lock_guard<std::mutex> hold(m_mutex);
            m_bytes = bytes;
        }
        counted();
    });
    return std::nullopt;
}

bool StreamSizeCache::Same(const Key& a, const Key& b)
{
    const OutputOptions &x = a.options, &y = b.options;
    const bool sameOptions =
        x.cutOrder == y.cutOrder && x.compensate == y.compensate && x.bladeOffset == y.bladeOffset &&
        x.overCut == y.overCut && x.frameEnabled == y.frameEnabled && x.marginLeft == y.marginLeft &&
        x.marginRight == y.marginRight && x.marginBottom == y.marginBottom && x.marginTop == y.marginTop;
    return sameOptions && a.job == b.job && a.points == b.points && a.box == b.box && a.mirrored == b.mirrored &&
           a.rotation == b.rotation && a.manufacturerRow == b.manufacturerRow;
}

std::string DurationText(double seconds)
{
    const long long total = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds) : 0;
    char text[48];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    else std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

namespace {

std::string Metres(double metres)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", metres);
    return text;
}

ViewTextId LinkName(std::int32_t linkType)
{
    switch (linkType) {
    case LINK_NETWORK: return ViewTextId::LinkNetwork;
    case LINK_USB:
    case LINK_VCOM: return ViewTextId::LinkUsb;
    default: return ViewTextId::LinkSerial;
    }
}

}  // namespace

std::string EstimateLineText(const JobEstimate& e, int language)
{
    return FillText(ViewText(ViewTextId::EstimateLine, language),
                    {Metres(e.cutMetres), Metres(e.travelMetres), std::to_string(e.objects), DurationText(e.Seconds()),
                     std::to_string(e.speed)});
}

std::string EstimateDetailText(const JobEstimate& e, int language)
{
    return FillText(ViewText(ViewTextId::EstimateDetail, language),
                    {DurationText(e.transferSeconds), std::to_string(e.commandBytes),
                     ViewText(LinkName(e.linkType), language), std::to_string(static_cast<long long>(e.bytesPerSecond)),
                     DurationText(e.cuttingSeconds), std::to_string(e.speed)});
}

}  // namespace kerfmax
