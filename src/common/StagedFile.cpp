#include "common/StagedFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/FileError.h"

namespace glyphon {

namespace {

// The table the signal handler reads: chunks of slots, linked as they are
// needed and never freed. A slot is claimed by a thread (Busy), filled, then
// published (Listed); the handler only reads Listed slots, whose path is
// complete and stays so until the slot is released.
enum SlotState : int { kFree = 0, kBusy = 1, kListed = 2 };
constexpr int kChunkSlots = 256;
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX]{};
};
struct Chunk {
    Slot slots[kChunkSlots];
    std::atomic<Chunk*> next{nullptr};
};
constinit Chunk g_first;  // zero: no page is touched before a slot is used

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Who may end the program: the number of OutputsCommitting held, a signal
// waiting for them (kPending, the signal in g_pendingSignal), and kDying
// once the temporaries are being removed.
constexpr unsigned kDying = 1u << 31, kPending = 1u << 30, kHolders = kPending - 1;
std::atomic<unsigned> g_commit{0};
std::atomic<int> g_pendingSignal{0};
// Temporaries being created (listed, not yet known to exist or not): the
// thread that ends the program waits for them, so that none is created
// after the listed ones were removed. A thread's own creation, when the
// signal interrupts it, is not waited for.
std::atomic<int> g_creating{0};
thread_local bool t_creating = false;

// Only a signal ends the program from here; other threads wait for it.
[[noreturn]] void WaitForTheEnd() {
    for (;;) ::pause();
}

// Called with kDying set by this thread: removes every listed temporary and
// ends the program by the signal.
[[noreturn]] void RemoveTemporariesAndDie(int sig) {
    // No other ending signal interrupts this thread now.
    sigset_t ending;
    sigemptyset(&ending);
    for (const int other : kSignals) sigaddset(&ending, other);
    ::pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    // Creations under way finish first (they see kDying and start no other);
    // bounded, so that a thread stopped by a debugger cannot hold the end.
    const int own = t_creating ? 1 : 0;
    for (int waited = 0; g_creating.load() > own && waited < 2000; ++waited) {
        const timespec step{0, 1000000};
        ::nanosleep(&step, nullptr);
    }
    for (Chunk* chunk = &g_first; chunk; chunk = chunk->next.load(std::memory_order_acquire))
        for (Slot& slot : chunk->slots)
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
    WaitForTheEnd();
}

extern "C" void OnEndingSignal(int sig) {
    const int savedErrno = errno;
    unsigned s = g_commit.load();
    for (;;) {
        if (s & kDying) WaitForTheEnd();  // another thread is ending the program
        if ((s & kHolders) == 0) {
            if (g_commit.compare_exchange_weak(s, kDying)) RemoveTemporariesAndDie(sig);
            continue;
        }
        // Outputs are being put in place: the last holder ends the program.
        g_pendingSignal.store(sig);
        if (g_commit.compare_exchange_weak(s, s | kPending)) break;
    }
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
            sa.sa_handler = OnEndingSignal;
            sigemptyset(&sa.sa_mask);
            for (const int other : kSignals) sigaddset(&sa.sa_mask, other);
            sa.sa_flags = SA_RESTART;
            ::sigaction(sig, &sa, nullptr);
        }
    });
}

// The file name part of a path, and the folder before it ("." for none).
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The process id in a temporary name of `name` (TemporaryName's form), or -1.
long TemporaryOwner(const std::string& entry, const std::string& name) {
    const size_t tmp = entry.rfind(".tmp-");
    if (tmp == std::string::npos) return -1;
    // The whole name, or the part a name at the length limit kept.
    if (entry.compare(0, tmp, name, 0, tmp) != 0 || tmp > name.size()) return -1;
    if (tmp < name.size() && entry.size() + 4 <= NAME_MAX) return -1;
    const char* p = entry.c_str() + tmp + 5;
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(p, &end, 10);
    if (errno != 0 || end == p || *end != '-' || pid <= 0 || !std::isdigit(static_cast<unsigned char>(p[0])))
        return -1;
    const char* n = end + 1;
    if (*n == '\0') return -1;
    for (; *n; ++n)
        if (!std::isdigit(static_cast<unsigned char>(*n))) return -1;
    return pid;
}

}  // namespace

OutputsCommitting::OutputsCommitting() {
    unsigned s = g_commit.load();
    for (;;) {
        if (s & kDying) WaitForTheEnd();
        if (g_commit.compare_exchange_weak(s, s + 1)) return;
    }
}

OutputsCommitting::~OutputsCommitting() {
    unsigned s = g_commit.load();
    for (;;) {
        const unsigned left = s - 1;
        if ((left & kHolders) == 0 && (left & kPending)) {
            if (g_commit.compare_exchange_weak(s, kDying)) RemoveTemporariesAndDie(g_pendingSignal.load());
            continue;
        }
        if (g_commit.compare_exchange_weak(s, left)) return;
    }
}

