// libFuzzer target: arbitrary bytes as a MicroDVD file, and as single lines
// parsed at a few frame rates.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "common/Convert.h"
#include "subtitle/Subtitle.h"

using namespace glyphon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile file("input.sub");
    const std::string text(reinterpret_cast<const char*>(data), size);

    TSubtitle subs;
    fuzz::CountingSink sink;
    try {
        subs.LoadFromFile(file.Write(data, size), true, sink);
        // A file of its frame-rate line alone is loaded without a subtitle.
        fuzz::Check(subs.Count() == 0 || subs.Loaded);
    } catch (const ConvertError&) {
    }
    // At most one entry per line, and a line takes at least "{}{}" and its end.
    fuzz::Check(size_t(subs.Count()) <= size / 5 + 1);
    for (int i = 1; i <= subs.Count(); ++i) {
        const SubtitleLine e = subs.GetLine(i);
        fuzz::Check(fuzz::IsCueTime(e.start) && fuzz::IsCueTime(e.end));
        fuzz::Check(!fuzz::HasLineEnd(e.Line1) && !fuzz::HasLineEnd(e.Line2) && !fuzz::HasLineEnd(e.Line3()));
    }

    try {
        TSubtitle::ReadFrameRate(text);
    } catch (const ConvertError&) {
    }
    for (double rate : {25.0, 16.0, 23.976, -29.97, 1e-300, 0.0, 1e300}) {
        try {
            const fivestrings f = TSubtitle::ParseMicroDvdLine(text, rate);
            fuzz::Check(fuzz::IsCueTime(f.Start) && fuzz::IsCueTime(f.End));
            fuzz::Check(f.Line1.size() + f.Line2.size() + f.Line3.size() <= size);
        } catch (const ConvertError&) {
        }
    }
    return 0;
}
