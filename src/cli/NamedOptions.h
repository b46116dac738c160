// The named-option command line: `glyphon convert [OPTIONS] SUBTITLE...`,
// `glyphon --help`, `glyphon --version`. Parsing only: values are checked
// against the window's lists and ranges here; the conversion itself is in
// ConvertRun.h.
//
// Every option is one row of the table in NamedOptions.cpp (name, value,
// help text, how the value is stored); a new option is a new row and, if it
// needs one, a new field of ConvertOptions. Output formats are the kinds of
// the output table (core/OutputKinds.h) that `--format` takes.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/Rgb.h"
#include "core/ConversionJob.h"
#include "core/SettingRanges.h"

namespace glyphon {

// Every setting of a named conversion, as typed values. Lists are held as
// the window's list positions; the font stays a name until the installed
// families are known.
struct ConvertOptions {
    std::optional<std::string> ifoFile;  // none: the generic palette
    std::optional<bool> pal;             // --standard; none: PAL
    std::string fontName = "Arial";
    int fontSize = 14;    // position in the size list (20 points)
    int fontStyle = 0;    // "Normal"
    int fontCharset = 4;  // "DEFAULT"
    // --charset auto (the default): each file's own character set, found from
    // its bytes; fontCharset is then what a file is read in when none is found.
    bool charsetAuto = true;
    bool wrap = true;  // lines too wide are broken where lines may break; --no-wrap refuses them
    int align = 0;     // "center"
    int offset = kOffsetSetting.byDefault;
    int offsetOr = kLineSpacingSetting.byDefault;
    bool anchorBottom = false;  // --anchor bottom: the last line at the offset
    int outlineWidth = 1;       // 3 pixels
    // Palette entries for text, outline, antialias and background, in the
    // order --colors takes them; none: what the palette source picks.
    std::optional<std::array<int, 4>> colors;
    std::set<std::string> formats = DefaultOutputKinds();  // --format: names of output kinds
    std::string language = "en";                           // --language, lower case: the first code
    // --language with one code per file (lower case); empty: each file's code
    // from its name (movie.fr.srt), else "en". One code applies to every file.
    std::vector<std::string> languages;
    // --resolution, --frame-rate and the colours of the PGS output.
    PgsRequest pgs;
    bool frameRateGiven = false;  // otherwise the usual rate of the resolution
    std::string outputDir;        // empty: beside each subtitle file
    int jobs = 0;                 // 0: one per core
    bool quiet = false;
    std::string muxVideo;            // --mux: the DVD MPEG to mux into; empty: none
    std::optional<int> stream;       // --stream: sub-picture stream number 0 to 31 of the first file
    double fps = 0;                  // --fps: MicroDVD files without a frame-rate line; 0: none
    std::string fontsDir;            // --fonts-dir: more fonts for ASS/SSA scripts
    std::optional<bool> widescreen;  // --aspect 16:9 / 4:3; none: the film's, else 4:3
    bool forced = false;             // --forced
    // --text-color, --outline-color, --antialias-color: the generic palette's
    // role entries in these colours.
    std::optional<Rgb> textColor, outlineColor, antialiasColor;
    std::vector<std::string> files;
};

struct NamedCommand {
    enum Kind {
        NotNamed,    // not a named-option command line at all
        Help,        // --help, -h, convert --help
        Version,     // --version
        Convert,     // convert with valid options and at least one file
        UsageError,  // a named command that cannot run; `error` says why
    } kind = NotNamed;
    ConvertOptions options;
    std::string error;  // one line, no line end
};

// The output formats --format accepts, in the order the help lists them.
std::vector<std::string> OutputFormats();

// `args` is argv, the program at index 0. A command line is named when its
// first argument is "convert", "--help", "-h" or "--version".
NamedCommand ParseNamedCommand(const std::vector<std::string>& args);

// The whole --help text: the named form with every option, then the
// 16-argument batch form.
std::string UsageText();

}  // namespace glyphon
