#include "app/FileArgument.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "app/CommandLine.h"
#include "app/TForm1.h"
#include "common/FileError.h"

namespace glyphon {

namespace {

bool LooksLikeOption(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return arg == "-";
    return !(arg[1] >= '0' && arg[1] <= '9');
}

}  // namespace

std::optional<std::string> FileArgument(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[1].empty()) return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(args[1], ec)) return std::nullopt;
    // Absolute, so that a batch line written later names the file from
    // wherever the batch runs.
    const auto path = std::filesystem::absolute(args[1], ec);
    if (ec) return std::nullopt;
    return path.lexically_normal().string();
}

WindowStart ExamineWindowArguments(const std::vector<std::string>& args) {
    WindowStart start;
    if (RecognizeCommandLine(args)) {
        start.kind = WindowStart::CommandLine;
        return start;
    }
    for (size_t i = 1; i < args.size(); ++i)
        if (LooksLikeOption(args[i])) {
            start.kind = WindowStart::Usage;
            start.message = "unknown option '" + args[i] + "'";
            return start;
        }
    if (args.size() > 2) {
        for (size_t i = 1; i < args.size(); ++i) {
            const auto file = FileArgument({args[0], args[i]});
            if (!file) return start;
            start.files.push_back(*file);
        }
        start.kind = WindowStart::Files;
        return start;
    }
    if (args.size() != 2) return start;
    if (const auto file = FileArgument(args)) {
        start.kind = WindowStart::File;
        start.file = *file;
        return start;
    }
    start.kind = WindowStart::Unreadable;
    struct stat st {};
    std::string why;
    if (args[1].empty() || stat(args[1].c_str(), &st) != 0)
        why = FileErrorText(args[1].empty() ? ENOENT : errno);
    else
        why = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a file";
    start.message = "Cannot open '" + args[1] + "': " + why + ".";
    return start;
}

bool IsIfoFileName(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ending = path.substr(path.size() - 4);
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return ending == ".ifo";
}

void OpenFileInWindow(TForm1& form, const std::string& path) {
    if (IsIfoFileName(path))
        form.OpenIfoFile(path);
    else
        form.OpenSubtitleFile(path);
}

void OpenFilesInWindow(TForm1& form, const std::vector<std::string>& paths) {
    if (paths.size() == 1) return OpenFileInWindow(form, paths.front());
    // The palette first, so that the subtitles are drawn in its colours.
    std::vector<std::string> subtitles;
    for (const std::string& path : paths)
        if (IsIfoFileName(path))
            form.OpenIfoFile(path);
        else
            subtitles.push_back(path);
    if (!subtitles.empty()) form.AddSubtitleFiles(subtitles);
}

void CarryOutWindowStart(TForm1& form, const WindowStart& start) {
    if (start.kind == WindowStart::File) OpenFileInWindow(form, start.file);
    if (start.kind == WindowStart::Files) OpenFilesInWindow(form, start.files);
    if (start.kind == WindowStart::Unreadable) form.ui().ShowError(start.message);
}

}  // namespace glyphon
