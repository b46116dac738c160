// The Outputs panel's check boxes, one for each kind of the output table:
// a kind registered in the table gets its box, stored setting and place in
// the job without any change here.
#include <stdexcept>
#include <utility>

#include "app/TForm1.h"
#include "core/OutputKinds.h"

namespace glyphon {

std::vector<TForm1::OutputBox> TForm1::OutputBoxesOfTable() {
    std::vector<OutputBox> boxes;
    for (const OutputKind& kind : OutputKinds()) {
        if (!kind.make) continue;  // written by the run itself: the help file
        OutputBox b;
        b.kind = kind.name;
        b.control = kind.control.empty() ? "CheckBox" + kind.name : kind.control;
        b.box.caption = kind.caption;
        b.box.visible = !kind.caption.empty();
        b.box.checked = kind.byDefault;
        boxes.push_back(std::move(b));
    }
    return boxes;
}

const TCheckBox& TForm1::OutputCheckBox(const std::string& kind) const {
    for (const OutputBox& b : OutputBoxes)
        if (b.kind == kind) return b.box;
    throw std::out_of_range("no output box for " + kind);
}

TCheckBox& TForm1::OutputCheckBox(const std::string& kind) {
    return const_cast<TCheckBox&>(std::as_const(*this).OutputCheckBox(kind));
}

std::vector<std::pair<std::string, size_t>> TForm1::StoredOutputBoxes() const {
    std::vector<std::pair<std::string, size_t>> stored;
    for (size_t i = 0; i < OutputBoxes.size(); ++i)
        for (const OutputKind& kind : OutputKinds())
            if (kind.name == OutputBoxes[i].kind && !kind.on && OutputBoxes[i].box.visible)
                stored.emplace_back(OutputBoxes[i].control + "_Checked", i);
    return stored;
}

void TForm1::ChooseOutputs(OutputRequest& outputs) const {
    for (const OutputBox& b : OutputBoxes)
        for (const OutputKind& kind : OutputKinds())
            if (kind.name == b.kind && !kind.on) outputs.Set(kind.name, b.box.checked);
}

void TForm1::OutputBoxClick(const std::string& kind) {
    if (kind == "mux") return CheckBoxMuxClick();
    if (kind == "pgs") return CheckBoxPgsClick();
    StoreChangedSettings();
}

}  // namespace glyphon
