// "glyphon movie.srt", as a file manager starts the program for a file: the
// one argument names an existing file, which the window opens.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace glyphon {

// The file to open, as an absolute path, when `args` (argv, the program at
// index 0) holds exactly one argument naming an existing regular file.
std::optional<std::string> FileArgument(const std::vector<std::string>& args);

// What the arguments of a start with a window ask for.
struct WindowStart {
    enum Kind {
        Plain,        // no file: the window as the user left it
        CommandLine,  // a complete 16-argument line, carried out on activation
        File,         // one file to open (`file`, absolute)
        Files,        // several existing files (`files`, absolute): a disc's subtitles
        Unreadable,   // one file that cannot be opened: the window shows `message`
        Usage,        // a mistake (`message`): no window, status 2
    };
    Kind kind = Plain;
    std::string file;
    std::vector<std::string> files;
    std::string message;
};

// An argument that starts with "-" and is not a number (batch lines carry
// "-1" and negative offsets) is an option the window does not know. A line
// of several other arguments short of the 16 opens them all when every one
// names an existing file, and the window as it is otherwise.
WindowStart ExamineWindowArguments(const std::vector<std::string>& args);

class TForm1;

// True for a title set's information file: a name ending in ".ifo" in any
// letter case.
bool IsIfoFileName(const std::string& path);

// A file named at the start or dropped onto the window: an IFO file loads
// the palette as "Load IFO" does, any other is loaded as a subtitle file.
void OpenFileInWindow(TForm1& form, const std::string& path);

// Several files named at the start or dropped at once: an IFO file among
// them loads the palette, the others go to the subtitle list in their order.
void OpenFilesInWindow(TForm1& form, const std::vector<std::string>& paths);

// What the start asks of the shown window: the file opened, or the error
// box saying why it cannot be.
void CarryOutWindowStart(TForm1& form, const WindowStart& start);

}  // namespace glyphon
