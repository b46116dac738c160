// One subtitle file of a named conversion: the command's job with this file,
// run through the conversion core, and its report put in the command line's
// words.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ConversionJob.h"
#include "core/PendingOutputs.h"

namespace glyphon {

class TextEngine;

struct FileOutcome {
    bool converted = false;
    std::vector<std::string> messages;  // why it failed, one line each, without the file name
    // With a mux request that only collects: the run's units.
    UnitSpool muxUnits;
    // Its outputs, written but not yet in place: committed once the mux of
    // every file succeeded, removed otherwise.
    std::shared_ptr<PendingOutputs> pending;
};

// Called while the file is generated: subtitles done so far and the total.
using ProgressFn = std::function<void(int done, int total)>;

// Converts `subtitleFile` with `job` (its subtitle file is replaced). With a
// film in the job's mux request, the run's units are also muxed into it
// (NAME.muxed.mpg, beside the ".sup") and the palette file written, or kept
// in the outcome when the request only collects; a film that cannot be muxed
// is refused before anything is written. Warnings (units past the film's
// end, parts of the subtitle file left out) come in `messages`, each
// beginning "warning: ".
FileOutcome ConvertFile(const ConversionJob& job, const std::string& subtitleFile, TextEngine& text,
                        const ProgressFn& progress = {});

}  // namespace glyphon
