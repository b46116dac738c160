#include "gui/Application.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>

namespace glyphon {

namespace {

bool HaveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    const char* qpa = std::getenv("QT_QPA_PLATFORM");
    return (x && *x) || (w && *w) || (qpa && *qpa);
}

}  // namespace

int RunApplication(int argc, char** argv) {
    if (!HaveDisplay()) {
        std::fputs(
            "Glyphon needs a display for its window. Without one it converts from the command line:\n"
            "  glyphon NOIFO IFO SUBTITLE PAL ANTIALIAS OUTLINE TEXT BG FONT CHARSET STYLE SIZE ALIGN OFFSET "
            "OFFSETOR OUTLINEWIDTH\n"
            "for example: glyphon -1 none movie.srt -1 1 0 3 0 0 4 0 14 0 30 -4 1\n"
            "writes movie.sup and movie.Glyphon_Help.txt beside movie.srt (generic palette, PAL).\n",
            stdout);
        return 0;
    }
    QApplication app(argc, argv);
    return 0;
}

}  // namespace glyphon
