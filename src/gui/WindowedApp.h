#pragma once

namespace glyphon {

// The program with its main window; returns the exit status.
int RunWindowed(int argc, char** argv);

}  // namespace glyphon
