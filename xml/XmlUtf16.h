#pragma once
// UTF-16 (either byte order) to and from UTF-8, done here rather than through
// the code-page layer so that it behaves the same on every platform.
#include <cstddef>
#include <string>
#include <string_view>

namespace kerfmax {

// Unpaired surrogates are kept in the three-byte form of their number, which
// Utf8ToUtf16 turns back into the same unit. An odd last byte is ignored; the
// caller keeps it. Returns how many units were replaced (none at present).
std::size_t Utf16ToUtf8(std::string_view bytes, bool bigEndian, std::string* out);

// Malformed UTF-8 bytes become U+FFFD; returns how many were replaced.
// The three-byte form of a lone surrogate gives that unit.
std::size_t Utf8ToUtf16(std::string_view text, bool bigEndian, std::string* out);

}  // namespace kerfmax
