// SubRip (.srt): a timing line "hh:mm:ss,mmm --> hh:mm:ss,mmm" and the text
// lines after it, read as players read them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/MessageSink.h"
#include "subtitle/SubtitleReaders.h"

namespace glyphon {

// Likely when one of the first lines is a timing line (the second line with
// "-->" in the fixed columns, or one players read).
ProbeMatch ProbeSubRip(std::string_view head);

// A subtitle is a timing line and every text line after it up to the next
// timing line or a subtitle number before one; blank lines inside it are
// skipped, as FFmpeg skips them, unless what follows them holds a "-->" (a
// timing line nobody reads, reported with the rest of what is no
// subtitle).
void ReadSubRip(TSubtitle& list, textfile::TextLines& text, const std::string& fileName,
                MessageSink& messages);

// At least 29 characters with "-->" in columns 14 to 16.
bool SrtFixedTimeLine(std::string_view line);
// hh:mm:ss,mmm (any separators) to 90 kHz ticks; milliseconds that leave 32
// bits throw ConvertError naming the time.
int64_t SrtTimeTicks(std::string_view time);

}  // namespace glyphon
