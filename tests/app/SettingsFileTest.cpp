// The settings file as users meet it: hand-edited INI files, protected and
// linked files, and a configuration folder that appears only when needed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/SettingsFile.h"
#include "support/TempDir.h"

namespace glyphon::test {

namespace fs = std::filesystem;

TEST(SettingsFileReading, NamesInAnyCaseBlanksTrimmedFirstOccurrenceWins) {
    TempDir dir;
    const std::string path = dir.Write("s.ini",
                                       "; written by hand\r\n"
                                       "[ form1 ]\r\n"
                                       "  offset_Position = 100 \r\n"
                                       "OFFSET_POSITION=7\r\n"
                                       "\tLabelImageChangedPAL_Caption=  /pictures/my pal.bmp\r\n"
                                       "[Form1]\r\n"
                                       "ComboBoxAlign_ItemIndex=2\r\n");
    const IniFile ini = IniFile::Load(path);
    EXPECT_EQ(ini.Get("Form1", "offset_position"), "100");
    EXPECT_EQ(ini.Get("Form1", "LabelImageChangedPAL_Caption"), "/pictures/my pal.bmp");
    EXPECT_EQ(ini.Get("FORM1", "ComboBoxAlign_ItemIndex"), "2");  // a repeated section is searched too
    EXPECT_EQ(ini.Get("Form1", "missing"), std::nullopt);
    EXPECT_EQ(ini.Get("Form2", "offset_Position"), std::nullopt);
}

TEST(SettingsFileReading, DevicesAndHugeFilesReadAsLittleOrNothingAtOnce) {
    TempDir dir;
    // Links to endless devices read as a missing file, and are never written.
    for (const char* device : {"/dev/urandom", "/dev/zero"}) {
        const std::string link = dir.File("Glyphon_Settings.ini");
        fs::remove(link);
        fs::create_symlink(device, link);
        const IniFile ini = IniFile::Load(link);
        EXPECT_FALSE(ini.Get("Form1", "offset_Position")) << device;
        IniFile changed = ini;
        changed.Set("Form1", "offset_Position", "40");
        EXPECT_FALSE(changed.Save(link)) << device;
        EXPECT_TRUE(fs::is_symlink(link));
    }
    ASSERT_EQ(mkfifo(dir.File("fifo.ini").c_str(), 0600), 0);
    EXPECT_FALSE(IniFile::Load(dir.File("fifo.ini")).Get("Form1", "offset_Position"));
    // Only the first megabyte of a regular file is read.
    std::string big = "[Form1]\noffset_Position=100\n";
    big.resize(kLargestSettingsFile, ';');
    big += "\nComboBoxAlign_ItemIndex=2\n";
    const IniFile ini = IniFile::Load(dir.Write("big.ini", big));
    EXPECT_EQ(ini.Get("Form1", "offset_Position"), "100");
    EXPECT_FALSE(ini.Get("Form1", "ComboBoxAlign_ItemIndex"));
}

TEST(SettingsFileWriting, ReplacesTheKeysLineInPlaceAndKeepsEveryOtherLine) {
    TempDir dir;
    const std::string path =
        dir.Write("s.ini", "; mine\n[Form1]\noffset_Position = 100\nnot a key\n\n[Other]\nx=1\n");
    IniFile ini = IniFile::Load(path);
    ini.Set("Form1", "OFFSET_POSITION", "30");
    ini.Set("Form1", "offset_or_Position", "-4");
    ini.Set("New", "a", "b");
    ASSERT_TRUE(ini.Save(path));
    EXPECT_EQ(TempDir::Read(path),
              "; mine\n[Form1]\noffset_Position=30\nnot a key\noffset_or_Position=-4\n\n[Other]\nx=1\n\n"
              "[New]\na=b\n");
}

TEST(SettingsFileWriting, KeepsCarriageReturnLineEnds) {
    TempDir dir;
    const std::string path = dir.Write("s.ini", "[Form1]\r\nA=1\r\n");
    IniFile ini = IniFile::Load(path);
    ini.Set("Form1", "B", "2");
    ASSERT_TRUE(ini.Save(path));
    EXPECT_EQ(TempDir::Read(path), "[Form1]\r\nA=1\r\nB=2\r\n");
}

TEST(SettingsFileWriting, FollowsASymbolicLinkAndKeepsTheLink) {
    TempDir dir;
    fs::create_directory(dir.File("real"));
    const std::string target = dir.Write("real/settings.ini", "[Form1]\nA=1\n");
    const std::string link = dir.File("Glyphon_Settings.ini");
    fs::create_symlink("real/settings.ini", link);
    IniFile ini = IniFile::Load(link);
    ini.Set("Form1", "A", "2");
    ASSERT_TRUE(ini.Save(link));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_EQ(TempDir::Read(target), "[Form1]\nA=2\n");
}

TEST(SettingsFileWriting, KeepsTheModeAndLeavesAReadOnlyFileAlone) {
    TempDir dir;
    const std::string path = dir.Write("s.ini", "[Form1]\nA=1\n");
    IniFile ini = IniFile::Load(path);
    ini.Set("Form1", "A", "2");

    chmod(path.c_str(), 0640);
    ASSERT_TRUE(ini.Save(path));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // Another user's file, rewritten by the superuser, stays theirs.
    if (chown(path.c_str(), 1234, 1234) == 0) {
        ASSERT_TRUE(ini.Save(path));
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 1234u);
    }

