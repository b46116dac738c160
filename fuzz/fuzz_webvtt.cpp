// libFuzzer target: arbitrary bytes as a WebVTT file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "common/Convert.h"
#include "subtitle/Subtitle.h"

using namespace glyphon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile file("input.vtt");
    TSubtitle subs;
    fuzz::CountingSink sink;
    try {
        subs.LoadFromFile(file.Write(data, size), true, sink);
    } catch (const ConvertError&) {
    }
    // Every cue needs a timing line of at least 17 bytes ("0:0.0 --> 0:0.0"
    // without blanks is 13).
    fuzz::Check(size_t(subs.Count()) <= size / 12 + 1);
    for (const UnreadableBlock& part : subs.Unreadable) fuzz::Check(part.line >= 1 && !part.text.empty());
    for (int i = 1; i <= subs.Count(); ++i) {
        const SubtitleLine e = subs.GetLine(i);
        fuzz::Check(fuzz::IsCueTime(e.start) && fuzz::IsCueTime(e.end) && e.start <= e.end);
        fuzz::Check(!fuzz::HasLineEnd(e.Line1) && !fuzz::HasLineEnd(e.Line2) && !fuzz::HasLineEnd(e.Line3()));
        fuzz::Check(e.place().x >= 0 && e.place().x <= 1 && e.place().y >= 0 && e.place().y <= 1);
        fuzz::Check(e.place().width >= 0 && e.place().width <= 1 && e.place().lineX >= 0 &&
                    e.place().lineX <= 1);
        fuzz::CheckRunsCoverLines(e);
    }
    return 0;
}
