#include "subtitle/WebVttText.h"

#include <cstdint>
#include <iterator>

#include "common/Utf8.h"

namespace glyphon {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

struct Named {
    std::string_view name;
    uint32_t cp;
};
constexpr Named kReferences[] = {
    {"amp", '&'},      {"lt", '<'},        {"gt", '>'},        {"quot", '"'},      {"apos", '\''},
    {"lrm", 0x200E},   {"rlm", 0x200F},    {"hellip", 0x2026}, {"mdash", 0x2014},  {"ndash", 0x2013},
    {"lsquo", 0x2018}, {"rsquo", 0x2019},  {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},
    {"bdquo", 0x201E}, {"lsaquo", 0x2039}, {"rsaquo", 0x203A}, {"bull", 0x2022},   {"euro", 0x20AC},
    {"trade", 0x2122}, {"dagger", 0x2020}, {"Dagger", 0x2021}, {"permil", 0x2030}, {"OElig", 0x152},
    {"oelig", 0x153},  {"Scaron", 0x160},  {"scaron", 0x161},  {"Yuml", 0x178},    {"circ", 0x2C6},
    {"tilde", 0x2DC},  {"ensp", 0x2002},   {"emsp", 0x2003},   {"thinsp", 0x2009}, {"zwnj", 0x200C},
    {"zwj", 0x200D}};

// HTML's names of the Latin-1 characters U+00A0 to U+00FF, in order: the
// accented letters of most European subtitles ("&eacute;").
constexpr std::string_view kLatin1Names[] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
static_assert(std::size(kLatin1Names) == 0x100 - 0xA0);

// A character reference at the start of `text` ("&amp;", "&#233;"): its
// length and character; 0 when there is none (the '&' stands as it is).
size_t Reference(std::string_view text, uint32_t& cp) {
    const size_t semi = text.find(';');
    if (semi == std::string_view::npos || semi < 2 || semi > 10) return 0;
    const std::string_view body = text.substr(1, semi - 1);
    if (body[0] == '#') {
        const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) return 0;
        uint32_t value = 0;
        for (const char c : digits) {
            int d = c >= '0' && c <= '9'          ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
            if (d < 0) return 0;
            value = value * (hex ? 16 : 10) + uint32_t(d);
            if (value > 0x10FFFF) value = 0x110000;
        }
        cp = value;
        return semi + 1;
    }
    for (const Named& n : kReferences)
        if (body == n.name) {
            cp = n.cp;
            return semi + 1;
        }
    for (size_t i = 0; i < std::size(kLatin1Names); ++i)
        if (body == kLatin1Names[i]) {
            cp = uint32_t(0xA0 + i);
            return semi + 1;
        }
    return 0;
}

// An open tag: its name and what it asks for.
struct Open {
    std::string name;
    VttLook look;
};

VttLook LookOfTag(std::string_view tag, const VttStyleSheet& sheet, std::string& name) {
    // "c.yellow.loud", "v.first Name", "lang en": the name up to the first
    // '.', blank or end; classes after dots up to the blank.
    const size_t blank = tag.find_first_of(" \t");
    const std::string_view head = tag.substr(0, blank);
    const size_t dot = head.find('.');
    name = Lower(head.substr(0, dot));
    VttLook look;
    if (name == "b") look.style = kRunBold;
    if (name == "i") look.style = kRunItalic;
    if (name == "u") look.style = kRunUnderline;
    const auto apply = [&](const VttLook& rule) {
        look.style = (look.style & ~rule.unstyle) | rule.style;
        look.unstyle |= rule.unstyle;
        if (rule.colour) look.colour = rule.colour;
    };
    if (const auto it = sheet.tags.find(name); it != sheet.tags.end()) apply(it->second);
    for (size_t at = dot; at != std::string_view::npos && at < head.size();) {
        const size_t next = head.find('.', at + 1);
        const std::string cls = Lower(
            head.substr(at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1));
        if (const auto it = sheet.classes.find(cls); it != sheet.classes.end()) apply(it->second);
        at = next;
    }
    return look;
}

}  // namespace

VttText ReadVttCueText(const std::vector<std::string_view>& lines, const VttStyleSheet& sheet) {
    VttText out;
    std::vector<Open> open;
    bool styled = false;
    // The style and colour of text under the open tags.
    const auto current = [&](int& style, uint32_t& colour) {
        style = sheet.cue.style;
        colour = sheet.cue.colour;
        for (const Open& o : open) {
            style = (style & ~o.look.unstyle) | o.look.style;
            if (o.look.colour) colour = o.look.colour;
        }
    };
    for (const std::string_view line : lines) {
        std::string plain;
        LineRuns runs;
        int style = 0;
        uint32_t colour = 0;
        current(style, colour);
        const auto add = [&](std::string_view bytes) {
            if (bytes.empty()) return;
            plain += bytes;
            if (!runs.empty() && runs.back().style == style && runs.back().colour == colour)
                runs.back().length += uint32_t(bytes.size());
            else
                runs.push_back(StyledRun{uint32_t(bytes.size()), style, colour});
        };
        for (size_t i = 0; i < line.size();) {
            const char c = line[i];
            if (c == '<') {
                const size_t close = line.find('>', i);
                if (close == std::string_view::npos) break;  // an unclosed tag ends the line's text
                const std::string_view tag = line.substr(i + 1, close - i - 1);
                i = close + 1;
                if (tag.empty()) continue;
                if (tag[0] == '/') {
                    // Closes the innermost open tag of that name and those inside it.
                    const std::string name = Lower(tag.substr(1));
                    for (size_t k = open.size(); k-- > 0;)
                        if (open[k].name == name) {
                            open.resize(k);
                            break;
                        }
                } else if (!(tag[0] >= '0' && tag[0] <= '9')) {
                    Open o;
                    o.look = LookOfTag(tag, sheet, o.name);
                    open.push_back(std::move(o));
                }
                current(style, colour);
            } else if (c == '&') {
                uint32_t cp = 0;
                if (const size_t n = Reference(line.substr(i), cp)) {
                    std::string ch;
                    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
                    AppendUtf8(ch, cp);
                    add(ch);
                    i += n;
                } else {
                    add("&");
                    ++i;
                }
            } else {
                size_t end = line.find_first_of("<&", i);
                if (end == std::string_view::npos) end = line.size();
                add(line.substr(i, end - i));
                i = end;
            }
        }
        for (const StyledRun& r : runs) styled = styled || r.style != 0 || r.colour != 0;
        out.lines.push_back(std::move(plain));
        out.runs.push_back(std::move(runs));
    }
    if (!styled)
        for (LineRuns& r : out.runs) r.clear();
    return out;
}

}  // namespace glyphon
