#include <algorithm>

#include "app/TForm1.h"
#include "ass/AssScript.h"
#include "common/Convert.h"
#include "common/FileError.h"
#include "core/DrawnLines.h"
#include "core/StyledConvert.h"
#include "render/FontTables.h"
#include "render/Renderer.h"
#include "render/StyledLines.h"
#include "render/TextEngine.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

namespace {

constexpr const char* kRestingCaption = "Glyphon By Morvane";

// Shows what the window is busy with in its caption for as long as it lives.
class CaptionWhile {
public:
    CaptionWhile(TForm1& form, const char* activity) : form_(form) {
        form_.Caption = std::string(kRestingCaption) + activity;
        form_.ui().Changed();
    }
    ~CaptionWhile() {
        form_.Caption = kRestingCaption;
        form_.ui().Changed();
    }
    CaptionWhile(const CaptionWhile&) = delete;
    CaptionWhile& operator=(const CaptionWhile&) = delete;

private:
    TForm1& form_;
};

}  // namespace

void TForm1::CheckAllSubtitles() {
    if (StyledScriptLoaded()) return;  // libass places every event itself
    const int count = Subtitles ? Subtitles->Count() : 0;
    // Every entry is measured, so that the message names every line that
    // does not fit. Lines beyond the second must also stay within the frame.
    FitResult fit;
    const FitLook look = ChosenFitLook();
    for (int i = 1; i <= count; ++i)
        CheckSubtitleFits(Subtitles->Lines[size_t(i - 1)], i, text_, look, false, fit);
    const std::vector<TooWideLine>& tooWide = fit.problems;
    // The lines of the first entry that fails.
    std::vector<std::vector<RunLine>> failed;
    if (!tooWide.empty())
        failed.push_back(LinesToDraw(Subtitles->Lines[size_t(tooWide.front().entry - 1)], look.font));
    TooWide = tooWide;
    if (count > 0) SubtitleFits = tooWide.empty();
    if (!tooWide.empty()) {
        LastTooWide = tooWide.front();
        const char* const advice =
            SubtitleLoaded ? "Please use a smaler font size."
                           : "Please correct the srt and reload it. You can just use a smaler font size.";
        // The test belongs to a first load: nothing stays listed.
        if (!SubtitleLoaded) ListBox1.Clear();
        std::string message;
        if (tooWide.size() == 1 && !tooWide.front().belowFrame) {
            message = "The string \r";
            for (const RunLine& line : failed.front()) message += QuotedText(LineText(line)) + "\r";
            message += std::string("is too long. ") + advice;
        } else {
            message = "These subtitles do not fit the frame:";
            for (size_t k = 0; k < tooWide.size() && k < 20; ++k) {
                const TooWideLine& t = tooWide[k];
                const SubtitleLine& entry = Subtitles->Lines[size_t(t.entry - 1)];
                message += "\rsubtitle " + IntToStr(t.entry);
                if (t.belowFrame) {
                    message += ": its " + IntToStr(t.line) + " lines reach " + (t.above ? "above" : "below") +
                               " the frame";
                } else {
                    const std::vector<RunLine> lines = LinesToDraw(entry, ChosenFont());
                    message +=
                        ", line " + IntToStr(t.line) + ": " + QuotedText(LineText(lines[size_t(t.line - 1)]));
                }
            }
            if (tooWide.size() > 20) message += "\rand " + IntToStr(int64_t(tooWide.size() - 20)) + " more";
            message += std::string("\r") + advice;
        }
        ShowLoadMessage(message);
    }
    if (!SubtitleFits) return;
    if (!CommandLineMode) ShowLoadMessage("Subtitle Style Modified/Loaded Successfully");
    EditLoadSrt.text = OpenDialogsub.fileName;
    SubtitleLoaded = true;
}

void TForm1::ButtonLoadSubClick() {
    SubtitleLoaded = false;
    SubtitleFits = false;
    EditLoadSrt.text = "Load SRT";
    // A cancelled dialog keeps the name of its last confirmed choice, which
    // is then loaded again.
    if (!CommandLineMode) ui_.Execute(OpenDialogsub);
    LoadChosenSubtitle();
    if (IfoLoaded && !CommandLineMode) MakeSingleFileList(OpenDialogsub.fileName);
}

void TForm1::OpenSubtitleFile(const std::string& fileName) {
    // Without an IFO the file can only be shown with the generic palette.
    if (!IfoLoaded) SetNoIfoChecked(true);
    OpenDialogsub.fileName = fileName;
    SubtitleLoaded = false;
    SubtitleFits = false;
    EditLoadSrt.text = "Load SRT";
    LoadChosenSubtitle();
    MakeSingleFileList(fileName);
    ui_.Changed();
}

void TForm1::LoadChosenSubtitle() {
    const std::string fileName = OpenDialogsub.fileName;
    if (fileName.empty() || !IfoLoaded) {
        ui_.ShowMessage("Please load an Ifo file first and then an Srt/Sub/Txt file.");
        return;
    }
    ui_.ProcessMessages();
    // The caption returns to rest however the load ends, rather than
    // claiming a load still runs.
    const CaptionWhile busy(*this, " Loading Subtitle...");
    ListBox1.Clear();
    loadNote_.clear();
    Subtitles = std::make_unique<TSubtitle>();
    Subtitles->FallbackFrameRate = MicroDvdFrameRate;
    // The 16-argument line keeps the classic refusals.
    Subtitles->ExplainRefusals = !CommandLineMode;
    styledFile_.clear();
    styledScript_.reset();
    // A styled script is the window's to show; the 16-argument line keeps
    // its refusal.
    if (!CommandLineMode && IsStyledScript(fileName)) return LoadStyledScript(fileName);
    try {
        Subtitles->LoadFromFile(fileName, true, ui_);
    } catch (const ConvertError& e) {
        // The load ends at once: nothing is listed, nothing is checked. The
        // refused text comes from the file.
        ReportError(ShownText(e.what()));
        return;
    } catch (const FileError& e) {
        ReportError(e.what());
        return;
    }
    if (Subtitles->Loaded) {
        // The character set first, so that left-out parts are quoted in it.
        SwitchToFoundCharset();
        ReportUnreadable();
        if (Subtitles->Count() > 0) {
            ListBox1.items.reserve(size_t(Subtitles->Count()));
            for (const SubtitleLine& entry : Subtitles->Lines) {
                // Every line, "|" between them; a one-line entry as its line alone.
                const std::vector<std::string_view> lines = TextLinesOf(entry);
                std::string item = entry.Line1;
                if (lines.size() > 2 || !entry.Line2.empty())
                    for (size_t k = 1; k < lines.size(); ++k) (item += '|') += lines[k];
                ListBox1.items.push_back(std::move(item));
            }
            // Set directly: the list's click action (and its preview) does not run.
            ListBox1.itemIndex = 0;
        }
        CheckAllSubtitles();
        // A note no message took (nothing else was said) is said alone.
        if (!loadNote_.empty()) ShowLoadMessage({});
    }
}

void TForm1::ComboBoxFontSizeChange() {
    DrawSampleThenSelection();
    if (IfoLoaded && SubtitleLoaded && Subtitles) {
        const CaptionWhile busy(*this, " Checking Subtitle Length...");
        CheckAllSubtitles();
    }
}

std::string TForm1::QuotedText(const std::string& bytes, size_t length) const {
    const size_t kept = std::min(bytes.size(), length * 4);  // enough for the characters kept
    return CutForMessage(ShownText(bytes.substr(0, kept)), length);
}

}  // namespace glyphon
