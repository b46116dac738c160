// Encoding speed of one typical subtitle: a two-line band of 64 rows with
// text-like content on a PAL frame.
#include <benchmark/benchmark.h>

#include "sup/SubPictureEncoder.h"
#include "sup/SyntheticBand.h"

namespace {

using namespace glyphon;

constexpr int kTop = 480, kRows = 64;
const RoleIndices kIndices{1, 2, 3, 0};

Frame TypicalFrame() {
    Frame frame(kFrameWidth, kPalHeight);
    test::DrawTextBand(frame, kTop, kRows, 42);
    return frame;
}

// Runs in the band: the work that grows with the amount of text.
int CountRuns(const Frame& frame) {
    int runs = 0;
    for (int y = kTop; y < kTop + kRows; ++y) {
        ++runs;
        for (int x = 2; x < kFrameWidth - 1; ++x) runs += frame.At(x, y) != frame.At(x - 1, y);
    }
    return runs;
}

void BM_EncodeSubPicture(benchmark::State& state) {
    const Frame frame = TypicalFrame();
    size_t bytes = 0;
    for (auto _ : state) {
        auto unit = EncodeSubPicture(frame, kTop, kRows, kIndices, test::kBandColours, 2000);
        bytes = unit.size();
        benchmark::DoNotOptimize(unit.data());
    }
    state.counters["unit_bytes"] = double(bytes);
    state.counters["runs"] = CountRuns(frame);
}
BENCHMARK(BM_EncodeSubPicture)->Unit(benchmark::kMicrosecond);

void BM_EncoderReusingItsBuffer(benchmark::State& state) {
    const Frame frame = TypicalFrame();
    SubPictureEncoder encoder(kIndices, test::kBandColours);
    for (auto _ : state) {
        const auto& unit = encoder.Encode(frame, kTop, kRows, 2000);
        benchmark::DoNotOptimize(unit.data());
    }
}
BENCHMARK(BM_EncoderReusingItsBuffer)->Unit(benchmark::kMicrosecond);

// An empty band: the scan over long background runs.
void BM_EncodeBackgroundBand(benchmark::State& state) {
    const Frame frame(kFrameWidth, kPalHeight);
    SubPictureEncoder encoder(kIndices, test::kBandColours);
    for (auto _ : state) benchmark::DoNotOptimize(encoder.Encode(frame, kTop, kRows, 2000).data());
}
BENCHMARK(BM_EncodeBackgroundBand)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
