// The main window's logic, free of any toolkit: every control's state, the
// program-wide flags and every event handler. The Qt view (src/gui) renders
// this state and forwards widget events here; tests drive it through a
// scripted fake Ui.
//
// Handlers carry the names of the window resource they answer
// (ButtonLoadIfoClick, offset_orChange, ...). Setting a check box, radio
// button or track bar through the Set* helpers runs its handler when the
// state really changes, as the toolkit did; setting a list position from the
// program never runs a handler.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Controls.h"
#include "app/Ui.h"
#include "app/WindowPlacement.h"
#include "common/Rgb.h"
#include "core/ConversionJob.h"
#include "core/FitCheck.h"
#include "core/JobBuilder.h"
#include "palette/ColorNames.h"
#include "render/StyledLines.h"

namespace glyphon {

class TSubtitle;
struct Cue;
using SubtitleLine = Cue;
class TextEngine;
struct ConversionHooks;
class AssScript;

// What the program gets from its surroundings at start.
// The first line of the message that lists what a subtitle file held that
// is no subtitle.
inline constexpr const char* kLeftOutHeading = "These parts of the file are no subtitles and were left out:";
inline constexpr const char* kImpossibleHeading =
    "These subtitles have times no picture can be shown at and were left out:";

struct AppEnvironment {
    std::string programDir;                      // folder of the running program, with trailing '/'
    std::string settingsPath;                    // full path of Glyphon_Settings.ini
    std::vector<std::string> args;               // argv, argv[0] included
    std::vector<std::string> installedFamilies;  // font families, as fontconfig lists them
};

// The window's PGS lists: the picture sizes ("1920x1080", "1280x720",
// "720x480", "720x576") and the colours ("role", then the CSS colour
// keywords).
const std::vector<std::string>& PgsResolutionItems();
const std::vector<std::string>& PgsColourItems();

class TForm1 {
public:
    TForm1(Ui& ui, TextEngine& text, AppEnvironment env);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // ---- controls --------------------------------------------------------
    std::string Caption = "Glyphon By Morvane";
    TGroupBox GroupBoxInput, GroupBoxColors, GroupBoxGeneralSettings, GroupBoxRenderFonts;
    TButton ButtonLoadIfo, ButtonLoadSub, ButtonColorsHelp, BitBtnSetDefaultValues, BitBtnChangeImage,
        ButtonAbout, ButtonGenerateSup, ButtonBatch;
    TEdit EditLoadIfo, EditLoadSrt;
    TCheckBox i_dont_have_ifo;
    // The Outputs panel's check boxes (app/TForm1_outputs.cpp): one for each
    // kind of the output table the run writes (OutputKinds(), in its order),
    // ticked when the kind is on by default, its caption and control name
    // the row's. A kind without a caption keeps a box no one sees (the
    // ".sup", always written by the window). Fixed at creation.
    struct OutputBox {
        std::string kind;     // the output table's name of the kind
        std::string control;  // the control's name, which names its stored key
        TCheckBox box;
    };
    std::vector<OutputBox> OutputBoxes = OutputBoxesOfTable();
    // The box of that kind; throws std::out_of_range for a kind without one.
    TCheckBox& OutputCheckBox(const std::string& kind);
    const TCheckBox& OutputCheckBox(const std::string& kind) const;
    // The kinds with settings of their own keep their names: a run also
    // writes NAME.idx and NAME.sub; muxes into the film chosen in
    // OpenDialogMux; writes NAME.pgs.sup (Blu-ray, Pgs).
    TCheckBox& CheckBoxVobSub = OutputCheckBox("vobsub");
    TCheckBox& CheckBoxMux = OutputCheckBox("mux");
    TCheckBox& CheckBoxPgs = OutputCheckBox("pgs");
    TCheckBox CheckBoxWrap;  // lines too wide are broken (WrapLines); on for new settings
    // DVD outputs put the last line at the offset from the bottom, as players
    // and the PGS output do; the command line keeps the first line there.
    TCheckBox CheckBoxAnchorBottom;
    // The PGS stream's picture size, and its text and outline colours: "role"
    // (the role's own colour) or a colour keyword (ComboBoxPgsChange).
    TComboBox ComboBoxPgsResolution, ComboBoxPgsText, ComboBoxPgsOutline;
    TLabel no_ifo, LabelIfoColors;
    TRadioButton Pal, Ntsc;
    TComboBox ComboBoxAntialias, ComboBoxOutline, ComboBoxText, ComboBoxBg;
    TComboBox ComboBoxFontName, ComboBoxFontCharset, ComboBoxFontStyle, ComboBoxFontSize, ComboBoxAlign,
        ComboBoxOutlineWidth;
    TTrackBar offset, offset_or;
    TLabel LabelOffset, LabelOffset_Or;
    TProgressBar ProgressBar1;
    TListBox ListBox1;
    TLabel LabelImageChangedPAL, LabelImageChangedNTSC;  // hidden; captions hold own picture paths
    Frame preview;                                       // the preview image's picture
    std::vector<PaletteSwatch> Swatches;                 // empty: no palette display

