#include "core/Convert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <tuple>

#include "common/Convert.h"
#include "common/FileError.h"
#include "common/StagedFile.h"
#include "core/DrawnLines.h"
#include "core/DvdColours.h"
#include "core/OutputKinds.h"
#include "core/OutputNames.h"
#include "core/PendingOutputs.h"
#include "core/RunPlan.h"
#include "core/StyledConvert.h"
#include "core/Timeline.h"
#include "mux/DvdAuthoring.h"
#include "mux/DvdMux.h"
#include "palette/ColorNames.h"
#include "palette/Palette.h"
#include "render/DisplayText.h"
#include "render/Renderer.h"
#include "render/StyledLines.h"
#include "render/TextEngine.h"
#include "render/UnitColours.h"
#include "subtitle/CharsetDetection.h"
#include "subtitle/Subtitle.h"
#include "subtitle/TextFile.h"
#include "sup/SubPictureEncoder.h"

namespace glyphon {

namespace {

// Keeps the reader's plain messages instead of showing them.
class NoticeSink : public MessageSink {
public:
    explicit NoticeSink(std::vector<std::string>& out) : out_(out) {}
    void ShowMessage(const std::string& text) override { out_.push_back(text); }

private:
    std::vector<std::string>& out_;
};

// Keeps the band inside the frame rows, its top even: rows outside the frame
// do not exist and are never read. A band that lies wholly outside becomes
// two empty rows at the nearest edge, so that every subtitle still has its
// record and its timing.
void ClipBand(int& top, int& height, int frameHeight) {
    int bottom = top + height;  // one past the last row
    if (top < 0) top = 0;
    if (bottom > frameHeight) bottom = frameHeight;
    if (bottom - top < 1) {
        top = top >= frameHeight ? frameHeight - 2 : 0;
        bottom = top + 2;
    }
    height = bottom - top;
}

// The longest time one DVD unit shows its picture: the 16-bit stop delay in
// 1024/90,000 s holds 745,642 ms, and a whole number of 512 ms is a whole
// number of its steps, so that a longer picture's next unit starts exactly
// when the one before is hidden.
constexpr int64_t kLongestUnit = TicksOfMs(int64_t(65535) * 1024 / 90 / 512 * 512);

bool EmptyLine(const RunLine& line) {
    for (const TextRun& run : line)
        if (!run.text.empty()) return false;
    return true;
}

// Adds a subtitle's lines under those of the subtitles on screen with it:
// the empty second line of a one-line subtitle goes where another follows,
// and the group keeps at least two lines. A subtitle alone keeps its lines.
void StackCueLines(std::vector<RunLine>&& lines, std::vector<RunLine>& group) {
    if (group.empty()) {
        group = std::move(lines);
        return;
    }
    while (!group.empty() && EmptyLine(group.back())) group.pop_back();
    for (RunLine& line : lines) group.push_back(std::move(line));
    while (!group.empty() && EmptyLine(group.back())) group.pop_back();
    while (group.size() < 2) group.push_back(RunLine{});
}

// Writes every sink out without replacing anything yet. Throws the first
// failure.
void SealAll(std::vector<std::unique_ptr<UnitSink>>& sinks) {
    for (auto& sink : sinks) sink->Seal();
}

void DiscardAll(std::vector<std::unique_ptr<UnitSink>>& sinks) {
    for (auto& sink : sinks) sink->Discard();
}

// Time as hours:minutes:seconds.milliseconds, for messages.
std::string ClockText(int64_t total) {
    char text[48];
    const long long a = total < 0 ? -static_cast<long long>(total) : static_cast<long long>(total);
    std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld.%03lld", total < 0 ? "-" : "", a / 3600000,
                  a / 60000 % 60, a / 1000 % 60, a % 1000);
    return text;
}

// Why a subtitle's times cannot go into the outputs, or nothing. The ".sup"
// header holds the start in 32 bits of 1/90,000 s (up to 13:15:21.858).
constexpr int64_t kLatestStart = int64_t(4294967295);

std::optional<std::string> UntimeableSubtitle(const std::vector<Cue>& entries, size_t timed) {
    for (size_t i = 0; i < entries.size() && i < timed; ++i) {
        const Cue& e = entries[i];
        const std::string which =
            "Subtitle " + std::to_string(i + 1) + " (" + CutForMessage(e.Line1, 60) + ")";
        const std::string start = ClockText(MsOfTicks(e.start));
        if (e.start < 0)
            return which + " starts at " + start + ", before the start of the video; nothing was written.";
        if (e.start > kLatestStart)
            return which + " starts at " + start + ", later than a .sup file can time (" +
                   ClockText(MsOfTicks(kLatestStart)) + " at most); nothing was written.";
        if (e.end < e.start)
            return which + " ends at " + ClockText(MsOfTicks(e.end)) + ", before it starts at " + start +
                   "; nothing was written.";
    }
    return std::nullopt;
}

ConversionFailure Failure(ConversionFailure::Stage stage, std::string message) {
    ConversionFailure f;
    f.stage = stage;
    f.message = std::move(message);
    return f;
}

int RoleEntry(int index) { return index >= 0 && index < 16 ? index : 0; }

}  // namespace

