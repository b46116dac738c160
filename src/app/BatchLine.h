// One job of a batch file: the command line that converts one subtitle file
// with all the settings it was prepared with, and the file that collects such
// lines. The batch file is a shell script run with `sh FILE.bat`.
#pragma once

#include <string>
#include <vector>

namespace glyphon {

// Every field of a job line, as list and track bar positions (-1: a list
// without a selection).
struct BatchJob {
    std::string programDir;  // folder of the running program, trailing '/'
    bool noIfo = false;
    std::string ifoFile;  // "none" when the job has no IFO file
    std::string subtitleFile;
    bool pal = true;
    int antialias = 0, outline = 0, text = 0, background = 0;
    int fontName = 0, fontCharset = 0, fontStyle = 0, fontSize = 0, align = 0;
    int offset = 0, offsetOr = 0;
    int outlineWidth = 0;
};

// The program file every line starts, inside the program's folder.
inline constexpr const char* kBatchProgramName = "glyphon";

// First line of a batch file the writer creates.
inline constexpr const char* kBatchShebang = "#!/bin/sh";

// A text in double quotes for sh: '"', '$', '`' and '\' inside it get a
// backslash, so the shell hands the text back unchanged as one argument.
std::string ShellDoubleQuote(const std::string& text);

// The 16 arguments of the job's command line, unquoted, in their positions
// (what the program receives when the line runs).
std::vector<std::string> BatchJobArgs(const BatchJob& job);

// The job's command line, without line end:
// "<dir>glyphon" 0 "<ifo>" "<srt>" -1 1 2 3 0 0 4 0 14 0 30 -4 1
std::string BatchJobLine(const BatchJob& job);

// Appends `line` and a line feed to `path`. A file that does not exist yet is
// created executable (0755 less the umask) and starts with kBatchShebang.
// Throws FileError when the file cannot be opened, written or closed.
void AppendBatchLine(const std::string& path, const std::string& line);

}  // namespace glyphon
