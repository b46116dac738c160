#pragma once

namespace glyphon {

// Starts the program: the main window with a display, or the command-line
// conversion without one. Returns the exit status.
int RunApplication(int argc, char** argv);

}  // namespace glyphon
