// WebVTT files (".vtt"): the "WEBVTT" header, cues with their settings and
// styled text, NOTE and REGION blocks passed over, STYLE blocks read for
// their simple rules. The text is UTF-8 whatever character set is chosen.
#pragma once

#include <string>

#include "common/MessageSink.h"
#include "subtitle/SubtitleReaders.h"

namespace glyphon {

class TSubtitle;

// Sure when the file's first line is the "WEBVTT" header, whatever its name.
ProbeMatch ProbeWebVtt(std::string_view head);

// Adds the file's cues to `s.Lines`. Blocks that are neither a cue nor one of
// the known blocks are listed in `s.Unreadable`; a cue the program cannot draw
// (vertical text) is left out, and one message names the file and the line
// of each. A file without the header gets "Unsupported Subtitle Format !".
// Throws FileError when the file cannot be read.
void ReadWebVtt(TSubtitle& s, const std::string& FileName, MessageSink& messages);

// The same as a row of the readers' table: the text is read again as UTF-8,
// whatever character set the list was read in.
void ReadWebVttFile(TSubtitle& s, textfile::TextLines& text, const std::string& FileName,
                    MessageSink& messages);

}  // namespace glyphon
