#pragma once
// The two cutter command languages and the manufacturer table. The output
// assembly reads the command texts from here; the cutter object carries one.
#include <array>
#include <cstdint>
#include <string>

#include "geometry/OutputOptions.h"

namespace kerfmax {

// The command texts (HPGL after construction) and the language flags.
struct CutterDialect : CommandTexts {
    std::int32_t isHpgl = 1;
    // The assembly exchanges the two coordinates of every point; always set.
    std::uint8_t swapAxes = 1;

    // 1 selects DMPL, any other value HPGL. Returns 0.
    int SetLanguage(int language);
    int IsDmpl() const { return isDmpl; }
};

// One manufacturer row.
struct CutterDevice {
    const char* englishLabel;
    const char* chineseLabel;
    const char* seriesLabel;
    std::int32_t cutterType;  // 1 HPGL, 2 DMPL
};

inline constexpr int kDefaultManufacturerRow = 3;
const std::array<CutterDevice, 4>& ManufacturerTable();

// The dialect a cutter of this type speaks; false for an unknown type.
bool DialectForCutterType(std::int32_t cutterType, CutterDialect& dialect);

}  // namespace kerfmax
