#include "common/StagedFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "common/FileError.h"
#include "support/TempDir.h"

namespace glyphon {
namespace {

using test::TempDir;

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
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

}  // namespace
}  // namespace glyphon
