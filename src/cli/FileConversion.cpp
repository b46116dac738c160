#include "cli/FileConversion.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>

#include "app/HeadlessUi.h"
#include "app/TForm1.h"
#include "common/Convert.h"
#include "common/FileError.h"
#include "render/FontTables.h"
#include "subtitle/StyledText.h"
#include "subtitle/Subtitle.h"
#include "subtitle/TextFile.h"

namespace glyphon {

namespace {

constexpr int kWidestFit = 679;  // a line fits when narrower than 680 pixels
constexpr const char* kNotLoaded = "Please load an Srt/Sub/Txt subtitle.";
constexpr const char* kNoFrameRate = "Please write at the first line of your *.sub subtitle the fps";

// Keeps what the model says instead of showing it, and passes the run's
// progress on.
class CollectingUi : public Ui {
public:
    explicit CollectingUi(const ProgressFn& progress) : progress_(progress) {}
    void Attach(const TForm1* form) { form_ = form; }

    void ShowMessage(const std::string& text) override { texts.push_back(text); }
    void ShowError(const std::string& text) override { texts.push_back(text); }
    bool Execute(TOpenDialog&) override { return false; }
    void ProcessMessages() override {}
    void ShowModalWindow(WindowKind) override {}
    void Terminate(int exitStatus) override {
        if (!terminated) terminated = exitStatus;
    }
    bool ShowsPreview() const override { return false; }  // no window
    void Changed() override {
        // The generation run advances the progress bar once per subtitle.
        if (!progress_ || !form_ || form_->GenerationStopped || !form_->Subtitles) return;
        progress_(form_->ProgressBar1.position, form_->Subtitles->Count());
    }

