// Speed of styled scripts against SubRip, side by side: the same static cues
// as a SubRip file and as an ASS script, each converted into a 1080p PGS
// stream by the whole run (reading, drawing, quantising, writing). Every cue
// has lines of its own, as in a film (no renderer's cache keeps a whole line
// for the next cue), two lines each on both sides. The target: an ASS event
// costs at most twice a SubRip cue in elapsed (wall) time, what a user waits
// for: the styled run draws in one thread while another codes and writes.
// Elapsed and CPU time per cue, each the best of several rounds taken in
// turn; exits 1 when the target is missed.
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "core/Convert.h"
#include "render/TextEngine.h"

namespace {

using namespace glyphon;

double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Times {
    double wall = 1e9, cpu = 1e9;
    void Best(const Times& t) { wall = std::min(wall, t.wall), cpu = std::min(cpu, t.cpu); }
};

constexpr const char* kWords[] = {
    "the",   "old",    "Venetian", "harbour",  "lighthouse", "summer", "told",   "you",     "we'd",
    "be",    "late",   "nobody",   "listens",  "where",      "were",   "last",   "night",   "watching",
    "boats", "short",  "words",    "morning",  "quiet",      "road",   "behind", "village", "again",
    "never", "always", "Crete",    "Rethymno", "water",      "light",  "come",   "home",    "now",
};
constexpr int kCues = 400, kRounds = 15;

// Line `n` of cue `cue`: words picked by a fixed sequence up to 26 to 38
// characters (as long as a subtitle line is), so every cue reads
// differently and the runs are the same every time.
std::string LineOf(int cue, int n) {
    uint32_t state = uint32_t(cue * 2 + n) * 2654435761u + 12345u;
    const auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::string line;
    const size_t most = 26 + next() % 13;
    while (true) {
        const std::string word = kWords[next() % std::size(kWords)];
        if (!line.empty() && line.size() + 1 + word.size() > most) break;
        line += (line.empty() ? "" : " ") + word;
    }
    line[0] = char(std::toupper(static_cast<unsigned char>(line[0])));
    return line + (n ? "." : ",");
}

std::string Clock(int ms, bool ass) {
    char t[32];
    if (ass)
        std::snprintf(t, sizeof t, "%d:%02d:%02d.%02d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                      ms % 1000 / 10);
    else
        std::snprintf(t, sizeof t, "%02d:%02d:%02d,%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                      ms % 1000);
    return t;
}

Times Convert(const std::string& file, TextEngine& engine) {
    ConversionJob job;
    job.subtitle.file = file;
    job.subtitle.charsetAuto = true;
    job.outputs.Set("sup", false);
    job.outputs.Set("pgs", true);
    const double wall = Seconds(CLOCK_MONOTONIC), cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    const ConversionReport report = RunConversion(job, engine);
    const Times time{Seconds(CLOCK_MONOTONIC) - wall, Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu};
    if (!report.converted) {
        std::fprintf(stderr, "%s: not converted: %s\n", file.c_str(),
                     report.failure ? report.failure->message.c_str() : "");
        std::exit(2);
    }
    return time;
}

}  // namespace

int main() {
    char folder[] = "/tmp/glyphon-bench-ass-XXXXXX";
    if (!mkdtemp(folder)) return 2;
    const std::string srt = std::string(folder) + "/cues.srt", ass = std::string(folder) + "/cues.ass";
    {
        std::ofstream s(srt), a(ass);
        a << "[Script Info]\nScriptType: v4.00+\nPlayResX: 1920\nPlayResY: 1080\n\n[V4+ Styles]\n"
             "Format: Name, Fontname, Fontsize, PrimaryColour, OutlineColour, BorderStyle, Outline, "
             "Alignment, "
             "MarginV\nStyle: Default,Arial,58,&H00FFFFFF,&H00000000,1,3,2,60\n\n[Events]\n"
             "Format: Layer, Start, End, Style, Text\n";
        for (int i = 0; i < kCues; ++i) {
            const int start = 1000 + i * 3000, end = start + 2500;
            const std::string first = LineOf(i, 0), second = LineOf(i, 1);
            s << i + 1 << "\n"
              << Clock(start, false) << " --> " << Clock(end, false) << "\n"
              << first << "\n"
              << second << "\n\n";
            a << "Dialogue: 0," << Clock(start, true) << "," << Clock(end, true) << ",Default," << first
              << "\\N" << second << "\n";
        }
    }
    auto engine = CreateFreeTypeEngine();
    Times srtBest, assBest;
    for (int r = 0; r < kRounds; ++r) {
        srtBest.Best(Convert(srt, *engine));
        assBest.Best(Convert(ass, *engine));
    }
    std::filesystem::remove_all(folder);
    const auto ms = [](double seconds) { return seconds / kCues * 1e3; };
    const double ratio = assBest.wall / srtBest.wall;
    std::printf(
        "                     elapsed     CPU\n"
        "SubRip cue into PGS: %.3f ms  %.3f ms\n"
        "ASS event into PGS:  %.3f ms  %.3f ms\n"
        "ASS / SubRip:        %.2f times  %.2f times (target: elapsed at most 2)\n",
        ms(srtBest.wall), ms(srtBest.cpu), ms(assBest.wall), ms(assBest.cpu), ratio,
        assBest.cpu / srtBest.cpu);
    // Elapsed time means little on a machine busy with other work: the
    // second thread then finds no core free.
    double load = 0;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    if (load >= cores)
        std::printf("(load average %.1f on %u cores: elapsed times are unreliable; run again when idle)\n",
                    load, cores);
    return ratio <= 2 ? 0 : 1;
}