bool ProgramEnding() { return (g_commit.load(std::memory_order_relaxed) & (kDying | kPending)) != 0; }

std::string TemporaryName(const std::string& path, long pid, unsigned n) {
    const std::string suffix = ".tmp-" + std::to_string(pid) + "-" + std::to_string(n);
    const std::string name = NameOf(path);
    if (name.size() + suffix.size() <= NAME_MAX) return path + suffix;
    size_t keep = NAME_MAX - suffix.size();
    // Not inside a UTF-8 sequence: the name stays readable.
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return path.substr(0, path.size() - name.size()) + name.substr(0, keep) + suffix;
}

int RemoveStaleTemporaries(const std::string& path) {
    const std::string folder = FolderOf(path), name = NameOf(path);
    if (name.empty()) return 0;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    const long self = long(::getpid());
    while (const dirent* entry = ::readdir(dir)) {
        const long pid = TemporaryOwner(entry->d_name, name);
        if (pid <= 0 || pid == self) continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;  // still running (or not ours to ask)
        struct stat st {};
        const std::string stale = folder + "/" + entry->d_name;
        if (::lstat(stale.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (::unlink(stale.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

int ListTemporaryFile(const std::string& path) {
    InstallHandlerOnce();
    if (path.size() >= PATH_MAX) return -1;
    int base = 0;
    for (Chunk* chunk = &g_first;; base += kChunkSlots) {
        for (int i = 0; i < kChunkSlots; ++i) {
            Slot& slot = chunk->slots[i];
            int expected = kFree;
            if (!slot.state.compare_exchange_strong(expected, kBusy, std::memory_order_acq_rel)) continue;
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.state.store(kListed, std::memory_order_release);
            return base + i;
        }
        Chunk* next = chunk->next.load(std::memory_order_acquire);
        if (!next) {
            auto* added = new Chunk;
            if (chunk->next.compare_exchange_strong(next, added, std::memory_order_acq_rel))
                next = added;
            else
                delete added;  // another thread linked one first: `next` is it
        }
        chunk = next;
    }
}

void ForgetTemporaryFile(int slot) {
    if (slot < 0) return;
    Chunk* chunk = &g_first;
    for (int i = slot / kChunkSlots; i > 0 && chunk; --i) chunk = chunk->next.load(std::memory_order_acquire);
    if (chunk) chunk->slots[slot % kChunkSlots].state.store(kFree, std::memory_order_release);
}

namespace {

// Creates a new temporary file beside path. The name is listed before the
// file exists, so that no moment leaves it on disk unlisted; the handler's
// unlink of a name not yet created does nothing, and the thread that ends
// the program waits for creations under way before it removes them.
int CreateListedTemporary(const std::string& path, std::string& tempPath, int& slot) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = TemporaryName(path, long(::getpid()), counter++);
        // Counted before kDying is looked at: either the ending thread waits
        // for this creation (and then removes the listed file), or this
        // thread sees kDying and creates nothing.
        g_creating.fetch_add(1);
        t_creating = true;
        if (g_commit.load() & kDying) {
            t_creating = false;
            g_creating.fetch_sub(1);
            WaitForTheEnd();
        }
        slot = ListTemporaryFile(tempPath);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const int openErr = errno;
        t_creating = false;
        g_creating.fetch_sub(1);
        if (fd >= 0) return fd;
        const int err = openErr;
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
    const bool exists = ::stat(finalPath_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) Fail(EISDIR);
    RemoveStaleTemporaries(finalPath_);
    try {
        fd_ = CreateListedTemporary(finalPath_, tempPath_, slot_);
    } catch (const FileError& e) {
        throw OutputFileError(finalPath_, e.what());
    }
    // The replacement keeps the mode of the file it replaces (a read-only
    // .sup stays read-only).
    if (exists && S_ISREG(st.st_mode) && ::fchmod(fd_, st.st_mode & 07777) != 0) {
        const int err = errno;
        Discard();
        Fail(err);
    }
}

void StagedFile::Fail(int err) const { throw OutputFileError(finalPath_, FileErrorText(err)); }

void StagedFile::Write(const void* data, size_t size) {
    try {
        WriteAll(fd_, data, size);
    } catch (const FileError& e) {
        throw OutputFileError(finalPath_, e.what());
    }
}

StagedFile::~StagedFile() {
    if (!done_) Discard();
}

void StagedFile::Close() {
    if (fd_ < 0) return;
    const int err = ::close(fd_) != 0 ? errno : 0;
    fd_ = -1;
    if (err != 0 && err != EINTR) Fail(err);
}

void StagedFile::Commit() {
    if (done_) return;
    Close();
    OutputsCommitting committing;
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) Fail(errno);
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
    file.Write(text.data(), text.size());
    file.Commit();
}

}  // namespace glyphon
