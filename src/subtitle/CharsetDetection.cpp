#include "subtitle/CharsetDetection.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <array>
#include <cerrno>
#include <memory>

#include "common/Utf8.h"
#include "subtitle/Subtitle.h"
#include "subtitle/TextFile.h"

namespace glyphon {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// The code page of the program that reads texts of a found set: `same` when
// it reads every byte as the set does (or holds the set, as CP949 holds
// EUC-KR), otherwise only when the bytes a file uses read the same in both.
struct Reading {
    const char* found;
    const char* codePage;
    bool same;
};
constexpr Reading kReadings[] = {
    {"WINDOWS-1250", "CP1250", true}, {"WINDOWS-1251", "CP1251", true}, {"WINDOWS-1252", "CP1252", true},
    {"WINDOWS-1253", "CP1253", true}, {"WINDOWS-1254", "CP1254", true}, {"WINDOWS-1255", "CP1255", true},
    {"WINDOWS-1256", "CP1256", true}, {"WINDOWS-1257", "CP1257", true}, {"WINDOWS-1258", "CP1258", true},
    {"TIS-620", "CP874", false},      {"ISO-8859-11", "CP874", false},  {"BIG5", "CP950", true},
    {"GB18030", "CP936", true},       {"GB2312", "CP936", true},        {"SHIFT_JIS", "CP932", true},
    {"EUC-KR", "CP949", true},        {"UHC", "CP949", true},           {"ISO-8859-1", "CP1252", false},
    {"ISO-8859-15", "CP1252", false}, {"ISO-8859-2", "CP1250", false},  {"ISO-8859-7", "CP1253", false},
    {"ISO-8859-9", "CP1254", false},  {"ISO-8859-8", "CP1255", false},  {"ISO-8859-13", "CP1257", false},
    {"ISO-8859-4", "CP1257", false},
};

struct Iconv {
    explicit Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (cd != kNoConverter) iconv_close(cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    iconv_t cd;
};

// What each byte of a single-byte set reads as; kNone where it reads as nothing.
constexpr uint32_t kNone = 0xFFFFFFFFu;
std::array<uint32_t, 256> ByteTable(const char* set) {
    std::array<uint32_t, 256> table;
    table.fill(kNone);
    const Iconv conv("UTF-32LE", set);
    if (conv.cd == kNoConverter) return table;
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        char* inp = &in;
        size_t inLeft = 1;
        uint32_t out[4] = {};
        char* outp = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(conv.cd, &inp, &inLeft, &outp, &outLeft) != size_t(-1) && outLeft < sizeof out)
            table[size_t(b)] = out[0];
    }
    return table;
}

// The page of the program that reads the texts as `found` does, given the
// bytes they use; empty when there is none. A byte the found set reads as a
// C1 control (or not at all) is taken as the page's: no text holds controls,
// and files labelled ISO-8859-1 are usually Windows-1252 with its quotes.
std::string CodePageReading(const std::string& found, const std::array<bool, 256>& used) {
    for (const Reading& r : kReadings) {
        if (found != r.found) continue;
        if (r.same) return r.codePage;
        const std::array<uint32_t, 256> set = ByteTable(r.found), page = ByteTable(r.codePage);
        for (int b = 0x80; b < 256; ++b) {
            const uint32_t c = set[size_t(b)];
            if (used[size_t(b)] && c != page[size_t(b)] && c != kNone && !(c >= 0x80 && c <= 0x9F)) return {};
        }
        return r.codePage;
    }
    return {};
}

// `bytes` in UTF-8; a byte the converter cannot read becomes U+FFFD.
std::string ToUtf8(iconv_t cd, std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inp = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outp = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        if (rc != size_t(-1)) break;
        if (errno == E2BIG) continue;
        AppendUtf8(out, kReplacementCharacter);
        ++inp;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* outp = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outp, &outLeft);  // a character held back to compose
    out.append(buffer, sizeof buffer - outLeft);
    return out;
}

// A text line and its runs in UTF-8: each run converted on its own, so that
// the runs keep covering their characters.
void LineToUtf8(iconv_t cd, std::string& line, LineRuns* runs) {
    if (!runs || runs->empty()) {
        line = ToUtf8(cd, line);
        return;
    }
    std::string out;
    size_t at = 0;
    for (StyledRun& run : *runs) {
        const size_t length = std::min<size_t>(run.length, line.size() - at);
        const std::string part = ToUtf8(cd, std::string_view(line).substr(at, length));
        at += length;
        run.length = uint32_t(part.size());
        out += part;
    }
    out += ToUtf8(cd, std::string_view(line).substr(at));
    line = std::move(out);
}

