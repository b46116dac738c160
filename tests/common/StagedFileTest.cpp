#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "common/FileError.h"
#include "common/StagedFile.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

using test::TempDir;

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

TEST(StagedFile, ReplacesThePreviousFileOnlyOnCommit) {
    TempDir dir;
    const std::string path = dir.Write("movie.sup", "previous");
    {
        StagedFile file(path);
        ASSERT_GE(file.Fd(), 0);
        EXPECT_EQ(std::filesystem::path(file.TempPath()).parent_path(), std::filesystem::path(dir.path()));
        WriteAll(file.Fd(), "new", 3);
        file.Close();
        EXPECT_EQ(TempDir::Read(path), "previous");
        file.Commit();
        EXPECT_TRUE(file.Committed());
    }
    EXPECT_EQ(TempDir::Read(path), "new");
    {
        StagedFile dropped(path);
        WriteAll(dropped.Fd(), "half", 4);
    }  // never committed
    EXPECT_EQ(TempDir::Read(path), "new");
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"movie.sup"});
    EXPECT_THROW(StagedFile(dir.File("no-such-folder/movie.sup")), FileError);
}

// A run killed by a signal while it writes: the handler removes the
// temporary files and the signal still ends the process.
TEST(StagedFile, ASignalRemovesTheTemporaryFilesAndStillEndsTheProcess) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        TempDir dir;
        const std::string path = dir.Write("movie.sup", "previous");
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            StagedFile sup(path);
            StagedFile help(dir.File("movie.Glyphon_Help.txt"));
            WriteAll(sup.Fd(), "half a record", 13);
            (void)!write(ready[1], "r", 1);
            for (;;) pause();
        }
        close(ready[1]);
        char c = 0;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
        EXPECT_EQ(Names(dir.path()).size(), 3u);  // both temporary files exist
        kill(child, sig);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
        EXPECT_EQ(Names(dir.path()), std::set<std::string>{"movie.sup"});
        EXPECT_EQ(TempDir::Read(path), "previous");
    }
}

// A signal while a set of outputs is put in place ends the process only once
// the set is complete.
TEST(StagedFile, ASignalDuringACommitWaitsForItsEnd) {
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ListTemporaryFile("/nonexistent/x.tmp");  // installs the handler
        {
            OutputsCommitting committing;
            char c = 0;
            (void)!write(ready[1], "r", 1);
            (void)!read(go[0], &c, 1);
            (void)!write(ready[1], "a", 1);  // still alive after the signal
        }
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    kill(child, SIGTERM);
    usleep(50000);
    (void)!write(go[1], "g", 1);
    EXPECT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'a');
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
}

// Long names keep their temporaries within 255 bytes; a replacement keeps
// the previous file's mode; temporaries of a dead process are removed, a
// living one's are not; the table takes more than any fixed count.
TEST(StagedFile, LongNamesModesStaleTemporariesAndManyFiles) {
    TempDir dir;
    for (const size_t length : {size_t(200), size_t(238), size_t(251)}) {
        const std::string path = dir.Write(std::string(length - 4, 'e') + ".sup", "old");
        ::chmod(path.c_str(), 0444);
        StagedFile file(path);
        EXPECT_LE(std::filesystem::path(file.TempPath()).filename().string().size(), 255u) << length;
        file.Commit();
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0444u) << length;
    }
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    const std::string longName = dir.File(std::string(250, 'l') + ".sup");
    const std::string deadOnes[] = {TemporaryName(dir.File("a.sup"), dead, 3),
                                    TemporaryName(longName, dead, 12)};
    for (const std::string& stale : deadOnes) std::ofstream(stale) << "x";
    const std::string living = TemporaryName(dir.File("a.sup"), getppid(), 0);
    std::ofstream(living) << "x";
    EXPECT_EQ(RemoveStaleTemporaries(dir.File("a.sup")) + RemoveStaleTemporaries(longName), 2);
    EXPECT_TRUE(std::filesystem::exists(living));
    std::set<int> slots;
    for (int i = 0; i < 600; ++i) slots.insert(ListTemporaryFile(dir.File(std::to_string(i))));
    EXPECT_EQ(slots.size(), 600u);
    EXPECT_EQ(slots.count(-1), 0u);
    for (const int slot : slots) ForgetTemporaryFile(slot);
}

}  // namespace
}  // namespace glyphon
