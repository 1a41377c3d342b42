#pragma once
// The two cutter command languages and the manufacturer table. The output
// assembly reads the command texts from here; the cutter object carries one.
#include <array>
#include <cstdint>
#include <string>

namespace kerfmax {

// Closes every output file in both dialects: 19 at signs and a semicolon.
inline constexpr char kEndFiller[] = "@@@@@@@@@@@@@@@@@@@;";

struct CutterDialect {
    std::int32_t isHpgl = 1;
    std::int32_t isDmpl = 0;
    std::string initCommand = "IN;SP1;";
    std::string penUpFormat = "PU%ld,%ld;";
    std::string penDownFormat = "PD%ld,%ld;";
    std::string trailer = "PG;";
    // The assembly exchanges the two coordinates of every point; always set.
    std::uint8_t swapAxes = 1;

    // 1 selects DMPL, any other value HPGL. Returns 0.
    int SetLanguage(int language);
    int IsDmpl() const { return isDmpl; }

    // "PU%ld,%ld;" / "PD%ld,%ld;" (or the DMPL forms) applied to two coordinates.
    std::string FormatPenUp(long first, long second) const;
    std::string FormatPenDown(long first, long second) const;
};

// One manufacturer row.
struct CutterDevice {
    const char* englishLabel;
    const char* chineseLabel;
    const char* seriesLabel;
    std::int32_t cutterType;   // 1 HPGL, 2 DMPL
};

inline constexpr int kDefaultManufacturerRow = 3;
const std::array<CutterDevice, 4>& ManufacturerTable();

// The dialect a cutter of this type speaks; false for an unknown type.
bool DialectForCutterType(std::int32_t cutterType, CutterDialect& dialect);

// Formats one pen command: "%ld,%ld" after the dialect's letters.
std::string FormatPenCommand(const std::string& format, long first, long second);

}  // namespace kerfmax
