// The program's version: one number, set in CMakeLists.txt's project(), shown
// by the About window, compared by the version check and printed by
// `glyphon --version`.
#pragma once

// CMake defines GLYPHON_VERSION for every target; a source compiled on its
// own (the fuzzing script compiles the core by hand) still builds.
#ifndef GLYPHON_VERSION
#define GLYPHON_VERSION "0.0"
#endif

namespace glyphon {

inline constexpr const char* kVersion = GLYPHON_VERSION;

}  // namespace glyphon
