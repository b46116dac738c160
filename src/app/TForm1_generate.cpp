#include "app/TForm1.h"

namespace glyphon {

void TForm1::ButtonGenerateSupClick() {}
std::string TForm1::ComposeHelpText(const std::string&) const { return {}; }

}  // namespace glyphon
