// libFuzzer target: arbitrary bytes as "Glyphon_Settings.ini", read when the
// window is shown and written back when it closes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "FuzzModel.h"
#include "app/SettingsFile.h"
#include "common/Convert.h"

using namespace glyphon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::InputFile file(kSettingsFileName);
    const std::string& path = file.Write(data, size);

    fuzz::QuietUi ui;
    fuzz::BlockTextEngine text;
    AppEnvironment env;
    env.args = {"glyphon"};
    env.settingsPath = path;
    env.installedFamilies = {"Liberation Sans", "DejaVu Sans"};
    TForm1 form(ui, text, env);
    form.FormCreate();
    form.FormShow();
    form.FormActivate();
    // Whatever the file holds, reading it shows nothing and every list and
    // track bar stays within its range.
    fuzz::Check(ui.messages == 0 && ui.errors == 0);
    for (const TComboBox* c : {&form.ComboBoxAlign, &form.ComboBoxFontStyle, &form.ComboBoxFontCharset,
                               &form.ComboBoxFontName, &form.ComboBoxFontSize, &form.ComboBoxOutlineWidth})
        fuzz::Check(fuzz::ValidIndex(*c));
    fuzz::Check(form.offset.position >= form.offset.min && form.offset.position <= form.offset.max);
    fuzz::Check(form.offset_or.position >= form.offset_or.min &&
                form.offset_or.position <= form.offset_or.max);
    fuzz::Check(form.offset_or.position % 2 == 0);

    // Closing writes the look back; reading the written file gives it again.
    form.FormClose();
    const IniFile written = IniFile::Load(path);
    fuzz::Check(written.Get("Form1", "offset_Position") == IntToStr(form.offset.position));
    fuzz::Check(written.Get("Form1", "offset_or_Position") == IntToStr(form.offset_or.position));
    fuzz::Check(written.Get("Form1", "ComboBoxFontSize_ItemIndex") ==
                IntToStr(form.ComboBoxFontSize.itemIndex));
    fuzz::Check(written.Get("Form1", "ComboBoxAlign_ItemIndex") == IntToStr(form.ComboBoxAlign.itemIndex));
    return 0;
}
