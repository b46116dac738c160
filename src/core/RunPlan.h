// A whole run as the core carries it out: N subtitle files (each with its
// character set, language and stream number) and one output plan (folder,
// kinds, the film to mux them all into). Every check is done once, then each
// file is drawn and encoded, the film is muxed with every stream in one pass
// with its palette file and dvdauthor project, and the whole set is put in
// place at once. The front ends (the named command line, the window, the
// 16-argument and batch lines) only build a plan and show its progress.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Convert.h"

namespace glyphon {

// One subtitle file of the run and the stream it becomes.
struct PlanInput {
    std::string path;
    // Character set (FontTables.h) the file is read and drawn in; under the
    // plan's charsetAuto, the one used when nothing else is found.
    int charset = kDefaultCharset;
    // Its language: the VobSub index's, the film's stream's, the forms of
    // Han ideographs.
    std::string language = "en";
    int stream = 0;  // its sub-picture stream in the film, 0 to 31
    // Entries already read and checked (the window's list), in UTF-8 when
    // `utf8`; the file is then not read again.
    std::shared_ptr<const std::vector<Cue>> entries;
    bool utf8 = false;
};

// What the film is, read once before anything is written (CheckFilm).
struct FilmCheck {
    std::string film;
    // Why it cannot be muxed into, as the system says it; empty when it can.
    std::string error;
    // The error is about opening or reading the file (the message does not
    // name it), not about its contents.
    bool fileError = false;
    int width = 0, height = 0;
    bool pal = true;
    bool widescreen = false;
    // Where the film's first frame starts, so that the mux reads it only to
    // copy it.
    int64_t firstVideoPts = -1, rateNum = 0, rateDen = 1;
    int aspectCode = 0, rateCode = 0;
    // The sub-picture streams it holds (bit n for stream n), when the whole
    // film was read for them.
    std::optional<uint32_t> heldStreams;
    bool Usable() const { return error.empty(); }
    // A picture height that says PAL or NTSC (576 or 480 rows).
    bool KnownStandard() const { return height == 576 || height == 480; }
};

// Reads the film's start once: its format and first frame; `muxedPath` (the
// muxed film to write) may not be the film itself. With `streams` the read
// goes on to the end for the sub-picture streams the film holds.
FilmCheck CheckFilm(const std::string& film, const std::string& muxedPath, bool streams = false);

struct RunPlan {
    std::vector<PlanInput> inputs;
    // What every input shares: the reading settings (charsetAuto, MicroDVD
    // rate, fonts folder), the palette, the look and the outputs (folder,
    // kinds, the film in `outputs.mux.video`, other files read). Its
    // subtitle file, language and stream are each input's.
    ConversionJob shared;
    // The film as the front end already read it (for its standard); read
    // by the run when none.
    std::optional<FilmCheck> film;
    // The inputs' streams count from the first number after the film's own
    // sub-picture streams (a film muxed before gets the new languages after
    // its own); otherwise a stream the film holds is refused.
    bool afterFilmStreams = false;
    int threads = 1;  // inputs converted at once, each with a text engine of its own
    // A setting that is no number (JobTranslation::settingError): each input
    // fails with this message when it comes to its first subtitle, its
    // outputs created and dropped again, as the window always did.
    std::string settingError;
};

struct PlanHooks {
    // The text engine of an input when inputs run at once (threads > 1) or
    // `text` is null.
    std::function<std::unique_ptr<TextEngine>()> makeTextEngine;
    TextEngine* text = nullptr;
    // Called from the thread converting input `i` (several at once when the
    // plan has threads).
    std::function<void(size_t i)> started;
    std::function<void(size_t i, int done, int total)> progress;
    std::function<void(size_t i, const ConversionReport& report)> finished;
    // Every input's run also gets these (stop, abort, the window's canvas).
    ConversionHooks run;
};

struct PlanReport {
    std::vector<ConversionReport> inputs;  // one per input, in order
    size_t failed = 0;                     // inputs not converted
    // Every input converted and the disc authored; everything in place.
    bool converted = false;
    // The disc's failure: the film or the plan refused before any input, the
    // mux, or putting the set in place. `file` names the file an error of
    // opening or writing is about.
    std::optional<ConversionFailure> failure;
    // Per input: its subtitles that start after the film's last frame.
    std::vector<std::pair<size_t, std::string>> pastEnd;
    std::vector<std::string> muxOutputs;  // film, palette file, project
    std::string muxStem;                  // the disc's folder and base name
};

// Carries the plan out; throws nothing.
PlanReport RunConversionPlan(const RunPlan& plan, const PlanHooks& hooks);

// The plan of one input: the job's subtitle file (or entries), character
// set, language (its VobSub language) and stream; its setting error, if any.
RunPlan PlanOfOneJob(const ConversionJob& job, const std::string& settingError = {});
// The report of a plan of one input as that input's, with the disc's
// failure and its past-end warning.
ConversionReport ReportOfOneInput(PlanReport planned);

// The files a plan reads: none of them may be one of its outputs.
std::vector<std::string> PlanInputs(const RunPlan& plan);

}  // namespace glyphon
