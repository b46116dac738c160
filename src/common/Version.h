// The program's version: one number, set in CMakeLists.txt's project(), shown
// by the About window, compared by the version check and printed by
// `glyphon --version`.
#pragma once

namespace glyphon {

inline constexpr const char* kVersion = GLYPHON_VERSION;

}  // namespace glyphon
