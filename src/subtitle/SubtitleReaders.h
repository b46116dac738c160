// The subtitle formats Glyphon reads, one row each: a probe on the decoded
// text of the file's first bytes and a reader. The prober picks the reader by
// what the file holds, whatever its name; the name's extension only decides
// between equally sure probes.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "common/MessageSink.h"
#include "subtitle/TextFile.h"

namespace glyphon {

class TSubtitle;

// How sure a probe is that a text is its format.
enum class ProbeMatch {
    No,
    Weak,    // could be: counts only when the file's extension is the format's
    Likely,  // the format's timing found
    Sure,    // the format's own signature ("[Script Info]", "WEBVTT")
};

struct SubtitleReader {
    const char* name;        // the format as messages name it
    const char* extensions;  // upper-case, space-separated: ".SRT"
    // The decoded text of the file's first bytes (textfile::ReadHead: byte-
    // order mark gone, every line ended by a line feed; the last may be cut).
    ProbeMatch (*probe)(std::string_view head);
    // Fills the list from the whole text (TSubtitle::LoadFromFile has
    // cleared what it must); nullptr for a styled script, which the styled
    // run draws with libass.
    void (*read)(TSubtitle& list, textfile::TextLines& text, const std::string& fileName,
                 MessageSink& messages);
};

// Every format, in the order ties are decided after the extension.
std::span<const SubtitleReader> SubtitleReaders();

// The reader for a file with this head and name; nullptr when no probe
// takes it.
const SubtitleReader* PickReader(std::string_view head, const std::string& fileName);

// The same for a file on disk (its head read); nullptr also for a file that
// does not exist or is no regular file. Throws FileError when it cannot be
// read.
const SubtitleReader* PickReaderForFile(const std::string& fileName);

// "SubRip, MicroDVD, ASS/SSA": every format read.
std::string ReadableFormats();

}  // namespace glyphon