bool BeyondAscii(std::string_view text) {
    for (const unsigned char c : text)
        if (c >= 0x80) return true;
    return false;
}

// "WINDOWS-1251" as people write it; other names as uchardet gives them.
std::string Shown(const std::string& name) {
    if (name.rfind("WINDOWS-", 0) == 0) return "Windows-" + name.substr(8);
    return name;
}

template <class Visit>
void ForEachText(TSubtitle& list, Visit visit) {
    for (SubtitleLine& e : list.Lines) {
        size_t index = 0;
        const auto one = [&](std::string& text) {
            CueExtra* extra = e.Extra();
            visit(text, extra && index < extra->Runs.size() ? &extra->Runs[index] : nullptr);
            ++index;
        };
        one(e.Line1);
        one(e.Line2);
        if (CueExtra* extra = e.Extra()) {
            one(extra->Line3);
            for (std::string& more : extra->MoreLines) one(more);
        }
    }
}

}  // namespace

std::string DetectCharsetOf(std::string_view text) {
    const std::unique_ptr<uchardet, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), text.data(), text.size()) != 0) return {};
    uchardet_data_end(detector.get());
    const char* found = uchardet_get_charset(detector.get());
    const std::string name = found ? found : "";
    // Unicode forms without a mark are nothing a subtitle file is written in.
    if (name == "ASCII" || name.rfind("UTF", 0) == 0 || name.rfind("X-", 0) == 0) return {};
    return name;
}

std::optional<FoundCharset> FindCharset(TSubtitle& list) {
    if (list.Utf8 || list.LooksUtf8) return std::nullopt;
    std::string sample;
    std::array<bool, 256> used{};
    ForEachText(list, [&](std::string& text, LineRuns*) {
        if (!BeyondAscii(text)) return;
        for (const unsigned char c : text) used[c] = true;
        if (sample.size() < kDetectionSample) (sample += text) += '\n';
    });
    for (const UnreadableBlock& part : list.Unreadable)
        for (const unsigned char c : part.text) used[c] = true;
    if (sample.empty()) return std::nullopt;
    const std::string found = DetectCharsetOf(sample);
    if (found.empty()) return std::nullopt;
    if (std::string page = CodePageReading(found, used); !page.empty())
        return FoundCharset{Shown(found), page};
    // No page of the program reads it: the texts become UTF-8.
    const Iconv conv("UTF-8", found.c_str());
    if (conv.cd == kNoConverter) return std::nullopt;
    ForEachText(list, [&](std::string& text, LineRuns* runs) {
        if (BeyondAscii(text)) LineToUtf8(conv.cd, text, runs);
    });
    for (UnreadableBlock& part : list.Unreadable) part.text = ToUtf8(conv.cd, part.text);
    list.Utf8 = true;
    return FoundCharset{Shown(found), "UTF-8"};
}

std::string TextToUtf8(std::string& text) {
    if (textfile::MarkOf(text) != textfile::ByteOrderMark::None) {
        textfile::Bytes bytes{std::unique_ptr<char[]>(new char[text.size()]), text.size()};
        std::copy(text.begin(), text.end(), bytes.data.get());
        bytes = textfile::WithoutMark(std::move(bytes));
        text.assign(bytes.data.get(), bytes.size);
        return {};
    }
    if (!BeyondAscii(text) || ValidUtf8(text) == text) return {};
    // The lines beyond ASCII tell the set, as for a subtitle list.
    std::string sample;
    std::array<bool, 256> used{};
    for (std::string_view rest = text; !rest.empty();) {
        const size_t lf = rest.find('\n');
        const std::string_view line = rest.substr(0, lf);
        rest.remove_prefix(lf == std::string_view::npos ? rest.size() : lf + 1);
        if (!BeyondAscii(line)) continue;
        for (const unsigned char c : line) used[c] = true;
        if (sample.size() < kDetectionSample) (sample += line) += '\n';
    }
    const std::string found = DetectCharsetOf(sample);
    if (found.empty()) return {};
    // A code page that reads the bytes as the found set does is taken for
    // it: files labelled ISO-8859-1 are usually Windows-1252 with its quotes.
    const std::string page = CodePageReading(found, used);
    const Iconv conv("UTF-8", page.empty() ? found.c_str() : page.c_str());
    if (conv.cd == kNoConverter) return {};
    text = ToUtf8(conv.cd, text);
    return Shown(found);
}

}  // namespace glyphon
