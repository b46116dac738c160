// libFuzzer target: the named command line. The input is split at line feeds
// into arguments after "glyphon"; every parse must end in one of its kinds
// with values inside the window's lists and ranges, or in a one-line reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzArgs.h"
#include "FuzzFile.h"
#include "cli/NamedOptions.h"
#include "core/OutputClash.h"
#include "render/FontTables.h"

using namespace glyphon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> args = fuzz::ArgumentsFromLines(data, size);

    const NamedCommand c = ParseNamedCommand(args);
    switch (c.kind) {
        case NamedCommand::NotNamed:
            fuzz::Check(args[1] != "convert" && args[1] != "--help" && args[1] != "--version");
            break;
        case NamedCommand::Help:
        case NamedCommand::Version:
            break;
        case NamedCommand::UsageError:
            fuzz::Check(!c.error.empty() && c.error.find('\n') == std::string::npos);
            break;
        case NamedCommand::Convert: {
            const ConvertOptions& o = c.options;
            fuzz::Check(!o.files.empty());
            for (const std::string& f : o.files) fuzz::Check(!f.empty());
            fuzz::Check(!(o.ifoFile && o.pal));
            fuzz::Check(o.fontSize >= 0 && size_t(o.fontSize) < FontSizeItems().size());
            fuzz::Check(o.fontStyle >= 0 && size_t(o.fontStyle) < FontStyleItems().size());
            fuzz::Check(o.fontCharset >= 0 && size_t(o.fontCharset) < FontCharsetItems().size());
            fuzz::Check(o.align >= 0 && size_t(o.align) < AlignItems().size());
            fuzz::Check(o.outlineWidth >= 0 && size_t(o.outlineWidth) < OutlineWidthItems().size());
            fuzz::Check(o.offset >= 8 && o.offset <= 492 && o.offsetOr >= -14 && o.offsetOr <= 10);
            fuzz::Check(!o.fontName.empty() && o.jobs >= 0 && o.jobs <= 1024);
            if (o.colors)
                for (int n : *o.colors) fuzz::Check(n >= 0 && n <= 15);
            fuzz::Check(!o.formats.empty());
            for (const std::string& f : o.formats) fuzz::Check(f == "sup" || f == "vobsub" || f == "pgs");
            // Outputs that meet across files are one line naming them.
            ConversionJob job;
            job.outputs.kinds = o.formats;
            job.outputs.folder = o.outputDir;
            job.outputs.mux.video = o.muxVideo;
            if (const auto clash = OutputClash(job, o.files))
                fuzz::Check(clash->find('\n') == std::string::npos);
            break;
        }
    }
    return 0;
}
