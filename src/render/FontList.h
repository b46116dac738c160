#pragma once

#include <string>
#include <vector>

namespace glyphon {

// Family names of every installed scalable font, as fontconfig reports them
// (each family's first name), unsorted and possibly repeated.
std::vector<std::string> ListInstalledFontFamilies();

}  // namespace glyphon
