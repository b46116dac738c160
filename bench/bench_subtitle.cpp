// Reading generated SubRip and MicroDVD files of 12 to 100 MB: the time must
// grow linearly with the size (the fitted complexity is printed), and the
// throughput is shown in MB/s. Finding the character set of 1,500 cues, and
// what probing, reading and detecting such a file costs (exits 1 at 5 ms or
// more). The files live in a temporary folder that is removed at the end.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "subtitle/CharsetDetection.h"
#include "subtitle/Subtitle.h"

namespace {

using glyphon::MessageSink;
using glyphon::TSubtitle;

class QuietSink : public MessageSink {
public:
    void ShowMessage(const std::string&) override {}
};

std::string TempFolder() {
    static const std::string folder = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "glyphon-bench-XXXXXX").string();
        return mkdtemp(tmpl.data()) ? tmpl : std::string();
    }();
    return folder;
}

std::string Two(int v) { return std::string(1, char('0' + v / 10)) + char('0' + v % 10); }

std::string SrtTime(long ms) {
    const int h = int(ms / 3600000 % 100), m = int(ms / 60000 % 60), s = int(ms / 1000 % 60);
    const int f = int(ms % 1000);
    return Two(h) + ":" + Two(m) + ":" + Two(s) + "," + char('0' + f / 100) + Two(f % 100);
}

// A SubRip file of about `megabytes` MB with CRLF line ends and a mix of one-,
// two- and three-line subtitles, some with tags. Made once per size.
const std::string& SrtFile(int megabytes) {
    static std::map<int, std::string> made;
    auto it = made.find(megabytes);
    if (it != made.end()) return it->second;
    const std::string path = TempFolder() + "/bench-" + std::to_string(megabytes) + ".srt";
    std::ofstream out(path, std::ios::binary);
    std::string chunk;
    const size_t target = size_t(megabytes) * 1000000;
    size_t written = 0;
    for (long n = 1; written < target; ++n) {
        const long start = n * 2500;
        chunk += std::to_string(n) + "\r\n" + SrtTime(start) + " --> " + SrtTime(start + 2000) + "\r\n";
        chunk += n % 3 == 0 ? "<i>Where are you going, Mr. Anderson?</i>\r\n" : "I know kung fu.\r\n";
        if (n % 3 != 1) chunk += "Show me.\r\n";
        if (n % 5 == 0)
            chunk +=
                "\x93"
                "Caf\xE9"
                "\x94 <b>cr\xE8me</b>\r\n";
        chunk += "\r\n";
        if (chunk.size() > (1 << 20) || written + chunk.size() >= target) {
            out.write(chunk.data(), std::streamsize(chunk.size()));
            written += chunk.size();
            chunk.clear();
        }
    }
    return made[megabytes] = path;
}

// A MicroDVD file of about `megabytes` MB at 23.976 frames per second.
const std::string& MicroDvdFile(int megabytes) {
    static std::map<int, std::string> made;
    auto it = made.find(megabytes);
    if (it != made.end()) return it->second;
    const std::string path = TempFolder() + "/bench-" + std::to_string(megabytes) + ".sub";
    std::ofstream out(path, std::ios::binary);
    std::string chunk = "{1}{1}23.976\r\n";
    const size_t target = size_t(megabytes) * 1000000;
    size_t written = 0;
    for (long n = 1; written < target; ++n) {
        const long frame = n * 60 % 2000000;
        chunk += "{" + std::to_string(frame) + "}{" + std::to_string(frame + 48) + "}";
        chunk += n % 2 ? "{y:i}I know kung fu.|Show me.\r\n" : "<i>Where are you going?</i>\r\n";
        if (chunk.size() > (1 << 20) || written + chunk.size() >= target) {
            out.write(chunk.data(), std::streamsize(chunk.size()));
            written += chunk.size();
            chunk.clear();
        }
    }
    return made[megabytes] = path;
}