    TOpenDialog OpenDialogifo, OpenDialogsub, OpenDialogBat, OpenDialogImagePAL, OpenDialogImageNTSC;
    TOpenDialog OpenDialogMux;  // the DVD MPEG a run muxes into

    // ---- the subtitle list (app/TForm1_files.cpp) --------------------------
    // Every subtitle file of the disc, in stream order (the first is stream
    // 0), each with the language its stream is labelled with. The one
    // selected in ListBoxFiles is the one loaded: its entries fill ListBox1
    // and the preview draws them. "Load SRT" makes it a list of one.
    struct SubtitleFileItem {
        std::string file;
        std::string language;  // two lower-case letters
    };
    std::vector<SubtitleFileItem> SubtitleFiles;
    TListBox ListBoxFiles;  // one item a file: "fr  movie.fr.srt"
    TButton ButtonAddFiles, ButtonRemoveFile, ButtonFileUp, ButtonFileDown;
    TEdit EditLanguage;             // the selected file's language
    TOpenDialog OpenDialogAddSubs;  // several files at once
    // The film chosen to mux into: its name, standard and aspect.
    TLabel LabelFilm;
    TButton ButtonOutputFolder, ButtonOutputFolderClear;
    TEdit EditOutputFolder;  // the chosen output folder; empty: beside each subtitle file
    TOpenDialog OpenDialogOutputFolder;
    // Adds files to the end of the list (each once), selects the first one
    // added and loads it. With nothing loaded yet and no IFO, the generic
    // palette is chosen, as for a file named at start.
    void AddSubtitleFiles(const std::vector<std::string>& files);
    void ButtonAddFilesClick();
    void ButtonRemoveFileClick();
    void ButtonFileUpClick();
    void ButtonFileDownClick();
    // The user picks a file of the list: it is loaded.
    void ListBoxFilesSelect(int index);
    // The user typed a language for the selected file: two letters, else a
    // message and the language stays.
    void EditLanguageChange(const std::string& text);
    void ButtonOutputFolderClick();
    void ButtonOutputFolderClearClick();
    // The list after "Load SRT" or a file named at start: that file alone.
    void MakeSingleFileList(const std::string& file);
    // A language for a file: from its name ("movie.fr.srt"), else "en".
    static std::string LanguageOfFile(const std::string& file);
    // Whether a run makes a disc of several streams rather than the defined
    // single-file outputs: more than one file listed.
    bool SeveralFiles() const { return SubtitleFiles.size() > 1; }

    // ---- flags -----------------------------------------------------------
    bool GenerationStopped = true;
    bool SubtitleLoaded = false;
    bool IfoLoaded = false;
    bool SubtitleFits = true;
    bool NoIfoMode = false;
    bool MonochromeIfo = false;
    bool CommandLineMode = false;
    // The last loading action ended in an error box; the command line stops
    // there, as the toolkit's error box would have ended the activation.
    bool ActionFailed = false;

    std::unique_ptr<TSubtitle> Subtitles;  // none before the first load
    // The first line found too wide by the last failed fit check over all
    // entries: entry number (1-based), line and its width in pixels.
    using TooWideLine = FitProblem;
    TooWideLine LastTooWide;
    // Every line found too wide (and every subtitle too tall) by the last
    // fit check over all entries, in entry order.
    std::vector<TooWideLine> TooWide;
    int BandTop = 0;
    int BandHeight = 0;
    // Frame rate for MicroDVD files without their own frame-rate line;
    // 0: such a file is refused.
    double MicroDvdFrameRate = 0;

