// The kinds of output a run can write, one row each: its name (as
// `glyphon convert --format` takes it), the files it writes for an output
// stem, the sink that writes them, and its words in `--format`'s help. Every
// place that enumerates outputs goes through this table: the run's sinks,
// the refusal of an output that would replace an input, the help file's list
// of files, the named line's `--format` and its clash check. A new kind is
// its writer plus one row (RegisterOutputKind); the front ends do not change.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ConversionJob.h"
#include "core/UnitSink.h"

namespace glyphon {

class DvdMuxSink;
class TextEngine;

// What a factory makes its sink from.
struct SinkRequest {
    const ConversionJob& job;
    const std::string& stem;             // folder and base name of the outputs
    TextEngine& text;                    // the run's engine (the DVD size's)
    int charset;                         // the texts' character set
    std::vector<std::string>& warnings;  // the run's warnings
    // The mux kind leaves its sink's units here for the plan that authors
    // the disc.
    DvdMuxSink* mux = nullptr;
    // The run is of a styled script: a kind that draws the script itself at
    // its own size makes a ScriptSink; the others take the DVD units.
    bool script = false;
};

struct OutputKind {
    std::string name;
    // Its words in `--format`'s help ("vobsub (NAME.idx and NAME.sub)");
    // empty: `--format` does not take it (the help file, the film).
    std::string formatHelp;
    // On in a job that does not say otherwise (OutputRequest::kinds).
    bool byDefault = false;
    // Its sink writes the DVD units: a run with such a kind on codes them.
    bool dvdUnits = false;
    // Written for the whole disc of a plan rather than for each input; the
    // plan checks its names against every input.
    bool disc = false;
    // Its files are picked free of the run's inputs (the VobSub pair), so
    // they never replace one.
    bool freeNames = false;
    // The window's check box for it in the Outputs panel: its caption, and
    // the control's name ("CheckBoxVobSub"; none: "CheckBox" and the kind's
    // name), under which the window stores a kind the job's kinds name
    // ("NAME_Checked"). No caption: no box to see (the ".sup", which the
    // window writes unless told otherwise; the help file).
    std::string caption;
    std::string control;
    // Whether the job writes it; none: the job's kinds name it.
    std::function<bool(const OutputRequest&)> on;
    // The files it writes for `stem`, in the order the help file lists them.
    std::function<std::vector<std::string>(const std::string& stem, const ConversionJob&)> files;
    // Its sink, its files created under temporary names. Throws FileError.
    // None: the run writes it itself (the help file).
    std::function<std::unique_ptr<UnitSink>(SinkRequest&)> make;

    bool On(const OutputRequest& o) const { return on ? on(o) : o.Wants(name); }
};

// Every kind, in the order the run hands them each picture and the help
// file lists their files.
const std::vector<OutputKind>& OutputKinds();

// Adds a kind at the end of the table (before the help file); a kind of that
// name is replaced. Not while a run goes on.
void RegisterOutputKind(OutputKind kind);
// Takes the kind of that name out of the table again.
void UnregisterOutputKind(const std::string& name);

// The kinds `--format` takes, in the table's order.
std::vector<const OutputKind*> FormatKinds();

// The files the job writes for its input (every kind that is on, the help
// file last); with `disc`, also the disc's.
std::vector<std::string> OutputFileNames(const ConversionJob& job, const std::string& stem, bool disc);

// The sinks of every kind the job has on, in the table's order. Throws
// FileError; what was created before the failure is in `sinks`. Returns the
// mux's sink when the job has a film.
DvdMuxSink* CreateSinks(SinkRequest& request, std::vector<std::unique_ptr<UnitSink>>& sinks);

// The files a run reads (the subtitle file, the film, the job's other
// inputs): none of them may be one of its outputs.
std::vector<std::string> RunInputFiles(const ConversionJob& job);

// The help file's name for an output stem.
std::string HelpFileName(const std::string& stem);

}  // namespace glyphon
