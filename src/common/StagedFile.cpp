#include "common/StagedFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

#include "common/FileError.h"

namespace glyphon {

namespace {

// The table the signal handler reads. A slot is claimed by a thread (Busy),
// filled, then published (Listed); the handler only reads Listed slots, whose
// path is complete and stays so until the slot is released.
enum SlotState : int { kFree = 0, kBusy = 1, kListed = 2 };
constexpr int kSlots = 256;
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
Slot g_slots[kSlots];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RemoveTemporariesAndDie(int sig) {
    const int savedErrno = errno;
    for (Slot& slot : g_slots)
        if (slot.state.load(std::memory_order_acquire) == kListed) ::unlink(slot.path);
    // End the way the signal would have ended the program.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(sig);
    errno = savedErrno;
}

void InstallHandlerOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int sig : kSignals) {
            struct sigaction old {};
            if (::sigaction(sig, nullptr, &old) != 0) continue;
            // Ignored (nohup) or already handled by someone else: left alone.
            if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;
            struct sigaction sa {};
            sa.sa_handler = RemoveTemporariesAndDie;
            sigemptyset(&sa.sa_mask);
            for (const int other : kSignals) sigaddset(&sa.sa_mask, other);
            sa.sa_flags = SA_RESTART;
            ::sigaction(sig, &sa, nullptr);
        }
    });
}

}  // namespace

int ListTemporaryFile(const std::string& path) {
    InstallHandlerOnce();
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!g_slots[i].state.compare_exchange_strong(expected, kBusy, std::memory_order_acq_rel)) continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(kListed, std::memory_order_release);
        return i;
    }
    return -1;
}

void ForgetTemporaryFile(int slot) {
    if (slot >= 0 && slot < kSlots) g_slots[slot].state.store(kFree, std::memory_order_release);
}

namespace {

// Creates a new temporary file beside path. The name is listed before the
// file exists, so that no moment leaves it on disk unlisted; the handler's
// unlink of a name not yet created does nothing.
int CreateListedTemporary(const std::string& path, std::string& tempPath, int& slot) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        slot = ListTemporaryFile(tempPath);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        const int err = errno;
        ForgetTemporaryFile(slot);
        slot = -1;
        if (err != EEXIST) ThrowFileError(err);
    }
    ThrowFileError(EEXIST);
}

}  // namespace

int CreateTemporaryBeside(const std::string& path, std::string& tempPath, int& slot) {
    return CreateListedTemporary(path, tempPath, slot);
}

StagedFile::StagedFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
    // A folder of that name could not be replaced by the file in the end.
    struct stat st {};
    if (::stat(finalPath_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ThrowFileError(EISDIR);
    fd_ = CreateListedTemporary(finalPath_, tempPath_, slot_);
}

StagedFile::~StagedFile() {
    if (!done_) Discard();
}

void StagedFile::Close() {
    if (fd_ < 0) return;
    const int err = ::close(fd_) != 0 ? errno : 0;
    fd_ = -1;
    if (err != 0 && err != EINTR) ThrowFileError(err);
}

void StagedFile::Commit() {
    if (done_) return;
    Close();
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) ThrowFileError(errno);
    done_ = committed_ = true;
    ForgetTemporaryFile(slot_);
    slot_ = -1;
}

void StagedFile::Discard() {
    if (done_) return;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(tempPath_.c_str());
    done_ = true;
    ForgetTemporaryFile(slot_);
    slot_ = -1;
}

void WriteFileReplacing(const std::string& path, const std::string& text) {
    StagedFile file(path);
    WriteAll(file.Fd(), text.data(), text.size());
    file.Commit();
}

}  // namespace glyphon
