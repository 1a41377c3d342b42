// Redrawing the preview after a wheel notch or a drag: the picture built from
// the job's points for the view and painted into the 390 x 423 pixel buffer of
// the main window, fitted and zoomed, for 10^5 and 10^6 points.
#include <benchmark/benchmark.h>

#include <QImage>

#include "geometry/Job.h"
#include "geometry/PreviewGeometry.h"
#include "gui/PreviewArea.h"
#include "support/JobGenerator.h"

namespace {

using namespace kerfmax;

constexpr int kWidth = 390;
constexpr int kHeight = 423;

void BM_RedrawPreview(benchmark::State& state)
{
    Job job;
    job.LoadJobText(kerfmax::bench::MixedJob(static_cast<std::size_t>(state.range(0)), 3));
    const double zoom = static_cast<double>(state.range(1));
    const PreviewView view = zoom == 1 ? PreviewView{} : PreviewView{}.ZoomedAt(zoom, kWidth / 2.0, kHeight / 2.0);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    std::size_t lines = 0;
    for (auto _ : state) {
        const PreviewPicture picture = BuildPreview(job.Points(), job.Box(), PreviewFrame{}, kWidth, kHeight, view);
        gui::DrawPreviewImage(image, picture, !view.IsFitted());
        lines = picture.paths.size();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["polylines"] = static_cast<double>(lines);
}
BENCHMARK(BM_RedrawPreview)
    ->ArgsProduct({{100000, 1000000}, {1, 4, 64}})
    ->ArgNames({"points", "zoom"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
