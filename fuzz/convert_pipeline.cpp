// The whole convert pipeline on arbitrary job text: load, optional mirror and
// rotation, then the output assembly plain and compensated into memory. The
// first three bytes choose the options; the rest is the job file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "app/JobSettings.h"
#include "cutter/Dialect.h"
#include "geometry/BladeCompensation.h"
#include "geometry/Job.h"
#include "geometry/OutputJob.h"
#include "geometry/OutputSink.h"

namespace {

using namespace kerfmax;

// Keeps one input well under a second: the text is short and every curve can
// flatten into tens of thousands of points, so curves are limited too.
constexpr std::size_t kMaxInput = 2048;
constexpr std::size_t kMaxCurves = 4;
constexpr std::size_t kOptionBytes = 3;

std::size_t Count(std::string_view text, std::string_view word)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) ++count;
    return count;
}

const std::string& JobPath()
{
    static const std::string path = "/tmp/kerfmax-fuzz-convert-" + std::to_string(getpid()) + ".hb";
    return path;
}

bool WriteJob(std::string_view text)
{
    std::FILE* file = std::fopen(JobPath().c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

JobSettings SettingsFrom(const std::uint8_t* options)
{
    JobSettings settings;
    settings.bladeOffsetOn = options[0] & 0x10;
    settings.overCutOn = options[0] & 0x20;
    settings.frameEnabled = (options[0] & 0x40) ? 1 : 0;
    settings.cutOrder = (options[0] & 0x80) ? 1 : 0;
    settings.bladeOffsetText = std::to_string(options[1] / 10.0);
    settings.overCutText = std::to_string(options[2] / 10.0);
    settings.marginLeft = options[1] % 7;
    settings.marginRight = options[2] % 5;
    return settings;
}

void CheckFraming(const std::string& out, const CutterDialect& dialect)
{
    const std::string end = dialect.trailer + kEndFiller;
    if (out.compare(0, dialect.initCommand.size(), dialect.initCommand) != 0) __builtin_trap();
    if (out.size() < end.size() || out.compare(out.size() - end.size(), end.size(), end) != 0) __builtin_trap();
}

void Assemble(Job& job, const JobSettings& settings, const CutterDialect& dialect)
{
    BladeCompensator compensator;
    StringSink sink;
    if (BuildOutputJob(job, OutputOptionsFor(settings), dialect, sink, compensator) == OutputResult::Written) {
        CheckFraming(sink.Text(), dialect);
        // Every path is finished by the final pen-up.
        if ((settings.bladeOffsetOn || settings.overCutOn) && compensator.PathOpen()) __builtin_trap();
    }
}

// The filter on arbitrary commands, hostile numbers included: every 9 bytes are
// a move and two 32-bit numbers scaled up to the 64-bit range.
void FilterRawCommands(std::string_view bytes, std::uint8_t option)
{
    BladeCompensator compensator;
    StringSink sink;
    CutterDialect dialect;
    dialect.SetLanguage(option & 1);
    PenCommandWriter writer(dialect, sink);
    CompensatorOutput registered(compensator, writer);
    for (std::size_t at = 0; at + 9 <= bytes.size(); at += 9) {
        std::int32_t first = 0, second = 0;
        std::memcpy(&first, bytes.data() + at + 1, 4);
        std::memcpy(&second, bytes.data() + at + 5, 4);
        const auto head = static_cast<unsigned char>(bytes[at]);
        const int shift = head >> 2 & 31;
        const PenCommand command{
            static_cast<PenMove>(head % 3),
            {std::int64_t{first} * (std::int64_t{1} << shift), std::int64_t{second} * (std::int64_t{1} << shift)}};
        compensator.Compensate(command, option % 50, option % 3 * 20);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kOptionBytes || size > kMaxInput) return 0;
    std::string_view text(reinterpret_cast<const char*>(data) + kOptionBytes, size - kOptionBytes);
    if (Count(text, "Z") > kMaxCurves) return 0;
    FilterRawCommands(text, data[1]);
    if (!WriteJob(text)) return 0;

    Job job;
    job.LoadJob(JobPath());
    if (!job.HasJob()) return 0;
    if (data[0] & 0x01) job.ToggleMirror();
    if (data[0] & 0x06) job.SetRotation(static_cast<Rotation>((data[0] >> 1) & 0x03));

    CutterDialect dialect;
    dialect.SetLanguage((data[0] & 0x08) ? 1 : 0);
    JobSettings settings = SettingsFrom(data);
    Assemble(job, settings, dialect);
    settings.bladeOffsetOn = settings.overCutOn = false;
    Assemble(job, settings, dialect);
    return 0;
}
