#pragma once
// UTF-8 helpers for the document text.
#include <cstddef>
#include <string>
#include <string_view>

namespace kerfmax {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends the code point; surrogates and values beyond U+10FFFF are refused.
bool AppendUtf8(std::string& out, char32_t codePoint);

// Reads one code point at *pos and advances past it. A malformed sequence
// yields false and advances by one byte.
bool NextUtf8(std::string_view text, std::size_t* pos, char32_t* codePoint);

bool IsValidUtf8(std::string_view text);

}  // namespace kerfmax
