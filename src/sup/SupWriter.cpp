#include "sup/SupWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "common/FileError.h"

namespace glyphon {

namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

uint32_t PresentationTime(int64_t start) {
    if (start > int64_t(std::numeric_limits<uint32_t>::max())) return std::numeric_limits<uint32_t>::max();
    return start > 0 ? uint32_t(start) : 0;
}

std::array<uint8_t, 10> UnitHeader(int64_t start) {
    const uint32_t pts = PresentationTime(start);
    return {'S', 'P', uint8_t(pts), uint8_t(pts >> 8), uint8_t(pts >> 16), uint8_t(pts >> 24), 0, 0, 0, 0};
}

SupWriter::~SupWriter() = default;  // the staged file removes itself

void SupWriter::Create(const std::string& path) {
    Discard();
    staged_ = std::make_unique<StagedFile>(path);
    fd_ = staged_->Fd();
    buffer_.resize(kBufferSize);
    used_ = 0;
}

void SupWriter::Append(int64_t start, const std::vector<uint8_t>& unit) {
    if (fd_ < 0) throw std::logic_error("SupWriter::Append without an open file");
    const auto header = UnitHeader(start);
    Put(header.data(), header.size());
    Put(unit.data(), unit.size());
}

void SupWriter::Seal() {
    if (!staged_ || fd_ < 0) return;
    fd_ = -1;
    try {
        const size_t size = used_;
        used_ = 0;
        staged_->Write(buffer_.data(), size);
    } catch (const FileError&) {
        Discard();
        throw;
    }
    try {
        staged_->Close();
    } catch (const FileError&) {
        Discard();
        throw;
    }
}

void SupWriter::Close() {
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

void SupWriter::Discard() {
    staged_.reset();
    fd_ = -1;
    used_ = 0;
}

void SupWriter::Put(const uint8_t* data, size_t size) {
    while (size > 0) {
        if (used_ == buffer_.size()) Flush();
        const size_t n = std::min(size, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, data, n);
        used_ += n;
        data += n;
        size -= n;
    }
}

void SupWriter::Flush() {
    // Drop what could not be written, so that closing later does not try
    // again and report the same failure twice.
    const size_t size = used_;
    used_ = 0;
    staged_->Write(buffer_.data(), size);
}

}  // namespace glyphon
