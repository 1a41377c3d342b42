#pragma once
// Pen nodes and job records as short text, so that a case's input and its
// expected result read side by side: "U0,0 D10,0 N0,0" is a pen-up, a pen-down
// and a placeholder; a curve record is "B" and its six values.
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

#include "geometry/PathTypes.h"

namespace kerfmax::test {

inline std::string KindText(std::int32_t kind)
{
    switch (kind) {
    case KIND_PEN_UP: return "U";
    case KIND_PEN_DOWN: return "D";
    case KIND_BEZIER: return "B";
    case KIND_NONE: return "N";
    default: return "?" + std::to_string(kind);
    }
}

inline std::string NodesText(PointSpan points)
{
    std::string out;
    for (const PointNode& n : points)
        out += (out.empty() ? "" : " ") + KindText(n.kind) + std::to_string(n.x) + "," + std::to_string(n.y);
    return out;
}

inline std::string RecordsText(const PathList& paths)
{
    std::string out;
    for (const PathRecord& r : paths) {
        out += (out.empty() ? "" : " ") + KindText(r.kind);
        for (int k = 0; k < (r.kind == KIND_BEZIER ? 6 : 2); ++k) out += (k ? "," : "") + std::to_string(r.points[k]);
    }
    return out;
}

// The reverse of NodesText; a bare "N" is a placeholder at (0, 0).
inline PointList NodesFrom(std::string_view text)
{
    PointList points;
    std::istringstream words{std::string(text)};
    for (std::string word; words >> word;) {
        PointNode& n = points.emplace_back();
        n.kind = word[0] == 'U' ? KIND_PEN_UP : word[0] == 'D' ? KIND_PEN_DOWN : KIND_NONE;
        std::sscanf(word.c_str() + 1, "%d,%d", &n.x, &n.y);
    }
    return points;
}

}  // namespace kerfmax::test
