// Subtitles as they are drawn: every text line with its styled runs, wrapped
// when asked, placed at the bottom or (ASS placement tags) at the top; and
// what the window says after reading a file.
#include <algorithm>

#include "app/TForm1.h"
#include "common/Convert.h"
#include "render/FontTables.h"
#include "render/StyledLines.h"
#include "render/TextEngine.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

namespace {

constexpr int kFitLimit = 680;  // a line fits when it is narrower
constexpr size_t kListedAtMost = 20;  // parts named in one message

// The runs of one text line as views of its text.
RunLine RunsOfLine(std::string_view text, const LineRuns& runs) {
    if (runs.empty()) return PlainLine(text);
    RunLine line;
    size_t at = 0;
    for (const StyledRun& run : runs) {
        const size_t length = std::min<size_t>(run.length, text.size() - at);
        line.push_back(TextRun{text.substr(at, length), run.style});
        at += length;
    }
    if (at < text.size()) line.push_back(TextRun{text.substr(at), 0});
    return line;
}

bool Empty(const RunLine& line) {
    for (const TextRun& run : line)
        if (!run.text.empty()) return false;
    return true;
}

}  // namespace

FontSpec TForm1::ChosenFont() const {
    return FontSpec{ComboBoxFontName.Text(), StrToInt(ComboBoxFontSize.Text()), SubtitleCharset(),
                    StyleFromName(ComboBoxFontStyle.Text()), Widescreen ? 75 : 100};
}

std::vector<RunLine> TForm1::LinesToDraw(const SubtitleLine& entry, const FontSpec& font) {
    const std::vector<std::string_view> texts = TextLinesOf(entry);
    std::vector<RunLine> lines;
    lines.reserve(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) lines.push_back(RunsOfLine(texts[i], RunsOf(entry, i)));
    if (CheckBoxWrap.checked) {
        // Only real lines are wrapped; the empty second line of a one-line
        // subtitle comes back after.
        while (lines.size() > 1 && Empty(lines.back())) lines.pop_back();
        lines = WrapLines(text_, lines, font, kFitLimit);
        while (lines.size() < 2) lines.push_back(RunLine{});
    }
    return lines;
}

SubtitleLook TForm1::ChosenLook(const FontSpec& font, int Offset, int OffsetOr, const std::string& Align) {
    SubtitleLook look;
    look.font = font;
    look.offset = Offset;
    look.offsetOr = OffsetOr;
    look.align = Align;
    look.outlineWidth = StrToInt(ComboBoxOutlineWidth.Text());
    look.colors = {RoleColor(ComboBoxOutline), RoleColor(ComboBoxAntialias), RoleColor(ComboBoxText)};
    return look;
}

void TForm1::RenderLines(const std::vector<RunLine>& lines, bool top, const FontSpec& font, int Offset,
                         int OffsetOr, const std::string& Align) {
    // All blue again: after the previous subtitle only the rows it drew on
    // are rewritten.
    preview.Reset(kFrameWidth, IsPal() ? kPalHeight : kNtscHeight, kPureBlue);
    const SubtitleLook look = ChosenLook(font, Offset, OffsetOr, Align);
    const StackPlacement placed = DrawSubtitleLines(preview, text(), lines, look, top);
    BandTop = placed.bandTop;
    BandHeight = placed.bandHeight;
}

void TForm1::CheckBoxWrapClick() {
    StoreChangedSettings();
    ComboBoxFontSizeChange();
}

void TForm1::ReportUnreadable() {
    if (!Subtitles || Subtitles->Unreadable.empty()) return;
    const std::vector<UnreadableBlock>& parts = Subtitles->Unreadable;
    std::string text = kLeftOutHeading;
    for (size_t i = 0; i < parts.size() && i < kListedAtMost; ++i)
        text += "\rline " + IntToStr(parts[i].line) + ": " + QuotedText(parts[i].text);
    if (parts.size() > kListedAtMost) text += "\rand " + IntToStr(int64_t(parts.size() - kListedAtMost)) + " more";
    ui_.ShowMessage(text);
}

void TForm1::SwitchToUtf8ForUtf8File() {
    if (CommandLineMode || !Subtitles || !Subtitles->LooksUtf8) return;
    static const std::string kMultiByte[] = {"CHINESEBIG5", "GB2312", "HANGEUL", "JOHAB", "SHIFTJIS", "UTF-8"};
    const std::string chosen = ComboBoxFontCharset.Text();
    for (const std::string& item : kMultiByte)
        if (chosen == item) return;
    const std::vector<std::string>& items = ComboBoxFontCharset.items;
    const auto utf8 = std::find(items.begin(), items.end(), "UTF-8");
    if (utf8 == items.end()) return;
    ComboBoxFontCharset.SetItemIndex(int(utf8 - items.begin()));
    ui_.ShowMessage("This file is UTF-8 text, not " + (chosen.empty() ? std::string("the chosen character set") : chosen) +
                    ": the character set is now UTF-8.");
    ui_.Changed();
}

}  // namespace glyphon
