// Unattended use: the command line that converts one file, and the
// "Add To Batch" button that writes such command lines into a batch file.
#include "app/BatchLine.h"
#include "app/CommandLine.h"
#include "app/TForm1.h"
#include "common/Convert.h"
#include "common/FileError.h"

namespace glyphon {

namespace {

bool EndsWithBat(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".bat";
}

}  // namespace

void TForm1::ExamineCommandLine() {
    CommandLineMode = false;
    CommandLineArgs.clear();
    if (auto args = RecognizeCommandLine(env().args)) {
        CommandLineArgs = std::move(*args);
        CommandLineMode = true;
    }
}

void TForm1::RunCommandLine() {
    if (CommandLineArgs.size() != size_t(kCommandLineArgCount)) return;
    const std::vector<std::string>& arg = CommandLineArgs;
    // A command-line run leaves the user's stored look as it was.
    StoreEnabled = false;
    // A text that is not a number, or a file that cannot be read, ends the
    // run here with the runtime's message; the window stays open.
    try {
        // Every argument is converted before any file is read or written,
        // so a job with a text that is not a number touches nothing. The
        // video standard counts only without an IFO.
        const bool noIfo = StrToBool(arg[kArgHaveIfo]);
        if (noIfo) (void)StrToBool(arg[kArgPal]);
        for (const int k :
             {kArgColorAntialias, kArgColorOutline, kArgColorText, kArgColorBg, kArgFontName, kArgFontCharset,
              kArgFontStyle, kArgFontSize, kArgAlign, kArgOffset, kArgOffsetOr, kArgOutline})
            (void)StrToInt(arg[size_t(k)]);
        SetNoIfoChecked(noIfo);
        OpenDialogifo.fileName = arg[kArgFileNameIfo];
        OpenDialogsub.fileName = arg[kArgFileNameSub];
        if (i_dont_have_ifo.checked) {
            // Ticked by an earlier run or just now: either way the generic
            // palette is chosen afresh.
            i_dont_have_ifoClick();
            SelectStandard(StrToBool(arg[kArgPal]));
            PalClick();
        } else {
            ActionFailed = false;
            ButtonLoadIfoClick();
            // The loader has reported why it could not read the file.
            if (ActionFailed || !IfoLoaded) return;
        }
        // After the palette, so that these replace the roles it picked.
        ComboBoxAntialias.SetItemIndex(StrToInt(arg[kArgColorAntialias]));
        ComboBoxOutline.SetItemIndex(StrToInt(arg[kArgColorOutline]));
        ComboBoxText.SetItemIndex(StrToInt(arg[kArgColorText]));
        ComboBoxBg.SetItemIndex(StrToInt(arg[kArgColorBg]));
        ComboBoxFontName.SetItemIndex(StrToInt(arg[kArgFontName]));
        ComboBoxFontCharset.SetItemIndex(StrToInt(arg[kArgFontCharset]));
        ComboBoxFontStyle.SetItemIndex(StrToInt(arg[kArgFontStyle]));
        ComboBoxFontSize.SetItemIndex(StrToInt(arg[kArgFontSize]));
        ComboBoxAlign.SetItemIndex(StrToInt(arg[kArgAlign]));
        SetOffsetPosition(StrToInt(arg[kArgOffset]));
        SetOffsetOrPosition(StrToInt(arg[kArgOffsetOr]));
        ComboBoxOutlineWidth.SetItemIndex(StrToInt(arg[kArgOutline]));
        ui().Changed();
        ActionFailed = false;
        ButtonLoadSubClick();
        // A file that could not be read was reported in an error box, which
        // ends the run here.
        if (ActionFailed) return;
        // A successful run asks the application to end; a refusal leaves the
        // window open, still in command-line mode.
        ButtonGenerateSupClick();
    } catch (const ConvertError& e) {
        ui().ShowError(WithFullStop(e.what()));
    } catch (const FileError& e) {
        ui().ShowError(WithFullStop(e.what()));
    }
}

void TForm1::ButtonBatchClick() {
    if (!SubtitleLoaded) {
        ui().ShowMessage("Load an srt");
        return;
    }
    if (!SubtitleFits) {
        ui().ShowMessage("Please use smaller fonts.");
        return;
    }
    // The batch file is asked for once per program run.
    if (OpenDialogBat.fileName.empty()) ui().Execute(OpenDialogBat);
    if (OpenDialogBat.fileName.empty()) return;
    // A chosen "jobs.bat" is that file, not "jobs.bat.bat".
    std::string batchFile = OpenDialogBat.fileName;
    if (!EndsWithBat(batchFile)) batchFile += ".bat";

    BatchJob job;
    job.programDir = env().programDir;
    job.noIfo = i_dont_have_ifo.checked;
    job.ifoFile = OpenDialogifo.fileName.empty() ? "none" : OpenDialogifo.fileName;
    job.subtitleFile = OpenDialogsub.fileName;
    job.pal = Pal.checked;
    job.antialias = ComboBoxAntialias.itemIndex;
    job.outline = ComboBoxOutline.itemIndex;
    job.text = ComboBoxText.itemIndex;
    job.background = ComboBoxBg.itemIndex;
    job.fontName = ComboBoxFontName.itemIndex;
    job.fontCharset = ComboBoxFontCharset.itemIndex;
    job.fontStyle = ComboBoxFontStyle.itemIndex;
    job.fontSize = ComboBoxFontSize.itemIndex;
    job.align = ComboBoxAlign.itemIndex;
    job.offset = offset.position;
    job.offsetOr = offset_or.position;
    job.outlineWidth = ComboBoxOutlineWidth.itemIndex;
    try {
        AppendBatchLine(batchFile, BatchJobLine(job));
    } catch (const FileError& e) {
        ui().ShowError(WithFullStop(e.what()));
        return;
    }
    ui().ShowMessage("Job added to Batch file: " + batchFile);
}

}  // namespace glyphon
