// Parsing the named command line: list texts become the window's list
// positions, and every mistake is a usage error with a reason.
#include <gtest/gtest.h>

#include "cli/NamedCommand.h"
#include "cli/NamedOptions.h"
#include "common/Version.h"

namespace glyphon::test {

namespace {

NamedCommand Parse(std::vector<std::string> rest) {
    rest.insert(rest.begin(), "glyphon");
    return ParseNamedCommand(rest);
}

}  // namespace

TEST(NamedOptions, OnlyConvertHelpAndVersionAreNamedCommands) {
    EXPECT_EQ(Parse({}).kind, NamedCommand::NotNamed);
    EXPECT_EQ(Parse({"-1", "none", "a.srt"}).kind, NamedCommand::NotNamed);
    EXPECT_EQ(Parse({"--frobnicate"}).kind, NamedCommand::NotNamed);
    EXPECT_EQ(Parse({"--help"}).kind, NamedCommand::Help);
    EXPECT_EQ(Parse({"-h"}).kind, NamedCommand::Help);
    EXPECT_EQ(Parse({"convert", "--help"}).kind, NamedCommand::Help);
    EXPECT_EQ(Parse({"--version"}).kind, NamedCommand::Version);
}

TEST(NamedOptions, DefaultsAreTheWindowsDefaults) {
    const NamedCommand c = Parse({"convert", "a.srt", "b.sub"});
    ASSERT_EQ(c.kind, NamedCommand::Convert) << c.error;
    const ConvertOptions& o = c.options;
    EXPECT_EQ(o.files, (std::vector<std::string>{"a.srt", "b.sub"}));
    EXPECT_FALSE(o.ifoFile);
    EXPECT_FALSE(o.colors);
    EXPECT_EQ(o.fontName, "Arial");
    EXPECT_EQ(o.fontSize, 14);
    EXPECT_EQ(o.fontStyle, 0);
    EXPECT_EQ(o.fontCharset, 4);
    EXPECT_EQ(o.align, 0);
    EXPECT_EQ(o.offset, 30);
    EXPECT_EQ(o.offsetOr, -4);
    EXPECT_EQ(o.outlineWidth, 1);
    EXPECT_EQ(o.formats, std::set<std::string>{"sup"});
    EXPECT_EQ(o.language, "en");
    EXPECT_EQ(o.jobs, 0);
    EXPECT_FALSE(o.quiet);
}

TEST(NamedOptions, ListTextsInAnyCaseBecomeListPositions) {
    const NamedCommand c = Parse({"convert",
                                  "--size",
                                  "32",
                                  "--style",
                                  "bold+it+und",
                                  "--charset=russian",
                                  "--align",
                                  "RIGHT",
                                  "--outline",
                                  "4",
                                  "--offset",
                                  "8",
                                  "--line-spacing=-13",
                                  "--colors",
                                  "15,0,1,2",
                                  "--standard",
                                  "NTSC",
                                  "--font",
                                  "DejaVu Sans",
                                  "-oout",
                                  "-j2",
                                  "-q",
                                  "--format",
                                  "sup,SUP",
                                  "--",
                                  "-x.srt"});
    const NamedCommand v =
        Parse({"convert", "--format", "vobsub", "--language", "DE", "--anchor", "Bottom", "a.srt"});
    ASSERT_EQ(v.kind, NamedCommand::Convert) << v.error;
    EXPECT_TRUE(v.options.anchorBottom);
    EXPECT_FALSE(c.options.anchorBottom);
    EXPECT_EQ(v.options.formats, std::set<std::string>{"vobsub"});
    EXPECT_EQ(v.options.language, "de");
    ASSERT_EQ(c.kind, NamedCommand::Convert) << c.error;
    const ConvertOptions& o = c.options;
    EXPECT_EQ(o.fontSize, 25);     // 32 points follows 30
    EXPECT_EQ(o.fontStyle, 6);     // "Bold+It+Und"
    EXPECT_EQ(o.fontCharset, 13);  // "RUSSIAN"
    EXPECT_EQ(o.align, 2);
    EXPECT_EQ(o.outlineWidth, 2);
    EXPECT_EQ(o.offset, 8);
    EXPECT_EQ(o.offsetOr, -13);  // made even by the track bar, as a batch line's is
    EXPECT_EQ(o.colors, (std::array<int, 4>{15, 0, 1, 2}));
    EXPECT_EQ(o.pal, false);
    EXPECT_EQ(o.fontName, "DejaVu Sans");
    EXPECT_EQ(o.outputDir, "out");
    EXPECT_EQ(o.jobs, 2);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.formats, std::set<std::string>{"sup"});
    EXPECT_EQ(o.files, std::vector<std::string>{"-x.srt"});
}