void Read(benchmark::State& state, const std::string& path) {
    const auto bytes = int64_t(std::filesystem::file_size(path));
    QuietSink sink;
    int entries = 0;
    for (auto _ : state) {
        TSubtitle subs;
        try {
            subs.LoadFromFile(path, true, sink);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
        entries = subs.Count();
        benchmark::DoNotOptimize(entries);
    }
    if (entries == 0) state.SkipWithError("nothing was read");
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetComplexityN(bytes);
    state.counters["MB/s"] =
        benchmark::Counter(double(bytes) / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["entries"] = entries;
}

void BM_ReadSrt(benchmark::State& state) { Read(state, SrtFile(int(state.range(0)))); }
void BM_ReadMicroDvd(benchmark::State& state) { Read(state, MicroDvdFile(int(state.range(0)))); }

// A SubRip file of 1,500 two-line cues of Russian dialogue in `code`, as a
// film's subtitles are written in a legacy code page.
const std::string& RussianCues(const char* code) {
    static std::map<std::string, std::string> made;
    auto it = made.find(code);
    if (it != made.end()) return it->second;
    static const char* const kLines[] = {"Привет! Ты уже слышал новости?", "Нет, а что случилось?",
                                         "Наш поезд отменили из-за снегопада.", "Тогда поедем завтра утром.",
                                         "Хорошо, я позвоню маме и всё ей объясню."};
    std::string utf8;
    for (long n = 1; n <= 1500; ++n)
        utf8 += std::to_string(n) + "\r\n" + SrtTime(n * 2500) + " --> " + SrtTime(n * 2500 + 2000) + "\r\n" +
                kLines[n % 5] + "\r\n" + kLines[(n + 2) % 5] + "\r\n\r\n";
    std::string bytes(utf8.size() * 2, '\0');
    iconv_t cd = iconv_open(code, "UTF-8");
    char* in = utf8.data();
    char* out = bytes.data();
    size_t inLeft = utf8.size(), outLeft = bytes.size();
    iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    bytes.resize(bytes.size() - outLeft);
    const std::string path = TempFolder() + "/russian-" + code + ".srt";
    std::ofstream(path, std::ios::binary) << bytes;
    return made[code] = path;
}

// What finding the character set adds to reading a file of 1,500 cues
// (target: under 5 ms): Windows-1251, read in its item as it stands, and
// KOI8-R, whose texts are converted to UTF-8.
void BM_FindCharset1500Cues(benchmark::State& state) {
    QuietSink sink;
    TSubtitle read;
    read.LoadFromFile(RussianCues(state.range(0) ? "KOI8-R" : "CP1251"), true, sink);
    std::string found;
    for (auto _ : state) {
        state.PauseTiming();
        TSubtitle subs = read;
        state.ResumeTiming();
        const auto charset = glyphon::FindCharset(subs);
        found = charset ? charset->name : "nothing";
        benchmark::DoNotOptimize(subs.Lines.data());
    }
    state.SetLabel(found);
}

// Reading the same file, for comparison.
void BM_Read1500Cues(benchmark::State& state) { Read(state, RussianCues("CP1251")); }

BENCHMARK(BM_FindCharset1500Cues)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read1500Cues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSrt)
    ->Arg(12)
    ->Arg(25)
    ->Arg(50)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ReadMicroDvd)->Arg(100)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// What reading a 1,500-cue file costs a run: picking its reader by the
// probes, reading it, finding its character set. Best of 20 on the thread's
// CPU clock, so that a busy machine does not count.
double ReadAndDetectMs(const std::string& path) {
    QuietSink sink;
    double best = 1e9;
    for (int i = 0; i < 20; ++i) {
        timespec a{}, b{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
        TSubtitle subs;
        subs.LoadFromFile(path, true, sink);
        const auto charset = glyphon::FindCharset(subs);
        benchmark::DoNotOptimize(charset);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
        best = std::min(best, double(b.tv_sec - a.tv_sec) * 1e3 + double(b.tv_nsec - a.tv_nsec) / 1e6);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Target: reading and detecting 1,500 cues adds under 5 ms to a run.
    int status = 0;
    for (const char* code : {"CP1251", "KOI8-R"}) {
        const double ms = ReadAndDetectMs(RussianCues(code));
        std::printf("reading and detecting 1,500 cues (%s): %.2f ms CPU (target: under 5 ms)\n", code, ms);
        if (ms >= 5) status = 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(TempFolder(), ec);
    return status;
}
