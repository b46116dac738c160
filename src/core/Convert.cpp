#include "core/Convert.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "common/Convert.h"
#include "common/FileError.h"
#include "mux/VobSubWriter.h"
#include "render/DisplayText.h"
#include "render/Renderer.h"
#include "render/TextEngine.h"
#include "subtitle/Subtitle.h"
#include "sup/SupWriter.h"
#include "sup/UnitSink.h"

namespace glyphon {

namespace {

constexpr const char* kNotLoaded = "Please load an Srt/Sub/Txt subtitle.";

// Keeps the reader's plain messages instead of showing them.
class NoticeSink : public MessageSink {
public:
    explicit NoticeSink(std::vector<std::string>& out) : out_(out) {}
    void ShowMessage(const std::string& text) override { out_.push_back(text); }

private:
    std::vector<std::string>& out_;
};

// The reader writes whole milliseconds as decimal text within 32 bits.
int64_t Milliseconds(const std::string& text) {
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return RoundHalfEven(StrToFloat(text));
    return v;
}

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) ThrowFileError(errno);
    out << text;
    out.close();
    if (!out) ThrowFileError(errno ? errno : EIO);
}

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

// Closes every sink, even after one fails; the first failure is reported.
void CloseAll(std::vector<std::unique_ptr<UnitSink>>& sinks) {
    std::exception_ptr first;
    for (auto& sink : sinks) {
        try {
            sink->Close();
        } catch (const std::exception&) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

ConversionFailure Failure(ConversionFailure::Stage stage, std::string message) {
    ConversionFailure f;
    f.stage = stage;
    f.message = std::move(message);
    return f;
}

int RoleEntry(int index) { return index >= 0 && index < 16 ? index : 0; }

// The run's outputs, in the order they get each unit: the ".sup", the
// VobSub pair, the film to mux into. Throws FileError; what was created
// before the failure is in sinks.
DvdMuxSink* CreateSinks(const ConversionJob& job, const std::string& stem, TextEngine& text, int charset,
                        std::vector<std::unique_ptr<UnitSink>>& sinks) {
    const OutputRequest& o = job.outputs;
    if (o.sup) {
        auto sup = std::make_unique<SupWriter>();
        sup->Create(stem + ".sup");
        sinks.push_back(std::move(sup));
    }
    if (o.vobsub) {
        VobSubHeader header;
        header.frameHeight = FrameHeightOf(job.palette.standard);
        for (size_t i = 0; i < header.palette.size() && i < job.palette.colours.size(); ++i)
            header.palette[i] = job.palette.colours[i];
        header.language = o.language;
        const std::string pair = VobSubStem(stem, job.subtitle.file);
        auto vobsub = std::make_unique<VobSubWriter>();
        vobsub->Create(pair + ".idx", pair + ".sub", header);
        sinks.push_back(std::move(vobsub));
    }
    if (o.pgs) {
        // The look as the DVD frame has it, scaled by the sink to the
        // stream's size.
        const TextLook& l = job.look;
        PgsLook look;
        look.font = FontSpec{l.fontName, l.sizePoints, charset, int(l.style)};
        look.offset = l.offset;
        look.offsetOr = l.lineSpacing;
        look.align = AlignmentText(l.align);
        look.outlineWidth = l.outlineWidth;
        const auto opaque = [](Rgb c) { return Rgba{c.r, c.g, c.b, 255}; };
        const auto role = [&](int index) { return job.palette.colours[size_t(RoleEntry(index))]; };
        PgsOptions options;
        options.video = o.pgsRequest.video;
        options.colors.text = o.pgsRequest.text.value_or(opaque(role(job.palette.roles.text)));
        options.colors.outline = o.pgsRequest.outline.value_or(opaque(role(job.palette.roles.outline)));
        options.colors.background = o.pgsRequest.background;
        auto pgs = std::make_unique<PgsSink>(text, look, options);
        pgs->Create(stem + ".pgs.sup");
        sinks.push_back(std::move(pgs));
    }
    if (o.mux.video.empty()) return nullptr;
    auto mux = std::make_unique<DvdMuxSink>(o.mux, stem, job.palette.disc);
    DvdMuxSink* raw = mux.get();
    sinks.push_back(std::move(mux));
    return raw;
}


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

}  // namespace

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

const char* AlignmentText(Alignment a) {
    switch (a) {
        case Alignment::Center:
            return "center";
        case Alignment::Left:
            return "left";
        case Alignment::Right:
            break;
    }
    return "right";
}

std::string VobSubStem(const std::string& stem, const std::string& subtitleFile) {
    // A MicroDVD subtitle file NAME.sub is never overwritten: beside it the
    // pair is NAME.vobsub.idx and NAME.vobsub.sub.
    std::error_code ec;
    return std::filesystem::equivalent(stem + ".sub", subtitleFile, ec) ? stem + ".vobsub" : stem;
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
    // The list names the files the run writes: a run asked for VobSub alone
    // writes no ".sup", so its pair stands in that line.
    std::string written = stem + ".sup" + "\r\n";
    if (!job.outputs.sup) {
        written.clear();
        if (job.outputs.vobsub) {
            const std::string pair = VobSubStem(stem, job.subtitle.file);
            written = pair + ".idx" + "\r\n" + pair + ".sub" + "\r\n";
        }
    }
    if (job.outputs.pgs) written += stem + ".pgs.sup" + "\r\n";
    return text + written + stem + ".Glyphon_Help.txt";
}

bool ReadSubtitleEntries(const std::string& file, int charset, std::vector<TimedSubtitle>& entries, bool& utf8,
                         ConversionReport& report) {
    entries.clear();
    utf8 = false;
    // The readers take a file they cannot open for one of another format;
    // here the reason is known and said.
    if (std::FILE* probe = std::fopen(file.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        report.failure = Failure(ConversionFailure::Stage::Read, FileErrorText(errno));
        return false;
    }
    TSubtitle list;
    NoticeSink notices(report.notices);
    std::optional<ConversionFailure> failure;
    try {
        list.LoadFromFile(file, true, notices);
    } catch (const ConvertError& e) {
        // The refused text comes from the file: shown as its characters.
        failure = Failure(ConversionFailure::Stage::Read, DisplayText(e.what(), list.Utf8 ? int(kUtf8Charset) : charset));
    } catch (const FileError& e) {
        failure = Failure(ConversionFailure::Stage::Read, e.what());
    }
    utf8 = list.Utf8;
    entries.reserve(list.Lines.size());
    for (SubtitleLine& l : list.Lines)
        entries.push_back(
            TimedSubtitle{Milliseconds(l.StartMs), Milliseconds(l.EndMs), std::move(l.Line1), std::move(l.Line2)});
    if (failure) {
        failure->subtitle = int(entries.size()) + 1;
        report.failure = std::move(failure);
        return false;
    }
    if (!list.Loaded) {
        report.failure = Failure(ConversionFailure::Stage::Read, kNotLoaded);
        return false;
    }
    return true;
}

std::optional<ConversionFailure> FindTooWideLine(const std::vector<TimedSubtitle>& entries, const TextLook& look,
                                                 int charset, TextEngine& text) {
    const FontSpec font{look.fontName, look.sizePoints, charset, int(look.style)};
    for (size_t i = 0; i < entries.size(); ++i) {
        const TimedSubtitle& e = entries[i];
        const int w1 = text.MeasureLine(e.line1, font).width;
        const int w2 = text.MeasureLine(e.line2, font).width;
        if (w1 <= kWidestFittingLine && w2 <= kWidestFittingLine) continue;
        ConversionFailure f;
        f.stage = ConversionFailure::Stage::Check;
        f.subtitle = int(i) + 1;
        f.line = w1 > kWidestFittingLine ? 1 : 2;
        f.width = f.line == 1 ? w1 : w2;
        f.text = f.line == 1 ? e.line1 : e.line2;
        f.message = "The string \r" + DisplayText(e.line1, charset) + "\r" + DisplayText(e.line2, charset) +
                    "\ris too long. Please correct the srt and reload it. You can just use a smaler font size.";
        return f;
    }
    return std::nullopt;
}

ConversionReport RunConversion(const ConversionJob& job, TextEngine& text, const ConversionHooks& hooks) {
    ConversionReport report;
    report.stem = OutputStem(job.outputs.folder, job.subtitle.file);

    // The entries: the job's own, or read and checked here.
    const std::vector<TimedSubtitle>* entries = job.subtitle.entries.get();
    bool utf8 = job.subtitle.utf8;
    if (!entries) {
        if (!ReadSubtitleEntries(job.subtitle.file, job.subtitle.charset, report.entries, utf8, report))
            return report;
        entries = &report.entries;
    }
    const int charset = utf8 ? int(kUtf8Charset) : job.subtitle.charset;
    if (!job.subtitle.entries) {
        if (auto tooWide = FindTooWideLine(*entries, job.look, charset, text)) {
            report.failure = std::move(tooWide);
            return report;
        }
    }

    const PaletteChoice& p = job.palette;
    const RoleIndices roles{RoleEntry(p.roles.antialias), RoleEntry(p.roles.outline), RoleEntry(p.roles.text),
                            RoleEntry(p.roles.background)};
    const RoleColours colours{p.colours[size_t(roles.antialias)], p.colours[size_t(roles.outline)],
                              p.colours[size_t(roles.text)]};
    SubPictureEncoder encoder(roles, colours);
    SubtitleLook look;
    look.font = FontSpec{job.look.fontName, job.look.sizePoints, charset, int(job.look.style)};
    look.offset = job.look.offset;
    look.offsetOr = job.look.lineSpacing;
    look.align = AlignmentText(job.look.align);
    look.outlineWidth = job.look.outlineWidth;
    look.colors = {colours.outline, colours.antialias, colours.text};
    const int frameHeight = FrameHeightOf(p.standard);

    Frame ownFrame;
    Frame& frame = hooks.canvas ? *hooks.canvas : ownFrame;
    auto stopped = [&] {
        return (hooks.cancel && hooks.cancel->load(std::memory_order_relaxed)) ||
               (hooks.stopRequested && hooks.stopRequested());
    };
    const int count = int(entries->size());
    report.total = count;

    std::vector<std::unique_ptr<UnitSink>> sinks;
    bool muxing = false;
    try {
        DvdMuxSink* mux = CreateSinks(job, report.stem, text, charset, sinks);
        for (int i = 1; i <= count; ++i) {
            if (stopped()) {
                report.cancelled = true;
                break;
            }
            if (hooks.beforeSubtitle && !hooks.beforeSubtitle(i, count)) {
                report.cancelled = true;
                break;
            }
            if (!job.settingError.empty() && i >= job.settingErrorAt) throw ConvertError(job.settingError);
            const TimedSubtitle& entry = (*entries)[size_t(i - 1)];
            // All blue again: after the previous subtitle only the rows it
            // drew on are rewritten.
            frame.Reset(kFrameWidth, frameHeight, kPureBlue);
            const SubtitlePlacement placed = DrawSubtitle(frame, text, entry.line1, entry.line2, look);
            if (hooks.bandTop) *hooks.bandTop = placed.bandTop;
            if (hooks.bandHeight) *hooks.bandHeight = placed.bandHeight;
            int top = placed.bandTop, height = placed.bandHeight;
            ClipBand(top, height, frame.Height());
            const auto& unit = encoder.Encode(frame, top, height, entry.endMs - entry.startMs);
            for (auto& sink : sinks) sink->Subtitle(entry.startMs, entry.endMs, entry.line1, entry.line2);
            for (auto& sink : sinks) sink->Append(entry.startMs, unit);
            ++report.written;
            if (hooks.progress) hooks.progress(report.written, count);
        }
        if (!report.cancelled && stopped()) report.cancelled = true;
        CloseAll(sinks);
        if (mux && !report.cancelled) {
            muxing = true;
            const MuxReport muxed = mux->Finish();
            muxing = false;
            const std::string warning = mux->PastEndWarning(muxed);
            if (!warning.empty()) report.warnings.push_back(warning);
        }
        report.helpText = ComposeHelpText(job);
        if (!report.cancelled) {
            WriteTextFile(report.stem + ".Glyphon_Help.txt", report.helpText);
            report.converted = true;
        }
    } catch (const std::exception& e) {
        // The units written so far stay in the files.
        try {
            CloseAll(sinks);
        } catch (const std::exception&) {
        }
        report.failure = Failure(muxing ? ConversionFailure::Stage::Mux : ConversionFailure::Stage::Output, e.what());
    }
    return report;
}

}  // namespace glyphon
