#include "app/TForm1.h"

namespace glyphon {

void TForm1::LoadPreviewBackground() { preview.Reset(kFrameWidth, FrameHeight(), Rgb{40, 60, 90}); }
void TForm1::DrawPreview(const std::string&, const std::string&, int, const std::string&, int, int, int, int,
                         const std::string&) {}
void TForm1::DrawPreviewWithSettings(const std::string&, const std::string&) {}
void TForm1::ListBox1Click() {}
void TForm1::offsetChange() { LabelOffset.caption = std::to_string(offset.position); }
void TForm1::offset_orChange() {
    if (offset_or.position % 2 != 0) SetOffsetOrPosition(offset_or.position + 1);
    LabelOffset_Or.caption = std::to_string(offset_or.position);
}
void TForm1::ComboBoxFontCharsetChange() {}
void TForm1::BitBtnChangeImageClick() {}

}  // namespace glyphon

namespace glyphon {
void TForm1::RenderSubtitle(const std::string&, const std::string&, int, const std::string&, int, int, int, int,
                            const std::string&) {}
}  // namespace glyphon
