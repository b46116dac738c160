#include "cli/NamedOptions.h"

#include <strings.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>

#include "common/LanguageCode.h"
#include "core/OutputKinds.h"
#include "core/SettingRanges.h"
#include "palette/ColorNames.h"
#include "render/FontTables.h"

namespace glyphon {

namespace {

// An integer in plain decimal: an optional minus sign and digits, nothing
// else, within the range of int.
std::optional<int> ParseInt(const std::string& text) {
    size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return std::nullopt;
    return int(v);
}

// The position of `text` in `items`, any letter case.
std::optional<int> PositionIn(const std::vector<std::string>& items, const std::string& text) {
    for (size_t i = 0; i < items.size(); ++i)
        if (strcasecmp(items[i].c_str(), text.c_str()) == 0) return int(i);
    return std::nullopt;
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty()) out += separator;
        out += item;
    }
    return out;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

// Stores a checked value; returns the reason when the value is refused
// (the option's name is put in front by the parser).
using Apply = std::string (*)(ConvertOptions&, const std::string&);

struct OptionRow {
    const char* longName;   // "--size"
    char shortName;         // 'o', or 0
    const char* valueName;  // "POINTS"; nullptr for a switch
    const char* help;       // filled into the help's width; "\n" counts as a blank
    Apply apply;
    std::string (*helpOf)() = nullptr;  // the help made when shown, in place of `help`
};

std::string ApplyInList(int& field, const std::vector<std::string>& items, const std::string& value,
                        const char* what) {
    const auto position = PositionIn(items, value);
    if (!position) return "'" + value + "' is not " + what + " (" + Join(items, ", ") + ")";
    field = *position;
    return {};
}

std::string ApplyColour(std::optional<Rgb>& field, const std::string& value) {
    field = ParseColor(value);
    if (!field) return "'" + value + "' is not a colour name or #RRGGBB";
    return {};
}

std::string ApplyInRange(int& field, const std::string& value, int min, int max) {
    const auto v = ParseInt(value);
    if (!v || *v < min || *v > max)
        return "'" + value + "' is not a whole number from " + std::to_string(min) + " to " +
               std::to_string(max);
    field = *v;
    return {};
}

std::string ApplyInRange(int& field, const std::string& value, const IntSetting& range) {
    return ApplyInRange(field, value, range.minimum, range.maximum);
}

const OptionRow kOptions[] = {
    {"--ifo", 0, "FILE",
     "palette and video standard from a title set's IFO (default: the generic\n"
     "palette)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (v.empty()) return "needs a file name";
         o.ifoFile = v;
         return {};
     }},
    {"--standard", 0, "pal|ntsc", "video standard of the generic palette (default: pal)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (strcasecmp(v.c_str(), "pal") == 0)
             o.pal = true;
         else if (strcasecmp(v.c_str(), "ntsc") == 0)
             o.pal = false;
         else
             return "'" + v + "' is not pal or ntsc";
         return {};
     }},
    {"--font", 0, "NAME",
     "font family by name, e.g. \"DejaVu Sans\" (default: Arial); a family that is\n"
     "not installed is replaced by the nearest one, with a warning",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (v.empty()) return "needs a font name";
         o.fontName = v;
         return {};
     }},
    {"--size", 0, "POINTS", "font size: 6 to 30, or 32 to 50 even (default: 20)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         return ApplyInList(o.fontSize, FontSizeItems(), v, "a font size");
     }},
    {"--style", 0, "NAME",
     "Normal, Bold, Italic, Underline, Bold+Italic, Bold+Under, Bold+It+Und,\n"
     "Italic+Under or StrikeOut, any letter case (default: Normal)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         return ApplyInList(o.fontStyle, FontStyleItems(), v, "a font style");
     }},
    {"--charset", 0, "NAME",
     "character set of the subtitle bytes: auto, ANSI, ARABIC, BALTIC,\n"
     "CHINESEBIG5, DEFAULT, EASTEUROPE, GB2312, GREEK, HANGEUL, HEBREW, JOHAB, MAC,\n"
     "OEM, RUSSIAN, SHIFTJIS, SYMBOL, THAI, TURKISH, VIETNAMESE, UTF-8 (default: auto:\n"
     "UTF-8 for a file that is valid UTF-8 with characters beyond ASCII, otherwise\n"
     "the character set found in its text, named in one line, or Windows-1252 when\n"
     "none is; a file with a byte-order mark is read as Unicode whatever is chosen)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (strcasecmp(v.c_str(), "auto") == 0) {
             o.charsetAuto = true;
             o.fontCharset = kDefaultCharsetPosition;
             return {};
         }
         o.charsetAuto = false;
         return ApplyInList(o.fontCharset, FontCharsetItems(), v, "a character set (or auto)");
     }},
    {"--wrap", 0, nullptr,
     "break a line too wide for the frame where lines may break (between words,\n"
     "between CJK characters, Thai by word) into lines that fit, as even as can be\n"
     "(the default)",
     [](ConvertOptions& o, const std::string&) -> std::string {
         o.wrap = true;
         return {};
     }},
    {"--no-wrap", 0, nullptr,
     "refuse a file with a line too wide for the frame instead, naming every such\n"
     "line",
     [](ConvertOptions& o, const std::string&) -> std::string {
         o.wrap = false;
         return {};
     }},
    {"--align", 0, "center|left|right", "alignment of the lines (default: center)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         return ApplyInList(o.align, AlignItems(), v, "an alignment");
     }},
    {"--anchor", 0, "first|bottom",
     "line at the offset in DVD outputs: first (the first line, as DVD\n"
     "subtitles are placed) or bottom (the last line, as players and the PGS\n"
     "output place it) (default: first)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (strcasecmp(v.c_str(), "first") == 0)
             o.anchorBottom = false;
         else if (strcasecmp(v.c_str(), "bottom") == 0)
             o.anchorBottom = true;
         else
             return "'" + v + "' is not first or bottom";
         return {};
     }},
    {"--offset", 0, "N", nullptr,
     [](ConvertOptions& o, const std::string& v) { return ApplyInRange(o.offset, v, kOffsetSetting); },
     [] {
         const IntSetting& r = kOffsetSetting;
         return "offset of the first line from the bottom, " + r.RangeText() +
                " (default: " + std::to_string(r.byDefault) + ")";
     }},
    {"--line-spacing", 0, "N", nullptr,
     [](ConvertOptions& o, const std::string& v) { return ApplyInRange(o.offsetOr, v, kLineSpacingSetting); },
     [] {
         const IntSetting& r = kLineSpacingSetting;
         return "adjustment of the second line, " + r.RangeText() +
                "; an odd value moves up to the next even one, as in the window (default: " +
                std::to_string(r.byDefault) + ")";
     }},
    {"--outline", 0, "2|3|4", "outline width in pixels (default: 3)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         return ApplyInList(o.outlineWidth, OutlineWidthItems(), v, "an outline width");
     }},
    {"--colors", 0, "T,O,A,B",
     "palette entries 0 to 15 for text, outline, antialias and background\n"
     "(default: the IFO palette's greys, or 3,0,1,0 for the generic palette)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         const std::vector<std::string> parts = SplitCommas(v);
         std::array<int, 4> colors{};
         bool ok = parts.size() == 4;
         for (size_t i = 0; ok && i < 4; ++i) {
             const auto n = ParseInt(parts[i]);
             ok = n && *n >= 0 && *n <= 15;
             if (ok) colors[i] = *n;
         }
         if (!ok) return "'" + v + "' is not four palette entries 0 to 15 separated by commas";
         o.colors = colors;
         return {};
     }},
    {"--format", 0, "LIST", nullptr,
     [](ConvertOptions& o, const std::string& v) -> std::string {
         std::set<std::string> formats;
         for (const std::string& part : SplitCommas(v)) {
             const auto known = PositionIn(OutputFormats(), part);
             if (!known)
                 return "'" + part + "' is not an output format (" + Join(OutputFormats(), ", ") + ")";
             formats.insert(OutputFormats()[size_t(*known)]);
         }
         o.formats = std::move(formats);
         return {};
     },
     [] {
         // The output table's kinds, as they are when the help is shown.
         std::vector<std::string> words, defaults;
         for (const OutputKind* kind : FormatKinds()) {
             words.push_back(kind->formatHelp);
             if (kind->byDefault) defaults.push_back(kind->name);
         }
         return "comma-separated outputs: " + Join(words, ", ") +
                ", or several (default: " + Join(defaults, ",") + ")";
     }},
    {"--resolution", 0, "WxH",
     "picture size of the pgs output: 1920x1080, 1280x720, 720x576 or\n"
     "720x480 (default: 1920x1080)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         static const std::vector<std::string> sizes{"1920x1080", "1280x720", "720x576", "720x480"};
         const auto position = PositionIn(sizes, v);
         if (!position) return "'" + v + "' is not a picture size (" + Join(sizes, ", ") + ")";
         static const int sizesWH[][2] = {{1920, 1080}, {1280, 720}, {720, 576}, {720, 480}};
         o.pgs.video.width = sizesWH[*position][0];
         o.pgs.video.height = sizesWH[*position][1];
         if (!o.frameRateGiven) o.pgs.video.frameRate = DefaultPgsFrameRate(o.pgs.video.height);
         return {};
     }},
    {"--frame-rate", 0, "RATE",
     "frame rate of the pgs output: 23.976, 24, 25, 29.97, 50 or 59.94\n"
     "(default: 25 at 720x576, 29.97 at 720x480, 23.976 otherwise)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         const auto code = PgsFrameRateCode(v);
         if (!code) return "'" + v + "' is not a frame rate (23.976, 24, 25, 29.97, 50, 59.94)";
         o.pgs.video.frameRate = *code;
         o.frameRateGiven = true;
         return {};
     }},
    {"--background-color", 0, "COLOR",
     "box behind the lines of the pgs output: a colour, optionally\n"
     "with an opacity in percent (black/50), or transparent (default)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (strcasecmp(v.c_str(), "transparent") == 0 || strcasecmp(v.c_str(), "none") == 0) {
             o.pgs.background = Rgba{0, 0, 0, 0};
             return {};
         }
         const size_t slash = v.find('/');
         const auto c = ParseColor(std::string_view(v).substr(0, slash));
         int percent = 100;
         if (slash != std::string::npos) {
             const auto p = ParseInt(v.substr(slash + 1));
             if (!p || *p < 0 || *p > 100) return "'" + v + "' has no opacity from 0 to 100 after the /";
             percent = *p;
         }
         if (!c) return "'" + v + "' is not a colour name or #RRGGBB (with /PERCENT), or transparent";
         o.pgs.background = Rgba{c->r, c->g, c->b, uint8_t((percent * 255 + 50) / 100)};
         return {};
     }},
    {"--language", 0, "CODES",
     "two-letter language code of each file's VobSub index and DVD stream,\n"
     "comma-separated in the order of the files, e.g. en,fr (default: the\n"
     "code in a name like movie.fr.srt, else en)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         std::vector<std::string> codes;
         for (const std::string& part : SplitCommas(v)) {
             const std::optional<std::string> code = LanguageCode(part);
             if (!code) return "'" + part + "' is not a two-letter language code";
             codes.push_back(*code);
         }
         o.language = codes.front();
         o.languages = std::move(codes);
         return {};
     }},
    {"--output-dir", 'o', "DIR",
     "write the outputs into DIR, created if missing (default: beside each\n"
     "subtitle file)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (v.empty()) return "needs a folder name";
         o.outputDir = v;
         return {};
     }},
    {"--jobs", 'j', "N", "convert N files at once (default: one per core)",
     [](ConvertOptions& o, const std::string& v) { return ApplyInRange(o.jobs, v, 1, 1024); }},
    {"--quiet", 'q', nullptr, "no progress lines (they are shown only on a terminal anyway)",
     [](ConvertOptions& o, const std::string&) -> std::string {
         o.quiet = true;
         return {};
     }},
    {"--mux", 0, "VIDEO",
     "also mux the subtitles into VIDEO, a DVD MPEG-2 program stream: every\n"
     "file one stream of NAME.muxed.mpg, NAME being the first file's;\n"
     "with NAME.palette.yuv and NAME.dvdauthor.xml for\n"
     "`dvdauthor -o DVD -x NAME.dvdauthor.xml`",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (v.empty()) return "needs a video file name";
         o.muxVideo = v;
         return {};
     }},
    {"--fps", 0, "RATE",
     "frame rate of MicroDVD files without a \"{1}{1}RATE\" first line,\n"
     "e.g. 23.976 (a file's own line wins)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         double rate = 0;
         const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), rate);
         if (v.empty() || ec != std::errc() || end != v.data() + v.size() || !(rate >= 1 && rate <= 1000))
             return "'" + v + "' is not a frame rate from 1 to 1000, e.g. 25 or 23.976";
         o.fps = rate;
         return {};
     }},
    {"--fonts-dir", 0, "DIR",
     "fonts for ASS/SSA scripts besides the installed ones and the\n"
     "script's own (e.g. a film's attachments)",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (v.empty()) return "needs a folder";
         o.fontsDir = v;
         return {};
     }},
    {"--aspect", 0, "4:3|16:9",
     "the picture's aspect ratio (default: the --mux film's, else 4:3); for\n"
     "16:9 the text is drawn three quarters as wide, to look right once\n"
     "the player widens the picture",
     [](ConvertOptions& o, const std::string& v) -> std::string {
         if (v == "4:3")
             o.widescreen = false;
         else if (v == "16:9")
             o.widescreen = true;
         else
             return "'" + v + "' is not 4:3 or 16:9";
         return {};
     }},
    {"--text-color", 0, "COLOR",
     "text colour: a CSS colour name or #RRGGBB, for the generic DVD\n"
     "palette (default: white) and the pgs output (default: the text\n"
     "role's colour)",
     [](ConvertOptions& o, const std::string& v) {
         const std::string reason = ApplyColour(o.textColor, v);
         if (reason.empty()) o.pgs.text = Rgba{o.textColor->r, o.textColor->g, o.textColor->b, 255};
         return reason;
     }},
    {"--outline-color", 0, "COLOR",
     "outline colour, for the generic DVD palette (default: black) and\n"
     "the pgs output (default: the outline role's colour)",
     [](ConvertOptions& o, const std::string& v) {
         const std::string reason = ApplyColour(o.outlineColor, v);
         if (reason.empty())
             o.pgs.outline = Rgba{o.outlineColor->r, o.outlineColor->g, o.outlineColor->b, 255};
         return reason;
     }},
    {"--antialias-color", 0, "COLOR", "antialias colour of the generic palette (default: dark grey)",
     [](ConvertOptions& o, const std::string& v) { return ApplyColour(o.antialiasColor, v); }},
    {"--forced", 0, nullptr,
     "forced subtitles: players show them even with subtitles off (for the\n"
     "foreign-language parts of a film)",
     [](ConvertOptions& o, const std::string&) -> std::string {
         o.forced = true;
         return {};
     }},
    {"--stream", 0, "N", nullptr,
     [](ConvertOptions& o, const std::string& v) -> std::string {
         int stream = 0;
         const std::string reason = ApplyInRange(stream, v, kStreamSetting);
         if (reason.empty()) o.stream = stream;
         return reason;
     },
     [] {
         const IntSetting& r = kStreamSetting;
         return "sub-picture stream number " + r.RangeText() +
                " of the first file for --mux; the others follow it "
                "(default: " +
                std::to_string(r.byDefault) + ")";
     }},
};

