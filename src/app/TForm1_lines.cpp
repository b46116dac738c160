// Subtitles as they are drawn: every text line with its styled runs, wrapped
// when asked, placed at the bottom or (ASS placement tags) at the top; and
// what the window says after reading a file.
#include <algorithm>
#include <utility>

#include "app/TForm1.h"
#include "common/Convert.h"
#include "core/DrawnLines.h"
#include "render/FontTables.h"
#include "render/StyledLines.h"
#include "render/TextEngine.h"
#include "subtitle/CharsetDetection.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

namespace {

constexpr size_t kListedAtMost = 20;  // parts named in one message

}  // namespace

FontSpec TForm1::ChosenFont() const {
    FontSpec font{ComboBoxFontName.Text(), StrToInt(ComboBoxFontSize.Text()), SubtitleCharset(),
                  StyleFromName(ComboBoxFontStyle.Text()), WidthPercent(Widescreen)};
    font.language = VobSubLanguage;
    return font;
}

std::vector<RunLine> TForm1::LinesToDraw(const SubtitleLine& entry, const FontSpec& font) {
    return glyphon::LinesToDraw(entry, text_, font, CheckBoxWrap.checked);
}

FitLook TForm1::ChosenFitLook() const {
    FitLook look;
    look.font = ChosenFont();
    look.wrap = CheckBoxWrap.checked;
    look.frameHeight = FrameHeight();
    look.offset = offset.position;
    look.offsetOr = offset_or.position;
    look.align = AlignmentOf(ComboBoxAlign.Text());
    look.anchorBottom = CheckBoxAnchorBottom.checked;
    return look;
}

SubtitleLook TForm1::ChosenLook(const FontSpec& font, int Offset, int OffsetOr, Alignment Align) {
    SubtitleLook look;
    look.font = font;
    look.offset = Offset;
    look.offsetOr = OffsetOr;
    look.align = Align;
    look.outlineWidth = StrToInt(ComboBoxOutlineWidth.Text());
    look.colors = {RoleColor(ComboBoxOutline), RoleColor(ComboBoxAntialias), RoleColor(ComboBoxText)};
    look.anchorBottom = CheckBoxAnchorBottom.checked;
    return look;
}

void TForm1::RenderLines(const std::vector<RunLine>& lines, bool top, const FontSpec& font, int Offset,
                         int OffsetOr, Alignment Align) {
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

void TForm1::CheckBoxAnchorBottomClick() {
    StoreChangedSettings();
    ComboBoxFontSizeChange();
}

void TForm1::ReportUnreadable() {
    if (!Subtitles) return;
    const std::vector<ImpossibleCue>& impossible = Subtitles->Impossible;
    if (!impossible.empty()) {
        std::string text = kImpossibleHeading;
        for (size_t i = 0; i < impossible.size() && i < kListedAtMost; ++i)
            text += "\r" + DescribeImpossibleCue(impossible[i]) + ": " + QuotedText(impossible[i].text);
        if (impossible.size() > kListedAtMost)
            text += "\rand " + IntToStr(int64_t(impossible.size() - kListedAtMost)) + " more";
        ShowLoadMessage(text);
    }
    if (Subtitles->Unreadable.empty()) return;
    const std::vector<UnreadableBlock>& parts = Subtitles->Unreadable;
    std::string text = kLeftOutHeading;
    for (size_t i = 0; i < parts.size() && i < kListedAtMost; ++i)
        text += "\rline " + IntToStr(parts[i].line) + ": " + QuotedText(parts[i].text);
    if (parts.size() > kListedAtMost)
        text += "\rand " + IntToStr(int64_t(parts.size() - kListedAtMost)) + " more";
    ShowLoadMessage(text);
}

void TForm1::ShowLoadMessage(const std::string& text) {
    const std::string note = std::exchange(loadNote_, std::string());
    ui_.ShowMessage(note.empty() ? text : text.empty() ? note : note + "\r" + text);
}

void TForm1::SwitchToFoundCharset() {
    if (CommandLineMode || !Subtitles) return;
    const std::string chosen = ComboBoxFontCharset.Text();
    std::string found, codePage;
    if (Subtitles->LooksUtf8) {
        // A double-byte set's text may pass for UTF-8; a choice of one stays.
        static const std::string kMultiByte[] = {"CHINESEBIG5", "GB2312",   "HANGEUL",
                                                 "JOHAB",       "SHIFTJIS", "UTF-8"};
        for (const std::string& item : kMultiByte)
            if (chosen == item) return;
        found = codePage = "UTF-8";
    } else if (const std::optional<FoundCharset> f = FindCharset(*Subtitles)) {
        found = f->name;
        codePage = f->codePage;
    } else {
        return;
    }
    const int now = CharsetFromName(chosen);
    const int wanted = CharsetForCodePage(now, codePage);
    if (wanted == now && !chosen.empty()) return;
    const std::vector<std::string>& items = ComboBoxFontCharset.items;
    const auto item = std::find_if(items.begin(), items.end(),
                                   [&](const std::string& i) { return CharsetFromName(i) == wanted; });
    if (item == items.end()) return;
    ComboBoxFontCharset.SetItemIndex(int(item - items.begin()));
    // Said with the load's next message (left-out parts, lines too wide, or
    // the load's success), so that one box tells both.
    loadNote_ = "This file is " + found + " text, not " +
                (chosen.empty() ? std::string("the chosen character set") : chosen) +
                ": the character set is now " + *item + ".";
    ui_.Changed();
}

}  // namespace glyphon
