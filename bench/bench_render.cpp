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

// The same length in Arabic (UTF-8): bidi levels, HarfBuzz shaping and a
// fallback face, against the plain glyph-by-glyph line above.
void BM_MeasureLine40CharsArabic(benchmark::State& state) {
    auto engine = CreateFreeTypeEngine();
    const FontSpec font{"Arial", 20, 65001, 0};
    const std::string line =
        "\xD9\x88\xD8\xB5\xD9\x84\xD9\x86\xD8\xA7 \xD8\xA7\xD9\x84\xD8\xB3\xD8\xA7\xD8\xB9\xD8\xA9 "
        "10:30\xD8\x8C "
        "\xD9\x87\xD9\x84 \xD8\xA3\xD9\x86\xD8\xAA \xD8\xAC\xD8\xA7\xD9\x87\xD8\xB2\xD8\x9F "
        "\xD9\x86\xD8\xB9\xD9\x85!!";
    const std::string other = line.substr(0, line.size() - 1);  // the engine keeps the last layout
    engine->MeasureLine(line, font);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine->MeasureLine(line, font));
        benchmark::DoNotOptimize(engine->MeasureLine(other, font));
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_MeasureLine40CharsArabic);

void BM_RenderSubtitleTwoLines(benchmark::State& state) {
    auto engine = CreateFreeTypeEngine();
    test::FakeUi ui;
    TForm1 form(ui, *engine, AppEnvironment{});
    for (auto _ : state) {
        form.RenderSubtitle("Rethymno, the old Venetian harbour.", "Crete Hellas, summer of the lighthouse",
                            20, "Arial", 1, 0, 30, -4, Alignment::Center);
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
        form.DrawPreview("Rethymno.", "Crete Hellas", 20, "Arial", 1, 0, 30, -4, Alignment::Center);
        benchmark::DoNotOptimize(form.SubtitleFits);
    }
}
BENCHMARK(BM_DrawPreviewWithBackground);

}  // namespace
}  // namespace glyphon

BENCHMARK_MAIN();