const OptionRow* FindLong(const std::string& name) {
    for (const OptionRow& option : kOptions)
        if (name == option.longName) return &option;
    return nullptr;
}

const OptionRow* FindShort(char c) {
    for (const OptionRow& option : kOptions)
        if (option.shortName && option.shortName == c) return &option;
    return nullptr;
}

NamedCommand Refuse(std::string reason) {
    NamedCommand c;
    c.kind = NamedCommand::UsageError;
    c.error = std::move(reason);
    return c;
}

NamedCommand ParseConvert(const std::vector<std::string>& args) {
    NamedCommand command;
    command.kind = NamedCommand::Convert;
    ConvertOptions& o = command.options;
    bool onlyFiles = false;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty()) return Refuse("an empty subtitle file name");
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            NamedCommand help;
            help.kind = NamedCommand::Help;
            return help;
        }
        if (arg == "--version") {
            NamedCommand version;
            version.kind = NamedCommand::Version;
            return version;
        }
        const OptionRow* option = nullptr;
        std::string shown;  // the option as the user wrote it, for messages
        std::optional<std::string> value;
        if (arg[1] == '-') {
            const size_t eq = arg.find('=');
            shown = arg.substr(0, eq);
            option = FindLong(shown);
            if (eq != std::string::npos) value = arg.substr(eq + 1);
            if (!option) return Refuse("unknown option '" + shown + "'");
            if (!option->valueName && value) return Refuse("'" + shown + "' takes no value");
        } else {
            shown = arg.substr(0, 2);
            option = FindShort(arg[1]);
            if (!option) return Refuse("unknown option '" + shown + "'");
            if (arg.size() > 2) {
                // -j2, -oDIR; a switch takes no value, so -q2 is a mistake.
                if (!option->valueName) return Refuse("'" + shown + "' takes no value");
                value = arg.substr(2);
            }
        }
        if (option->valueName && !value) {
            if (i + 1 >= args.size())
                return Refuse("'" + shown + "' needs a value (" + option->valueName + ")");
            value = args[++i];
        }
        const std::string reason = option->apply(o, value.value_or(std::string()));
        if (!reason.empty()) return Refuse(shown + ": " + reason);
    }
    if (o.ifoFile && o.pal) return Refuse("--standard goes with the generic palette, not with --ifo");
    if (o.stream && o.muxVideo.empty()) return Refuse("--stream goes with --mux");
    if (o.files.empty()) return Refuse("no subtitle file given");
    if (!o.muxVideo.empty() && o.stream.value_or(0) + o.files.size() - 1 > size_t(kStreamSetting.maximum))
        return Refuse("--mux: " + std::to_string(o.files.size()) + " files from stream " +
                      std::to_string(o.stream.value_or(0)) + " on would go past stream " +
                      std::to_string(kStreamSetting.maximum));
    if (o.languages.size() > 1 && o.languages.size() != o.files.size())
        return Refuse("--language names " + std::to_string(o.languages.size()) + " codes for " +
                      std::to_string(o.files.size()) + (o.files.size() == 1 ? " file" : " files"));
    const bool coloured = o.textColor || o.outlineColor || o.antialiasColor;
    // With an IFO the DVD palette is the disc's own; named colours then
    // serve the pgs output only.
    if (o.ifoFile && coloured && !o.formats.count("pgs"))
        return Refuse(
            "--text-color, --outline-color and --antialias-color go with the generic palette, not with "
            "--ifo");
    if (coloured && !o.ifoFile) {
        // Roles that share a palette entry cannot have two colours.
        const std::array<int, 4> entries = o.colors.value_or(std::array<int, 4>{3, 0, 1, 0});
        const std::pair<const char*, const std::optional<Rgb>*> named[] = {
            {"--text-color", &o.textColor},
            {"--outline-color", &o.outlineColor},
            {"--antialias-color", &o.antialiasColor}};
        for (int a = 0; a < 3; ++a)
            for (int b = a + 1; b < 3; ++b)
                if (*named[a].second && *named[b].second && entries[size_t(a)] == entries[size_t(b)] &&
                    !(**named[a].second == **named[b].second))
                    return Refuse(std::string(named[a].first) + " and " + named[b].first +
                                  " colour the same palette entry " + std::to_string(entries[size_t(a)]));
    }
    return command;
}

}  // namespace

