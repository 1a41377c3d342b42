#pragma once
// Sending a job again from one object on, after a send that stopped part way:
// which object the link had not confirmed in full, and the stream that sends
// the job from there (the header, the whole stream's bytes from that object on,
// the tail), cut out of the whole stream so every point is the one it had.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "geometry/OutputLayout.h"

namespace kerfmax {

// What a send that failed leaves for the next one. Objects are numbered from 1
// in the order the stream cuts them; objectCount + 1 stands for the tail alone
// (the frame and the end of the job).
struct ResumeOffer {
    std::size_t objectCount = 0;
    std::size_t firstUnconfirmed = 1;
    std::uint64_t confirmedBytes = 0;  // of the whole stream
    std::vector<std::size_t> artObjects;  // per object: its art object, or kNoArtObject
};

// The first object that `confirmed` bytes of the whole stream do not hold in full.
std::size_t FirstUnconfirmedObject(const OutputLayout& layout, std::uint64_t confirmed);

// The bytes of the whole stream that `confirmed` bytes of the stream resumed
// from object `from` stand for (its header stands for nothing).
std::uint64_t WholeStreamBytes(const OutputLayout& layout, std::size_t from, std::uint64_t confirmed);

// True for the objects a send can start from: 1 to objectCount + 1.
bool IsResumableObject(const OutputLayout& layout, std::size_t from);

// Writes the stream resumed from object `from` to target, read from the whole
// stream at `whole` (target may be the same file: it is replaced whole, or not
// at all). False with *error when a file fails or does not match the layout.
bool WriteResumedOutput(const std::filesystem::path& whole, const OutputLayout& layout, std::size_t from,
                        const std::filesystem::path& target, const std::atomic<int>* cancel, std::string* error);

ResumeOffer MakeResumeOffer(const OutputLayout& layout, std::size_t from, std::uint64_t confirmedOfSent);

}  // namespace kerfmax
