#pragma once
// Escaping values for writing into the document, and decoding character
// references when reading attribute values.
#include <string>
#include <string_view>

namespace kerfmax {

// "&" "<" ">" "\"" "'" as references; for attribute values in double quotes.
std::string EscapeAttributeValue(std::string_view value);
// "&" "<" ">" as references; line breaks and tabs stay as they are.
std::string EscapeText(std::string_view text);

// Decodes "&lt;" "&gt;" "&amp;" "&quot;" "&apos;", "&#N;", "&#xH;" and the
// HTML 4.01 names. A reference that names no character, or a number that is
// not a character (zero, a surrogate, beyond U+10FFFF), is kept as written.
std::string DecodeCharacterReferences(std::string_view text);

}  // namespace kerfmax
