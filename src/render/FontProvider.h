// Faces by name and by the characters they must have: fontconfig for the
// lookups, FreeType faces opened once per engine.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace glyphon {

// The face fontconfig picks for a request, and what the engine must
// simulate because the face lacks it.
struct FaceChoice {
    std::string file;
    int index = 0;
    bool synthBold = false;
    bool synthItalic = false;
};

// A family, weight and slant as the font lists ask for them.
struct FaceRequest {
    std::string family;
    bool bold = false, italic = false;
};

class FontProvider {
public:
    FontProvider();
    ~FontProvider();
    FontProvider(const FontProvider&) = delete;
    FontProvider& operator=(const FontProvider&) = delete;

    FT_Library Library() const { return library_; }

    // The face fontconfig substitutes for the request in a GDI character set
    // (whose language it favours, so that an unknown name still finds the
    // script's glyphs). Remembered per request.
    const FaceChoice& Resolve(const FaceRequest& request, int charset);

    // The first face in fontconfig's order of preference for the request at
    // `pixels` that really has every one of `characters` (its character map,
    // not only fontconfig's coverage), other than `except`. Empty file when
    // no installed face has them all.
    // `language` (may be null) is favoured as in Resolve.
    FaceChoice Covering(const FaceRequest& request, int pixels, const std::vector<uint32_t>& characters,
                        FT_Face except, const char* language);

    // The opened face of a file (null when FreeType cannot open it), opened
    // once and shared by all realisations.
    FT_Face Open(const std::string& file, int index);
    // Where an opened face came from.
    std::pair<std::string, int> SourceOf(FT_Face face) const;

private:
    FT_Library library_ = nullptr;
    std::map<std::pair<std::string, int>, FT_Face> faces_;
    std::unordered_map<std::string, FaceChoice> resolved_;
};

// The language whose faces should draw `c` when the requested face lacks it:
// the one a GDI character set names (SHIFTJIS: Japanese, GB2312: Simplified
// Chinese...), otherwise Korean for Hangul, Japanese for kana and Chinese for
// Han ideographs (so that Chinese text keeps Chinese forms when a Korean face
// also has the ideographs), none for the rest.
const char* FallbackLanguage(int charset, uint32_t c);

// Sizes `face` to an em of `ppem` pixels unless it already is; with
// `xppem64` (1/64 pixel, not 0 and not ppem * 64) the em is that wide
// instead (narrowed text).
void SizeFace(FT_Face face, int ppem, int xppem64 = 0);

}  // namespace glyphon
