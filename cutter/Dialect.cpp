#include "cutter/Dialect.h"

namespace kerfmax {

int CutterDialect::SetLanguage(int language)
{
    if (language == 1) {
        isHpgl = 0;
        isDmpl = 1;
        initCommand = ";:H A L0 ECN U U0,0;";
        penUpFormat = "U%ld,%ld;";
        penDownFormat = "D%ld,%ld;";
        trailer = "@ ";
    } else {
        isHpgl = 1;
        isDmpl = 0;
        initCommand = "IN;SP1;";
        penUpFormat = "PU%ld,%ld;";
        penDownFormat = "PD%ld,%ld;";
        trailer = "PG;";
    }
    return 0;
}

const std::array<CutterDevice, 4>& ManufacturerTable()
{
    static const std::array<CutterDevice, 4> table = {{
        {"Norvel", "Norvel刻字机", "HPGL-Series", 1},
        {"Sarkon", "Sarkon刻字机", "DMPL-Series", 2},
        {"Obrant", "Obrant智能刻字机", "DMPL-Series", 2},
        {"Elvoma", "Elvoma刻字机", "HPGL-Series", 1},
    }};
    return table;
}

bool DialectForCutterType(std::int32_t cutterType, CutterDialect& dialect)
{
    if (cutterType != 1 && cutterType != 2) return false;
    dialect = CutterDialect{};
    if (cutterType == 2) dialect.SetLanguage(1);
    return true;
}

}  // namespace kerfmax
