// ASS/SSA scripts in the window: their events listed, the selected one
// previewed as libass draws it; a run converts the script itself.
#include "app/PreviewFit.h"
#include "app/TForm1.h"
#include "ass/AssScript.h"
#include "common/Convert.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

void TForm1::LoadStyledScript(const std::string& fileName) {
    std::unique_ptr<AssScript> script;
    try {
        script = std::make_unique<AssScript>(fileName, kFrameWidth, FrameHeight());
    } catch (const std::exception& e) {
        ReportError(e.what());
        return;
    }
    const std::vector<AssEvent> events = script->Events();
    if (events.empty()) {
        ReportError(fileName + " has no dialogue events");
        return;
    }
    Subtitles->Loaded = true;
    Subtitles->Utf8 = true;
    for (const AssEvent& event : events) {
        Cue cue;
        cue.start = TicksOfMs(event.startMs);
        cue.end = TicksOfMs(event.endMs);
        const std::vector<std::string>& lines = event.lines;
        cue.Line1 = lines[0];
        if (lines.size() > 1) cue.Line2 = lines[1];
        if (lines.size() > 2) cue.SetLine3(lines[2]);
        if (lines.size() > 3) cue.SetMoreLines({lines.begin() + 3, lines.end()});
        std::string item = lines[0];
        for (size_t k = 1; k < lines.size(); ++k) (item += '|') += lines[k];
        Subtitles->Lines.push_back(std::move(cue));
        ListBox1.items.push_back(std::move(item));
    }
    ListBox1.itemIndex = 0;  // set directly, as for any file: the preview waits for a click
    styledFile_ = fileName;
    styledScript_ = std::move(script);
    styledWidth_ = kFrameWidth;
    styledHeight_ = FrameHeight();
    // libass places every event itself: no line is measured against the frame.
    SubtitleFits = true;
    std::string said;
    for (const std::string& warning : styledScript_->Warnings()) said += fileName + ": " + warning + "\r";
    ShowLoadMessage(said + "Subtitle Style Modified/Loaded Successfully");
    EditLoadSrt.text = fileName;
    SubtitleLoaded = true;
}

void TForm1::DrawStyledPreview() {
    const int entry = ListBox1.itemIndex;
    if (!Subtitles || entry < 0 || entry >= Subtitles->Count()) return;
    LoadPreviewBackground();
    SubtitleFits = true;
    if (!ui().ShowsPreview()) return;
    const int width = CheckBoxPgs.checked ? Pgs.video.width : kFrameWidth;
    const int height = CheckBoxPgs.checked ? Pgs.video.height : FrameHeight();
    if (!styledScript_ || styledWidth_ != width || styledHeight_ != height) {
        styledScript_ = std::make_unique<AssScript>(styledFile_, width, height);
        styledWidth_ = width;
        styledHeight_ = height;
    }
    // The middle of the event: a fade in has not left it invisible there.
    const SubtitleLine& cue = Subtitles->Lines[size_t(entry)];
    const int64_t ms = MsOfTicks(cue.start + (cue.end - cue.start) / 2);
    AssPicture picture;
    styledScript_->Draw(ms, picture);
    BlendFitted(
        preview, Widescreen || !CheckBoxPgs.checked, width, height, picture.x, picture.y, picture.width,
        picture.height, [&](int x, int y) {
            const uint8_t* p =
                &picture.rgba[(size_t(y - picture.y) * size_t(picture.width) + size_t(x - picture.x)) * 4];
            if (p[3] == 0) return Rgba{0, 0, 0, 0};
            const auto straight = [&](uint8_t v) { return uint8_t(std::min(255, v * 255 / p[3])); };
            return Rgba{straight(p[0]), straight(p[1]), straight(p[2]), p[3]};
        });
    ui().Changed();
}

}  // namespace glyphon
