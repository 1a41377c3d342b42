#pragma once
// Builds the element index of a document text. It never rejects a text: what
// cannot be read is logged and passed over, and the parse goes on.
#include <string_view>

#include "xml/XmlElementIndex.h"
#include "xml/XmlResultLog.h"

namespace kerfmax {

// Returns true when nothing had to be passed over and there is exactly one root.
bool ParseXmlText(std::string_view text, XmlElementIndex* index, XmlResultLog* log);

}  // namespace kerfmax
