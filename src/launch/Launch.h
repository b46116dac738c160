// What the program does with its command line before any toolkit exists:
// a named command, a 16-argument job without a display, or the window. The
// window is reached through `runWindow`, so that the program itself loads no
// toolkit library unless a window is really needed.
#pragma once

namespace glyphon {

using WindowRunner = int (*)(int argc, char** argv);

// True when DISPLAY or WAYLAND_DISPLAY names a display.
bool HaveDisplay();

// Whether the named display's server answers a connection: the Wayland
// socket, or the X server's local socket (file or abstract) or TCP port.
// Needs no toolkit; a display that never answers counts as gone. A toolkit
// platform that needs no server (QT_QPA_PLATFORM or -platform offscreen,
// vnc, ...) is always reachable.
bool DisplayReachable(int argc, char** argv);

// Says on standard error that the named display cannot be opened ("cannot
// open the display") and gives the exit status for it, 2.
int ReportUnreachableDisplay();

// The whole program: `glyphon convert ...`, --help and --version never open
// a window; without a (reachable) display a complete 16-argument line is
// converted headless; anything else opens the window through `runWindow`.
int RunProgram(int argc, char** argv, WindowRunner runWindow);

}  // namespace glyphon
