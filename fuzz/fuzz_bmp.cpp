// libFuzzer target: arbitrary bytes as an own preview picture (".bmp"), read
// by the bitmap reader and, when it decodes, stretched to the preview frame.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "render/Bmp.h"

using namespace glyphon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile file("picture.bmp");
    std::string why;
    const std::optional<Frame> picture = DecodeBmp24(data, size, &why);
    // A refusal always says why.
    fuzz::Check(picture.has_value() == why.empty());
    // The file reader sees the same bytes the same way.
    const std::optional<Frame> read = ReadBmp24(file.Write(data, size));
    fuzz::Check(picture.has_value() == read.has_value());
    if (!picture) return 0;

    // Every pixel came from the file: three bytes each, behind a 54-byte header.
    const uint64_t pixels = uint64_t(picture->Width()) * uint64_t(picture->Height());
    fuzz::Check(picture->Width() > 0 && picture->Height() > 0);
    fuzz::Check(54 + pixels * 3 <= size);
    for (int y = 0; y < picture->Height(); ++y)
        for (int x = 0; x < picture->Width(); ++x) {
            fuzz::Check(picture->Row(y)[x] == read->Row(y)[x]);
            fuzz::Check(picture->Row(y)[x] <= 0xFFFFFFu);
        }

    // What the preview does with a picture of another size.
    const Frame scaled = ScaleNearest(*picture, 72, 58);
    fuzz::Check(scaled.Width() == 72 && scaled.Height() == 58);
    return 0;
}
