#include "cli/FileConversion.h"

#include <cerrno>
#include <cstdio>
#include <exception>

#include "common/Convert.h"
#include "common/FileError.h"
#include "core/Convert.h"

namespace glyphon {

namespace {

// Every line of a message box text ("\r", "\r\n" or "\n" between lines),
// without empty ones.
void AddLines(std::vector<std::string>& out, const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!line.empty()) out.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) out.push_back(line);
}

// Why the file was not converted, in the command line's words.
std::vector<std::string> Explain(const ConversionReport& report) {
    std::vector<std::string> out;
    const ConversionFailure& f = *report.failure;
    switch (f.stage) {
        case ConversionFailure::Stage::Mux:
            // The run's other outputs are written; the message names the film.
            AddLines(out, WithFullStop(f.message));
            break;
        case ConversionFailure::Stage::Output:
            AddLines(out, WithFullStop(f.message));
            for (std::string& line : out) line = "writing " + report.stem + ".sup or its help file: " + line;
            break;
        case ConversionFailure::Stage::Check:
            out.push_back("subtitle " + IntToStr(f.subtitle) + ", line " + IntToStr(f.line) + " is " +
                          IntToStr(f.width) + " pixels wide, more than the " + IntToStr(kWidestFittingLine) +
                          " that fit: \"" + f.text + "\"; try a smaller --size");
            break;
        case ConversionFailure::Stage::Read:
            if (f.subtitle == 0 && !report.notices.empty()) {
                for (const std::string& notice : report.notices) AddLines(out, notice);
                break;
            }
            AddLines(out, WithFullStop(f.message));
            // A text that is not a number ends the reading: the entries
            // before it were read, so the fault lies in the one after them.
            if (f.subtitle > 1 && !report.entries.empty())
                out.push_back("reading stopped after subtitle " + IntToStr(f.subtitle - 1) + " (" +
                              report.entries.back().line1 + ")");
            break;
    }
    if (out.empty()) out.push_back("not converted");
    return out;
}

}  // namespace

FileOutcome ConvertFile(const ConversionJob& base, const std::string& subtitleFile, TextEngine& text,
                        const ProgressFn& progress) {
    FileOutcome outcome;
    if (std::FILE* probe = std::fopen(subtitleFile.c_str(), "rb")) {
        std::fclose(probe);
    } else {
        outcome.messages.push_back(WithFullStop(FileErrorText(errno)));
        return outcome;
    }
    if (const DvdMuxRequest& mux = base.outputs.mux; !mux.video.empty()) {
        try {
            CheckDvdMuxInput(mux.video, MuxedFileName(OutputStem(base.outputs.folder, subtitleFile)));
        } catch (const FileError& e) {
            outcome.messages.push_back(mux.video + ": " + WithFullStop(e.what()));
            return outcome;
        } catch (const std::exception& e) {
            outcome.messages.push_back(e.what());
            return outcome;
        }
    }
    ConversionJob job = base;
    job.subtitle.file = subtitleFile;
    ConversionHooks hooks;
    if (progress) hooks.progress = [&](int done, int total) { progress(done, total); };
    const ConversionReport report = RunConversion(job, text, hooks);
    outcome.converted = report.converted;
    if (report.failure)
        outcome.messages = Explain(report);
    else
        for (const std::string& warning : report.warnings) outcome.messages.push_back("warning: " + warning);
    return outcome;
}

}  // namespace glyphon
