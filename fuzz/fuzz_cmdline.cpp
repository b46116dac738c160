// libFuzzer target: arbitrary bytes as the program's arguments, one a line,
// examined and carried out as an unattended conversion. The two file-name
// arguments are redirected to a small IFO and subtitle file in the target's
// private folder, so that a run reads and writes nothing else.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzArgs.h"
#include "FuzzFile.h"
#include "FuzzModel.h"
#include "app/CommandLine.h"

using namespace glyphon;

namespace {

// A title set whose palette has a grey in each band: S = 1, P = 16.
std::string PolychromaticIfo() {
    std::string b(2 * 2048, '\0');
    b[204 + 3] = 1;
    b[2048 + 12 + 3] = 16;
    const unsigned char greys[3][4] = {{0, 0x10, 0x80, 0x80}, {0, 0x80, 0x80, 0x80}, {0, 0xEB, 0x80, 0x80}};
    for (int n = 0; n < 3; ++n)
        for (int i = 0; i < 4; ++i) b[size_t(2048 + 16 + 164 + 4 * n + i)] = char(greys[n][i]);
    b[512] = 0x10;  // PAL
    return b;
}

void WriteText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) abort();
}

bool Exists(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile file("args.txt");
    static const std::string ifo = file.Sibling("VTS_01_0.IFO");
    static const std::string srt = file.Sibling("in.srt");
    static const std::string sup = file.Sibling("in.sup");
    static const bool ready = [] {
        WriteText(ifo, PolychromaticIfo());
        WriteText(srt, "1\n00:00:01,000 --> 00:00:02,500\nRethymno.\nCrete Hellas.\n");
        return true;
    }();
    (void)ready;
    std::remove(sup.c_str());

    std::vector<std::string> args = fuzz::ArgumentsFromLines(data, size);

    const auto recognized = RecognizeCommandLine(args);
    if (!recognized) return 0;
    fuzz::Check(recognized->size() == size_t(kCommandLineArgCount));
    for (int i = 0; i < kCommandLineArgCount; ++i) {
        const std::string& arg = (*recognized)[size_t(i)];
        fuzz::Check(arg == args[size_t(i) + 1] && !arg.empty() && arg != CommandLineArgNames()[size_t(i)]);
    }
    // Only the two files here are ever named.
    if (args[kArgFileNameIfo + 1] != "none") args[kArgFileNameIfo + 1] = ifo;
    args[kArgFileNameSub + 1] = srt;

    fuzz::QuietUi ui;
    fuzz::BlockTextEngine text;
    AppEnvironment env;
    env.args = args;
    env.settingsPath = file.Sibling("Glyphon_Settings.ini");
    env.installedFamilies = {"Liberation Sans", "DejaVu Sans"};
    TForm1 form(ui, text, env);
    form.FormCreate();
    form.FormShow();
    form.FormActivate();
    fuzz::Check(form.CommandLineMode);
    // A run either converts the file and ends the program, or tells why not.
    if (ui.terminated) {
        fuzz::Check(ui.status == 0 && Exists(sup));
    } else {
        fuzz::Check(ui.messages + ui.errors >= 1);
    }
    fuzz::Check(!Exists(env.settingsPath));
    return 0;
}