    std::vector<std::string> CommandLineArgs;  // the 16 stored arguments
    bool StoreEnabled = true;                  // settings written on close
    WindowPlacement Placement;

    // ---- life cycle (app/TForm1.cpp) -------------------------------------
    void FormCreate();                   // creation; also the reset button
    void BitBtnSetDefaultValuesClick();  // reset to defaults
    void FormShow();                     // first show: stored settings read
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void SetControlsEnabled(bool Enabled);
    void ReadStoredSettings();
    void WriteStoredSettings();
    // Interactive use only: writes the stored settings when one of them
    // differs from what was last read or written, so that what activation
    // reads back is what the user last chose.
    void StoreChangedSettings();

    // Program-side setters that run the control's handler on a real change.
    void SetNoIfoChecked(bool checked);      // runs i_dont_have_ifoClick
    void SelectStandard(bool pal);           // runs PalClick when the selection changes
    void SetOffsetPosition(int position);    // clamps; runs offsetChange
    void SetOffsetOrPosition(int position);  // clamps; runs offset_orChange

    // A user's pick in a list: sets the position, then runs that list's
    // change handler (font name/size/style/outline width share one).
    void UserPick(TComboBox& combo, int index);
    void ListBox1Select(int index);  // user selects an item: runs ListBox1Click

    bool IsPal() const { return Pal.checked; }
    int FrameHeight() const { return IsPal() ? kPalHeight : kNtscHeight; }

    // ---- palette (app/TForm1_palette.cpp) ---------------------------------
    void ButtonLoadIfoClick();
    // An IFO file dropped onto the window: loaded as "Load IFO" loads a
    // chosen file, the generic palette's box unticked first.
    void OpenIfoFile(const std::string& fileName);
    void ShowGenericPalette();
    void i_dont_have_ifoClick();
    void PalClick();
    void ComboBoxAntialiasChange();
    void ButtonColorsHelpClick();
    int PaletteIndexOf(const TComboBox& roleList) const;
    Rgb RoleColor(const TComboBox& roleList) const;
    // True while the 16 swatches exist, so that role colours can be resolved.
    // A generation run started without them is refused with "Please load an
    // Ifo file first and then an Srt/Sub/Txt file." and touches no file.
    bool HasPaletteDisplay() const;

    // ---- preview (app/TForm1_preview.cpp) ---------------------------------
    void LoadPreviewBackground();
    void DrawPreview(const std::string& Line1, const std::string& Line2, int FontSize,
                     const std::string& FontName, int Charset, int Style, int Offset, int OffsetOr,
                     Alignment Align);
    // DrawPreview with every font argument read from the controls.
    void DrawPreviewWithSettings(const std::string& Line1, const std::string& Line2);
    // The preview of the entry selected in the list, when there is one.
    void DrawSelectedEntryPreview();
    // The sample lines, then the selected entry over them (what a change of
    // offsets, alignment, character set, roles or font draws).
    void DrawSampleThenSelection();
    void ListBox1Click();
    void offsetChange();
    void offset_orChange();
    void ComboBoxFontCharsetChange();
    void BitBtnChangeImageClick();
    // A picture just chosen that cannot be loaded is named in a message, with
    // the reason; the preview keeps the built-in picture.
    void CheckChosenPicture(const std::string& path);
    // Draws one subtitle on the pure-blue frame into `preview` and sets
    // BandTop/BandHeight. Reads the standard, outline width and role
    // colours from the controls; throws ConvertError for an outline width
    // list without a selection.
    void RenderSubtitle(const std::string& Line1, const std::string& Line2, int FontSize,
                        const std::string& FontName, int Charset, int Style, int Offset, int OffsetOr,
                        Alignment Align);

    // ---- loading and fit check (app/TForm1_load.cpp) ----------------------
    void ButtonLoadSubClick();
    // A subtitle file named when the program was started ("glyphon
    // movie.srt"): loaded as "Load SRT" loads a chosen file, with the
    // generic palette when no palette is ready yet.
    void OpenSubtitleFile(const std::string& fileName);
    void CheckAllSubtitles();
    // What the fit check needs of the controls' look.
    FitLook ChosenFitLook() const;
    void ComboBoxFontSizeChange();

