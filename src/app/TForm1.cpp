#include "app/TForm1.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "app/SettingsFile.h"
#include "ass/AssScript.h"
#include "common/Convert.h"
#include "render/DisplayText.h"
#include "render/FontTables.h"
#include "subtitle/Subtitle.h"

namespace glyphon {

namespace {

constexpr const char* kSection = "Form1";
// The places of the first two output boxes' keys (their controls' names)
// in the file's layout: after the keys above; a file without one (older, or
// hand-made) leaves the box unticked. Any other output kind's box is stored
// after every key.
constexpr const char* kVobSubKey = "CheckBoxVobSub_Checked";
// The chosen font's family name: the list position alone shifts when fonts
// are installed or removed.
constexpr const char* kFontNameKey = "ComboBoxFontName_Text";
constexpr const char* kPgsKey = "CheckBoxPgs_Checked";
constexpr const char* kWrapKey = "CheckBoxWrap_Checked";
// The PGS lists by their texts, after every key above.
constexpr const char* kPgsListKeys[] = {"ComboBoxPgsResolution_Text", "ComboBoxPgsText_Text",
                                        "ComboBoxPgsOutline_Text"};
// After every key above.
constexpr const char* kAnchorKey = "CheckBoxAnchorBottom_Checked";
// The window's last film, output folder and folder of added subtitle files.
constexpr const char* kChoiceKeys[] = {"OpenDialogMux_FileName", "EditOutputFolder_Text",
                                       "OpenDialogAddSubs_InitialDir"};

// Fills a list and selects a position.
void Fill(TComboBox& c, const std::vector<std::string>& items, int index) {
    c.items = items;
    c.SetItemIndex(index);
}

// A check box's state as the settings file keeps it.
std::string Checked(const TCheckBox& box) { return box.checked ? "-1" : "0"; }

// A stored number, or nothing when the key is missing or not a number.
std::optional<int> StoredInt(const IniFile& ini, const char* key) {
    const auto v = ini.Get(kSection, key);
    if (!v) return std::nullopt;
    try {
        return StrToInt(*v);
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

}  // namespace

TForm1::TForm1(Ui& ui, TextEngine& text, AppEnvironment env) : ui_(ui), text_(text), env_(std::move(env)) {
    SetupControls();
}

TForm1::~TForm1() = default;

void TForm1::SetupControls() {
    GroupBoxInput.caption = "Input";
    GroupBoxColors.caption = "Colors";
    GroupBoxGeneralSettings.caption = "General Settings";
    GroupBoxRenderFonts.caption = "Render Fonts";
    ButtonLoadIfo.caption = "Load IFO";
    ButtonLoadSub.caption = "Load SRT";
    ButtonColorsHelp.caption = "?";
    ButtonAbout.caption = "About";
    ButtonGenerateSup.caption = "Generate Sup";
    ButtonBatch.caption = "Add To Batch";
    EditLoadIfo.text = "Load IFO";
    EditLoadSrt.text = "Load SRT";
    EditLoadIfo.enabled = EditLoadSrt.enabled = false;  // read-only display fields
    i_dont_have_ifo.caption = "polycromatic";
    CheckBoxWrap.caption = "Wrap long lines";
    CheckBoxAnchorBottom.caption = "Last line at the offset";
    CheckBoxAnchorBottom.checked = false;
    ButtonAddFiles.caption = "Add...";
    ButtonRemoveFile.caption = "Remove";
    ButtonFileUp.caption = "Up";
    ButtonFileDown.caption = "Down";
    ButtonOutputFolder.caption = "Output folder...";
    ButtonOutputFolderClear.caption = "Beside the subtitles";
    EditLanguage.enabled = ButtonRemoveFile.enabled = ButtonFileUp.enabled = ButtonFileDown.enabled = false;
    OpenDialogAddSubs.title = "Subtitle files for the disc, one stream each";
    OpenDialogOutputFolder.title = "The folder the outputs are written to";
    no_ifo.caption = "     I dont have any Ifo or my Ifo hasnt sup support";
    LabelIfoColors.caption = "Ifo Colors:";
    Pal.caption = "Pal";
    Ntsc.caption = "Ntsc";
    Pal.checked = true;
    Pal.enabled = Ntsc.enabled = false;
    for (TComboBox* c : {&ComboBoxAntialias, &ComboBoxOutline, &ComboBoxText, &ComboBoxBg})
        Fill(*c, ColorItems(), 0);
    Fill(ComboBoxFontStyle, FontStyleItems(), kDefaultStylePosition);
    Fill(ComboBoxFontCharset, FontCharsetItems(), kDefaultCharsetPosition);
    Fill(ComboBoxFontSize, FontSizeItems(), kDefaultSizePosition);
    Fill(ComboBoxAlign, AlignItems(), kDefaultAlignPosition);
    Fill(ComboBoxOutlineWidth, OutlineWidthItems(), kDefaultOutlinePosition);
    Fill(ComboBoxPgsResolution, PgsResolutionItems(), 0);
    Fill(ComboBoxPgsText, PgsColourItems(), 0);
    Fill(ComboBoxPgsOutline, PgsColourItems(), 0);
    offset.min = kOffsetSetting.minimum;
    offset.max = kOffsetSetting.maximum;
    offset.position = kOffsetSetting.byDefault;
    offset_or.min = kLineSpacingSetting.minimum;
    offset_or.max = kLineSpacingSetting.maximum;
    offset_or.position = kLineSpacingSetting.byDefault;
    LabelImageChangedPAL.visible = LabelImageChangedNTSC.visible = false;
    OpenDialogifo.filter = "ifo|*.ifo";
    OpenDialogsub.filter = "*.srt;*.sub;*.txt;*.vtt;*.ass;*.ssa|*.srt;*.sub;*.txt;*.vtt;*.ass;*.ssa";
    OpenDialogBat.filter = "*.bat|*.bat";
    OpenDialogBat.mayCreate = true;
    OpenDialogImagePAL.title = "Load 720x576 PAL image";
    OpenDialogImagePAL.filter = "Load your PAL 720x576 BMP|*.bmp";
    OpenDialogImageNTSC.title = "Load 720x480 NTSC image";
    OpenDialogImageNTSC.filter = "Load your NTSC 720x480 BMP|*.bmp";
    OpenDialogMux.title = "The DVD film to mux the subtitles into";
    OpenDialogMux.filter = "DVD MPEG-2 program stream|*.mpg;*.mpeg;*.vob";
    // Nobody sees the preview without a window: its picture (1.6 MB) is
    // never made there.
    if (ui_.ShowsPreview()) preview.Reset(kFrameWidth, kPalHeight);
}

void TForm1::FormCreate() {
    // The decimal separator is "." by construction: nothing here ever leaves
    // the "C" numeric locale.
    for (TComboBox* c : {&ComboBoxAntialias, &ComboBoxOutline, &ComboBoxText, &ComboBoxBg})
        c->SetItemIndex(0);
    ComboBoxFontStyle.SetItemIndex(kDefaultStylePosition);
    ComboBoxFontSize.SetItemIndex(kDefaultSizePosition);
    ComboBoxFontCharset.SetItemIndex(kDefaultCharsetPosition);
    ComboBoxAlign.SetItemIndex(kDefaultAlignPosition);
    SetOffsetPosition(30);
    SetOffsetOrPosition(-4);
    ComboBoxOutlineWidth.SetItemIndex(kDefaultOutlinePosition);
    if (ui_.ShowsPreview()) preview.Reset(kFrameWidth, kPalHeight);
    ComboBoxFontName.items = BuildFontNameList(env_.installedFamilies);
    ComboBoxFontName.SetItemIndex(0);
    IfoLoaded = false;
    SubtitleLoaded = false;
    SubtitleFits = true;
    NoIfoMode = false;
    LabelOffset.caption = IntToStr(offset.position);
    LabelOffset_Or.caption = IntToStr(offset_or.position);
    CommandLineMode = false;
    ExamineCommandLine();
    // The window wraps lines too wide unless told not to; the 16-argument
    // and batch lines refuse them.
    CheckBoxWrap.checked = !CommandLineMode;
}

void TForm1::BitBtnSetDefaultValuesClick() {
    FormCreate();
    // Only the reset button forgets the own pictures and the no-IFO choice;
    // the command line was examined again above, as at creation.
    LabelImageChangedPAL.caption.clear();
    LabelImageChangedNTSC.caption.clear();
    LoadPreviewBackground();
    SetNoIfoChecked(false);
    for (TComboBox* c : {&ComboBoxPgsResolution, &ComboBoxPgsText, &ComboBoxPgsOutline}) c->SetItemIndex(0);
    ComboBoxPgsChange();
    StoreChangedSettings();
    ui_.Changed();
}

void TForm1::FormShow() { ReadStoredSettings(); }

void TForm1::FormActivate() {
    LoadPreviewBackground();
    // Glyphs are rasterised monochrome by the text engine itself: no desktop
    // font-smoothing setting is read or changed.
    if (!CommandLineMode) {
        ReadStoredSettings();
        return;
    }
    RunCommandLine();
}

void TForm1::FormClose() {
    if (StoreEnabled && !settingsWritten_) WriteStoredSettings();
    settingsWritten_ = true;
}

void TForm1::FormDestroy() { FormClose(); }

void TForm1::SetControlsEnabled(bool Enabled) {
    GroupBoxInput.enabled = Enabled;
    GroupBoxColors.enabled = Enabled;
    GroupBoxGeneralSettings.enabled = Enabled;
    GroupBoxRenderFonts.enabled = Enabled;
    ListBox1.enabled = Enabled;
    ButtonBatch.enabled = Enabled;
    for (OutputBox& b : OutputBoxes) b.box.enabled = Enabled;
    CheckBoxWrap.enabled = Enabled;
    CheckBoxAnchorBottom.enabled = Enabled;
    ComboBoxPgsResolution.enabled = ComboBoxPgsText.enabled = ComboBoxPgsOutline.enabled = Enabled;
    ListBoxFiles.enabled = ButtonAddFiles.enabled = ButtonOutputFolder.enabled =
        ButtonOutputFolderClear.enabled = Enabled;
    EditLanguage.enabled = ButtonRemoveFile.enabled = Enabled && ListBoxFiles.itemIndex >= 0;
    ButtonFileUp.enabled = Enabled && ListBoxFiles.itemIndex > 0;
    ButtonFileDown.enabled =
        Enabled && ListBoxFiles.itemIndex >= 0 && ListBoxFiles.itemIndex + 1 < int(SubtitleFiles.size());
    ButtonGenerateSup.caption = Enabled ? "Generate Sup" : "Abort";
    ui_.Changed();
}

void TForm1::ReadStoredSettings() {
    if (!StoreEnabled) return;
    const IniFile ini = IniFile::Load(env_.settingsPath);
    // The track bars' handlers may fail on a garbled list position; the
    // reading is over either way.
    struct Reading {
        bool& flag;
        explicit Reading(bool& f) : flag(f) { flag = true; }
        ~Reading() { flag = false; }
    } reading(readingSettings_);
    if (auto v = ini.Get(kSection, "LabelImageChangedPAL_Caption")) LabelImageChangedPAL.caption = *v;
    if (auto v = ini.Get(kSection, "LabelImageChangedNTSC_Caption")) LabelImageChangedNTSC.caption = *v;
    const std::pair<const char*, TComboBox*> lists[] = {
        {"ComboBoxAlign_ItemIndex", &ComboBoxAlign},
        {"ComboBoxFontStyle_ItemIndex", &ComboBoxFontStyle},
        {"ComboBoxFontCharset_ItemIndex", &ComboBoxFontCharset},
        {"ComboBoxFontName_ItemIndex", &ComboBoxFontName},
        {"ComboBoxFontSize_ItemIndex", &ComboBoxFontSize},
        {"ComboBoxOutlineWidth_ItemIndex", &ComboBoxOutlineWidth},
    };
    for (const auto& [key, combo] : lists)
        if (auto v = StoredInt(ini, key)) combo->SetItemIndex(*v);
    if (auto name = ini.Get(kSection, kFontNameKey); name && !name->empty()) {
        const auto& families = ComboBoxFontName.items;
        const auto found = std::find(families.begin(), families.end(), *name);
        if (found != families.end()) ComboBoxFontName.SetItemIndex(int(found - families.begin()));
    }
    if (auto v = StoredInt(ini, "offset_Position")) SetOffsetPosition(*v);
    if (auto v = StoredInt(ini, "offset_or_Position")) SetOffsetOrPosition(*v);
    if (auto l = StoredInt(ini, "WindowLeft"), t = StoredInt(ini, "WindowTop"); l && t) {
        Placement.valid = true;
        Placement.left = *l;
        Placement.top = *t;
        Placement.minimized = StoredInt(ini, "WindowState").value_or(0) == 1;
    }
    // The 16-argument command line writes the ".sup" alone, whatever the
    // window was last left with.
    for (const auto& [key, at] : StoredOutputBoxes()) {
        if (auto v = ini.Get(kSection, key); v && !CommandLineMode) {
            try {
                OutputBoxes[at].box.checked = StrToBool(*v);
            } catch (const ConvertError&) {
            }
        }
    }
    // The window's choice; a 16-argument or batch line refuses a line too
    // wide whatever the window was left with.
    if (auto v = ini.Get(kSection, kWrapKey); v && !CommandLineMode) {
        try {
            CheckBoxWrap.checked = StrToBool(*v);
        } catch (const ConvertError&) {
        }
    }
    // The PGS choices are the window's; the command line brings its own.
    if (!CommandLineMode) {
        TComboBox* const pgsLists[] = {&ComboBoxPgsResolution, &ComboBoxPgsText, &ComboBoxPgsOutline};
        for (size_t i = 0; i < std::size(pgsLists); ++i) {
            const auto v = ini.Get(kSection, kPgsListKeys[i]);
            if (!v) continue;
            const auto& items = pgsLists[i]->items;
            const auto found = std::find(items.begin(), items.end(), *v);
            if (found != items.end()) pgsLists[i]->SetItemIndex(int(found - items.begin()));
        }
        ComboBoxPgsChange();
        if (auto v = ini.Get(kSection, kAnchorKey)) {
            try {
                CheckBoxAnchorBottom.checked = StrToBool(*v);
            } catch (const ConvertError&) {
            }
        }
        // The film dialog opens on the last film; the output folder is used
        // again while it exists.
        if (auto v = ini.Get(kSection, kChoiceKeys[0]); v && OpenDialogMux.fileName.empty())
            OpenDialogMux.fileName = *v;
        if (auto v = ini.Get(kSection, kChoiceKeys[1]); v && !v->empty() && OutputFolder.empty()) {
            std::error_code ec;
            if (std::filesystem::is_directory(*v, ec)) OutputFolder = EditOutputFolder.text = *v;
        }
        if (auto v = ini.Get(kSection, kChoiceKeys[2]); v && OpenDialogAddSubs.initialDir.empty())
            OpenDialogAddSubs.initialDir = *v;
    }
    settingsRead_ = true;
    storedValues_ = StoredValues();
    ui_.Changed();
}

std::vector<std::string> TForm1::StoredValues() const {
    std::vector<std::string> values{LabelImageChangedPAL.caption,
                                    LabelImageChangedNTSC.caption,
                                    IntToStr(ComboBoxAlign.itemIndex),
                                    IntToStr(ComboBoxFontStyle.itemIndex),
                                    IntToStr(ComboBoxFontCharset.itemIndex),
                                    IntToStr(ComboBoxFontName.itemIndex),
                                    IntToStr(ComboBoxFontSize.itemIndex),
                                    IntToStr(ComboBoxOutlineWidth.itemIndex),
                                    IntToStr(offset.position),
                                    IntToStr(offset_or.position),
                                    Checked(CheckBoxVobSub),
                                    ComboBoxFontName.Text(),
                                    Checked(CheckBoxPgs),
                                    CheckBoxWrap.checked ? "-1" : "0",
                                    ComboBoxPgsResolution.Text(),
                                    ComboBoxPgsText.Text(),
                                    ComboBoxPgsOutline.Text(),
                                    CheckBoxAnchorBottom.checked ? "-1" : "0",
                                    OpenDialogMux.fileName,
                                    OutputFolder,
                                    OpenDialogAddSubs.initialDir};
    // Every other output kind's box after them.
    for (const auto& [key, at] : StoredOutputBoxes())
        if (key != kVobSubKey && key != kPgsKey) values.push_back(Checked(OutputBoxes[at].box));
    return values;
}

void TForm1::StoreChangedSettings() {
    // Before the first reading the controls hold defaults, not the user's
    // choice; a command-line run never touches the file.
    if (CommandLineMode || !StoreEnabled || !settingsRead_ || readingSettings_) return;
    if (StoredValues() != storedValues_) WriteStoredSettings();
}

void TForm1::WriteStoredSettings() {
    IniFile ini = IniFile::Load(env_.settingsPath);
    storedValues_ = StoredValues();
    const char* const keys[] = {"LabelImageChangedPAL_Caption",
                                "LabelImageChangedNTSC_Caption",
                                "ComboBoxAlign_ItemIndex",
                                "ComboBoxFontStyle_ItemIndex",
                                "ComboBoxFontCharset_ItemIndex",
                                "ComboBoxFontName_ItemIndex",
                                "ComboBoxFontSize_ItemIndex",
                                "ComboBoxOutlineWidth_ItemIndex",
                                "offset_Position",
                                "offset_or_Position"};
    for (size_t i = 0; i < std::size(keys); ++i) ini.Set(kSection, keys[i], storedValues_[i]);
    if (Placement.valid) {
        ini.Set(kSection, "WindowLeft", IntToStr(Placement.left));
        ini.Set(kSection, "WindowTop", IntToStr(Placement.top));
        ini.Set(kSection, "WindowState", Placement.minimized ? "1" : "0");
    }
    ini.Set(kSection, kVobSubKey, storedValues_[10]);
    ini.Set(kSection, kFontNameKey, storedValues_[11]);
    ini.Set(kSection, kPgsKey, storedValues_[12]);
    ini.Set(kSection, kWrapKey, storedValues_[13]);
    for (size_t i = 0; i < std::size(kPgsListKeys); ++i)
        ini.Set(kSection, kPgsListKeys[i], storedValues_[14 + i]);
    ini.Set(kSection, kAnchorKey, storedValues_[17]);
    // Written once there is a choice to remember.
    for (size_t i = 0; i < std::size(kChoiceKeys); ++i)
        if (!storedValues_[18 + i].empty() || ini.Get(kSection, kChoiceKeys[i]))
            ini.Set(kSection, kChoiceKeys[i], storedValues_[18 + i]);
    size_t next = 18 + std::size(kChoiceKeys);
    for (const auto& [key, at] : StoredOutputBoxes())
        if (key != kVobSubKey && key != kPgsKey) ini.Set(kSection, key, storedValues_[next++]);
    // A settings file that cannot be written costs the user nothing but the
    // stored look; closing the window must not fail over it.
    ini.Save(env_.settingsPath);
}

void TForm1::SetNoIfoChecked(bool checked) {
    if (i_dont_have_ifo.checked == checked) return;
    i_dont_have_ifo.checked = checked;
    i_dont_have_ifoClick();
}

void TForm1::SelectStandard(bool pal) {
    if (Pal.checked == pal) return;
    Pal.checked = pal;
    Ntsc.checked = !pal;
    PalClick();
}

void TForm1::SetOffsetPosition(int position) {
    position = std::clamp(position, offset.min, offset.max);
    if (offset.position == position) return;
    offset.position = position;
    offsetChange();
    StoreChangedSettings();
}

void TForm1::SetOffsetOrPosition(int position) {
    position = std::clamp(position, offset_or.min, offset_or.max);
    if (offset_or.position == position) return;
    offset_or.position = position;
    offset_orChange();
    StoreChangedSettings();
}

void TForm1::UserPick(TComboBox& combo, int index) {
    combo.SetItemIndex(index);
    if (&combo == &ComboBoxAntialias || &combo == &ComboBoxOutline || &combo == &ComboBoxText ||
        &combo == &ComboBoxBg)
        ComboBoxAntialiasChange();
    else if (&combo == &ComboBoxFontName || &combo == &ComboBoxFontSize || &combo == &ComboBoxFontStyle ||
             &combo == &ComboBoxOutlineWidth)
        ComboBoxFontSizeChange();
    else if (&combo == &ComboBoxFontCharset)
        ComboBoxFontCharsetChange();
    else if (&combo == &ComboBoxAlign)
        offsetChange();
    else if (&combo == &ComboBoxPgsResolution || &combo == &ComboBoxPgsText ||
             &combo == &ComboBoxPgsOutline) {
        ComboBoxPgsChange();
        // The preview shows the PGS picture in the new size or colours.
        if (CheckBoxPgs.checked) DrawSampleThenSelection();
    }
    StoreChangedSettings();
    ui_.Changed();
}

void TForm1::ListBox1Select(int index) {
    if (index < 0 || index >= int(ListBox1.items.size())) return;
    ListBox1.itemIndex = index;
    ListBox1Click();
    ui_.Changed();
}

int TForm1::SubtitleCharset() const {
    if (Subtitles && Subtitles->Utf8) return kUtf8Charset;
    return CharsetFromName(ComboBoxFontCharset.Text());
}

std::string TForm1::ShownText(const std::string& bytes) const {
    return DisplayText(bytes, SubtitleCharset());
}

void TForm1::ReportError(const std::string& text) {
    ActionFailed = true;
    ui_.ShowError(WithFullStop(text));
}

void TForm1::ButtonAboutClick() {
    ui_.ShowModalWindow(WindowKind::About);
    // Returning from another window of the program activates this one again.
    FormActivate();
}

}  // namespace glyphon
