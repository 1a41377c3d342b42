#pragma once
// Generated job files for benchmarks (and any test that needs a big job).
// Every function returns the text of a job data file, records ended by ";" and a
// line break, closed by "SP0;". The same arguments always give the same text.
//
//   MixedJob(points, seed)    about `points` flattened points: closed paths of
//                             pen-downs with Bezier corners, scattered over a sheet
//   ShapeGrid(objects, seed)  `objects` small closed shapes (squares, triangles,
//                             curved blobs) in a square grid
//   LetterBand(objects, seed) `objects` letter-sized outlines in one long row whose
//                             tops all lie within 5 mm (200 units) of each other
//   FlattenedPointCount(text) the number of pen points the job flattens into
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace kerfmax::bench {

namespace detail {

class JobWriter {
public:
    void PenUp(std::int64_t x, std::int64_t y) { Pen("PU", x, y); m_x = x; m_y = y; ++m_points; }
    void PenDown(std::int64_t x, std::int64_t y) { Pen("PD", x, y); m_x = x; m_y = y; ++m_points; }
    void Bezier(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t x3, std::int64_t y3) {
        m_text += "BZ" + std::to_string(x1) + "," + std::to_string(y1) + "," + std::to_string(x2) + "," +
                  std::to_string(y2) + "," + std::to_string(x3) + "," + std::to_string(y3) + ";\r\n";
        const double dx = double(x3 - m_x), dy = double(y3 - m_y);
        const auto n = static_cast<std::size_t>(std::sqrt(std::sqrt(dx * dx + dy * dy)));
        if (n > 0) m_points += n + 1;
        m_x = x3;
        m_y = y3;
    }
    std::size_t Points() const { return m_points; }
    std::string Finish() { return std::move(m_text) + "SP0;\r\n"; }

private:
    void Pen(const char* code, std::int64_t x, std::int64_t y) {
        m_text += code;
        m_text += std::to_string(x) + "," + std::to_string(y) + ";\r\n";
    }
    std::string m_text;
    std::size_t m_points = 0;
    std::int64_t m_x = 0, m_y = 0;
};

// A closed outline of `corners` points around (cx, cy), one side made a Bezier
// when `curved`.
inline void Outline(JobWriter& w, std::mt19937& rng, std::int64_t cx, std::int64_t cy, std::int64_t radius,
                    int corners, bool curved) {
    std::uniform_int_distribution<int> jitter(0, int(radius / 4) + 1);
    const double pi = 3.14159265358979;
    std::int64_t firstX = 0, firstY = 0;
    for (int k = 0; k < corners; ++k) {
        const double a = 2 * pi * k / corners;
        const std::int64_t x = cx + std::int64_t(std::cos(a) * double(radius)) + jitter(rng);
        const std::int64_t y = cy + std::int64_t(std::sin(a) * double(radius)) + jitter(rng);
        if (k == 0) {
            w.PenUp(x, y);
            firstX = x;
            firstY = y;
        } else {
            w.PenDown(x, y);
        }
    }
    if (curved) {
        w.Bezier(cx + radius, cy - radius, cx + radius, cy - radius / 2, firstX, firstY);
    } else {
        w.PenDown(firstX, firstY);
    }
}

}  // namespace detail

inline std::string MixedJob(std::size_t points, std::uint32_t seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int64_t> position(0, 400000);   // a 10 m x 10 m sheet
    std::uniform_int_distribution<int> corners(4, 40);
    std::uniform_int_distribution<std::int64_t> radius(100, 4000);
    detail::JobWriter w;
    while (w.Points() < points) {
        detail::Outline(w, rng, position(rng), position(rng), radius(rng), corners(rng), rng() % 3 == 0);
    }
    return w.Finish();
}

inline std::string ShapeGrid(std::size_t objects, std::uint32_t seed = 1) {
    std::mt19937 rng(seed);
    const auto side = static_cast<std::size_t>(std::ceil(std::sqrt(double(objects))));
    detail::JobWriter w;
    for (std::size_t i = 0; i < objects; ++i) {
        const std::int64_t cx = std::int64_t(i % side) * 400, cy = std::int64_t(i / side) * 400;
        detail::Outline(w, rng, cx, cy, 120, 3 + int(rng() % 3), rng() % 4 == 0);
    }
    return w.Finish();
}

inline std::string LetterBand(std::size_t objects, std::uint32_t seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int64_t> rise(0, 40);   // tops within 5 mm
    std::uniform_int_distribution<int> corners(5, 12);
    detail::JobWriter w;
    for (std::size_t i = 0; i < objects; ++i) {
        const std::int64_t cx = std::int64_t(i) * 130;
        detail::Outline(w, rng, cx, 100 + rise(rng), 60, corners(rng), rng() % 2 == 0);
    }
    return w.Finish();
}

}  // namespace kerfmax::bench
