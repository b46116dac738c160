// "Glyphon_Settings.ini": one [Form1] section of key=value lines, read as INI
// files have always been read: section and key names in any letter case,
// blanks around names and values ignored, the first occurrence of a key
// wins. Only what the program itself writes is promised to round-trip;
// every other line of the file is kept as it stands when the file is
// rewritten.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace glyphon {

class IniFile {
public:
    // A missing or unreadable file reads as empty, and so does anything but
    // a regular file (a pipe or device read without waiting); at most
    // kLargestSettingsFile bytes are read.
    static IniFile Load(const std::string& path);
    // Writes the whole file through a temporary beside it and a rename.
    // A symbolic link is followed and its target replaced; the file keeps
    // its permissions; a file the user may not write is left alone; a
    // missing folder is created. Returns false when nothing was written.
    bool Save(const std::string& path) const;

    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Replaces the value of the key's first line in place, or appends the
    // key to the first section of that name (a new section at the end).
    void Set(const std::string& section, const std::string& key, const std::string& value);

private:
    // One line of the file: a key=value entry (isEntry) or anything else,
    // kept verbatim in `text`.
    struct Line {
        bool isEntry = false;
        std::string text;   // the raw line, or the entry's key as written
        std::string value;  // the entry's value, blanks trimmed
    };
    struct Section {
        std::string header;  // the raw "[...]" line; empty for lines before any section
        std::string name;    // the name between the brackets, blanks trimmed
        std::vector<Line> lines;
    };
    Line* Find(const std::string& section, const std::string& key);
    const Line* Find(const std::string& section, const std::string& key) const;

    std::vector<Section> sections_;
    bool crlf_ = false;  // lines end in CR LF, as the file had them
};

// Where the settings live: beside the program when a settings file is
// already there (a portable copy) or the program runs from its build folder;
// otherwise $XDG_CONFIG_HOME/glyphon/ (default ~/.config/glyphon/). Nothing
// is created here: the folder appears when the settings are first written.
// Empty when neither names an absolute folder: no settings are kept (Load
// reads nothing, Save writes nothing).
std::string DefaultSettingsPath(const std::string& programDir);

// Far more than the program ever writes (a few hundred bytes).
inline constexpr size_t kLargestSettingsFile = size_t(1) << 20;

inline constexpr const char* kSettingsFileName = "Glyphon_Settings.ini";

// A program folder holding this file is a CMake build folder.
inline constexpr const char* kBuildFolderMark = "CMakeCache.txt";
bool RunFromBuildFolder(const std::string& programDir);

}  // namespace glyphon
