// libFuzzer target: arbitrary bytes as a SubRip file, and as the texts the
// SubRip helpers are given.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "common/Convert.h"
#include "subtitle/Subtitle.h"

using namespace glyphon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile file("input.srt");
    const std::string text(reinterpret_cast<const char*>(data), size);

    TSubtitle subs;
    fuzz::CountingSink sink;
    try {
        subs.LoadFromFile(file.Write(data, size), true, sink);
        fuzz::Check(subs.Loaded || sink.count == 1);
    } catch (const ConvertError&) {
    }
    // Each entry needs a timing line of at least 13 bytes of its own
    // ("0:0:0-->0:0:0"). UTF-16 (after its 2-byte mark) becomes at most half
    // as long again as UTF-8.
    const bool utf16 =
        size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
    fuzz::Check(size_t(subs.Count()) <= (utf16 ? (size * 3 / 2 + 3) / 13 : size / 13));
    for (const UnreadableBlock& part : subs.Unreadable) fuzz::Check(part.line >= 1 && !part.text.empty());
    for (int i = 1; i <= subs.Count(); ++i) {
        const SubtitleLine e = subs.GetLine(i);
        fuzz::Check(fuzz::IsCueTime(e.start) && fuzz::IsCueTime(e.end));
        fuzz::Check(!fuzz::HasLineEnd(e.Line1) && !fuzz::HasLineEnd(e.Line2) && !fuzz::HasLineEnd(e.Line3()));
        fuzz::CheckRunsCoverLines(e);
    }

    if (TSubtitle::IsSrtTimeLine(text)) fuzz::Check(text.size() >= 29);
    try {
        fuzz::Check(fuzz::IsCueTime(TSubtitle::SrtTimeToTicks(text)));
    } catch (const ConvertError&) {
    }
    fuzz::Check(TSubtitle::StripTags(text).size() <= text.size());
    return 0;
}
