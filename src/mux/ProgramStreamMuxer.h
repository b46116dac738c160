// Muxing sub-picture units into a DVD program stream (a DVD MPEG from ffmpeg
// or a VOB) as private stream 1, sub-stream 0x20 + stream number, for
// dvdauthor and players.
//
// Every pack of the input keeps its bytes and its order. Each unit becomes
// whole 2048-byte packs inserted between input packs, with SCRs that keep
// increasing: at the mux rate in the gaps the input leaves, squeezed in only
// when a unit would otherwise arrive late. A unit's PTS is the video's first
// PTS plus the subtitle's start; its first pack goes out the lead of
// SubPictureDelivery.h ahead of that (at least 150 ms, and ahead of the
// video packets of its first frame), once the player's sub-picture buffer
// has room for it. Units after the last input pack are appended at the end
// (before a final end code).
//
// The schedule runs on the film's timeline (FilmTimeline.h), across wraps
// and restarts of its clock; SCRs and PTSs are written in the clock of the
// stretch the packs go into.
//
// The input is streamed: memory holds the units' times, the unit being sent
// and fixed buffers, nothing that grows with the video (units given as a
// UnitList are read one at a time; see UnitSpool.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mux/ByteSink.h"
#include "mux/ProgramStreamReader.h"
#include "mux/UnitSpool.h"

namespace glyphon {

// One sub-picture unit and its presentation time from the start of the
// video, in 1/90,000 s (the ".sup" record's time).
struct TimedUnit {
    uint32_t pts = 0;
    std::vector<uint8_t> bytes;
    int stream = -1;  // sub-picture stream 0 to 31; -1: the one the mux call names
};

// What the first look at the input found.
struct ProgramStreamStart {
    int64_t firstVideoPts = -1;  // the PTS of the first frame shown
    // The frame rate of the first sequence header (frames per second as
    // rateNum / rateDen); 0 when none was found among the first packets.
    int64_t rateNum = 0, rateDen = 1;
    // That header's picture size, aspect code (3: 16:9) and frame-rate code;
    // all 0 without one.
    int width = 0, height = 0, aspectCode = 0, rateCode = 0;
};

// A unit's time from the first frame (90 kHz ticks) moved back onto the
// film's frame when it lies less than a millisecond after that frame's start
// (times written in whole milliseconds, rounded up past an NTSC frame), so
// that the subtitle starts on the frame it was timed for, never one late.
int64_t OntoFilmFrame(int64_t ticks, const ProgramStreamStart& start);

struct MuxReport {
    int units = 0;              // units written
    int pastEnd = 0;            // of these, units that start after the last video frame
    int64_t firstVideoPts = 0;  // the video's first PTS the units were timed from
    // The last video frame's PTS counted on from firstVideoPts along the
    // film's timeline (across clock wraps and restarts; it may pass 2^33).
    int64_t lastVideoPts = -1;
    uint64_t inputBytes = 0;
    uint32_t filmStreams = 0;  // bit n: the film already held sub-picture stream n
};

// Reads the stream's start: the first 16 video packets with a PTS, whose
// smallest PTS is the first frame shown, and the first sequence header in
// them (the one scanner of a film's format). Throws
// ProgramStreamError when the input is not a program stream or has no video
// with presentation times. With `heldStreams` it reads on to the end and sets
// bit n there for each sub-picture stream n the film holds.
ProgramStreamStart ScanProgramStreamStart(ByteSource& input, uint32_t* heldStreams = nullptr);

// Copies input to output with the units inserted; units are taken in order of
// their pts (the list order for equal times). stream is 0 to 31, the stream
// of every unit that does not name its own, so that one pass muxes several
// streams (languages) into the film. Throws
// ProgramStreamError when the input is refused (output is then incomplete:
// the caller discards it), FileError when reading or writing fails.
MuxReport MuxProgramStream(ByteSource& input, ByteSink& output, const ProgramStreamStart& start, int stream,
                           const std::vector<TimedUnit>& units);
// The same for units read one at a time (a spool of them): memory holds
// their times and the unit being sent, not all their bytes.
MuxReport MuxProgramStream(ByteSource& input, ByteSink& output, const ProgramStreamStart& start, int stream,
                           const UnitList& units);

// Opens the film for reading without blocking on a pipe; refuses anything but
// a regular file (ProgramStreamError naming it), since the film is read twice.
// Throws FileError when it cannot be opened. The caller closes the descriptor.
int OpenFilmOnce(const std::string& videoPath);

// The whole job on files: scans and muxes videoPath into outputPath through
// a temporary file beside it, which replaces outputPath only when the mux
// succeeded; a refused input leaves no output and an existing outputPath
// untouched. Throws ProgramStreamError (a refusal, the message names the
// video file), FileError, std::invalid_argument for a stream outside 0..31.
// The same into a staged file (StagedFile) for outputPath, which this closes
// but leaves for the caller to commit or discard.
class StagedFile;
// With `start` the film's start as read before (ScanProgramStreamStart):
// the film is then read once more only, to copy it.
MuxReport MuxSubPicturesIntoStaged(const std::string& videoPath, StagedFile& output, int stream,
                                   const UnitList& units, const ProgramStreamStart* start = nullptr);

MuxReport MuxSubPicturesIntoFile(const std::string& videoPath, const std::string& outputPath, int stream,
                                 const std::vector<TimedUnit>& units);

}  // namespace glyphon
