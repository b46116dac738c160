// A whole conversion as a user runs it: Load SRT (with the fit check) and
// Generate Sup for a 1,500-entry SubRip file, generic palette, PAL, default
// look; and the re-check that a font change runs over all entries.
// Targets on this machine: conversion <= 0.3 s of CPU, re-check <= 30 ms.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/TForm1.h"
#include "render/FontList.h"
#include "render/TextEngine.h"

namespace glyphon {
namespace {

class QuietUi : public Ui {
public:
    std::string pendingFile;
    void ShowMessage(const std::string&) override {}
    void ShowError(const std::string& text) override { errors.push_back(text); }
    bool Execute(TOpenDialog& d) override {
        d.fileName = pendingFile;
        return true;
    }
    void ProcessMessages() override {}
    void ShowModalWindow(WindowKind) override {}
    void Terminate(int) override {}
    std::vector<std::string> errors;
};

std::string Time(int ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d,%03d", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    return buf;
}

struct Setup {
    std::string dir;
    std::string srt;
    QuietUi ui;
    std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
    std::unique_ptr<TForm1> form;

    Setup() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "glyphon-bench-XXXXXX").string();
        dir = mkdtemp(tmpl.data());
        srt = dir + "/film.srt";
        std::ofstream out(srt, std::ios::binary);
        const char* lines[] = {"I never thought I'd see this harbour again.", "Neither did I.",
                               "The boats leave at dawn, before the wind turns.", "<i>Rethymno, Crete</i>",
                               "Tell them we are coming home."};
        for (int i = 0; i < 1500; ++i) {
            out << i + 1 << "\r\n"
                << Time(i * 2000 + 500) << " --> " << Time(i * 2000 + 2300) << "\r\n"
                << lines[i % 5] << "\r\n";
            if (i % 2 == 0) out << lines[(i + 2) % 5] << "\r\n";
            out << "\r\n";
        }
        AppEnvironment env;
        env.programDir = dir + "/";
        env.settingsPath = dir + "/Glyphon_Settings.ini";
        env.args = {"glyphon"};
        env.installedFamilies = ListInstalledFontFamilies();
        form = std::make_unique<TForm1>(ui, *text, env);
        form->FormCreate();
        form->SetNoIfoChecked(true);
        ui.pendingFile = srt;
    }
    ~Setup() { std::filesystem::remove_all(dir); }
};

void BM_LoadCheckAndGenerate1500(benchmark::State& state) {
    Setup s;
    for (auto _ : state) {
        s.form->ButtonLoadSubClick();
        s.form->ButtonGenerateSupClick();
        if (!s.form->SubtitleLoaded || !s.ui.errors.empty()) state.SkipWithError("conversion failed");
    }
    state.counters["sup_bytes"] = double(std::filesystem::file_size(s.dir + "/film.sup"));
}
BENCHMARK(BM_LoadCheckAndGenerate1500)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_FontChangeRechecks1500(benchmark::State& state) {
    Setup s;
    s.form->ButtonLoadSubClick();
    int size = 13;
    for (auto _ : state) {
        s.form->UserPick(s.form->ComboBoxFontSize, size);
        size = size == 13 ? 14 : 13;
    }
}
BENCHMARK(BM_FontChangeRechecks1500)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace glyphon

BENCHMARK_MAIN();
