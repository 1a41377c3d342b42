#include "run/ResumePoint.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "geometry/OutputSink.h"
#include "platform/FileOps.h"

namespace kerfmax {

std::size_t FirstUnconfirmedObject(const OutputLayout& layout, std::uint64_t confirmed)
{
    // Object k is held in full once the bytes reach where the next one begins.
    std::size_t held = 0;
    while (held < layout.ObjectCount() && layout.StartOf(held + 2) <= confirmed) ++held;
    return held + 1;
}

std::uint64_t WholeStreamBytes(const OutputLayout& layout, std::size_t from, std::uint64_t confirmed)
{
    if (from <= 1) return confirmed;
    const std::uint64_t start = layout.StartOf(from);
    return confirmed <= layout.headerBytes ? start : start + (confirmed - layout.headerBytes);
}

bool IsResumableObject(const OutputLayout& layout, std::size_t from)
{
    return from >= 1 && from <= layout.ObjectCount() + 1;
}

namespace {

// Reads the next `count` bytes of the file, handing them to the sink when one is given.
bool PassBytes(std::FILE* file, std::uint64_t count, OutputSink* sink)
{
    std::string block(64 * 1024, '\0');
    for (std::uint64_t left = count; left > 0;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
        if (std::fread(block.data(), 1, want, file) != want) return false;
        if (sink) {
            sink->Write(std::string_view(block.data(), want));
            if (sink->Failed()) return false;
        }
        left -= want;
    }
    return true;
}

}  // namespace

bool WriteResumedOutput(const std::filesystem::path& whole, const OutputLayout& layout, std::size_t from,
                        const std::filesystem::path& target, const std::atomic<int>* cancel, std::string* error)
{
    auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    if (!IsResumableObject(layout, from)) return fail("no such object");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(whole, "rb"), &std::fclose);
    if (!file) return fail(std::strerror(errno ? errno : ENOENT));
    std::error_code ec;
    // A stream that is not the one the layout was taken from would cut other points.
    if (std::filesystem::file_size(whole, ec) != layout.totalBytes || ec) return fail("the output file changed");
    FileSink sink(target, cancel);
    if (!sink.Open()) return fail(sink.Error());
    // Read straight through (no seeks): the header, the objects before `from` skipped, the rest.
    const std::uint64_t start = layout.StartOf(from);
    if (!PassBytes(file.get(), layout.headerBytes, &sink) ||
        !PassBytes(file.get(), start - layout.headerBytes, nullptr) ||
        !PassBytes(file.get(), layout.totalBytes - start, &sink))
        return fail(sink.Failed() ? sink.Error() : std::strerror(errno ? errno : EIO));
    if (!sink.Commit()) return fail(sink.Error());
    return true;
}

ResumeOffer MakeResumeOffer(const OutputLayout& layout, std::size_t from, std::uint64_t confirmedOfSent)
{
    ResumeOffer offer;
    offer.objectCount = layout.ObjectCount();
    offer.confirmedBytes = WholeStreamBytes(layout, from, confirmedOfSent);
    // Never before where the failed send began: what came before was confirmed by an earlier one.
    offer.firstUnconfirmed = std::max(from, FirstUnconfirmedObject(layout, offer.confirmedBytes));
    offer.artObjects = layout.artObjects;
    return offer;
}

}  // namespace kerfmax
