// Toolkit-free state of the main window's controls. The Qt view renders these
// into widgets; the handlers of TForm1 read and change only these.
#pragma once

#include <string>
#include <vector>

#include "common/Rgb.h"

namespace glyphon {

struct TControl {
    bool enabled = true;
    bool visible = true;
};

struct TButton : TControl {
    std::string caption;
};

struct TEdit : TControl {
    std::string text;
};

struct TLabel : TControl {
    std::string caption;
};

struct TCheckBox : TControl {
    std::string caption;
    bool checked = false;
};

struct TRadioButton : TControl {
    std::string caption;
    bool checked = false;
};

struct TGroupBox : TControl {
    std::string caption;
};

// A fixed drop-down list. itemIndex -1 means no selection (an empty text).
struct TComboBox : TControl {
    std::vector<std::string> items;
    int itemIndex = -1;

    std::string Text() const {
        return itemIndex >= 0 && itemIndex < int(items.size()) ? items[size_t(itemIndex)] : std::string();
    }
    // A position outside the list leaves the list without a selection.
    void SetItemIndex(int index) { itemIndex = index >= 0 && index < int(items.size()) ? index : -1; }
};

struct TListBox : TControl {
    std::vector<std::string> items;
    int itemIndex = -1;
    void Clear() {
        items.clear();
        itemIndex = -1;
    }
};

// Positions are clamped to [min, max] by whoever sets them (TForm1 does).
struct TTrackBar : TControl {
    int min = 0;
    int max = 10;
    int position = 0;
};

struct TProgressBar : TControl {
    int min = 0;
    int max = 100;
    int position = 0;
};

// A file-open dialog's lasting state: it keeps the file name of its last
// confirmed choice for the rest of the program run.
struct TOpenDialog {
    std::string title;
    std::string filter;  // "label|pattern", as the dialog shows it
    std::string fileName;
    bool mayCreate = false;  // a name that does not exist yet may be typed
    // Several existing files may be chosen at once; all of them land in
    // fileNames (fileName holds the first).
    bool multiSelect = false;
    std::vector<std::string> fileNames;
    bool folder = false;     // a folder is chosen, not a file
    std::string initialDir;  // where the dialog opens when no name was chosen yet
};

// One palette swatch with its number label, positioned inside "Input".
struct PaletteSwatch {
    Rgb color;               // DisplayColor: the colour the role is drawn in
    std::string entryText;   // tooltip of swatch and label
    int left = 0, top = 62;  // 14 x 14 square
    int labelLeft = 0, labelTop = 48;
    std::string labelCaption;
};

}  // namespace glyphon
