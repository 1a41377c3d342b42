#pragma once
// The named character references of HTML 4.01, plus "apos" (253 names).
#include <cstddef>
#include <string_view>

namespace kerfmax {

// Finds the code point of a reference name (without '&' and ';'), case-sensitively.
bool LookupNamedEntity(std::string_view name, char32_t* codePoint);

std::size_t NamedEntityCount();

}  // namespace kerfmax