    // ---- subtitle lines (app/TForm1_lines.cpp) ----------------------------
    // The font the controls choose for subtitle text.
    FontSpec ChosenFont() const;
    // The look the window's controls choose, in `font` at these offsets.
    SubtitleLook ChosenLook(const FontSpec& font, int Offset, int OffsetOr, Alignment Align);
    // The lines `entry` is drawn with in `font`: every text line with its
    // styled runs, broken where too wide (WrapLines) when CheckBoxWrap is
    // ticked; at least two (a one-line subtitle has an empty second line).
    std::vector<RunLine> LinesToDraw(const SubtitleLine& entry, const FontSpec& font);
    // RenderSubtitle for lines of any number and style; at the top of the
    // frame when `top`.
    void RenderLines(const std::vector<RunLine>& lines, bool top, const FontSpec& font, int Offset,
                     int OffsetOr, Alignment Align);
    // The preview of `lines` with the preview's fit test (DrawPreview).
    // `place`: a cue's own place, as the run draws it.
    void DrawPreviewLines(const std::vector<RunLine>& lines, bool top, const FontSpec& font, int Offset,
                          int OffsetOr, Alignment Align, const BoxPlace& place = {});
    // After a file was read: one message listing what it held that is no
    // subtitle, when there is anything.
    void ReportUnreadable();
    // After a file was read: a file that is UTF-8 without a byte-order mark,
    // read while a single-byte character set is chosen, selects the "UTF-8"
    // item; a file in another set found in its texts (FindCharset) that the
    // chosen item does not read selects the item that does. Either says so
    // in one message.
    void SwitchToFoundCharset();
    // The user ticks or clears CheckBoxWrap: stored, and the loaded
    // subtitles checked again as after a change of font.
    void CheckBoxWrapClick();
    // The user ticks or clears CheckBoxAnchorBottom: stored, the preview and
    // the fit check follow.
    void CheckBoxAnchorBottomClick();
    // Sets Pgs from the three PGS lists (the size's usual frame rate).
    void ComboBoxPgsChange();
    // The user ticks or clears CheckBoxPgs: stored, and the preview shows
    // the PGS picture or the DVD one.
    void CheckBoxPgsClick();
    // The preview of the PGS output (app/TForm1_pgs.cpp): the lines drawn
    // anti-aliased at the stream's size, scaled to fit the preview.
    void DrawPgsPreview(const std::vector<RunLine>& lines, bool top, const FontSpec& font, int Offset,
                        int OffsetOr, Alignment Align, const BoxPlace& place);

    // ---- styled scripts (app/TForm1_styled.cpp) ---------------------------
    // True while the loaded file is an ASS/SSA script: its events are
    // listed, libass draws its preview, and a run converts the file itself.
    bool StyledScriptLoaded() const { return !styledFile_.empty(); }
    // The selected event as libass draws it at the middle of its time, at
    // the DVD picture's size or, with PGS ticked, at the stream's, fitted
    // into the preview.
    void DrawStyledPreview();

    // ---- generation (app/TForm1_generate.cpp) -----------------------------
    // Where a run writes its ".sup" and help file: empty for the subtitle
    // file's own folder (the window and the 16-argument command line),
    // otherwise a folder path (the named command line's --output-dir).
    std::string OutputFolder;
    // The film to mux the run's units into (empty: none) and the sub-picture
    // stream number: the named command line's --mux and --stream.
    DvdMuxRequest Mux;
    // What the last run wants the user to know without having failed (units
    // past the film's end), one line each.
    std::vector<std::string> RunWarnings;
    // The last run's units were written but muxing them into the film failed.
    bool DvdMuxFailed = false;
    // The last run was refused before it wrote anything: an output would
    // replace one of its inputs (the subtitle file, the IFO, the film), or a
    // subtitle's times cannot be written (the message names it).
    bool RunRefused = false;
    // The language of the VobSub index (and of CJK faces).
    std::string VobSubLanguage = "en";
    // The Blu-ray output when CheckBoxPgs is ticked.
    PgsRequest Pgs;
    void ButtonGenerateSupClick();
    // The run of a disc of several files (app/TForm1_disc.cpp), from the job
    // the controls make for the selected one.
    void GenerateDisc(const JobTranslation& base, const ConversionHooks& hooks);
    // The controls as the settings of a run for `subtitleFile` (the lists'
    // texts, the swatches' colours and the chosen roles, the outputs), and
    // as its conversion job with the loaded entries.
    RunSettings CurrentSettings(const std::string& subtitleFile) const;
    JobTranslation MakeConversionJob() const;
    // Which help text a run writes, from the no-IFO box and the palette flags.
    PaletteSource HelpCase() const;
    std::string ComposeHelpText(const std::string& subtitleFile) const;
    // The palette the disc must get for the colours of the run (app/TForm1_mux.cpp):
    // the IFO's 16 entries as read, or the generic palette's greys.
    DiscPalette AuthoringPalette() const;

