// Speed of the PGS path against the DVD path, side by side in one run: the
// same subtitles drawn and coded by each, alternately, as a generation run
// does (the DVD path on the run's engine, the PGS path on its twin), the
// cost of a subtitle divided by the pixels it covers (the DVD band, 720
// columns wide; the PGS object). The target: the PGS path costs no more per
// pixel than the DVD path. CPU time of each path, best of several rounds;
// exits 1 when the target is missed.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pgs/PgsPicture.h"
#include "pgs/PgsStream.h"
#include "render/Renderer.h"
#include "render/StyledLines.h"
#include "sup/SubPictureEncoder.h"

namespace {

using namespace glyphon;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

const char* const kLines[][2] = {
    {"Rethymno, the old Venetian harbour.", "Crete Hellas, summer of the lighthouse"},
    {"I told you we'd be late.", ""},
    {"- Where were you last night?", "- At the harbour, watching the boats."},
    {"WWW MMM @@@ ### wide glyphs", "and a second line below them"},
    {"Short.", "Two words"},
};
constexpr int kRounds = 7, kRepeat = 40;

}  // namespace

int main() {
    auto engine = CreateFreeTypeEngine();
    auto twin = engine->Twin();
    SubtitleLook dvdLook;
    dvdLook.font = FontSpec{"Arial", 20, 1, 0};
    dvdLook.colors = {Rgb{0, 0, 0}, Rgb{128, 128, 128}, Rgb{255, 255, 255}};
    SubPictureEncoder encoder(RoleIndices{1, 2, 3, 0},
                              RoleColours{Rgb{128, 128, 128}, Rgb{0, 0, 0}, Rgb{255, 255, 255}});
    Frame frame(kFrameWidth, kPalHeight);

    PgsLook pgsLook;
    pgsLook.font = dvdLook.font;
    PgsObject object;
    std::vector<uint8_t> set;  // as PgsWriter keeps it

    // One round: every subtitle drawn by the DVD path and then by the PGS
    // path at the given size; each path's time and pixels added up.
    const auto round = [&](int width, int height, double& dvdTime, double& dvdPixels, double& pgsTime,
                           double& pgsPixels) {
        pgsLook.frameWidth = width;
        pgsLook.frameHeight = height;
        const std::vector<PgsColor> palette = PgsPalette(PgsColors{}, height);
        for (int r = 0; r < kRepeat; ++r)
            for (const auto& l : kLines) {
                const std::vector<RunLine> lines{PlainLine(l[0]), PlainLine(l[1])};
                double start = CpuSeconds();
                frame.Reset(kFrameWidth, kPalHeight);
                const StackPlacement p = DrawSubtitleLines(frame, *engine, lines, dvdLook, false);
                const auto& unit = encoder.Encode(frame, p.bandTop, p.bandHeight, 2000);
                double stop = CpuSeconds();
                dvdTime += stop - start;
                dvdPixels += double(kFrameWidth) * p.bandHeight + double(unit.size() & 0);
                start = stop;
                DrawPgsSubtitle(*twin, lines, false, pgsLook, object);
                set.clear();
                AppendPgsShowSet(set, PgsVideo{width, height, 0x10}, 0, 90000, object, palette);
                stop = CpuSeconds();
                pgsTime += stop - start;
                pgsPixels += double(object.width) * object.height + double(set.size() & 0);
            }
    };
    // Warm the glyph caches of both paths.
    double ignored[4] = {};
    round(1920, 1080, ignored[0], ignored[1], ignored[2], ignored[3]);
    round(720, 576, ignored[0], ignored[1], ignored[2], ignored[3]);

    struct Result {
        const char* name;
        double best = 1e30, pixels = 0;
    };
    Result results[] = {{"dvd 720x576"}, {"pgs 1920x1080"}, {"pgs 720x576"}};
    for (int r = 0; r < kRounds; ++r)
        for (int which = 1; which < 3; ++which) {
            double dvdTime = 0, dvdPixels = 0, pgsTime = 0, pgsPixels = 0;
            if (which == 1)
                round(1920, 1080, dvdTime, dvdPixels, pgsTime, pgsPixels);
            else
                round(720, 576, dvdTime, dvdPixels, pgsTime, pgsPixels);
            results[0].best = std::min(results[0].best, dvdTime);
            results[0].pixels = dvdPixels;
            results[which].best = std::min(results[which].best, pgsTime);
            results[which].pixels = pgsPixels;
        }
    const int subtitles = kRepeat * int(std::size(kLines));
    std::printf("%-14s %12s %14s %12s\n", "path", "us/subtitle", "pixels/subtitle", "ns/pixel");
    double perPixel[3];
    for (int i = 0; i < 3; ++i) {
        perPixel[i] = results[i].best / results[i].pixels * 1e9;
        std::printf("%-14s %12.1f %14.0f %12.3f\n", results[i].name, results[i].best / subtitles * 1e6,
                    results[i].pixels / subtitles, perPixel[i]);
    }
    const double ratio = std::max(perPixel[1], perPixel[2]) / perPixel[0];
    std::printf("pgs / dvd per pixel: %.2f (target: at most 1)\n", ratio);
    if (ratio <= 1.0) return 0;
    std::printf("bench_pgs_vs_dvd: target missed\n");
    return 1;
}
