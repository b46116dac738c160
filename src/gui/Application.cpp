#include "gui/Application.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>

#include "app/CommandLine.h"
#include "app/Environment.h"
#include "app/HeadlessUi.h"
#include "gui/DisplayProbe.h"
#include "gui/WindowedApp.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

bool HaveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

}  // namespace

int RunApplication(int argc, char** argv) {
    // A named display that is gone counts as none for a conversion job.
    const bool unreachable = HaveDisplay() && !DisplayCanBeOpened(argc, argv);
    if (!HaveDisplay() || unreachable) {
        // No window can be shown: a complete command line is converted
        // without one, anything else gets a short explanation.
        if (RecognizeCommandLine(std::vector<std::string>(argv, argv + argc))) {
            const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
            return RunHeadless(*text, MakeEnvironment(argc, argv));
        }
        if (unreachable) return ReportUnreachableDisplay();
        std::fputs(
            "Glyphon needs a display for its window. Without one it converts from the command line:\n"
            "  glyphon NOIFO IFO SUBTITLE PAL ANTIALIAS OUTLINE TEXT BG FONT CHARSET STYLE SIZE ALIGN OFFSET "
            "OFFSETOR OUTLINEWIDTH\n"
            "for example: glyphon -1 none movie.srt -1 1 0 3 0 0 4 0 14 0 30 -4 1\n"
            "writes movie.sup and movie.Glyphon_Help.txt beside movie.srt (generic palette, PAL).\n"
            "Messages go to standard error; the exit status is 0 after a conversion and 1 when it failed.\n"
            "A batch file written by \"Add To Batch\" runs with: sh FILE.bat\n",
            stdout);
        return 0;
    }
    return RunWindowed(argc, argv);
}

}  // namespace glyphon