    chmod(path.c_str(), 0444);
    ini.Set("Form1", "A", "3");
    EXPECT_FALSE(ini.Save(path));
    EXPECT_EQ(TempDir::Read(path), "[Form1]\nA=2\n");
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

// Runs `body` with XDG_CONFIG_HOME set to `config`, restoring it afterwards.
template <typename F>
void WithConfigHome(const std::string& config, F body) {
    const char* before = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = before ? before : "";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    body();
    if (before)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsFileLocation, TheConfigFolderAppearsOnlyWhenTheSettingsAreWritten) {
    TempDir dir;
    const std::string config = dir.File("config");
    std::string path;
    // A program folder that cannot be written (here: one that is gone).
    WithConfigHome(config, [&] { path = DefaultSettingsPath(dir.File("gone") + "/"); });

    EXPECT_EQ(path, config + "/glyphon/Glyphon_Settings.ini");
    EXPECT_FALSE(fs::exists(config));
    IniFile ini;
    ini.Set("Form1", "A", "1");
    ASSERT_TRUE(ini.Save(path));
    EXPECT_EQ(TempDir::Read(path), "[Form1]\nA=1\n");
}

TEST(SettingsFileLocation, BesideTheProgramOnlyInItsBuildFolderOrAsAPortableCopy) {
    TempDir dir;
    const std::string config = dir.File("config");
    const std::string installed = dir.File("bin") + "/", build = dir.File("build") + "/",
                      portable = dir.File("portable") + "/";
    for (const std::string& d : {installed, build, portable}) fs::create_directories(d);
    dir.Write("build/CMakeCache.txt", "");
    dir.Write("portable/Glyphon_Settings.ini", "[Form1]\n");
    WithConfigHome(config, [&] {
        // A writable program folder is no reason to write into it.
        EXPECT_EQ(DefaultSettingsPath(installed), config + "/glyphon/Glyphon_Settings.ini");
        EXPECT_EQ(DefaultSettingsPath(build), build + "Glyphon_Settings.ini");
        EXPECT_EQ(DefaultSettingsPath(portable), portable + "Glyphon_Settings.ini");
    });
    unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(DefaultSettingsPath(installed), std::string(home) + "/.config/glyphon/Glyphon_Settings.ini");
    // Without a home no settings are kept: never a shared folder, never the
    // working directory.
    const std::string savedHome = home;
    unsetenv("HOME");
    WithConfigHome("relative", [&] { EXPECT_EQ(DefaultSettingsPath(installed), ""); });
    EXPECT_EQ(DefaultSettingsPath("./"), "");
    setenv("HOME", savedHome.c_str(), 1);
    IniFile ini;
    ini.Set("Form1", "A", "1");
    EXPECT_FALSE(ini.Save(""));
}

}  // namespace glyphon::test
