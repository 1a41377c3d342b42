// XML document on a generated 10 MB workspace file: load, the toolbar add
// edit and save (target under 200 ms), and parse throughput against pugixml
// on the same bytes (target: within 3x).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "host/ToolbarEdit.h"
#include "platform/AtomicFile.h"
#include "xml/XmlDocument.h"

#ifdef KERFMAX_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

using kerfmax::XmlDocument;

constexpr const char* kHostToolbarGuid = "7c905e2a-cb64-4ba1-aff0-c306f392680c";

std::string Guid(std::size_t n)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%08zx-1111-4222-8333-%012zx", n * 2654435761u % 0xFFFFFFFFu, n);
    return buffer;
}

// Nested elements with attributes, tab-indented, as a host user-interface
// workspace is written; the host toolbar sits in the middle of the bars.
std::string WorkspaceXml(std::size_t targetBytes)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<uiConfig version=\"21\">\r\n\t<frame>\r\n";
    for (int bar = 0; bar < 6; ++bar) {
        out += "\t\t<dockBar position=\"" + std::string(bar == 4 ? "float" : "top") + "\">\r\n\t\t\t<cmdBarLane>\r\n";
        for (int i = 0; i < 20; ++i)
            out += "\t\t\t\t<commandBar guidRef=\"" + Guid(bar * 100 + i) +
                   "\" floatX=\"0\" floatY=\"0\" visible=\"true\"/>\r\n";
        out += "\t\t\t</cmdBarLane>\r\n\t\t</dockBar>\r\n";
    }
    out += "\t</frame>\r\n\t<commandBars>\r\n";
    const std::size_t barsBytes = targetBytes / 2;
    for (std::size_t n = 0; out.size() < barsBytes; ++n) {
        const std::string guid = n == 500 ? kHostToolbarGuid : Guid(n);
        out += "\t\t<commandBarData guid=\"" + guid + "\" type=\"toolbar\" nonLocalizableName=\"Bar " +
               std::to_string(n) + "\" userCaption=\"Bar &amp; tools\">\r\n\t\t\t<toolbar>\r\n";
        for (int i = 0; i < 8; ++i) out += "\t\t\t\t<item guidRef=\"" + Guid(n * 8 + i) + "\" dynamic=\"false\"/>\r\n";
        out += "\t\t\t</toolbar>\r\n\t\t</commandBarData>\r\n";
    }
    out += "\t</commandBars>\r\n\t<items>\r\n";
    for (std::size_t n = 0; out.size() < targetBytes; ++n) {
        out += "\t\t<itemData guid=\"" + Guid(n) + "\" type=\"button\" dynamicCommand=\"Macro.Module.Run" +
               std::to_string(n) +
               "\" userCaption=\"Run &#x41;\">\r\n"
               "\t\t\t<!-- generated -->\r\n\t\t\t<userSmallBitmap "
               "dt:dt=\"bin.base64\">QUJDREVGR0hJSktMTU5PUA==</userSmallBitmap>\r\n"
               "\t\t</itemData>\r\n";
    }
    out += "\t</items>\r\n</uiConfig>\r\n";
    return out;
}

const std::string& Workspace()
{
    static const std::string bytes = WorkspaceXml(10 * 1024 * 1024);
    return bytes;
}

// The toolbar part of the add edit: the command goes to the front of the host
// toolbar and the program's own bar definition follows it.
void AddToolbar(XmlDocument& doc)
{
    doc.FindSibling("uiConfig");
    doc.EnterElement();
    doc.FindSibling("commandBars");
    doc.EnterElement();
    while (doc.FindSibling("commandBarData") && doc.GetAttribute("guid") != kHostToolbarGuid) {}
    doc.EnterElement();
    doc.FindSibling("toolbar");
    doc.EnterElement();
    doc.InsertElement("item");
    doc.SetAttribute("guidRef", "266435b4-6e53-460f-9fa7-f45be187d400");
    doc.InsertElement("item");
    doc.SetAttribute("guidRef", "ee9b5e83-7350-4d6b-b8f3-5fb960bbae51");
    doc.LeaveElement();
    doc.LeaveElement();
    doc.AppendElement("commandBarData");
    doc.SetAttribute("guid", "f0a66e00-ca51-42b9-b33f-af700510b514");
    doc.SetAttribute("type", "toolbar");
    doc.SetAttribute("nonLocalizableName", "Kerfmax");
    doc.SetAttribute("userCaption", "Kerfmax");
    doc.SetAttribute("userCreated", "true");
    doc.EnterElement();
    doc.AppendElement("toolbar");
    doc.EnterElement();
    doc.InsertElement("item");
    doc.SetAttribute("guidRef", "ee9b5e83-7350-4d6b-b8f3-5fb960bbae51");
}

double PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_LoadAddEditSave(benchmark::State& state)
{
    const auto folder = std::filesystem::temp_directory_path() / ("kerfmax-xml-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto source = folder / "source.xml";
    const auto target = folder / "workspace.xml";
    kerfmax::WriteFileAtomically(source, Workspace());
    for (auto _ : state) {
        XmlDocument doc;
        doc.LoadFile(source);
        AddToolbar(doc);
        if (!doc.SaveFile(target)) state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Workspace().size()));
    state.counters["file_MB"] = static_cast<double>(Workspace().size()) / (1024.0 * 1024.0);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadAddEditSave)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A workspace registered `copies` times: as many dock entries, command items
// with their second items in the host toolbar, own toolbar definitions and
// command declarations. Removal takes them all out in one pass (target:
// linear in the copies).
std::string RegisteredManyTimes(int copies)
{
    const std::string toolbar = "f0a66e00-ca51-42b9-b33f-af700510b514";
    const std::string item = "ee9b5e83-7350-4d6b-b8f3-5fb960bbae51";
    const std::string second = "266435b4-6e53-460f-9fa7-f45be187d400";
    std::string out =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<uiConfig>\r\n<frame>\r\n"
        "<dockBar position=\"float\">\r\n<cmdBarLane>\r\n";
    for (int i = 0; i < copies; ++i)
        out += "<commandBar guidRef=\"" + toolbar + "\" floatX=\"200\" floatY=\"200\" visible=\"true\"/>\r\n";
    out += "</cmdBarLane>\r\n</dockBar>\r\n</frame>\r\n<commandBars>\r\n<commandBarData guid=\"" +
           std::string(kHostToolbarGuid) + "\">\r\n<toolbar>\r\n";
    for (int i = 0; i < copies; ++i)
        out += "<item guidRef=\"" + item + "\"/>\r\n<item guidRef=\"" + second + "\"/>\r\n";
    out += "<item guidRef=\"host\"/>\r\n</toolbar>\r\n</commandBarData>\r\n";
    for (int i = 0; i < copies; ++i)
        out += "<commandBarData guid=\"" + toolbar +
               "\" type=\"toolbar\" nonLocalizableName=\"Kerfmax\" userCaption=\"Kerfmax\" userCreated=\"true\">"
               "\r\n<toolbar>\r\n<item guidRef=\"" +
               item + "\"/>\r\n</toolbar>\r\n</commandBarData>\r\n";
    out += "</commandBars>\r\n<items>\r\n";
    for (int i = 0; i < copies; ++i)
        out += "<itemData guid=\"" + item + "\" dynamicCommand=\"Kerfmax.Cutter.Cutting\" icon=\"x\"/>\r\n";
    out += "</items>\r\n</uiConfig>\r\n";
    return out;
}

void BM_RemoveStaleCopies(benchmark::State& state)
{
    const std::string xml = RegisteredManyTimes(static_cast<int>(state.range(0)));
    std::size_t savedSize = 0;
    for (auto _ : state) {
        state.PauseTiming();
        XmlDocument doc;
        doc.LoadFromBytes(xml);
        state.ResumeTiming();
        kerfmax::RemoveToolbarEntries(doc);
        std::string saved;
        doc.SaveToBytes(saved);
        savedSize = saved.size();
    }
    if (savedSize != RegisteredManyTimes(0).size()) state.SkipWithError("entries left behind");
    state.counters["file_MB"] = static_cast<double>(xml.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_RemoveStaleCopies)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

#ifdef KERFMAX_HAVE_PUGIXML
double PugixmlSecondsPerParse()
{
    static const double seconds = [] {
        const int runs = 10;
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 0; i < runs; ++i) {
            pugi::xml_document doc;
            benchmark::DoNotOptimize(doc.load_buffer(Workspace().data(), Workspace().size()));
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() / runs;
    }();
    return seconds;
}
#endif

void BM_ParseKerfmax(benchmark::State& state)
{
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        XmlDocument doc;
        benchmark::DoNotOptimize(doc.LoadFromBytes(Workspace()));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() /
                           static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Workspace().size()));
#ifdef KERFMAX_HAVE_PUGIXML
    // How many times longer our parse takes than pugixml's on the same bytes.
    state.counters["time_vs_pugixml"] = seconds / PugixmlSecondsPerParse();
#else
    (void)seconds;
#endif
}
BENCHMARK(BM_ParseKerfmax)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#ifdef KERFMAX_HAVE_PUGIXML
void BM_ParsePugixml(benchmark::State& state)
{
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(Workspace().data(), Workspace().size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Workspace().size()));
}
BENCHMARK(BM_ParsePugixml)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

}  // namespace

// Large blocks from the heap and kept there: otherwise every iteration of
// either parser pays the machine's page faults for fresh 10 MB buffers, and
// the comparison measures the virtual machine rather than the parsers.
int main(int argc, char** argv)
{
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