    std::vector<std::string> texts;
    std::optional<int> terminated;

private:
    const ProgressFn& progress_;
    const TForm1* form_ = nullptr;
};

constexpr size_t kQuotedLength = 60;  // of a subtitle line quoted in a message

// Every line of a message box text, without empty ones.
void AddLines(std::vector<std::string>& out, const std::string& text) {
    const std::string lines = MessageAsLines(text);
    size_t start = 0;
    for (size_t nl = lines.find('\n'); nl != std::string::npos; nl = lines.find('\n', start)) {
        if (nl > start) out.push_back(lines.substr(start, nl - start));
        start = nl + 1;
    }
}

// Why the model did not convert, in the command line's words.
std::vector<std::string> Explain(const TForm1& form, const std::vector<std::string>& texts,
                                 const std::string& outputStem) {
    std::vector<std::string> out;
    if (form.DvdMuxFailed || form.RunRefused) {
        // The film was refused or could not be muxed, or an output would
        // have replaced an input; nothing was written, and the message says
        // why, naming the file.
        for (const std::string& text : texts) AddLines(out, text);
        return out;
    }
    if (form.SubtitleLoaded && form.SubtitleFits) {
        // Read and checked: what failed was writing the outputs.
        for (const std::string& text : texts) AddLines(out, text);
        for (std::string& line : out) line = "writing " + outputStem + ".sup or its help file: " + line;
        if (out.empty()) out.push_back("not converted");
        return out;
    }
    if (form.Subtitles && !form.TooWide.empty() && !form.SubtitleLoaded) {
        // Every line that does not fit, each named.
        for (const TForm1::TooWideLine& t : form.TooWide) {
            const SubtitleLine& entry = form.Subtitles->Lines[size_t(t.entry - 1)];
            if (t.belowFrame) {
                out.push_back("subtitle " + IntToStr(t.entry) + ": its " + IntToStr(t.line) +
                              " lines reach below the frame; try a smaller --size or --offset");
                continue;
            }
            const std::vector<std::string_view> lines = TextLinesOf(entry);
            const std::string line = size_t(t.line) <= lines.size() && !form.CheckBoxWrap.checked
                                         ? std::string(lines[size_t(t.line - 1)])
                                         : std::string();
            out.push_back("subtitle " + IntToStr(t.entry) + ", line " + IntToStr(t.line) + " is " +
                          IntToStr(t.width) + " pixels wide, more than the " + IntToStr(kWidestFit) +
                          " that fit" + (line.empty() ? std::string() : ": \"" + form.QuotedText(line, kQuotedLength) + "\"") +
                          (form.CheckBoxWrap.checked ? "; try a smaller --size" : "; try a smaller --size or --wrap"));
        }
        return out;
    }
    if (form.Subtitles && form.LastOutsideFrame.entry > 0 && !form.SubtitleLoaded) {
        const TForm1::OutsideFrame& at = form.LastOutsideFrame;
        const SubtitleLine& entry = form.Subtitles->Lines[size_t(at.entry - 1)];
        const std::string& line = at.line == 1 ? entry.Line1 : entry.Line2;
        const int height = form.FrameHeight();
        out.push_back("subtitle " + IntToStr(at.entry) + ", line " + IntToStr(at.line) + " would reach row " +
                      IntToStr(at.row) + (at.row < 0 ? ", above the top of the " : ", below the bottom of the ") +
                      IntToStr(height) + "-row frame: \"" + form.QuotedText(line, kQuotedLength) + "\"; try a smaller --size or " +
                      (at.row < 0 ? "--offset" : "a larger --offset"));
        return out;
    }
    for (const std::string& text : texts) {
        // The run's refusal only repeats that the load above did not succeed.
        if (text == kNotLoaded && !out.empty()) continue;
        // Said once, as warnings, for converted and failed files alike.
        if (text.rfind(kLeftOutHeading, 0) == 0) continue;
        AddLines(out, text);
        if (text.rfind(kNoFrameRate, 0) == 0)
            out.push_back("or give its frame rate with --fps, e.g. --fps 23.976");
    }
    if (form.Subtitles && form.Subtitles->Loaded && form.Subtitles->Count() == 0 && out.size() <= 1)
        return {"no subtitles in this file"};
    // A text that is not a number ends the reading: the entries before it
    // were read, so the fault lies in the one after them.
    if (form.ActionFailed && form.Subtitles && form.Subtitles->Count() > 0)
        out.push_back("reading stopped after subtitle " + IntToStr(form.Subtitles->Count()) + " (" +
                      form.Subtitles->Lines.back().Line1 + ")");
    if (out.empty()) out.push_back("not converted");
    return out;
}

// The file has no byte-order mark and is valid UTF-8 with characters
// beyond ASCII. A file that cannot be read is left to the load to report.
bool ReadsAsUtf8(const std::string& subtitleFile) {
    try {
        bool unicode = false;
        const textfile::Bytes bytes = textfile::ReadTextFile(subtitleFile, unicode);
        return !unicode && LooksLikeUtf8(std::string_view(bytes.data.get(), bytes.size));
    } catch (const std::exception&) {
        return false;
    }
}

int Utf8CharsetPosition() {
    const std::vector<std::string>& items = FontCharsetItems();
    return int(std::find(items.begin(), items.end(), "UTF-8") - items.begin());
}

}  // namespace

FileOutcome ConvertFile(const BatchJob& job, const std::vector<std::string>& families,
                        const std::string& outputFolder, const std::string& subtitleFile, TextEngine& text,
                        const ProgressFn& progress, const FileOutputs& outputs) {
    FileOutcome outcome;
    // The loaders take a file they cannot open for one of another format;
    // here the reason is known and said.
    if (std::FILE* probe = std::fopen(subtitleFile.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        outcome.messages.push_back(WithFullStop(FileErrorText(errno)));
        return outcome;
    }
    if (const DvdMuxRequest& mux = outputs.mux; !mux.video.empty() && !mux.collectOnly) {
        try {
            CheckDvdMuxInput(mux.video, MuxedFileName(OutputStem(outputFolder, subtitleFile)));
        } catch (const FileError& e) {
            outcome.messages.push_back(mux.video + ": " + WithFullStop(e.what()));
            return outcome;
        } catch (const std::exception& e) {
            outcome.messages.push_back(e.what());
            return outcome;
        }
    }
    CollectingUi ui(progress);
    AppEnvironment env;
    env.args = {"glyphon"};
    env.installedFamilies = families;
    TForm1 form(ui, text, std::move(env));
    ui.Attach(&form);
    try {
        form.FormCreate();
        BatchJob fileJob = job;
        fileJob.subtitleFile = subtitleFile;
        if (outputs.charsetAuto && ReadsAsUtf8(subtitleFile)) fileJob.fontCharset = Utf8CharsetPosition();
        // What a batch line of this job would have stored at creation. Set
        // directly rather than recognised from an argv: recognition refuses
        // a text equal to its position's placeholder (a subtitle file named
        // "filenamesub"), which a named line need not avoid.
        form.CommandLineArgs = BatchJobArgs(fileJob);
        form.CommandLineMode = true;
        form.StoreEnabled = false;
        form.OutputFolder = outputFolder;
        form.WriteSup = outputs.sup;
        form.CheckBoxVobSub.checked = outputs.vobsub;
        form.VobSubLanguage = outputs.language;
        form.Mux = outputs.mux;
        form.CheckBoxWrap.checked = outputs.wrap;
        form.Widescreen = outputs.widescreen;
        form.ForcedSubtitles = outputs.forced;
        form.GenericColours = outputs.colours;
        form.CheckBoxPgs.checked = outputs.pgs;
        form.Pgs = outputs.pgsRequest;
        form.RefuseOutsideFrame = true;
        form.MicroDvdFrameRate = outputs.microDvdFps;
        form.FormActivate();
    } catch (const std::exception& e) {
        ui.ShowError(WithFullStop(e.what()));
    }
    form.FormClose();
    outcome.converted = ui.terminated == 0;
    if (!outcome.converted)
        outcome.messages = Explain(form, ui.texts, OutputStem(outputFolder, subtitleFile));
    if (form.Subtitles)
        for (const UnreadableBlock& part : form.Subtitles->Unreadable)
            outcome.messages.push_back("warning: line " + IntToStr(part.line) + " is no subtitle and was left out: \"" +
                                       form.QuotedText(part.text, kQuotedLength) + "\"");
    if (outcome.converted)
        for (const std::string& warning : form.RunWarnings) outcome.messages.push_back("warning: " + warning);
    if (outcome.converted && outputs.mux.collectOnly) {
        outcome.muxUnits = std::move(form.MuxUnits);
        outcome.pending = std::move(form.PendingRun);
        outcome.palette = form.AuthoringPalette();
    }
    return outcome;
}

}  // namespace glyphon