    // ---- DVD authoring choices (app/TForm1_mux.cpp) ------------------------
    // The picture is 16:9: text is drawn three quarters as wide, so that it
    // looks right once the player widens the picture.
    bool Widescreen = false;
    // Every unit starts with the forced start display command.
    bool ForcedSubtitles = false;
    // Colours for the generic palette's role entries (the entries the text,
    // outline and antialias lists name); none: the entry's grey.
    NamedRoleColours GenericColours;
    // Gives the generic palette's swatches the named colours (a run calls
    // it before fixing its role colours). Nothing with an IFO's palette.
    void ApplyGenericColours();
    // "Mux into film": ticking asks for the film (cancel unticks again) and
    // reads its aspect; unticking forgets the film.
    void CheckBoxMuxClick();

    // ---- the output boxes (app/TForm1_outputs.cpp) -------------------------
    // The kinds the boxes choose, set in `outputs` (the mux's is on by its
    // film, `Mux`, not by its box).
    void ChooseOutputs(OutputRequest& outputs) const;
    // The user ticked or cleared an output box (its state already set): the
    // mux's asks for its film, the PGS one redraws the preview, every
    // other is stored.
    void OutputBoxClick(const std::string& kind);

    // ---- unattended use (app/TForm1_cmdline.cpp) --------------------------
    void ExamineCommandLine();
    void RunCommandLine();
    void ButtonBatchClick();

    void ButtonAboutClick();

    // The character set the subtitle texts are read in: the "UTF-8" item's
    // for a file that started with a byte-order mark, the chosen item's
    // otherwise. Drawing, the fit check and every shown text use it.
    int SubtitleCharset() const;
    // Subtitle bytes as that character set reads them, as UTF-8: what the
    // list and the messages show (the same characters the preview draws).
    std::string ShownText(const std::string& bytes) const;
    // The same for quoting in a message: at most about `length` bytes, cut
    // at a character with "..." after it, however long the line.
    std::string QuotedText(const std::string& bytes, size_t length = 1000) const;

    // Shows an error that ends the current action (a full stop is added
    // when the text has none) and sets ActionFailed.
    void ReportError(const std::string& text);

    Ui& ui() { return ui_; }
    TextEngine& text() { return text_; }
    const AppEnvironment& env() const { return env_; }

private:
    static std::vector<OutputBox> OutputBoxesOfTable();
    // The output boxes the settings file keeps (a kind the job's kinds name,
    // with a box to see): each one's key and place in OutputBoxes.
    std::vector<std::pair<std::string, size_t>> StoredOutputBoxes() const;
    void SetupControls();
    void LoadChosenSubtitle();
    void ShowFileList();  // ListBoxFiles and EditLanguage from SubtitleFiles
    // A note the load holds back to put before its next message (the
    // character set found), so that a load shows one message, not two.
    std::string loadNote_;
    void ShowLoadMessage(const std::string& text);
    void LoadChosenIfo();
    // Lists a styled script's events (LoadChosenSubtitle for an ASS/SSA file).
    void LoadStyledScript(const std::string& fileName);
    std::string styledFile_;  // the ASS/SSA script loaded; empty: none
    // The script as drawn for the preview, at the size it was opened for.
    std::unique_ptr<AssScript> styledScript_;
    int styledWidth_ = 0, styledHeight_ = 0;
    // The ten stored values as the settings file holds them.
    std::vector<std::string> StoredValues() const;
    bool settingsWritten_ = false;
    bool settingsRead_ = false;              // the stored settings have been read once
    bool readingSettings_ = false;           // no write while the file is being read
    std::vector<std::string> storedValues_;  // as last read or written

    Ui& ui_;
    TextEngine& text_;
    AppEnvironment env_;
};

}  // namespace glyphon
