// Text measuring, subtitle rendering and the preview, warm.
#include <benchmark/benchmark.h>

#include "app/TForm1.h"
#include "render/PreviewPictures.h"
#include "render/Renderer.h"
#include "render/TextEngine.h"
#include "support/FakeUi.h"

namespace glyphon {
namespace {

const FontSpec kArial20{"Arial", 20, 1, 0};

void BM_MeasureLine40Chars(benchmark::State& state) {
    auto engine = CreateFreeTypeEngine();
    const std::string line = "The harbour of Rethymno at noon, Crete.!";  // 40 characters
    engine->MeasureLine(line, kArial20);
    for (auto _ : state) benchmark::DoNotOptimize(engine->MeasureLine(line, kArial20));
}
BENCHMARK(BM_MeasureLine40Chars);

void BM_RenderSubtitleTwoLines(benchmark::State& state) {
    auto engine = CreateFreeTypeEngine();
    test::FakeUi ui;
    TForm1 form(ui, *engine, AppEnvironment{});
    for (auto _ : state) {
        form.RenderSubtitle("Rethymno, the old Venetian harbour.", "Crete Hellas, summer of the lighthouse",
                            20, "Arial", 1, 0, 30, -4, "center");
        benchmark::DoNotOptimize(form.BandTop);
    }
}
BENCHMARK(BM_RenderSubtitleTwoLines);

void BM_DrawLinesOnly(benchmark::State& state) {
    auto engine = CreateFreeTypeEngine();
    Frame frame(kFrameWidth, kPalHeight);
    SubtitleLook look;
    look.font = kArial20;
    look.colors = {Rgb{0, 0, 0}, Rgb{128, 128, 128}, Rgb{255, 255, 255}};
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawSubtitle(frame, *engine, "Rethymno, the old Venetian harbour.",
                                              "Crete Hellas, summer of the lighthouse", look));
}
BENCHMARK(BM_DrawLinesOnly);

void BM_DrawPreviewWithBackground(benchmark::State& state) {
    auto engine = CreateFreeTypeEngine();
    test::FakeUi ui;
    TForm1 form(ui, *engine, AppEnvironment{});
    BuiltInPicture("PreviewPal720x576");
    for (auto _ : state) {
        form.DrawPreview("Rethymno.", "Crete Hellas", 20, "Arial", 1, 0, 30, -4, "center");
        benchmark::DoNotOptimize(form.SubtitleFits);
    }
}
BENCHMARK(BM_DrawPreviewWithBackground);

}  // namespace
}  // namespace glyphon

BENCHMARK_MAIN();
