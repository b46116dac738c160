// The subtitle list: the files of a disc in stream order with their
// languages, the film chosen to mux into, and the output folder.
#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/TForm1.h"
#include "common/LanguageCode.h"

namespace glyphon {

namespace {

std::string FolderOf(const std::string& file) { return std::filesystem::path(file).parent_path().string(); }

}  // namespace

std::string TForm1::LanguageOfFile(const std::string& file) {
    return LanguageInFileName(file).value_or("en");
}

void TForm1::ShowFileList() {
    ListBoxFiles.items.clear();
    for (const SubtitleFileItem& item : SubtitleFiles)
        ListBoxFiles.items.push_back(item.language + "  " +
                                     std::filesystem::path(item.file).filename().string());
    if (ListBoxFiles.itemIndex >= int(SubtitleFiles.size()))
        ListBoxFiles.itemIndex = int(SubtitleFiles.size()) - 1;
    const bool selected = ListBoxFiles.itemIndex >= 0;
    EditLanguage.text = selected ? SubtitleFiles[size_t(ListBoxFiles.itemIndex)].language : std::string();
    // The selected file's language labels its VobSub index and picks CJK faces.
    if (selected) VobSubLanguage = EditLanguage.text;
    EditLanguage.enabled = ButtonRemoveFile.enabled = selected;
    ButtonFileUp.enabled = ListBoxFiles.itemIndex > 0;
    ButtonFileDown.enabled = selected && ListBoxFiles.itemIndex + 1 < int(SubtitleFiles.size());
    ui_.Changed();
}

void TForm1::MakeSingleFileList(const std::string& file) {
    if (file.empty()) return;
    SubtitleFiles = {{file, LanguageOfFile(file)}};
    ListBoxFiles.itemIndex = 0;
    ShowFileList();
}

void TForm1::AddSubtitleFiles(const std::vector<std::string>& files) {
    int first = -1;
    for (const std::string& file : files) {
        if (file.empty()) continue;
        const auto listed = std::find_if(SubtitleFiles.begin(), SubtitleFiles.end(),
                                         [&](const SubtitleFileItem& item) { return item.file == file; });
        if (listed != SubtitleFiles.end()) {
            if (first < 0) first = int(listed - SubtitleFiles.begin());
            continue;
        }
        SubtitleFiles.push_back({file, LanguageOfFile(file)});
        if (first < 0) first = int(SubtitleFiles.size()) - 1;
    }
    if (first < 0) return;
    OpenDialogAddSubs.initialDir = FolderOf(files.front());
    StoreChangedSettings();
    ListBoxFilesSelect(first);
}

void TForm1::ButtonAddFilesClick() {
    OpenDialogAddSubs.filter = OpenDialogsub.filter;  // the same files "Load SRT" opens
    OpenDialogAddSubs.multiSelect = true;
    OpenDialogAddSubs.fileName.clear();
    if (!ui_.Execute(OpenDialogAddSubs)) return;
    AddSubtitleFiles(OpenDialogAddSubs.fileNames);
}

void TForm1::ListBoxFilesSelect(int index) {
    if (index < 0 || index >= int(SubtitleFiles.size())) return;
    ListBoxFiles.itemIndex = index;
    ShowFileList();
    // Without an IFO the file can only be shown with the generic palette.
    if (!IfoLoaded) SetNoIfoChecked(true);
    OpenDialogsub.fileName = SubtitleFiles[size_t(index)].file;
    SubtitleLoaded = false;
    SubtitleFits = false;
    EditLoadSrt.text = "Load SRT";
    LoadChosenSubtitle();
    // The preview shows the newly chosen file's selected entry, not the
    // entry of the file listed before.
    if (SubtitleLoaded) DrawSampleThenSelection();
    ui_.Changed();
}

void TForm1::ButtonRemoveFileClick() {
    const int at = ListBoxFiles.itemIndex;
    if (at < 0 || at >= int(SubtitleFiles.size())) return;
    SubtitleFiles.erase(SubtitleFiles.begin() + at);
    if (SubtitleFiles.empty()) {
        // Nothing is loaded any more.
        ListBoxFiles.itemIndex = -1;
        ShowFileList();
        Subtitles.reset();
        ListBox1.Clear();
        SubtitleLoaded = false;
        EditLoadSrt.text = "Load SRT";
        DrawSampleThenSelection();
        ui_.Changed();
        return;
    }
    ListBoxFilesSelect(std::min(at, int(SubtitleFiles.size()) - 1));
}

void TForm1::ButtonFileUpClick() {
    const int at = ListBoxFiles.itemIndex;
    if (at < 1 || at >= int(SubtitleFiles.size())) return;
    std::swap(SubtitleFiles[size_t(at)], SubtitleFiles[size_t(at - 1)]);
    ListBoxFiles.itemIndex = at - 1;
    ShowFileList();
}

void TForm1::ButtonFileDownClick() {
    const int at = ListBoxFiles.itemIndex;
    if (at < 0 || at + 1 >= int(SubtitleFiles.size())) return;
    std::swap(SubtitleFiles[size_t(at)], SubtitleFiles[size_t(at + 1)]);
    ListBoxFiles.itemIndex = at + 1;
    ShowFileList();
}

void TForm1::EditLanguageChange(const std::string& text) {
    const int at = ListBoxFiles.itemIndex;
    if (at < 0 || at >= int(SubtitleFiles.size())) return;
    const std::optional<std::string> code = LanguageCode(text);
    if (!code) {
        ui_.ShowMessage(
            "The language of a subtitle stream is two letters (ISO 639-1), such as en or fr, not \"" + text +
            "\".");
        ShowFileList();  // the language it had
        return;
    }
    SubtitleFiles[size_t(at)].language = *code;
    ShowFileList();
    DrawSampleThenSelection();  // the language picks the faces of some scripts
}

void TForm1::ButtonOutputFolderClick() {
    OpenDialogOutputFolder.folder = true;
    if (!ui_.Execute(OpenDialogOutputFolder) || OpenDialogOutputFolder.fileName.empty()) return;
    OutputFolder = OpenDialogOutputFolder.fileName;
    EditOutputFolder.text = OutputFolder;
    StoreChangedSettings();
    ui_.Changed();
}

void TForm1::ButtonOutputFolderClearClick() {
    OutputFolder.clear();
    EditOutputFolder.text.clear();
    StoreChangedSettings();
    ui_.Changed();
}

}  // namespace glyphon
