// Muxing a generation run's units into the film's DVD MPEG, with the palette
// file dvdauthor needs beside it: NAME.muxed.mpg and NAME.palette.yuv, NAME
// being the run's output stem (folder and subtitle file base name).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mux/DvdAuthoring.h"
#include "mux/PaletteFile.h"
#include "mux/ProgramStreamMuxer.h"
#include "sup/UnitSink.h"

namespace glyphon {

// What to mux into: the film (empty: no mux), the sub-picture stream
// number, 0 to 31, and the stream's language for the dvdauthor project.
// With collectOnly the run keeps its units for a caller that muxes several
// runs' streams into the film in one pass.
struct DvdMuxRequest {
    std::string video;
    int stream = 0;
    std::string language = "en";
    bool collectOnly = false;
};

std::string MuxedFileName(const std::string& stem);   // stem + ".muxed.mpg"
std::string PaletteFileName(const std::string& stem);  // stem + ".palette.yuv"

// Refuses, before anything is written, a film that cannot be muxed into
// muxedPath: a file that cannot be opened (FileError), the output that would
// be the film itself, a file that does not start as an MPEG-2 program stream
// or has no video with presentation times (ProgramStreamError naming the
// film). Damage further in is found by the mux itself.
void CheckDvdMuxInput(const std::string& video, const std::string& muxedPath);

// Collects the run's units (their bytes spooled to a file beside the muxed
// film, see UnitSpool; the film itself is only ever streamed) and, once the
// run has finished, muxes them.
class DvdMuxSink : public UnitSink {
public:
    DvdMuxSink(DvdMuxRequest request, std::string stem, const DiscPalette& palette);

    void Append(int64_t start, const std::vector<uint8_t>& unit) override;
    // Puts the files of the authoring staged in Staged() in place (nothing
    // when the run did not mux: an aborted run leaves no muxed film).
    void Close() override { staged_.Commit(); }
    // Removes them: the previous files stay.
    void Discard() override { staged_.Discard(); }
    // Where the run's authoring waits for Close.
    StagedAuthoring& Staged() { return staged_; }

    // The warning for units past the video's end; empty when there are none.
    std::string PastEndWarning(const MuxReport& report) const;

    // The units collected so far (the sink keeps none afterwards).
    UnitSpool TakeUnits() { return std::exchange(units_, UnitSpool()); }

private:
    DvdMuxRequest request_;
    std::string stem_;
    DiscPalette palette_;
    UnitSpool units_;  // their bytes in a spool file beside the muxed film
    StagedAuthoring staged_;
};

}  // namespace glyphon
