#include "core/OutputKinds.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "ass/AssPgs.h"
#include "ass/AssScript.h"
#include "common/FileError.h"
#include "core/DrawnLines.h"
#include "core/OutputNames.h"
#include "mux/DvdMux.h"
#include "mux/VobSubWriter.h"
#include "pgs/PgsSink.h"
#include "sup/SupWriter.h"

namespace glyphon {

namespace {

// A writer of DVD units (the ".sup", the VobSub pair, the film's units) as
// a sink: it takes the units of every picture and nothing else.
template <class Writer>
class UnitWriterSink : public UnitSink {
public:
    Writer& Own() { return writer_; }
    void Write(const DrawnSubtitle& picture) override {
        for (const DvdUnit& unit : picture.units) writer_.Append(unit.start, *unit.bytes);
    }
    void Seal() override {
        if constexpr (requires(Writer w) { w.Seal(); }) writer_.Seal();
    }
    void Close() override { writer_.Close(); }
    void Discard() override {
        if constexpr (requires(Writer w) { w.Discard(); }) writer_.Discard();
    }

private:
    Writer writer_;
};

// The PGS stream draws its own picture from the lines.
class PgsOutput : public UnitSink {
public:
    PgsOutput(TextEngine& text, const PgsLook& look, const PgsOptions& options)
        : sink_(text, look, options) {}
    PgsSink& Own() { return sink_; }
    void Write(const DrawnSubtitle& picture) override {
        static const std::vector<RunLine> none;
        static const std::vector<PlacedLines> nonePlaced;
        if (!picture.bottom && !picture.top && !picture.placed) return;
        sink_.Subtitle(picture.start, picture.end, picture.bottom ? *picture.bottom : none,
                       picture.top ? *picture.top : none, picture.placed ? *picture.placed : nonePlaced);
    }
    void Seal() override { sink_.Seal(); }
    void Close() override { sink_.Close(); }
    void Discard() override { sink_.Discard(); }

private:
    PgsSink sink_;
};

// A styled script's PGS stream, drawn by libass at the stream's size.
class ScriptPgsOutput : public ScriptSink {
public:
    explicit ScriptPgsOutput(const PgsVideo& video) : video_(video) {}
    void Create(const std::string& path) { writer_.Create(path, video_); }
    ScriptDrawn DrawScript(const std::string& file, const std::string& fontsDir,
                           const std::function<bool()>& stop) override {
        AssScript script(file, video_.width, video_.height, fontsDir);
        ScriptDrawn drawn;
        drawn.events = script.EventCount();
        drawn.pictures = WriteAssPgs(script, writer_, video_, stop, &drawn.stopped);
        drawn.warnings = script.Warnings();
        return drawn;
    }
    void Close() override { writer_.Close(); }
    void Seal() override { writer_.Seal(); }
    void Discard() override { writer_.Discard(); }

private:
    PgsVideo video_;
    PgsWriter writer_;
};

class MuxOutput : public UnitSink {
public:
    explicit MuxOutput(const std::string& stem) : sink_(stem) {}
    DvdMuxSink& Own() { return sink_; }
    void Write(const DrawnSubtitle& picture) override {
        for (const DvdUnit& unit : picture.units) sink_.Append(unit.start, *unit.bytes);
    }
    void Close() override {}

private:
    DvdMuxSink sink_;
};

int RoleEntry(int index) { return index >= 0 && index < 16 ? index : 0; }

std::unique_ptr<UnitSink> MakeSup(SinkRequest& r) {
    auto sup = std::make_unique<UnitWriterSink<SupWriter>>();
    sup->Own().Create(r.stem + ".sup");
    return sup;
}

std::string VobSubPairOf(const std::string& stem, const ConversionJob& job) {
    return FreeVobSubStem(stem, RunInputFiles(job)).value_or(stem);
}

std::unique_ptr<UnitSink> MakeVobSub(SinkRequest& r) {
    const ConversionJob& job = r.job;
    const std::string& stem = r.stem;
    VobSubHeader header;
    header.frameHeight = FrameHeightOf(job.palette.standard);
    for (size_t i = 0; i < header.palette.size() && i < job.palette.colours.size(); ++i)
        header.palette[i] = job.palette.colours[i];
    header.language = job.outputs.language;
    const std::vector<std::string> inputs = RunInputFiles(job);
    const std::optional<std::string> free = FreeVobSubStem(stem, inputs);
    if (!free)
        throw FileError(stem + ".idx, " + stem +
                        ".sub and the names after them are taken by other files; "
                        "the VobSub pair was not written");
    const std::string pair = *free;
    if (pair != stem) {
        // Say what took the name: an input of the run, or another program's
        // file.
        std::string taken = stem + ".sub is not a VobSub file written by Glyphon";
        for (const std::string& name : {stem + ".idx", stem + ".sub"})
            if (OutputReplacingInput({name}, inputs)) {
                taken = name + " is an input of this run";
                break;
            }
        std::error_code missing;
        if (taken.rfind(stem + ".sub", 0) == 0 && !std::filesystem::exists(stem + ".sub", missing))
            taken = stem + ".idx is not a VobSub index written by Glyphon";
        r.warnings.push_back(taken + "; the VobSub pair is " + pair + ".idx and " + pair + ".sub");
    }
    auto vobsub = std::make_unique<UnitWriterSink<VobSubWriter>>();
    vobsub->Own().Create(pair + ".idx", pair + ".sub", header);
    return vobsub;
}

std::unique_ptr<UnitSink> MakePgs(SinkRequest& r) {
    if (r.script) {
        // A styled script is drawn by libass at the stream's size.
        auto pgs = std::make_unique<ScriptPgsOutput>(r.job.outputs.pgsRequest.video);
        pgs->Create(r.stem + ".pgs.sup");
        return pgs;
    }
    // The look as the DVD frame has it, scaled by the sink to the stream's
    // size.
    const ConversionJob& job = r.job;
    const TextLook& l = job.look;
    PgsLook look;
    look.font = FontSpec{l.fontName, l.sizePoints, r.charset, int(l.style)};
    look.font.language = l.language;
    look.offset = l.offset;
    look.offsetOr = l.lineSpacing;
    look.align = l.align;
    look.outlineWidth = l.outlineWidth;
    const auto opaque = [](Rgb c) { return Rgba{c.r, c.g, c.b, 255}; };
    const auto role = [&](int index) { return job.palette.colours[size_t(RoleEntry(index))]; };
    const PgsRequest& asked = job.outputs.pgsRequest;
    PgsOptions options;
    options.video = asked.video;
    options.colors.text = asked.text.value_or(opaque(role(job.palette.roles.text)));
    options.colors.outline = asked.outline.value_or(opaque(role(job.palette.roles.outline)));
    options.colors.background = asked.background;
    auto pgs = std::make_unique<PgsOutput>(r.text, look, options);
    pgs->Own().Create(r.stem + ".pgs.sup");
    return pgs;
}

std::unique_ptr<UnitSink> MakeMux(SinkRequest& r) {
    auto mux = std::make_unique<MuxOutput>(r.stem);
    r.mux = &mux->Own();
    return mux;
}

std::vector<OutputKind> BuiltInKinds() {
    std::vector<OutputKind> kinds;
    {
        // The film's units, muxed by the plan after every input ran; the
        // disc's files carry the name of the input that owns the disc.
        OutputKind k;
        k.name = "mux";
        k.caption = "Also mux into a DVD film (.mpg)";
        k.control = "CheckBoxMux";
        k.dvdUnits = true;
        k.disc = true;
        k.on = [](const OutputRequest& o) { return !o.mux.video.empty(); };
        k.files = [](const std::string& stem, const ConversionJob& job) {
            return job.outputs.mux.discStem.empty() ? DiscFileNames(stem) : std::vector<std::string>{};
        };
        k.make = MakeMux;
        kinds.push_back(std::move(k));
    }
    {
        OutputKind k;
        k.name = "sup";
        k.formatHelp = "sup";
        k.byDefault = true;
        k.dvdUnits = true;
        k.files = [](const std::string& stem, const ConversionJob&) {
            return std::vector<std::string>{stem + ".sup"};
        };
        k.make = MakeSup;
        kinds.push_back(std::move(k));
    }
    {
        OutputKind k;
        k.name = "vobsub";
        k.formatHelp = "vobsub (NAME.idx and NAME.sub)";
        k.caption = "Also write VobSub (.idx/.sub)";
        k.control = "CheckBoxVobSub";
        k.dvdUnits = true;
        k.freeNames = true;
        k.files = [](const std::string& stem, const ConversionJob& job) {
            const std::string pair = VobSubPairOf(stem, job);
            return std::vector<std::string>{pair + ".idx", pair + ".sub"};
        };
        k.make = MakeVobSub;
        kinds.push_back(std::move(k));
    }
    {
        OutputKind k;
        k.name = "pgs";
        k.formatHelp = "pgs (Blu-ray, NAME.pgs.sup)";
        k.caption = "Also write Blu-ray PGS (.pgs.sup)";
        k.control = "CheckBoxPgs";
        k.files = [](const std::string& stem, const ConversionJob&) {
            return std::vector<std::string>{stem + ".pgs.sup"};
        };
        k.make = MakePgs;
        kinds.push_back(std::move(k));
    }
    {
        // Written by the run itself once every other output is.
        OutputKind k;
        k.name = "help";
        k.on = [](const OutputRequest&) { return true; };
        k.files = [](const std::string& stem, const ConversionJob&) {
            return std::vector<std::string>{HelpFileName(stem)};
        };
        kinds.push_back(std::move(k));
    }
    return kinds;
}

std::vector<OutputKind>& Table() {
    static std::vector<OutputKind> table = BuiltInKinds();
    return table;
}

}  // namespace

std::string HelpFileName(const std::string& stem) { return stem + ".Glyphon_Help.txt"; }

std::vector<std::string> RunInputFiles(const ConversionJob& job) {
    std::vector<std::string> inputs = job.otherInputs;
    inputs.push_back(job.subtitle.file);
    inputs.push_back(job.outputs.mux.video);
    return inputs;
}

const std::vector<OutputKind>& OutputKinds() { return Table(); }

void RegisterOutputKind(OutputKind kind) {
    std::vector<OutputKind>& table = Table();
    UnregisterOutputKind(kind.name);
    table.insert(table.end() - 1, std::move(kind));  // the help file stays last
}

void UnregisterOutputKind(const std::string& name) {
    std::vector<OutputKind>& table = Table();
    table.erase(
        std::remove_if(table.begin(), table.end() - 1, [&](const OutputKind& k) { return k.name == name; }),
        table.end() - 1);
}

std::vector<const OutputKind*> FormatKinds() {
    std::vector<const OutputKind*> kinds;
    for (const OutputKind& kind : OutputKinds())
        if (!kind.formatHelp.empty()) kinds.push_back(&kind);
    return kinds;
}

std::set<std::string> DefaultOutputKinds() {
    std::set<std::string> kinds;
    for (const OutputKind& kind : OutputKinds())
        if (kind.byDefault) kinds.insert(kind.name);
    return kinds;
}

bool OutputRequest::AnyDvd() const {
    for (const OutputKind& kind : OutputKinds())
        if (kind.dvdUnits && kind.On(*this)) return true;
    return false;
}

std::vector<std::string> OutputFileNames(const ConversionJob& job, const std::string& stem, bool disc) {
    std::vector<std::string> names;
    for (const OutputKind& kind : OutputKinds())
        if ((disc || !kind.disc) && kind.On(job.outputs))
            for (std::string& name : kind.files(stem, job)) names.push_back(std::move(name));
    return names;
}

DvdMuxSink* CreateSinks(SinkRequest& request, std::vector<std::unique_ptr<UnitSink>>& sinks) {
    // Each input's own outputs first, then the disc's.
    for (const bool disc : {false, true})
        for (const OutputKind& kind : OutputKinds())
            if (kind.disc == disc && kind.make && kind.On(request.job.outputs))
                sinks.push_back(kind.make(request));
    return request.mux;
}

}  // namespace glyphon
