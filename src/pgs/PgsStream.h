// Presentation graphic streams (Blu-ray ".sup"): display sets of segments,
// each segment "PG", its presentation and decoding time (1/90,000 s, 32-bit
// big-endian), its type and payload size (16-bit big-endian), then the
// payload.
//
// A subtitle is one display set at its start: presentation composition
// (epoch start, one object in one window), window definition, palette
// definition, object definition (split over as many segments as its size
// needs) and end; and one at its end that clears it: a composition without
// objects, the window definition and end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/PgsVideo.h"
#include "mux/ByteSink.h"

namespace glyphon {

enum PgsSegmentType : uint8_t {
    kPgsPalette = 0x14,
    kPgsObject = 0x15,
    kPgsComposition = 0x16,
    kPgsWindow = 0x17,
    kPgsEnd = 0x80,
};

// One palette entry: Y', Cr, Cb (video range) and opacity (0 transparent).
struct PgsColor {
    uint8_t y = 16, cr = 128, cb = 128, alpha = 0;
    friend bool operator==(const PgsColor&, const PgsColor&) = default;
};

// A picture of palette indices placed in the frame.
struct PgsObject {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<uint8_t> pixels;  // rows of width indices
    // While drawn: the text colour of each pixel (0: the look's, k:
    // tints[k - 1], 0xRRGGBB), empty when every pixel has the look's. The
    // stream never reads them.
    std::vector<uint8_t> tint;
    std::vector<uint32_t> tints;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// One segment: header and payload appended to out.
void AppendPgsSegment(std::vector<uint8_t>& out, uint8_t type, uint32_t pts,
                      const std::vector<uint8_t>& payload);

// The display set that shows `object` with `palette` (at most 256 entries,
// entry i having id i) from pts on, appended to `set`, whose room the next
// subtitle uses again. The object's run-length coding: per row, runs of one
// index; index 0 as 00 0L or 00 4L LL, other indices as the index byte
// itself (runs of one or two), 00 8L CC or 00 CL LL CC, where L is the run
// length (6 or 14 bits); each row ends with 00 00.
void AppendPgsShowSet(std::vector<uint8_t>& set, const PgsVideo& video, uint16_t composition, uint32_t pts,
                      const PgsObject& object, const std::vector<PgsColor>& palette);
// The display set that shows the object on screen (`shown`: its place) in
// `palette` instead, the palette's `version` counting such updates: a
// composition flagged as a palette-only update, the palette, end.
void AppendPgsPaletteSet(std::vector<uint8_t>& set, const PgsVideo& video, uint16_t composition, uint32_t pts,
                         const PgsObject& shown, const std::vector<PgsColor>& palette, uint8_t version);
// The display set that clears the window the object was shown in.
std::vector<uint8_t> PgsClearSet(const PgsVideo& video, uint16_t composition, uint32_t pts,
                                 const PgsObject& shown);

// Writes a stream subtitle by subtitle, each display set in one write, so
// the file always ends on a whole display set. A subtitle's clearing set is
// held back until the next subtitle: when that one starts before the first
// has ended, it replaces it and no clearing set is written between them.
class PgsWriter {
public:
    PgsWriter() = default;
    PgsWriter(const PgsWriter&) = delete;
    PgsWriter& operator=(const PgsWriter&) = delete;

    // Creates (or empties) the file. Throws FileError.
    void Create(const std::string& path, const PgsVideo& video);
    // Shows `object` from `start` to `end` (90 kHz ticks, the presentation
    // times of every output of a run). An empty object shows nothing. Throws
    // FileError.
    void Show(int64_t start, int64_t end, const PgsObject& object, const std::vector<PgsColor>& palette);
    // Shows `object`, whose pixels are those of the object shown last, in
    // `palette` from `start` to `end`: a palette-only update when that object
    // is still on screen at `start` and fewer than 255 updates of it were
    // written, else as Show does.
    void Recolour(int64_t start, int64_t end, const PgsObject& object, const std::vector<PgsColor>& palette);
    // Writes the last clearing set and closes the file without putting it in
    // place yet. Throws FileError (the file is then dropped).
    void Seal();
    // Seals when needed and puts the file in place of the previous one.
    // Throws FileError (the previous file then stays); a second call does
    // nothing.
    void Close();
    // Drops the file; the previous one stays. Never throws.
    void Discard();

private:
    void Put(const std::vector<uint8_t>& set);
    void WritePendingClear();

    FileSink file_;
    PgsVideo video_;
    uint16_t composition_ = 0;
    bool clearPending_ = false;
    uint32_t clearPts_ = 0;
    PgsObject shown_;  // position and size only
    uint8_t paletteVersion_ = 0;
    std::vector<uint8_t> set_;
};

}  // namespace glyphon