TEST(NamedOptions, MistakesAreUsageErrorsNamingTheOption) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"convert"}, "no subtitle file given"},
        {{"convert", "--bogus", "a.srt"}, "unknown option '--bogus'"},
        {{"convert", "-x", "a.srt"}, "unknown option '-x'"},
        {{"convert", "a.srt", "--size"}, "'--size' needs a value"},
        {{"convert", "--size", "31", "a.srt"}, "--size: '31' is not a font size"},
        {{"convert", "--size", "20.0", "a.srt"}, "--size: '20.0' is not a font size"},
        {{"convert", "--style", "Heavy", "a.srt"}, "--style: 'Heavy' is not a font style"},
        {{"convert", "--charset", "UTF8", "a.srt"}, "--charset: 'UTF8' is not a character set"},
        {{"convert", "--offset", "7", "a.srt"}, "--offset: '7' is not a whole number from 8 to 492"},
        {{"convert", "--line-spacing", "11", "a.srt"}, "--line-spacing: '11' is not a whole number from -14"},
        {{"convert", "--outline", "1", "a.srt"}, "--outline: '1' is not an outline width"},
        {{"convert", "--colors", "3,0,1", "a.srt"}, "--colors: '3,0,1' is not four palette entries"},
        {{"convert", "--colors", "3,0,1,16", "a.srt"}, "--colors: '3,0,1,16' is not four palette entries"},
        {{"convert", "--format", "sup,idx", "a.srt"},
         "--format: 'idx' is not an output format (sup, vobsub, pgs)"},
        {{"convert", "--anchor", "top", "a.srt"}, "--anchor: 'top' is not first or bottom"},
        {{"convert", "--language", "eng", "a.srt"}, "--language: 'eng' is not a two-letter language code"},
        {{"convert", "--language", "e1", "a.srt"}, "--language: 'e1' is not a two-letter language code"},
        {{"convert", "--format=", "a.srt"}, "--format: '' is not an output format"},
        {{"convert", "-j", "0", "a.srt"}, "-j: '0' is not a whole number from 1"},
        {{"convert", "-q1", "a.srt"}, "'-q' takes no value"},
        {{"convert", "--quiet=yes", "a.srt"}, "'--quiet' takes no value"},
        {{"convert", "--ifo", "V.IFO", "--standard", "pal", "a.srt"},
         "--standard goes with the generic palette"},
        {{"convert", ""}, "an empty subtitle file name"},
    };
    for (const auto& [args, reason] : cases) {
        const NamedCommand c = Parse(args);
        EXPECT_EQ(c.kind, NamedCommand::UsageError) << args.back();
        EXPECT_EQ(c.error.rfind(reason, 0), 0u) << c.error;
        EXPECT_EQ(c.error.find('\n'), std::string::npos) << c.error;
    }
}

TEST(NamedOptions, HelpListsEveryOptionAndEveryFormWithin80Columns) {
    const std::string help = UsageText();
    for (const char* option :
         {"--ifo", "--standard", "--font", "--size", "--style", "--charset", "--align", "--offset",
          "--line-spacing", "--outline", "--colors", "--format", "--language", "-o, --output-dir", "--anchor",
          "-j, --jobs", "-q, --quiet", "-h, --help", "--version"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_NE(help.find("glyphon convert [OPTIONS] SUBTITLE..."), std::string::npos);
    EXPECT_NE(help.find("glyphon -1 none movie.srt -1 1 0 3 0 0 4 0 14 0 30 -4 1"), std::string::npos);
    EXPECT_NE(help.find("Usage: glyphon [FILE]\n"), std::string::npos);
    // A terminal of 80 columns shows every line whole.
    size_t start = 0;
    for (size_t end = help.find('\n'); end != std::string::npos;
         start = end + 1, end = help.find('\n', start))
        EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
    EXPECT_EQ(start, help.size());  // ends with a line end
}

TEST(NamedCommandStart, VersionIsTheProjectVersionAndOtherLinesAreNotNamed) {
    std::FILE* out = std::tmpfile();
    EXPECT_EQ(RunNamedCommand({"glyphon", "--version"}, out), 0);
    std::rewind(out);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
    std::fclose(out);
    EXPECT_EQ(std::string(line), std::string("glyphon ") + kVersion + "\n");
    EXPECT_EQ(std::string(kVersion), "42.9");  // the About window's version, compared by the version check
    EXPECT_EQ(RunNamedCommand({"glyphon"}), std::nullopt);
    EXPECT_EQ(RunNamedCommand({"glyphon", "-1", "none", "a.srt"}), std::nullopt);
}

}  // namespace glyphon::test
