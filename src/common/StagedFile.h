// Outputs that never replace what the user has until they are complete.
//
// A StagedFile is written under a temporary name in the folder of the file it
// stands for (NAME.tmp-PID-N), and only Commit renames it over NAME, an atomic
// step on the same file system. Until then the previous NAME is untouched; a
// StagedFile that is destroyed without Commit removes its temporary file.
//
// The temporary names are kept in a fixed table that a handler for SIGINT,
// SIGTERM, SIGHUP and SIGQUIT reads: it removes every temporary file still
// listed and then lets the signal end the program as it would have, so an
// interrupted run leaves the previous outputs and no temporary file behind.
// The handler is installed with the first staged file (a signal the process
// ignores stays ignored).
#pragma once

#include <string>

namespace glyphon {

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
    std::string finalPath_;
    std::string tempPath_;
    int fd_ = -1;
    int slot_ = -1;  // in the signal handler's table; -1 when not listed
    bool committed_ = false;
    bool done_ = false;  // committed or discarded
};

// Writes text into a StagedFile for path and commits it. Throws FileError.
void WriteFileReplacing(const std::string& path, const std::string& text);

// Lists a temporary file of another writer for removal by the signal
// handler; returns the slot to hand to ForgetTemporaryFile (-1 when the table
// is full, which only loses the clean-up on a signal).
int ListTemporaryFile(const std::string& path);
void ForgetTemporaryFile(int slot);

// A new temporary file beside path (path + ".tmp-PID-N"), created with
// O_EXCL, opened for writing and listed for the signal handler in `slot`
// (ForgetTemporaryFile once it is renamed or removed). Throws FileError.
int CreateTemporaryBeside(const std::string& path, std::string& tempPath, int& slot);

}  // namespace glyphon
