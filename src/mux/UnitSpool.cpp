#include "mux/UnitSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "common/FileError.h"
#include "common/StagedFile.h"
#include "mux/ProgramStreamMuxer.h"

namespace glyphon {

namespace {

// Written out once this much has gathered.
constexpr size_t kSpoolBuffer = 256 * 1024;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

size_t TimedUnitList::Count() const { return units_.size(); }
uint32_t TimedUnitList::Pts(size_t i) const { return units_[i].pts; }
int TimedUnitList::Stream(size_t i) const { return units_[i].stream; }
size_t TimedUnitList::Size(size_t i) const { return units_[i].bytes.size(); }
void TimedUnitList::Read(size_t i, std::vector<uint8_t>& bytes) const { bytes = units_[i].bytes; }

UnitSpool::UnitSpool() : d_(std::make_shared<Data>()) {}

UnitSpool::UnitSpool(const std::string& besidePath) : UnitSpool() { d_->folder = FolderOf(besidePath); }

UnitSpool::UnitSpool(const std::vector<TimedUnit>& units) : UnitSpool() {
    for (const TimedUnit& unit : units) Append(unit.pts, unit.stream, unit.bytes);
}

UnitSpool::Data::~Data() {
    if (fd >= 0) ::close(fd);
}

void UnitSpool::Data::Open() {
    // A file without a name where the file system has them; otherwise a
    // named one, unlinked at once and listed for the signal handler for the
    // moment it has a name.
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return;
    std::string path;
    int slot = -1;
    const int created = CreateTemporaryBeside(folder + "/.glyphon-units", path, slot);
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    const int err = errno;
    ::close(created);
    ::unlink(path.c_str());
    ForgetTemporaryFile(slot);
    if (fd < 0) ThrowFileError(err);
}

void UnitSpool::Data::Flush() {
    if (fd < 0 || pending.empty()) return;
    WriteAll(fd, pending.data(), pending.size());
    written += pending.size();
    pending.clear();
}

void UnitSpool::Append(uint32_t pts, int stream, const std::vector<uint8_t>& bytes) {
    Data& d = *d_;
    if (!d.folder.empty() && d.fd < 0) d.Open();
    d.index.push_back({pts, stream, d.written + d.pending.size(), uint32_t(bytes.size())});
    d.pending.insert(d.pending.end(), bytes.begin(), bytes.end());
    if (d.fd >= 0 && d.pending.size() >= kSpoolBuffer) d.Flush();
}

void UnitSpool::Read(size_t i, std::vector<uint8_t>& bytes) const {
    Data& d = *d_;
    const Entry& e = d.index[i];
    bytes.resize(e.size);
    if (d.fd < 0) {
        std::copy(d.pending.begin() + ptrdiff_t(e.offset), d.pending.begin() + ptrdiff_t(e.offset + e.size),
                  bytes.begin());
        return;
    }
    d.Flush();
    size_t done = 0;
    while (done < e.size) {
        const ssize_t n = ::pread(d.fd, bytes.data() + done, e.size - done, off_t(e.offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError(errno);
        if (n == 0) ThrowFileError(EIO);
        done += size_t(n);
    }
}

void JoinedUnitLists::Add(const UnitList& list, int stream) {
    for (size_t i = 0; i < list.Count(); ++i) refs_.push_back({&list, i, stream});
}

}  // namespace glyphon
