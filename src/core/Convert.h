// The conversion of one subtitle file: reads it (unless the job brings its
// entries), checks that every line fits, draws and encodes every subtitle
// and hands each unit to the job's outputs, then writes the help file. A run
// plan (core/RunPlan.h) runs it for each of its inputs; a job with a film is
// run as a plan of one input.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ConversionJob.h"
#include "core/DrawnLines.h"
#include "core/FitCheck.h"

namespace glyphon {

class Frame;
class TextEngine;

// Why a run did not convert. The message is the system's own text, as an
// error box would show it before its full stop is added.
struct ConversionFailure {
    enum class Stage {
        Read,    // the file could not be opened, recognised or read
        Check,   // a line is too wide for the frame, or a subtitle leaves it (the report's fit)
        Output,  // creating or writing an output, or a setting that is not a number
        Mux,     // the film was refused or could not be muxed; no output was put in place
        // Before any file was touched: an output would replace one of the
        // run's inputs, or a subtitle's times cannot go into the outputs.
        Refused,
    } stage = Stage::Read;
    std::string message;
    std::string file;  // the output the failure is about, when one is known
    // The subtitle (1-based) the failure belongs to, 0 when none: for Read
    // the one after the last entry read, for Check the entry that is too
    // wide, with its line (1 or 2), that line's bytes and width in pixels.
    int subtitle = 0;
    int line = 0;
    int width = 0;
    std::string text;
};

struct ConversionReport {
    bool converted = false;  // every subtitle written and the help file too
    bool cancelled = false;  // stopped before a subtitle; outputs closed, no help file
    // Pictures in the run: one per stretch of the time line with subtitles
    // on screen (one per subtitle where none meet).
    int total = 0;
    int written = 0;       // pictures handed to the outputs
    std::string stem;      // folder and base name of the outputs
    std::string helpText;  // what the help file holds (composed for every run)
    // Messages of reading that did not stop it ("Unsupported Subtitle Format
    // !"), as the reader said them.
    std::vector<std::string> notices;
    std::vector<std::string> warnings;  // the run converted, but the user should know (one line each)
    std::optional<ConversionFailure> failure;
    // Read entries (when the job brought none), for callers that show them.
    std::vector<Cue> entries;
    bool loaded = false;  // the file was recognised and read (it may hold no subtitle)
    // What the file held that is no subtitle and was left out.
    std::vector<UnreadableBlock> unreadable;
    // Cues left out for times no picture can be shown at.
    std::vector<ImpossibleCue> impossible;
    // The character set the texts were drawn in (UTF-8 for a file with a
    // byte-order mark, or read as UTF-8 by charsetAuto; under charsetAuto
    // the item reading the set found in the file).
    int charset = kDefaultCharset;
    // Under charsetAuto, the character set found in a file that is not
    // UTF-8 ("Windows-1251", "KOI8-R"...); empty when none was.
    std::string charsetFound;
    VideoStandard standard = VideoStandard::Pal;
    // What the fit check found: every line that does not fit, and the first
    // subtitle that leaves the frame when the look refuses those.
    FitResult fit;
    // The files the mux wrote (film, palette file, dvdauthor project).
    std::vector<std::string> muxOutputs;
};

struct HandedOver;
class DvdMuxSink;
class UnitSink;

struct ConversionHooks {
    // Before picture `index` (1-based) of `count`; false stops the run there
    // (reported as cancelled). The window lets its messages run here.
    std::function<bool(int index, int count)> beforeSubtitle;
    // After each picture has gone to the outputs.
    std::function<void(int done, int count)> progress;
    // Asked before each subtitle and once after the last: true when the run
    // was told to stop (the window's "Abort"); it then writes no help file.
    std::function<bool()> stopRequested;
    // Set from anywhere (another thread, a signal) to the same effect.
    const std::atomic<bool>* cancel = nullptr;
    // Where subtitles are drawn (the window's preview, which shows the last
    // one after the run); the run's own frame when null.
    Frame* canvas = nullptr;
    // Where the band of the last drawn subtitle is put (top, height), if wanted.
    int* bandTop = nullptr;
    int* bandHeight = nullptr;
    // Set by a run plan with a film: the run leaves its units and outputs
    // here instead of authoring and putting them in place.
    HandedOver* handOver = nullptr;
};

// The widest line that fits.
inline constexpr int kWidestFittingLine = kFitLimit - 1;

// The message asking for a MicroDVD file's frame rate begins so.
inline constexpr const char* kNoFrameRate = "Please write at the first line of your *.sub subtitle the fps";
// A run refused because no subtitle was read.
inline constexpr const char* kNotLoaded = "Please load an Srt/Sub/Txt subtitle.";

// `settingError`: a setting of the run that is no number (RunPlan); the run
// fails with it when it comes to the first subtitle.
ConversionReport RunConversion(const ConversionJob& job, TextEngine& text, const ConversionHooks& hooks = {},
                               const std::string& settingError = {});

// Reads the job's subtitle file into timed entries, with what it held that
// is no subtitle. Throws nothing: a failure comes back in `report` (stage
// Read; `subtitle` is 0 for a file that cannot be opened or is not
// recognised, else the entry after the last one read) and its notices.
// `utf8` is set for a file with a byte-order mark, or one read as UTF-8
// under charsetAuto; `report.charset` is the character set the texts are in
// (under charsetAuto, the one found in them, FindCharset).
bool ReadSubtitleEntries(const SubtitleInput& input, std::vector<Cue>& entries, bool& utf8,
                         ConversionReport& report);

// Checks every entry against the look; true when all fit.
bool CheckEntriesFit(const std::vector<Cue>& entries, const TextLook& look, int charset,
                     VideoStandard standard, TextEngine& text, FitResult& fit);

// The help file's text for the job (its case, then the files written).
std::string ComposeHelpText(const ConversionJob& job);

// The end of a run whose sinks hold every picture: seals them, writes the
// help file and puts the set in place; a run with a film hands the set over
// with its units (and `disc`, their palette) to the plan that authors the
// disc (hooks.handOver). Throws what the outputs throw; the caller discards
// the sinks then. `muxing` is kept for the failure's stage.
void SealAuthorAndCommit(const ConversionJob& job, const std::array<uint32_t, 16>& disc, DvdMuxSink* mux,
                         std::vector<std::unique_ptr<UnitSink>>& sinks, ConversionReport& report,
                         bool& muxing, const ConversionHooks& hooks);

// Why a run must not start, before it touches a file: an output that is one
// of its inputs (the subtitle file, the film, `job.otherInputs`), or a
// subtitle whose times the outputs cannot hold; the sentence names the file
// or the subtitle. Nothing when the run may go ahead.
std::optional<std::string> RunRefusal(const ConversionJob& job, const std::vector<Cue>& entries);

}  // namespace glyphon
