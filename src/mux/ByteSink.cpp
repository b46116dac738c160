#include "mux/ByteSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "common/FileError.h"
#include "common/StagedFile.h"

namespace glyphon {

FileSink::~FileSink() = default;  // the staged file removes itself

void FileSink::Create(const std::string& path) {
    Discard();
    staged_ = std::make_unique<StagedFile>(path);
    fd_ = staged_->Fd();
    position_ = 0;
}

void FileSink::Write(const uint8_t* data, size_t size) {
    if (fd_ < 0) throw std::logic_error("FileSink::Write without an open file");
    staged_->Write(data, size);
    position_ += size;
}

void FileSink::Truncate(uint64_t size) {
    if (fd_ < 0) return;
    if (::ftruncate(fd_, off_t(size)) != 0 || ::lseek(fd_, off_t(size), SEEK_SET) < 0)
        throw OutputFileError(staged_->FinalPath(), FileErrorText(errno));
    position_ = size;
}

void FileSink::Seal() {
    if (!staged_ || fd_ < 0) return;
    fd_ = -1;
    try {
        staged_->Close();
    } catch (const FileError&) {
        Discard();
        throw;
    }
}

void FileSink::Close() {
    if (!staged_) return;
    Seal();
    try {
        staged_->Commit();
    } catch (const FileError&) {
        Discard();
        throw;
    }
    staged_.reset();
}

void FileSink::Discard() {
    staged_.reset();
    fd_ = -1;
}

}  // namespace glyphon