namespace {

const char* const kFindColors =
    "Then find the Color 0 Y Cr CB ,doubleclick it, and put the value: 00 80 80\r\n"
    "Then find the Color 1 Y Cr CB ,doubleclick it, and put the value: 55 80 80\r\n"
    "Then find the Color 2 Y Cr CB ,doubleclick it, and put the value: AA 80 80\r\n"
    "Then find the Color 3 Y Cr CB ,doubleclick it, and put the value: FF 80 80\r\n";

const char* const kAfterAuthoringNew =
    "After authoring the new dvd, load (the generated from Ifoedit) VTS_01_0.IFO on Ifoedit and press "
    "VTS_PGCITI "
    "and then VTS_PGC1.\r\n";

std::string NoIfoText() {
    return std::string("All Done !!! (Case : No Ifo)\r\n") +
           "Since you didnt had any ifo, author your video with the generated sup using Ifoedit.\r\n" +
           kAfterAuthoringNew + kFindColors + "Then press save. Thats all.\r\n\r\n\r\nGenerated Files:\r\n";
}

std::string MonochromeIfoText() {
    return std::string("All Done !!! (Case : Monocromatic Ifo)\r\n") +
           "Since you had an ifo with no polycromatic palette support , Glyphon generated for you a sup with "
           "a "
           "generic pallette.\r\n" +
           "Just author your video with the generated sup using Ifoedit.\r\n" + kAfterAuthoringNew +
           kFindColors + "Then press save. Thats all.\r\n\r\n\r\nGenerated Files:\r\n";
}

std::string WithIfoText() {
    return std::string("All Done !!! (Case : With Ifo)\r\n") +
           "Since you already had an ifo with polycromatic palette support , Glyphon generated for you a sup "
           "with "
           "the same ifo pallette.\r\n" +
           "Just author your video with the generated sup using Ifoedit.\r\n" +
           "After authoring the new dvd, load the original ifo (the ifo that you have loaded on Glyphon) on "
           "Ifoedit and press VTS_PGCITI and then VTS_PGC1.\r\n" +
           "Then press Subtitle Color, Copy Colors from this PGC\r\n" +
           "Then load (the generated from Ifoedit) VTS_01_0.IFO on Ifoedit and press VTS_PGCITI and then "
           "VTS_PGC1\r\n" +
           "Then press Subtitle Color, Paste Colors into this PGC\r\n" +
           "Then press save. Thats all.\r\n\r\n\r\nGenerated Files:\r\n";
}

// A path as one shell word: in single quotes, each quote inside written as
// '\''.
std::string ShellWord(const std::string& path) {
    std::string word = "'";
    for (const char c : path) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

// The instructions after muxing into a film: the dvdauthor command that
// builds the disc from the project written beside the film, as printed.
std::string MuxedFilmText(const std::string& stem, const std::string& film, const std::string& streams,
                          bool pal) {
    return std::string("All Done !!! (Case : Muxed Film)\r\n") + "The subtitles of " + film +
           " are muxed into " + MuxedFileName(stem) + " as sub-picture stream" + streams + " (" +
           (pal ? "PAL" : "NTSC") + "), their palette is in " + PaletteFileName(stem) +
           ", and the dvdauthor project " + ProjectFileName(stem) + " names them both.\r\n" +
           "Author the DVD with dvdauthor (Debian package dvdauthor); this command writes it into " + stem +
           ".dvd:\r\n\r\ndvdauthor -o " + ShellWord(stem + ".dvd") + " -x " +
           ShellWord(ProjectFileName(stem)) + "\r\n\r\n" +
           "Its VIDEO_TS folder can then be burnt to a disc or played from the folder.\r\n\r\n\r\nGenerated "
           "Files:\r\n";
}

// The help of a file muxed into a disc named after another file.
std::string StreamOfDiscText(const std::string& discStem, const std::string& film, int stream, bool pal) {
    return std::string("All Done !!! (Case : Muxed Film)\r\n") +
           "The subtitles are muxed with those of the other files into " + MuxedFileName(discStem) +
           " (from " + film + ") as sub-picture stream " + std::to_string(stream) + " (" +
           (pal ? "PAL" : "NTSC") + "); " + discStem +
           ".Glyphon_Help.txt tells how to author the disc.\r\n\r\n\r\n" + "Generated Files:\r\n";
}

}  // namespace

DiscPalette GenericDiscEntries() { return GenericDiscPalette(); }

std::optional<std::string> LanguageInFileName(const std::string& path) { return LanguageFromFileName(path); }

std::string ReplaceExtension(const std::string& fileName, const std::string& ending) {
    return (fileName.size() > 3 ? fileName.substr(0, fileName.size() - 4) : fileName) + ending;
}

std::string OutputStem(const std::string& outputFolder, const std::string& subtitleFile) {
    const auto slash = subtitleFile.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : subtitleFile.substr(0, slash + 1);
    if (!outputFolder.empty()) folder = outputFolder.back() == '/' ? outputFolder : outputFolder + '/';
    const std::string name = slash == std::string::npos ? subtitleFile : subtitleFile.substr(slash + 1);
    return folder + ReplaceExtension(name, "");
}

std::optional<std::string> RunRefusal(const ConversionJob& job, const std::vector<Cue>& entries) {
    const std::string stem = OutputStem(job.outputs.folder, job.subtitle.file);
    // The disc's files are checked once for the whole plan (RunConversionPlan);
    // names picked free of the inputs need no check.
    std::vector<std::string> outputs;
    for (const OutputKind& kind : OutputKinds())
        if (!kind.disc && !kind.freeNames && kind.On(job.outputs))
            for (std::string& name : kind.files(stem, job)) outputs.push_back(std::move(name));
    if (std::optional<std::string> refusal = OutputReplacingInput(outputs, RunInputFiles(job)))
        return refusal;
    return UntimeableSubtitle(entries, entries.size());
}

std::string ComposeHelpText(const ConversionJob& job) {
    std::string text;
    switch (job.palette.source) {
        case PaletteSource::NoIfo:
            text = NoIfoText();
            break;
        case PaletteSource::MonochromeIfo:
            text = MonochromeIfoText();
            break;
        case PaletteSource::Ifo:
            text = WithIfoText();
            break;
        case PaletteSource::None:
            break;
    }
    const std::string stem = OutputStem(job.outputs.folder, job.subtitle.file);
    const OutputRequest& o = job.outputs;
    // The list names the files the run writes (the disc's only in the help
    // of the input that owns the disc), one a line.
    if (!o.mux.video.empty() && !o.mux.discStem.empty()) {
        text = StreamOfDiscText(o.mux.discStem, o.mux.video, o.mux.stream,
                                job.palette.standard == VideoStandard::Pal);
    } else if (!o.mux.video.empty()) {
        const std::string streams =
            o.mux.discStreams.empty() ? " " + std::to_string(o.mux.stream) : "s " + o.mux.discStreams;
        text = MuxedFilmText(stem, o.mux.video, streams, job.palette.standard == VideoStandard::Pal);
    }
    const std::vector<std::string> written = OutputFileNames(job, stem, true);
    for (size_t i = 0; i < written.size(); ++i) text += (i > 0 ? "\r\n" : "") + written[i];
    return text;
}

namespace {

// The readers take a file they cannot open for one of another format; here
// the reason is known and said. Opened without waiting: a pipe is refused,
// not waited on.
std::optional<ConversionFailure> UnopenableSubtitle(const std::string& file) {
    const int probe = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0) return Failure(ConversionFailure::Stage::Read, FileErrorText(errno));
    struct stat st {};
    const bool readable = ::fstat(probe, &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
    ::close(probe);
    if (!readable) return Failure(ConversionFailure::Stage::Read, textfile::kNotARegularTextFile);
    return std::nullopt;
}

bool ReadOpenableEntries(const SubtitleInput& input, std::vector<Cue>& entries, bool& utf8,
                         ConversionReport& report);

}  // namespace

bool ReadSubtitleEntries(const SubtitleInput& input, std::vector<Cue>& entries, bool& utf8,
                         ConversionReport& report) {
    entries.clear();
    utf8 = false;
    if (std::optional<ConversionFailure> failure = UnopenableSubtitle(input.file)) {
        report.failure = std::move(failure);
        return false;
    }
    return ReadOpenableEntries(input, entries, utf8, report);
}

namespace {

bool ReadOpenableEntries(const SubtitleInput& input, std::vector<Cue>& entries, bool& utf8,
                         ConversionReport& report) {
    entries.clear();
    utf8 = false;
    TSubtitle list;
    list.FallbackFrameRate = input.microDvdFps;
    list.ExplainRefusals = true;
    NoticeSink notices(report.notices);
    std::optional<ConversionFailure> failure;
    try {
        list.LoadFromFile(input.file, true, notices);
    } catch (const ConvertError& e) {
        // The refused text comes from the file: shown as its characters.
        failure = Failure(ConversionFailure::Stage::Read,
                          DisplayText(e.what(), list.Utf8 ? int(kUtf8Charset) : input.charset));
    } catch (const FileError& e) {
        failure = Failure(ConversionFailure::Stage::Read, e.what());
    }
    // `auto`: a file that is not UTF-8 is read in the character set found in
    // its texts (those no item reads are converted to UTF-8 here).
    std::optional<FoundCharset> found;
    if (input.charsetAuto) found = FindCharset(list);
    utf8 = list.Utf8 || (input.charsetAuto && list.LooksUtf8);
    report.charset = utf8    ? int(kUtf8Charset)
                     : found ? CharsetForCodePage(input.charset, found->codePage)
                             : input.charset;
    if (found) report.charsetFound = found->name;
    report.loaded = list.Loaded;
    report.unreadable = std::move(list.Unreadable);
    report.impossible = std::move(list.Impossible);
    // The list itself changes hands: a second list, even of moved cues,
    // would double the memory a file of many tiny cues takes.
    entries = std::move(list.Lines);
    if (failure) {
        failure->subtitle = int(entries.size()) + 1;
        report.loaded = false;
        report.failure = std::move(failure);
        return false;
    }
    if (!list.Loaded || entries.empty()) {
        report.failure = Failure(ConversionFailure::Stage::Read, kNotLoaded);
        return false;
    }
    return true;
}

FontSpec DrawnFont(const TextLook& look, int charset) {
    FontSpec font{look.fontName, look.sizePoints, charset, int(look.style), WidthPercent(look.widescreen)};
    font.language = look.language;
    return font;
}

FitLook FitLookOf(const TextLook& look, int charset, VideoStandard standard) {
    FitLook fit;
    fit.font = DrawnFont(look, charset);
    fit.wrap = look.wrap;
    fit.frameHeight = FrameHeightOf(standard);
    fit.offset = look.offset;
    fit.offsetOr = look.lineSpacing;
    fit.align = look.align;
    fit.anchorBottom = look.anchorBottom;
    return fit;
}

}  // namespace

bool CheckEntriesFit(const std::vector<Cue>& entries, const TextLook& look, int charset,
                     VideoStandard standard, TextEngine& text, FitResult& fit) {
    const FitLook fitLook = FitLookOf(look, charset, standard);
    for (size_t i = 0; i < entries.size(); ++i)
        CheckSubtitleFits(entries[i], int(i) + 1, text, fitLook, look.refuseOutsideFrame, fit);
    return fit.Fits();
}

void SealAuthorAndCommit(const ConversionJob& job, const std::array<uint32_t, 16>& disc, DvdMuxSink* mux,
                         std::vector<std::unique_ptr<UnitSink>>& sinks, ConversionReport& report,
                         bool& muxing, const ConversionHooks& hooks) {
    (void)job;
    muxing = false;
    SealAll(sinks);
    auto help = std::make_unique<StagedFile>(HelpFileName(report.stem));
    help->Write(report.helpText.data(), report.helpText.size());
    help->Close();
    UnitSpool units = mux ? mux->TakeUnits() : UnitSpool();
    auto outputs = std::make_unique<PendingOutputs>(std::move(sinks), std::move(help));
    if (mux && hooks.handOver) {
        // The plan muxes every input's units in one pass and puts this set
        // in place with the disc.
        hooks.handOver->units = std::move(units);
        hooks.handOver->outputs = std::move(outputs);
        hooks.handOver->disc = disc;
        return;
    }
    outputs->Commit();
}

namespace {

// A job with a film outside a plan: the plan of that one input.
ConversionReport RunAsPlan(const ConversionJob& job, TextEngine& text, const ConversionHooks& hooks,
                           const std::string& settingError) {
    PlanHooks planHooks;
    planHooks.text = &text;
    planHooks.run = hooks;
    return ReportOfOneInput(RunConversionPlan(PlanOfOneJob(job, settingError), planHooks));
}

}  // namespace

ConversionReport RunConversion(const ConversionJob& job, TextEngine& text, const ConversionHooks& hooks,
                               const std::string& settingError) {
    if (!job.outputs.mux.video.empty() && !hooks.handOver) return RunAsPlan(job, text, hooks, settingError);
    ConversionReport report;
    report.stem = OutputStem(job.outputs.folder, job.subtitle.file);
    if (!job.subtitle.entries)
        if (std::optional<ConversionFailure> failure = UnopenableSubtitle(job.subtitle.file)) {
            report.failure = std::move(failure);
            return report;
        }
    // Styled scripts are drawn by libass on a path of their own.
    if (!job.subtitle.entries && IsStyledScript(job.subtitle.file))
        return RunStyledConversion(job, text, hooks, report);

    // The entries: the job's own, or read and checked here.
    const std::vector<Cue>* entries = job.subtitle.entries.get();
    bool utf8 = job.subtitle.utf8;
    report.charset = utf8 ? int(kUtf8Charset) : job.subtitle.charset;
    if (!entries) {
        if (!ReadOpenableEntries(job.subtitle, report.entries, utf8, report)) return report;
        entries = &report.entries;
    }
    const int charset = report.charset;
    report.standard = job.palette.standard;
    const PaletteChoice& p = job.palette;
    if (!job.subtitle.entries &&
        !CheckEntriesFit(*entries, job.look, charset, p.standard, text, report.fit)) {
        // The failure names the first line that does not fit (or the
        // first subtitle that leaves the frame); the fit lists them all.
        ConversionFailure f = Failure(ConversionFailure::Stage::Check, "");
        const FitResult& fit = report.fit;
        if (!fit.problems.empty()) {
            const FitProblem& first = fit.problems.front();
            f.subtitle = first.entry;
            f.line = first.line;
            f.width = first.width;
            const std::vector<std::string_view> lines = TextLinesOf((*entries)[size_t(first.entry - 1)]);
            if (!first.belowFrame && !job.look.wrap && size_t(first.line) <= lines.size())
                f.text = std::string(lines[size_t(first.line - 1)]);
            f.message = !first.belowFrame ? "The line is too long."
                        : first.above     ? "The subtitle's lines reach above the frame."
                                          : "The subtitle's lines reach below the frame.";
        } else {
            f.subtitle = fit.outside->entry;
            f.line = fit.outside->line;
            f.message = "The subtitle would leave the frame.";
        }
        report.failure = std::move(f);
        return report;
    }

    const RoleIndices roles{RoleEntry(p.roles.antialias), RoleEntry(p.roles.outline), RoleEntry(p.roles.text),
                            RoleEntry(p.roles.background)};
    const RoleColours colours{p.colours[size_t(roles.antialias)], p.colours[size_t(roles.outline)],
                              p.colours[size_t(roles.text)]};
    // A run with no DVD output draws only for a window that shows it.
    const bool dvd = job.outputs.AnyDvd();
    // Coloured runs show on DVD through entries of the stream palette made
    // for them: the outputs write that palette, and each unit shows its
    // letters in the entry of their colour.
    static const std::vector<Cue> kNoEntries;
    const DvdColours runColours(p, roles, dvd ? *entries : kNoEntries);
    ConversionJob colouredJob;
    if (runColours.Any()) {
        colouredJob = job;
        colouredJob.palette = runColours.Palette();
    }
    const ConversionJob& sinkJob = runColours.Any() ? colouredJob : job;
    const auto entryOf = [&](uint32_t colour) { return runColours.EntryOf(colour); };
    UnitColours unitColours;
    std::vector<bool> lostColour;
    SubPictureEncoder encoder(roles, colours);
    encoder.SetForced(job.outputs.forced);
    SubtitleLook look;
    look.font = DrawnFont(job.look, charset);
    look.offset = job.look.offset;
    look.offsetOr = job.look.lineSpacing;
    look.align = job.look.align;
    look.outlineWidth = job.look.outlineWidth;
    look.colors = {colours.outline, colours.antialias, colours.text};
    look.anchorBottom = job.look.anchorBottom;
    const int frameHeight = FrameHeightOf(p.standard);

    Frame ownFrame;
    Frame& frame = hooks.canvas ? *hooks.canvas : ownFrame;
    // Without a canvas the units are coded from pixel codes: each layer's
    // colour classified as the coder classifies a frame's pixels.
    CodeFrame codes;
    LayerCodes layerCodes{ClassifyPixel(look.colors.outline, colours),
                          ClassifyPixel(look.colors.antialias, colours),
                          ClassifyPixel(look.colors.text, colours)};
    const unsigned backgroundCode = ClassifyPixel(kPureBlue, colours);
    auto stopped = [&] {
        return (hooks.cancel && hooks.cancel->load(std::memory_order_relaxed)) ||
               (hooks.stopRequested && hooks.stopRequested());
    };
    const int count = int(entries->size());

    // The time line cut where any subtitle starts or ends: each stretch is one
    // picture holding every subtitle on screen then. A setting that is no
    // number fails the run at its first subtitle: none is timed.
    const bool failsFirst = !settingError.empty() && count > 0;
    const size_t timed = failsFirst ? 0 : size_t(count);
    std::vector<CueSpan> spans;
    spans.reserve(timed);
    for (size_t i = 0; i < timed; ++i) spans.push_back({(*entries)[i].start, (*entries)[i].end});
    // Every output ends a subtitle by the same rule: no later than the last
    // time a .sup or PGS header can hold (a PGS clear past it would wrap).
    int lateEnds = 0;
    for (CueSpan& cue : spans)
        if (cue.end > kLatestStart && cue.start <= kLatestStart) {
            cue.end = kLatestStart;
            ++lateEnds;
        }
    if (lateEnds > 0)
        report.warnings.push_back(
            std::to_string(lateEnds) + (lateEnds == 1 ? " subtitle ends" : " subtitles end") + " after " +
            ClockText(MsOfTicks(kLatestStart)) + ", the latest time the outputs can hold, " + "and " +
            (lateEnds == 1 ? "was" : "were") + " cut to end there");
    const Timeline timeline = SplitTimeline(spans);
    if (timeline.empty > 0)
        report.warnings.push_back(std::to_string(timeline.empty) +
                                  (timeline.empty == 1 ? " subtitle lasts" : " subtitles last") +
                                  " no time and " + (timeline.empty == 1 ? "was" : "were") + " left out");
    const int pictures = int(timeline.stretches.size());
    report.total = pictures;

    static const std::vector<Cue> untimed;
    if (std::optional<std::string> refusal = RunRefusal(job, failsFirst ? untimed : *entries)) {
        report.failure = Failure(ConversionFailure::Stage::Refused, *refusal);
        return report;
    }

    std::vector<std::unique_ptr<UnitSink>> sinks;
    bool muxing = false;
    try {
        SinkRequest request{sinkJob, report.stem, text, charset, report.warnings};
        DvdMuxSink* mux = CreateSinks(request, sinks);
        std::vector<RunLine> bottom, top;
        std::vector<PlacedLines> placed;
        DrawnSubtitle picture;
        picture.bottom = &bottom;
        picture.top = &top;
        picture.placed = &placed;
        std::vector<std::vector<uint8_t>> held;  // units of a long picture but its last
        // A setting that is no number fails the run as its first subtitle
        // comes, its outputs created and dropped again.
        const int steps = pictures + (failsFirst ? 1 : 0);
        for (int i = 1; i <= steps; ++i) {
            if (stopped()) {
                report.cancelled = true;
                break;
            }
            if (hooks.beforeSubtitle && !hooks.beforeSubtitle(i, steps)) {
                report.cancelled = true;
                break;
            }
            if (i > pictures) throw ConvertError(settingError);
            const Stretch& stretch = timeline.stretches[size_t(i - 1)];
            // Every line of every subtitle on screen, in the styles of its
            // tags, wrapped as asked: what the DVD unit shows and what the
            // other outputs draw. Subtitles placed at the top stack there,
            // the others at the bottom, each group in list order.
            // Cues placed by their own settings are drawn each where it says.
            bottom.clear();
            top.clear();
            placed.clear();
            unitColours.Clear();
            for (uint32_t k = stretch.first; k < stretch.first + stretch.count; ++k) {
                const Cue& lines = (*entries)[timeline.cues[k]];
                std::vector<RunLine> drawn = LinesToDraw(lines, text, look.font, job.look.wrap);
                if (runColours.Any()) unitColours.Add(timeline.cues[k], drawn);
                if (lines.place().Stacked())
                    StackCueLines(std::move(drawn), lines.AtTop() ? top : bottom);
                else {
                    // Only the lines with text take room where the cue is placed.
                    placed.push_back({BoxPlaceOf(lines.place()), lines.AtTop(), std::move(drawn)});
                    placed.back().lines.resize(LinesWithText(placed.back().lines));
                }
            }
            if (runColours.Any()) {
                // Letters in two colours keep both (text and antialias
                // slots); with more, the colour most of the letters are in is
                // the unit's and the subtitles with letters in another lose theirs.
                const UnitSlots slots = runColours.SlotsOf(unitColours);
                encoder.SetRoles(slots.entries, colours);
                runColours.ForCoder(slots, look, layerCodes);
                if (slots.second.empty())
                    for (const size_t cue : unitColours.Losing(entryOf)) {
                        if (lostColour.size() <= cue) lostColour.resize(cue + 1);
                        lostColour[cue] = true;
                    }
            }
            // The DVD units, when the run has a DVD output: one, or for a
            // picture longer than a unit can show, one after another.
            const std::vector<CueSpan> pieces = SpanPieces(stretch.start, stretch.end, kLongestUnit);
            const auto draw = [&](auto& canvas, auto&&... codes) {
                int top0 = INT_MAX, bottom0 = INT_MIN;
                for (const auto& [group, atTop] : {std::pair{&bottom, false}, std::pair{&top, true}}) {
                    if (group->empty()) continue;
                    const StackPlacement band =
                        DrawSubtitleLines(canvas, text, *group, look, codes..., atTop);
                    top0 = std::min(top0, band.bandTop);
                    bottom0 = std::max(bottom0, band.bandTop + band.bandHeight);
                }
                for (const PlacedLines& group : placed) {
                    SubtitleLook own = look;
                    own.place = group.place;
                    const StackPlacement band =
                        DrawSubtitleLines(canvas, text, group.lines, own, codes..., group.top);
                    top0 = std::min(top0, band.bandTop);
                    bottom0 = std::max(bottom0, band.bandTop + band.bandHeight);
                }
                return std::pair{top0, bottom0 - top0};
            };
            bool coded = false;
            int bandTop = 0, bandHeight = 0;
            if (hooks.canvas) {
                // All blue again first: after the previous picture only the
                // rows it drew on are rewritten.
                frame.Reset(kFrameWidth, frameHeight, kPureBlue);
                std::tie(bandTop, bandHeight) = draw(frame);
                if (hooks.bandTop) *hooks.bandTop = bandTop;
                if (hooks.bandHeight) *hooks.bandHeight = bandHeight;
                ClipBand(bandTop, bandHeight, frame.Height());
                coded = dvd;
            } else if (dvd) {
                // Nobody looks at the frame: the lines go straight into the
                // pixel codes the unit is coded from.
                codes.Reset(frameHeight, backgroundCode);
                std::tie(bandTop, bandHeight) = draw(codes, layerCodes);
                ClipBand(bandTop, bandHeight, codes.Height());
                coded = true;
            }
            // One event for every output: the lines, and the units coded
            // from the picture (a picture of several units keeps a copy of
            // each but the last, which the encoder reuses its buffer for).
            picture.start = stretch.start;
            picture.end = stretch.end;
            picture.units.clear();
            if (coded)
                for (size_t k = 0; k < pieces.size(); ++k) {
                    const CueSpan& piece = pieces[k];
                    const int64_t shown = MsOfTicks(piece.end - piece.start);
                    const std::vector<uint8_t>& unit =
                        hooks.canvas ? encoder.Encode(frame, bandTop, bandHeight, shown)
                                     : encoder.Encode(codes, bandTop, bandHeight, shown);
                    if (k + 1 < pieces.size()) {
                        if (held.size() <= k) held.resize(k + 1);
                        held[k] = unit;
                        picture.units.push_back({piece.start, &held[k]});
                    } else {
                        picture.units.push_back({piece.start, &unit});
                    }
                }
            for (auto& sink : sinks) sink->Write(picture);
            ++report.written;
            if (hooks.progress) hooks.progress(report.written, pictures);
        }
        if (!report.cancelled && stopped()) report.cancelled = true;
        if (const auto lost = std::count(lostColour.begin(), lostColour.end(), true); lost > 0)
            report.warnings.push_back(
                std::to_string(lost) + (lost == 1 ? " subtitle shows" : " subtitles show") +
                " text in more than two colours at once; a DVD sub-picture has at most two text "
                "colours, so " +
                (lost == 1 ? "it was" : "each was") + " drawn in the colour most of its letters are in");
        report.helpText = ComposeHelpText(job);
        if (report.cancelled) {
            // A stopped run keeps the records written so far, and writes no
            // help file.
            OutputsCommitting committing;
            CloseAllSinks(sinks);
            return report;
        }
        // Everything is written under temporary names first: a full disk,
        // a refused film or a signal leaves every previous output as it was.
        SealAuthorAndCommit(job, sinkJob.palette.disc, mux, sinks, report, muxing, hooks);
        report.converted = true;
    } catch (const std::exception& e) {
        // The previous outputs stay as they were.
        DiscardAll(sinks);
        report.failure =
            Failure(muxing ? ConversionFailure::Stage::Mux : ConversionFailure::Stage::Output, e.what());
        if (const auto* output = dynamic_cast<const OutputFileError*>(&e))
            report.failure->file = output->Path();
    }
    return report;
}

}  // namespace glyphon
