#pragma once
// The toolkit's own command-line options ("-platform offscreen", "-style
// fusion", ...) are read by the toolkit; they are neither switches of ours
// nor words of the job path.
#include <string>
#include <vector>

namespace kerfmax::gui {

std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& words);

}  // namespace kerfmax::gui
