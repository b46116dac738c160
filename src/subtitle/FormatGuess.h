// What a file no reader takes looks like instead, by cheap looks at its
// first bytes: so that a refusal can say "a SubViewer file" or "a ZIP
// archive" rather than only that the format is unsupported.
#pragma once

#include <string>
#include <string_view>

namespace glyphon {

// "a SubViewer file", "a ZIP archive", ...; "text without subtitle times"
// when nothing fits. `head`: the decoded first bytes (textfile::ReadHead).
std::string GuessFormat(std::string_view head);

// One line for the user: "NAME is empty: it holds no subtitle", or "NAME is
// no subtitle file Glyphon reads (SubRip, MicroDVD, ...): it looks like ...".
std::string DescribeUnreadFile(std::string_view head, const std::string& fileName);

}  // namespace glyphon
