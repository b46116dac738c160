#include "subtitle/FormatGuess.h"

#include <vector>

#include "subtitle/ReaderSupport.h"
#include "subtitle/SsaProbe.h"
#include "subtitle/SubtitleReaders.h"

namespace glyphon {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// `word` anywhere in `s`, letters in any case.
bool Holds(std::string_view s, std::string_view word) {
    for (size_t i = 0; i + word.size() <= s.size(); ++i) {
        size_t k = 0;
        while (k < word.size() && Lower(s[i + k]) == Lower(word[k])) ++k;
        if (k == word.size()) return true;
    }
    return false;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// Digits then `end` at `i`; moves past them.
bool Number(std::string_view s, size_t& i, char end) {
    const size_t from = i;
    while (i < s.size() && Digit(s[i])) ++i;
    if (i == from || i >= s.size() || s[i] != end) return false;
    ++i;
    return true;
}

// "[12][34]text" (MPL2, tenths of a second).
bool Mpl2Line(std::string_view line) {
    size_t i = 0;
    return StartsWith(line, "[") && Number(line, ++i, ']') && i < line.size() && line[i] == '[' &&
           Number(line, ++i, ']');
}

// "[00:12.34]" (LRC lyrics).
bool LyricsLine(std::string_view line) {
    size_t i = 0;
    return StartsWith(line, "[") && Number(line, ++i, ':') && Number(line, i, '.') && i > 4;
}

// "0:00:01.00,0:00:02.00" (SubViewer 1 and 2).
bool SubViewerLine(std::string_view line) {
    size_t i = 0;
    return Number(line, i, ':') && Number(line, i, ':') && Number(line, i, '.') && Number(line, i, ',') &&
           Number(line, i, ':') && Number(line, i, ':') && Number(line, i, '.');
}

// "00:01.000 --> 00:02.000": times without hours, as WebVTT writes them.
bool ShortTimingLine(std::string_view line) {
    size_t i = 0;
    return Number(line, i, ':') && Number(line, i, '.') && line.find("-->") != std::string_view::npos;
}

}  // namespace

std::string GuessFormat(std::string_view head) {
    struct Signature {
        std::string_view bytes;
        const char* what;
        bool binary = false;  // only with a zero byte soon after: "SP" starts words too
    };
    static constexpr Signature kBinary[] = {
        {"\x1A\x45\xDF\xA3", "a Matroska or WebM file (take its subtitles out with mkvextract)"},
        {std::string_view("\0\0\1\xBA", 4), "an MPEG program stream (a film)"},
        {"PG", "a Blu-ray PGS stream: image subtitles already", true},
        {"SP", "a DVD .sup stream: image subtitles already", true},
        {"PK\3\4", "a ZIP archive (unpack the subtitle first)"},
        {"Rar!", "a RAR archive (unpack the subtitle first)"},
        {"7z\xBC\xAF", "a 7-Zip archive (unpack the subtitle first)"},
        {"\x1F\x8B", "a gzip file (unpack the subtitle first)"},
        {"%PDF", "a PDF document"},
        {"RIFF", "a RIFF file (AVI or WAV)"},
    };
    for (const Signature& s : kBinary)
        if (StartsWith(head, s.bytes) &&
            (!s.binary || head.substr(0, 64).find('\0') != std::string_view::npos))
            return s.what;
    if (head.size() >= 8 && head.substr(4, 4) == "ftyp") return "an MP4 or QuickTime file";
    if (head.find('\0') != std::string_view::npos) return "binary data, not text";

    const std::vector<std::string_view> lines = HeadLines(head, 200);
    std::string_view first;
    for (const std::string_view line : lines)
        if (!BlankLine(line)) {
            first = line.substr(line.find_first_not_of(" \t"));
            break;
        }
    if (StartsWith(first, "WEBVTT")) return "a WebVTT file";
    if (StartsWith(first, "# VobSub index file")) return "a VobSub index (.idx): image subtitles already";
    if (Holds(head.substr(0, 512), "<sami")) return "a SAMI file";
    if (Holds(head, "<tt ") || Holds(head, "<tt>") || Holds(head, "<tt:tt")) return "a TTML (DFXP) file";
    if (Holds(head.substr(0, 512), "<html") || Holds(head.substr(0, 512), "<!doctype html"))
        return "a web page (HTML)";
    if (Holds(head.substr(0, 512), "<window")) return "a RealText file";
    if (StartsWith(first, "<?xml")) return "an XML file";
    if (HasSection(head, "[V4+ Styles]") || HasSection(head, "[V4 Styles]") || HasSection(head, "[Events]"))
        return "an ASS/SSA script without its [Script Info] section, which libass cannot read";
    if (HasSection(head, "[INFORMATION]") || HasSection(head, "[SUBTITLE]")) return "a SubViewer file";
    size_t mpl2 = 0, lyrics = 0, subViewer = 0, shortTimes = 0, braces = 0;
    for (const std::string_view line : lines) {
        mpl2 += Mpl2Line(line);
        lyrics += LyricsLine(line);
        subViewer += SubViewerLine(line);
        shortTimes += ShortTimingLine(line);
        braces += StartsWith(line, "{");
    }
    if (subViewer > 0) return "a SubViewer file";
    if (mpl2 > 0) return "an MPL2 file";
    if (lyrics > 0) return "an LRC lyrics file";
    if (shortTimes > 0) return "a WebVTT file without its WEBVTT line";
    if (braces > 0) return "a MicroDVD file without frame numbers in its first line";
    return "text without subtitle times";
}

std::string DescribeUnreadFile(std::string_view head, const std::string& fileName) {
    bool blank = true;
    for (const std::string_view line : HeadLines(head, size_t(-1))) blank = blank && BlankLine(line);
    if (blank) return fileName + " is empty: it holds no subtitle";
    return fileName + " is no subtitle file Glyphon reads (" + ReadableFormats() + "): it looks like " +
           GuessFormat(head);
}

}  // namespace glyphon
