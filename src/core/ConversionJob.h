// A conversion job: everything the run of one subtitle file needs, in plain
// types. A run plan (core/RunPlan.h) holds one the inputs share and makes
// each input's from it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/Alignment.h"
#include "common/PgsVideo.h"
#include "common/Rgb.h"
#include "core/SettingRanges.h"
#include "palette/ColorNames.h"
#include "render/FontTables.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

// Font style as a set of StyleBits (bold, italic, underline, strike-out).
enum class FontStyle : int {
    Normal = 0,
    Bold = kBold,
    Italic = kItalic,
    Underline = kUnderline,
    StrikeOut = kStrikeOut,
};
constexpr FontStyle operator|(FontStyle a, FontStyle b) { return FontStyle(int(a) | int(b)); }

enum class VideoStandard { Pal, Ntsc };

// Where the palette came from; it decides the help file's text.
enum class PaletteSource {
    None,           // no case applies: the help file lists only the outputs
    NoIfo,          // the generic palette, chosen without an IFO
    MonochromeIfo,  // the generic palette, in place of an IFO's that has no greys
    Ifo,            // the IFO's own palette
};

struct SubtitleInput {
    std::string file;
    // GDI character-set number (FontTables.h) the texts are read and drawn
    // in; a file that starts with a byte-order mark reads as UTF-8 whatever
    // this says.
    int charset = kDefaultCharset;
    // Entries already read and checked (the window's list): the run neither
    // reads the file nor checks the widths again. `utf8`: they are UTF-8.
    std::shared_ptr<const std::vector<Cue>> entries;
    bool utf8 = false;
    // A file without a byte-order mark that is valid UTF-8 with characters
    // beyond ASCII is read as UTF-8 whatever `charset` says.
    bool charsetAuto = false;
    // Frame rate of a MicroDVD file without its own frame-rate line; 0:
    // such a file is refused.
    double microDvdFps = 0;
    // Fonts an ASS/SSA script may use besides the installed ones and its own
    // [Fonts] section; none when empty.
    std::string fontsDir;
};

struct PaletteChoice {
    // The colour each of the 16 entries is drawn and recognised in.
    std::array<Rgb, 16> colours{};
    // The entries as they go on the disc (the mux's palette file).
    std::array<uint32_t, 16> disc{};
    RoleIndices roles;  // palette entries of antialias, outline, text, background
    VideoStandard standard = VideoStandard::Pal;
    PaletteSource source = PaletteSource::NoIfo;
};

struct TextLook {
    std::string fontName = "Arial";  // a face that is not installed is substituted
    int sizePoints = 20;
    FontStyle style = FontStyle::Normal;
    Alignment align = Alignment::Center;
    int offset = kOffsetSetting.byDefault;            // rows between the frame's bottom margin and line 1
    int lineSpacing = kLineSpacingSetting.byDefault;  // added to line 2's distance from line 1 (negated)
    int outlineWidth = 3;                             // pixels; below 1: no outline layer
    bool wrap = false;                                // lines too wide are broken at spaces
    bool widescreen = false;                          // a 16:9 picture: text drawn three quarters as wide
    // The fit check also refuses a subtitle of one or two lines that would
    // reach past the frame's top or bottom row.
    bool refuseOutsideFrame = false;
    // DVD outputs put the last line at the offset from the bottom (as the
    // PGS output always does) instead of the first.
    bool anchorBottom = false;
    // The subtitles' language ("ja", "zh", "ko"...): the forms of lines of
    // Han ideographs alone. Empty: Chinese.
    std::string language;
};

// The film to mux into (empty: none), the sub-picture stream number, 0 to
// 31, and the stream's language for the dvdauthor project.
struct DvdMuxRequest {
    std::string video;
    int stream = 0;
    std::string language = "en";
    // The stem the disc's files are named after, when it is not this file's
    // own: of several files muxed into one film the disc carries the first
    // one's name, and only its help tells how to author the disc.
    std::string discStem;
    // The disc's help of several files names every stream: "0 (en), 1 (fr)".
    std::string discStreams;
};

// The Blu-ray PGS stream: its picture, and the text and outline colours
// (none: the roles' palette colours) and the background box.
struct PgsRequest {
    PgsVideo video;
    std::optional<Rgba> text, outline;
    Rgba background{0, 0, 0, 0};
};

// The kinds on by default in the output table (core/OutputKinds.h): "sup".
std::set<std::string> DefaultOutputKinds();

struct OutputRequest {
    // The output kinds written, by their names in the output table
    // (core/OutputKinds.h): "sup" (NAME.sup), "vobsub" (NAME.idx and
    // NAME.sub), "pgs" (NAME.pgs.sup, Blu-ray, drawn from the same lines in
    // grey levels), and any other row. The film to mux into is `mux`.
    std::set<std::string> kinds = DefaultOutputKinds();
    std::string folder;           // empty: beside the subtitle file
    std::string language = "en";  // of the VobSub index
    DvdMuxRequest mux;            // the film to mux into; none when empty
    PgsRequest pgsRequest;
    bool forced = false;  // every DVD unit starts with the forced start command

    bool Wants(const std::string& kind) const { return kinds.count(kind) > 0; }
    void Set(const std::string& kind, bool on) {
        if (on)
            kinds.insert(kind);
        else
            kinds.erase(kind);
    }
    // Any output that takes DVD units: the ".sup", the VobSub pair, the film.
    bool AnyDvd() const;
};

struct ConversionJob {
    SubtitleInput subtitle;
    PaletteChoice palette;
    TextLook look;
    OutputRequest outputs;
    // Files the run reads besides the subtitle file and the film (the IFO):
    // no output may replace one of them.
    std::vector<std::string> otherInputs;
};

// The file name with its last four characters (dot and three-letter
// extension) replaced by `ending`; a name of three characters or fewer loses
// nothing.
std::string ReplaceExtension(const std::string& fileName, const std::string& ending);

// Folder (with its separator) and base name of a run's outputs for
// `subtitleFile`: the subtitle file's folder, or `outputFolder` when it is
// not empty; the base name is the file name less its last four characters.
std::string OutputStem(const std::string& outputFolder, const std::string& subtitleFile);

// The generic palette as it goes on the disc (see mux/PaletteFile.h).
DiscPalette GenericDiscEntries();

// The language code in a subtitle file name such as "movie.fr.srt"; none
// when the name has no such part.
std::optional<std::string> LanguageInFileName(const std::string& path);

// Frame rows of a standard.
inline int FrameHeightOf(VideoStandard s) { return s == VideoStandard::Pal ? kPalHeight : kNtscHeight; }

}  // namespace glyphon
