#include "cli/GeometryOptions.h"

#include <charconv>
#include <filesystem>

#include "app/IniFile.h"
#include "platform/PathText.h"

namespace kerfmax::cli {

namespace {

constexpr std::size_t kLengthTextLimit = 9;  // what the window's edit boxes read
constexpr int kMaxMarginMillimetres = 10000;

// A length as the window would take it: a plain decimal number of millimetres
// that fits the nine characters the edit box is read with.
bool IsLengthText(const std::string& text)
{
    if (text.empty() || text.size() > kLengthTextLimit) return false;
    int digits = 0, points = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') ++digits;
        else if (c == '.') ++points;
        else return false;
    }
    return digits > 0 && points <= 1;
}

bool ParseWholeNumber(const std::string& text, int& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseMargins(const std::string& text, std::vector<int>& margins)
{
    margins.clear();
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int value = 0;
        if (!ParseWholeNumber(part, value) || value < 0 || value > kMaxMarginMillimetres) return false;
        margins.push_back(value);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return margins.size() == 4;
}

std::optional<Rotation> ParseRotation(const std::string& text)
{
    if (text == "0") return Rotation::None;
    if (text == "90") return Rotation::Quarter;
    if (text == "180") return Rotation::Half;
    if (text == "270") return Rotation::ThreeQuarter;
    return std::nullopt;
}

bool TakesValue(const std::string& option)
{
    return option == "--dialect" || option == "--blade-offset" || option == "--overcut" || option == "--order" ||
           option == "--rotate" || option == "--frame" || option == "--settings";
}

}  // namespace

GeometryOptionParser::Status GeometryOptionParser::Bad(const std::string& message)
{
    m_error = message;
    return Status::Bad;
}

GeometryOptionParser::Status GeometryOptionParser::Take(const Args& args, std::size_t& i)
{
    const std::string& option = args[i];
    if (option == "--mirror") {
        m_mirror = true;
        return Status::Taken;
    }
    if (option == "--no-blade-offset") {
        m_blade = std::optional<std::string>{};
        return Status::Taken;
    }
    if (!TakesValue(option)) return Status::NotMine;
    if (i + 1 >= args.size()) return Bad(option + " needs a value");
    const std::string& value = args[++i];
    if (option == "--dialect") {
        if (value == "hpgl") m_dialect = 1;
        else if (value == "dmpl") m_dialect = 2;
        else return Bad("--dialect takes hpgl or dmpl, not '" + value + "'");
    } else if (option == "--blade-offset" || option == "--overcut") {
        if (!IsLengthText(value))
            return Bad(option + " takes millimetres as a decimal number of at most 9 characters, not '" + value + "'");
        if (option == "--overcut") m_overCut = value;
        else m_blade = std::optional<std::string>{value};
    } else if (option == "--order") {
        if (value == "file") m_cutOrder = 0;
        else if (value == "reduce-feed") m_cutOrder = 1;
        else if (value == "inside-first") m_cutOrder = 2;
        else return Bad("--order takes file, reduce-feed or inside-first, not '" + value + "'");
    } else if (option == "--rotate") {
        m_rotation = ParseRotation(value);
        if (!m_rotation) return Bad("--rotate takes 0, 90, 180 or 270, not '" + value + "'");
    } else if (option == "--frame") {
        std::vector<int> margins;
        if (!ParseMargins(value, margins))
            return Bad("--frame takes four whole millimetres L,R,B,T (0 to 10000), not '" + value + "'");
        m_frame = margins;
    } else {
        m_settingsPath = value;
    }
    return Status::Taken;
}

bool GeometryOptionParser::Finish(GeometryOptions& out)
{
    out = GeometryOptions{};
    if (m_settingsPath) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(PathFromUtf8(*m_settingsPath), ec)) {
            m_error = "cannot read settings file '" + *m_settingsPath + "'";
            return false;
        }
        CIniFile ini(PathFromUtf8(*m_settingsPath));
        out.settings = ReadJobSettings(ini);
    }
    JobSettings& s = out.settings;
    const auto& table = ManufacturerTable();
    if (s.manufacturerRow < 0 || static_cast<std::size_t>(s.manufacturerRow) >= table.size() ||
        !DialectForCutterType(table[static_cast<std::size_t>(s.manufacturerRow)].cutterType, out.dialect)) {
        m_error = "Unknow Cutter type!";
        return false;
    }
    if (m_dialect) DialectForCutterType(*m_dialect, out.dialect);
    if (m_blade) {
        s.bladeOffsetOn = m_blade->has_value();
        if (*m_blade) s.bladeOffsetText = **m_blade;
    }
    if (m_overCut) {
        s.overCutOn = true;
        s.overCutText = *m_overCut;
    }
    if (m_cutOrder) s.cutOrder = *m_cutOrder;
    s.mirror = m_mirror;
    if (m_rotation) s.rotation = *m_rotation;
    if (m_frame) {
        s.frameEnabled = 1;
        s.marginLeft = (*m_frame)[0];
        s.marginRight = (*m_frame)[1];
        s.marginBottom = (*m_frame)[2];
        s.marginTop = (*m_frame)[3];
    }
    return true;
}

void ApplyPlacement(Job& job, const JobSettings& settings)
{
    if (settings.mirror) job.ToggleMirror();
    if (settings.rotation != Rotation::None) job.SetRotation(settings.rotation);
}

const char* GeometryOptionsHelp()
{
    return "  --dialect hpgl|dmpl       command language (default: hpgl, the shipped cutter)\n"
           "  --blade-offset MM         compensate a blade offset of MM millimetres (default 0.35)\n"
           "  --no-blade-offset         no blade-offset compensation\n"
           "  --overcut MM              cut MM millimetres past the end of each path (default: off)\n"
           "  --order file|reduce-feed|inside-first\n"
           "                            cutting order: as in the job file (default), Reduce Feed, or\n"
           "                            Inside First (what lies inside an outline is cut before it)\n"
           "  --mirror                  mirror the job (before any rotation)\n"
           "  --rotate 0|90|180|270     turn the job counter-clockwise by this many degrees\n"
           "  --frame L,R,B,T           cut a frame with these margins in whole millimetres\n"
           "                            (left, right, bottom, top)\n"
           "  --settings INI            start from this settings file instead of the defaults;\n"
           "                            the options above override it\n";
}

}  // namespace kerfmax::cli
