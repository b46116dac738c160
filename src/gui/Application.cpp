#include "gui/Application.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>

#include "app/CommandLine.h"
#include "app/Environment.h"
#include "app/HeadlessUi.h"
#include "cli/NamedCommand.h"
#include "gui/WindowedApp.h"
#include "render/TextEngine.h"

namespace glyphon {

namespace {

bool HaveDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

// Without a display no window can be shown: a complete 16-argument line is
// converted without one, anything else is a mistake the usage explains.
int RunWithoutDisplay(int argc, char** argv) {
    if (RecognizeCommandLine(std::vector<std::string>(argv, argv + argc))) {
        const std::unique_ptr<TextEngine> text = CreateFreeTypeEngine();
        return RunHeadless(*text, MakeEnvironment(argc, argv));
    }
    PrintUsage(stderr);
    return kExitUsage;
}

}  // namespace

int RunApplication(int argc, char** argv) {
    // `glyphon convert ...`, --help and --version never open a window.
    if (const std::optional<int> status = RunNamedCommand(std::vector<std::string>(argv, argv + argc)))
        return *status;
    if (!HaveDisplay()) return RunWithoutDisplay(argc, argv);
    return RunWindowed(argc, argv);
}

}  // namespace glyphon