std::vector<std::string> OutputFormats() {
    std::vector<std::string> formats;
    for (const OutputKind* kind : FormatKinds()) formats.push_back(kind->name);
    return formats;
}

NamedCommand ParseNamedCommand(const std::vector<std::string>& args) {
    if (args.size() < 2) return {};
    const std::string& first = args[1];
    if (first == "--help" || first == "-h") {
        NamedCommand c;
        c.kind = NamedCommand::Help;
        return c;
    }
    if (first == "--version") {
        NamedCommand c;
        c.kind = NamedCommand::Version;
        return c;
    }
    if (first == "convert") return ParseConvert(args);
    return {};
}

namespace {

// Help lines stay within this many columns.
constexpr size_t kUsageWidth = 79;
// Where option help texts start.
constexpr size_t kHelpColumn = 24;

// `text` filled into lines of at most kUsageWidth columns: the first starts
// with `first`, the others with `indent`; a "\n" in the text counts as a
// blank.
std::string Filled(const std::string& first, const std::string& indent, const std::string& text) {
    std::string out = first, line = first;
    bool lineHasWord = false;
    size_t p = 0;
    while (p < text.size()) {
        if (text[p] == ' ' || text[p] == '\n') {
            ++p;
            continue;
        }
        const size_t end = text.find_first_of(" \n", p);
        const std::string word = text.substr(p, end == std::string::npos ? std::string::npos : end - p);
        p = end == std::string::npos ? text.size() : end;
        if (lineHasWord && line.size() + 1 + word.size() > kUsageWidth) {
            out += "\n" + indent;
            line = indent;
            lineHasWord = false;
        }
        if (lineHasWord) {
            out += ' ';
            line += ' ';
        }
        out += word;
        line += word;
        lineHasWord = true;
    }
    return out + "\n";
}

}  // namespace

