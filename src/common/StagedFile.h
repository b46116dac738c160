// Outputs that never replace what the user has until they are complete.
//
// A StagedFile is written under a temporary name in the folder of the file it
// stands for (NAME.tmp-PID-N), and only Commit renames it over NAME, an atomic
// step on the same file system. Until then the previous NAME is untouched; a
// StagedFile that is destroyed without Commit removes its temporary file.
//
// The temporary names are kept in a table (it grows as needed and is never
// freed) that a handler for SIGINT, SIGTERM, SIGHUP and SIGQUIT reads: it
// removes every temporary file still listed and then lets the signal end the
// program as it would have, so an interrupted run leaves the previous outputs
// and no temporary file behind. The handler is installed with the first
// staged file (a signal the process ignores stays ignored). While a set of
// outputs is being put in place (OutputsCommitting), the handler only notes
// the signal; the program ends once the whole set is in place.
//
// A temporary name is at most 255 bytes (NAME is cut when it must be), and
// holds the writer's process id: a StagedFile for NAME removes the temporary
// files of NAME that a process which no longer runs left behind (SIGKILL).
// A new file takes the permissions of the file it replaces.
#pragma once

#include <string>

#include "common/FileError.h"

namespace glyphon {

// A failure to create, close or rename one output: what() is the system's
// text alone (as the window shows it), Path() the output it is about.
class OutputFileError : public FileError {
public:
    OutputFileError(std::string path, const std::string& what) : FileError(what), path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

class StagedFile {
public:
    // Creates the temporary file beside finalPath, empty and writable, with
    // the permissions a new file of that name would get. Throws FileError.
    explicit StagedFile(std::string finalPath);
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();  // Discard, unless committed

    // The open descriptor of the temporary file (-1 once closed).
    int Fd() const { return fd_; }
    // Writes all of `data` to the temporary file. Throws OutputFileError
    // naming the final file (a full disk says which output filled it).
    void Write(const void* data, size_t size);
    // Closes the descriptor; later writes go nowhere. Throws FileError when
    // closing reports a failure. A second call does nothing.
    void Close();
    // Closes if needed and renames the temporary file over the final name.
    // Throws FileError. A second call does nothing.
    void Commit();
    // Closes if needed and removes the temporary file; never throws.
    void Discard();

    const std::string& FinalPath() const { return finalPath_; }
    const std::string& TempPath() const { return tempPath_; }
    bool Committed() const { return committed_; }

private:
    [[noreturn]] void Fail(int err) const;  // OutputFileError for finalPath_

    std::string finalPath_;
    std::string tempPath_;
    int fd_ = -1;
    int slot_ = -1;  // in the signal handler's table; -1 when not listed
    bool committed_ = false;
    bool done_ = false;  // committed or discarded
};

// Writes text into a StagedFile for path and commits it. Throws FileError.
void WriteFileReplacing(const std::string& path, const std::string& text);

// Held while a set of outputs is renamed into place: a signal that arrives
// meanwhile ends the program only once every holder is gone, so the set is
// put in place whole or not at all. Nests, and may be held by several
// threads at once.
class OutputsCommitting {
public:
    OutputsCommitting();
    OutputsCommitting(const OutputsCommitting&) = delete;
    OutputsCommitting& operator=(const OutputsCommitting&) = delete;
    ~OutputsCommitting();
};

// True once a signal is ending the program and the temporary files are
// being removed: a failure to write one of them is no news worth printing.
bool ProgramEnding();

// The name of the temporary file for path written by process `pid` as its
// n-th: path + ".tmp-PID-N", with the last part of path cut (at a character
// boundary) so that the name is at most 255 bytes.
std::string TemporaryName(const std::string& path, long pid, unsigned n);

// Removes the temporary files of path (TemporaryName's) that a process which
// no longer runs left behind; returns how many. Never throws.
int RemoveStaleTemporaries(const std::string& path);

// Lists a temporary file of another writer for removal by the signal
// handler; returns the slot to hand to ForgetTemporaryFile (-1 only for a name
// longer than PATH_MAX, which loses the clean-up on a signal).
int ListTemporaryFile(const std::string& path);
void ForgetTemporaryFile(int slot);

// A new temporary file beside path (TemporaryName), created with
// O_EXCL, opened for writing and listed for the signal handler in `slot`
// (ForgetTemporaryFile once it is renamed or removed). Throws FileError.
int CreateTemporaryBeside(const std::string& path, std::string& tempPath, int& slot);

}  // namespace glyphon
