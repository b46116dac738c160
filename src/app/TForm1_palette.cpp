#include "app/TForm1.h"

namespace glyphon {

void TForm1::ButtonLoadIfoClick() {}
void TForm1::ShowGenericPalette() {}
void TForm1::i_dont_have_ifoClick() {}
void TForm1::PalClick() { LoadPreviewBackground(); }
void TForm1::ComboBoxAntialiasChange() {}
void TForm1::ButtonColorsHelpClick() {
    ui().ShowModalWindow(WindowKind::ColorsHelp);
    FormActivate();
}
int TForm1::PaletteIndexOf(const TComboBox&) const { return 0; }
Rgb TForm1::RoleColor(const TComboBox&) const { return {}; }

}  // namespace glyphon
