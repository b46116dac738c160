#include "core/StyledConvert.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "ass/AssDvd.h"
#include "ass/AssScript.h"
#include "common/FileError.h"
#include "common/StagedFile.h"
#include "core/DvdUnitCap.h"
#include "core/OutputKinds.h"
#include "core/PendingOutputs.h"
#include "mux/DvdAuthoring.h"
#include "palette/ColorNames.h"
#include "subtitle/Cue.h"
#include "subtitle/SubtitleReaders.h"

namespace glyphon {

namespace {

ConversionFailure Failed(ConversionFailure::Stage stage, std::string message) {
    ConversionFailure f;
    f.stage = stage;
    f.message = std::move(message);
    return f;
}

// Stops a walk through the script when the run is told to.
struct Stopped {};

}  // namespace

bool IsStyledScript(const std::string& file) {
    // The readers' probes decide; a file that cannot be read is left to the
    // reading, which says why.
    try {
        const SubtitleReader* reader = PickReaderForFile(file);
        return reader && !reader->read;
    } catch (const FileError&) {
        return false;
    }
}

ConversionReport RunStyledConversion(const ConversionJob& job, TextEngine& text, const ConversionHooks& hooks,
                                     ConversionReport report) {
    const OutputRequest& o = job.outputs;
    if (std::optional<std::string> refusal = RunRefusal(job, {})) {
        report.failure = Failed(ConversionFailure::Stage::Refused, *refusal);
        return report;
    }
    const auto stopped = [&] {
        return (hooks.cancel && hooks.cancel->load(std::memory_order_relaxed)) ||
               (hooks.stopRequested && hooks.stopRequested());
    };
    const auto addWarnings = [&](const std::vector<std::string>& warnings) {
        for (const std::string& w : warnings)
            if (std::find(report.warnings.begin(), report.warnings.end(), w) == report.warnings.end())
                report.warnings.push_back(w);
    };
    // The DVD outputs show the stream palette made from the script.
    ConversionJob dvdJob = job;
    std::vector<std::unique_ptr<UnitSink>> sinks;
    bool muxing = false;
    try {
        std::unique_ptr<AssScript> dvdScript;
        const int frameHeight = FrameHeightOf(job.palette.standard);
        if (o.AnyDvd()) {
            dvdScript = std::make_unique<AssScript>(job.subtitle.file, kFrameWidth, frameHeight,
                                                    job.subtitle.fontsDir);
            dvdScript->SetPixelAspect(DvdPixelAspect(frameHeight, job.look.widescreen));
            if (job.palette.source != PaletteSource::Ifo) {
                const std::array<Rgb, 16> palette = StreamPaletteOf(dvdScript->Colours());
                for (size_t i = 0; i < 16; ++i) {
                    dvdJob.palette.colours[i] = palette[i];
                    dvdJob.palette.disc[i] = DiscEntryOf(RgbToVideoYCbCr(palette[i]));
                }
            }
            report.loaded = true;
            report.total = dvdScript->EventCount();
        }
        // Every output of the table: those that take DVD units get the
        // script's, those that draw a script themselves (PGS) draw it after.
        SinkRequest request{dvdJob, report.stem, text, kUtf8Charset, report.warnings};
        request.script = true;
        DvdMuxSink* mux = CreateSinks(request, sinks);
        if (dvdScript) {
            SubPictureEncoder encoder;
            encoder.SetForced(o.forced);
            CodeFrame codes;
            const double fps = job.palette.standard == VideoStandard::Pal ? 25 : 30000.0 / 1001;
            // Each picture waits until the next is known: a change the
            // player's buffer could not take right after it is left out and
            // the picture shown on until the next change that fits.
            struct Pending {
                CodeFrame codes;
                DvdPicture placed;
                int64_t startMs = 0, endMs = 0;
                size_t bytes = 0;
                bool any = false;
            } pending;
            DvdUnitCap cap;
            int leftOut = 0;
            const auto flush = [&] {
                if (!pending.any) return;
                encoder.SetRoles(pending.placed.roles, RoleColours{});
                const std::vector<uint8_t>& unit =
                    encoder.Encode(pending.codes, pending.placed.top, pending.placed.height,
                                   pending.endMs - pending.startMs);
                cap.Enter(pending.startMs, pending.endMs, unit.size());
                DrawnSubtitle picture;
                picture.start = TicksOfMs(pending.startMs);
                picture.end = TicksOfMs(pending.endMs);
                picture.units.push_back({picture.start, &unit});
                for (auto& sink : sinks) sink->Write(picture);
                ++report.written;
                pending.any = false;
            };
            try {
                dvdScript->Walk(fps, [&](const AssMoment& m, const AssPicture& picture) {
                    if (stopped()) throw Stopped{};
                    const DvdPicture placed =
                        CodeDvdPicture(picture, dvdJob.palette.colours, codes, frameHeight);
                    encoder.SetRoles(placed.roles, RoleColours{});
                    const size_t bytes =
                        encoder.Encode(codes, placed.top, placed.height, m.endMs - m.startMs).size();
                    if (pending.any && pending.endMs == m.startMs &&
                        !cap.Fits(m.startMs, bytes, pending.bytes)) {
                        pending.endMs = m.endMs;
                        ++leftOut;
                        return;
                    }
                    flush();
                    pending.codes = codes;
                    pending.placed = placed;
                    pending.startMs = m.startMs;
                    pending.endMs = m.endMs;
                    pending.bytes = bytes;
                    pending.any = true;
                });
                flush();
            } catch (const Stopped&) {
                flush();
                report.cancelled = true;
            }
            if (leftOut > 0)
                report.warnings.push_back(std::to_string(leftOut) + (leftOut == 1 ? " change" : " changes") +
                                          " of animated subtitles left out of the DVD units: a player's "
                                          "sub-picture buffer could not take them in time; the picture "
                                          "before each stays on screen");
            addWarnings(dvdScript->Warnings());
        }
        // Streams that draw the script themselves, until one has drawn it.
        std::vector<UnitSink*> undrawn;
        for (auto& sink : sinks) {
            auto* drawing = dynamic_cast<ScriptSink*>(sink.get());
            if (!drawing) continue;
            if (report.cancelled || stopped()) {
                report.cancelled = true;
                undrawn.push_back(sink.get());
                continue;
            }
            const ScriptDrawn drawn = drawing->DrawScript(job.subtitle.file, job.subtitle.fontsDir, stopped);
            if (drawn.stopped) report.cancelled = true;
            report.loaded = true;
            report.total = drawn.events;
            if (!dvdScript) report.written = drawn.pictures;
            addWarnings(drawn.warnings);
        }
        if (hooks.progress && !report.cancelled) hooks.progress(report.total, report.total);
        report.helpText = ComposeHelpText(job);
        if (report.cancelled) {
            // A stream the stop came before holds nothing: the file of that
            // name stays as it was.
            for (UnitSink* sink : undrawn) sink->Discard();
            std::erase_if(sinks, [&](const std::unique_ptr<UnitSink>& sink) {
                return std::find(undrawn.begin(), undrawn.end(), sink.get()) != undrawn.end();
            });
            OutputsCommitting committing;
            CloseAllSinks(sinks);
            return report;
        }
        SealAuthorAndCommit(job, dvdJob.palette.disc, mux, sinks, report, muxing, hooks);
        report.converted = true;
    } catch (const AssError& e) {
        for (auto& sink : sinks) sink->Discard();
        report.failure = Failed(ConversionFailure::Stage::Read, e.what());
    } catch (const std::exception& e) {
        for (auto& sink : sinks) sink->Discard();
        report.failure =
            Failed(muxing ? ConversionFailure::Stage::Mux : ConversionFailure::Stage::Output, e.what());
    }
    return report;
}

}  // namespace glyphon
