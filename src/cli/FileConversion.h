// One subtitle file of a named conversion, converted by a main-window model
// of its own in command-line mode: the job's 16 arguments are stored as a
// batch line would give them, and activation runs them exactly as it runs a
// batch line (palette, look, "Load SRT", "Generate Sup").
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/BatchLine.h"
#include "app/PendingOutputs.h"
#include "palette/ColorNames.h"
#include "mux/DvdMux.h"
#include "pgs/PgsSink.h"

namespace glyphon {

class TextEngine;

struct FileOutcome {
    bool converted = false;
    std::vector<std::string> messages;  // why it failed, one line each, without the file name
    // With a mux request that only collects: the run's units and the
    // palette the disc needs for them.
    UnitSpool muxUnits;
    // Its outputs, written but not yet in place: committed once the mux of
    // every file succeeded, removed otherwise.
    std::shared_ptr<PendingOutputs> pending;
    DiscPalette palette{};
};

// Called while the file is generated: subtitles done so far and the total.
using ProgressFn = std::function<void(int done, int total)>;

// Which files a conversion writes besides the help file.
struct FileOutputs {
    bool sup = true;
    bool vobsub = false;
    std::string language = "en";  // of the VobSub index
    DvdMuxRequest mux;            // the film to mux into (--mux, --stream); none when empty
    bool widescreen = false;      // text drawn for a 16:9 picture
    bool forced = false;          // forced units
    NamedRoleColours colours;     // the generic palette's role entries
    bool pgs = false;             // NAME.pgs.sup
    PgsRequest pgsRequest;
    // How a MicroDVD file without its own frame-rate line is timed (--fps);
    // 0: it is refused.
    double microDvdFps = 0;
    bool wrap = false;            // lines too wide are broken at spaces (--wrap)
    // --charset auto: a file without a byte-order mark that is valid UTF-8
    // with characters beyond ASCII is read as UTF-8, any other in the job's
    // character set.
    bool charsetAuto = false;
};

// Converts `subtitleFile` with `job` (its subtitleFile is replaced), writing
// into `outputFolder` (empty: beside the subtitle file). `families` is the
// installed font list the model builds its font list from. With a film in
// `outputs.mux`, the run's units are also muxed into it (NAME.muxed.mpg, beside the
// ".sup") and the palette file written; a film that cannot be muxed is
// refused before anything is written. Warnings (units past the film's end,
// parts of the subtitle file left out) come in `messages` of a converted
// file, each beginning "warning: ".
FileOutcome ConvertFile(const BatchJob& job, const std::vector<std::string>& families,
                        const std::string& outputFolder, const std::string& subtitleFile, TextEngine& text,
                        const ProgressFn& progress = {}, const FileOutputs& outputs = {});

}  // namespace glyphon
