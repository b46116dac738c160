#include "app/TForm1.h"

namespace glyphon {

void TForm1::ButtonLoadSubClick() {}
void TForm1::CheckLineFits(const std::string&, const std::string&, int, const std::string&, int, int) {}
void TForm1::CheckAllSubtitles() {}
void TForm1::ComboBoxFontSizeChange() {}

}  // namespace glyphon