std::string UsageText() {
    std::string text =
        "Usage: glyphon [FILE]\n"
        "       glyphon convert [OPTIONS] SUBTITLE...\n"
        "       glyphon --help | --version\n"
        "       glyphon NOIFO IFO SUBTITLE PAL ANTIALIAS OUTLINE TEXT BG FONT CHARSET\n"
        "               STYLE SIZE ALIGN OFFSET OFFSETOR OUTLINEWIDTH\n"
        "\n"
        "The first form opens the window (it needs a display), with the subtitle FILE\n"
        "loaded when one is named. convert turns SubRip (.srt) and MicroDVD (.sub, .txt)\n"
        "subtitles into DVD sub-picture streams (.sup), each with a help file\n"
        "(NAME.Glyphon_Help.txt), without opening a window.\n"
        "\n"
        "Options of convert:\n";
    const std::string indent(kHelpColumn, ' ');
    for (const OptionRow& option : kOptions) {
        std::string head = "  ";
        head += option.shortName ? std::string("-") + option.shortName + ", " : std::string("    ");
        head += option.longName;
        if (option.valueName) head += std::string(" ") + option.valueName;
        const std::string help = option.helpOf ? option.helpOf() : option.help;
        if (head.size() < kHelpColumn)
            text += Filled(head + std::string(kHelpColumn - head.size(), ' '), indent, help);
        else
            text += head + "\n" + Filled(indent, indent, help);
    }
    text += Filled("  -h, --help" + std::string(kHelpColumn - 12, ' '), indent, "this text");
    text += Filled("      --version" + std::string(kHelpColumn - 15, ' '), indent, "the program's version");
    text +=
        "\n"
        "Exit status: 0 when every file was converted, 1 when any failed (the others\n"
        "are still converted), 2 for a mistake in the command line.\n"
        "\n"
        "Examples:\n"
        "  glyphon movie.srt\n"
        "  glyphon convert movie.srt\n"
        "  glyphon convert --ifo /dvd/VIDEO_TS/VTS_01_0.IFO --font \"DejaVu Sans\" \\\n"
        "          --size 24 movie.srt\n"
        "  glyphon convert --standard ntsc --style bold -o out -j 2 *.srt\n"
        "\n"
        "The 16-argument form is the batch-file format written by \"Add To Batch\": list\n"
        "positions as the window's lists count them (README.md describes every\n"
        "argument), e.g.\n"
        "  glyphon -1 none movie.srt -1 1 0 3 0 0 4 0 14 0 30 -4 1\n";
    return text;
}

}  // namespace glyphon
