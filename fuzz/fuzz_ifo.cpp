// libFuzzer target: arbitrary bytes as a title set's IFO file, read by the
// palette reader and then loaded by "Load IFO" as the window does it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "FuzzModel.h"
#include "common/FileError.h"
#include "palette/IfoReader.h"

using namespace glyphon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile file("VTS_01_0.IFO");
    const std::string& path = file.Write(data, size);

    // A readable file gives a palette, or the refusal of a position
    // that comes out negative; nothing else.
    try {
        const IfoPalette p = ReadIfoPalette(path);
        // The attributes word is always the two bytes at 512, when present.
        if (size >= 514) fuzz::Check(p.attributes == uint16_t(data[512] << 8 | data[513]));
        if (size <= 512) fuzz::Check(p.attributes == 0);
    } catch (const FileError& e) {
        fuzz::Check(std::string(e.what()) == kNotAnIfoText);
    }

    fuzz::QuietUi ui;
    fuzz::BlockTextEngine text;
    AppEnvironment env;
    env.args = {"glyphon"};
    env.installedFamilies = {"Liberation Sans"};
    TForm1 form(ui, text, env);
    form.FormCreate();
    form.OpenDialogifo.fileName = path;
    form.ButtonLoadIfoClick();
    // Either a palette source is ready, or the user was told why not.
    fuzz::Check(form.IfoLoaded || ui.errors == 1);
    fuzz::Check(form.Swatches.empty() || form.Swatches.size() == 16);
    for (const TComboBox* c :
         {&form.ComboBoxBg, &form.ComboBoxText, &form.ComboBoxOutline, &form.ComboBoxAntialias})
        fuzz::Check(fuzz::ValidIndex(*c) && c->itemIndex >= 0);
    return 0;
}
