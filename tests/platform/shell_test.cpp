// The setup program's shell services: the special folders, copying the files of a folder, and the
// shortcut written as a desktop entry.
#include "platform/shell.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class ShellTest : public TempDirTest {
 protected:
  void TearDown() override {
    RestoreEnv("HOME", home_);
    RestoreEnv("XDG_DATA_HOME", data_);
    TempDirTest::TearDown();
  }
  static std::string SaveEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "\x01";
  }
  static void RestoreEnv(const char* name, const std::string& value) {
    if (value == "\x01")
      unsetenv(name);
    else
      setenv(name, value.c_str(), 1);
  }
  void Write(const std::string& name, const std::string& text, mode_t mode = 0644) {
    std::filesystem::create_directories((dir / name).parent_path());
    std::ofstream(dir / name) << text;
    chmod(Path(name).c_str(), mode);
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir / name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // FO_COPY of "<from>\*.*" into to, with the setup program's flags.
  static int Copy(const std::string& from, const std::string& to) {
    std::string pattern = from + "\\*.*";
    SHFILEOPSTRUCTA op{};
    op.func = FO_COPY;
    op.from = pattern.c_str();
    op.to = to.c_str();
    op.flags = FOF_NOCONFIRMATION | FOF_FILESONLY | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    return SHFileOperationA(&op);
  }
  std::string home_ = SaveEnv("HOME"), data_ = SaveEnv("XDG_DATA_HOME");
};

TEST_F(ShellTest, SpecialFoldersComeFromTheUsersDataFolder) {
  struct Case {
    const char* what;
    const char* home;  // null: unset
    const char* data;  // null: unset
    int csidl;
    int create;
    const char* want;  // under the test folder; null: the call fails
  };
  const Case cases[] = {
      {"data folder set", "h", "d", CSIDL_PROGRAM_FILES, 0, "d"},
      {"its applications", "h", "d", CSIDL_PROGRAMS, 0, "d/applications"},
      {"data folder unset", "h", nullptr, CSIDL_PROGRAM_FILES, 0, "h/.local/share"},
      {"a relative data folder is not used", "h", "relative", CSIDL_PROGRAMS, 0, "h/.local/share/applications"},
      {"made when asked", "h", "d", CSIDL_PROGRAMS, 1, "d/applications"},
      {"made with its parents", "h", nullptr, CSIDL_PROGRAM_FILES, 1, "h/.local/share"},
      {"neither", nullptr, nullptr, CSIDL_PROGRAM_FILES, 1, nullptr},
      {"another folder", "h", "d", 0x0005, 1, nullptr},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir / "h");
    std::filesystem::remove_all(dir / "d");
    std::string home = Path(c.home ? c.home : ""), data = c.data && c.data[0] != 'r' ? Path(c.data) : "relative";
    RestoreEnv("HOME", c.home ? home : "\x01");
    RestoreEnv("XDG_DATA_HOME", c.data ? data : "\x01");
    char path[MAX_PATH] = "unchanged";
    int ok = SHGetSpecialFolderPathA(nullptr, path, c.csidl, c.create);
    if (!c.want) {
      EXPECT_EQ(ok, 0) << c.what;
      continue;
    }
    EXPECT_EQ(ok, 1) << c.what;
    EXPECT_EQ(std::string(path), Path(c.want)) << c.what;
    // Only looking a folder up leaves the disk alone (a cancelled setup makes nothing).
    EXPECT_EQ(std::filesystem::is_directory(path), c.create == 1) << c.what;
  }
}

TEST_F(ShellTest, CopyingAFolderTakesItsFilesOnlyAndOverwrites) {
  Write("medium/bin/game", "new program", 0755);
  Write("medium/bin/readme.txt", "new");
  Write("medium/bin/sub/nested.txt", "nested");
  Write("dest/bin/readme.txt", "old");
  EXPECT_EQ(Copy(Path("medium") + "\\bin", Path("dest") + "\\bin"), 0);
  EXPECT_EQ(Read("dest/bin/readme.txt"), "new");
  EXPECT_EQ(Read("dest/bin/game"), "new program");
  struct stat st;
  ASSERT_EQ(stat(Path("dest/bin/game").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);  // the program stays runnable
  EXPECT_FALSE(std::filesystem::exists(dir / "dest/bin/sub"));
  // A missing destination folder is made.
  EXPECT_EQ(Copy(Path("medium") + "\\bin", Path("fresh")), 0);
  EXPECT_EQ(Read("fresh/readme.txt"), "new");
}

TEST_F(ShellTest, CopyingFailsWithoutItsSourceOrWhereTheDestinationCannotBeReached) {
  Write("medium/bin/readme.txt", "text");
  Write("blocked", "a file where a folder should be");
  EXPECT_NE(Copy(Path("medium") + "\\missing", Path("dest")), 0);
  EXPECT_NE(Copy(Path("medium") + "\\bin", Path("blocked")), 0);
  EXPECT_NE(Copy(Path("medium") + "\\bin", Path("blocked") + "\\bin"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "dest"));
}

TEST_F(ShellTest, CopyingTakesRegularFilesOnlyAndNeverWritesThroughALink) {
  Write("outside", "outside");
  Write("medium/bin/locked.txt", "read only", 0444);
  Write("medium/bin/tool", "program", 04755);
  Write("medium/bin/x.wav", "x");
  Write("medium/bin/x.wav.part", "x part");
  Write("medium/bin/prefs.cfg", "defaults");
  std::filesystem::create_symlink(Path("outside"), dir / "medium/bin/link.txt");
  std::filesystem::create_directories(dir / "dest");
  std::filesystem::create_symlink(Path("outside"), dir / "dest/locked.txt");  // replaced, not written through
  Write("dest/prefs.cfg", "player's");
  std::string pattern = Path("medium") + "\\bin\\*.*", to = Path("dest");
  SHFILEOPSTRUCTA op{};
  op.func = FO_COPY;
  op.from = pattern.c_str();
  op.to = to.c_str();
  op.keep = "prefs.cfg\0";
  ASSERT_EQ(SHFileOperationA(&op), 0);
  EXPECT_EQ(Read("outside"), "outside");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "dest/locked.txt"));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir / "dest/link.txt")));
  EXPECT_EQ(Read("dest/x.wav"), "x");
  EXPECT_EQ(Read("dest/x.wav.part"), "x part");
  EXPECT_EQ(Read("dest/prefs.cfg"), "player's");
  struct Mode {
    const char* name;
    mode_t want;
  };
  for (Mode m : {Mode{"locked.txt", 0644}, Mode{"tool", 0755}}) {
    struct stat st;
    ASSERT_EQ(stat(Path(std::string("dest/") + m.name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, m.want) << m.name;
  }
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "dest")) files += entry.is_regular_file();
  EXPECT_EQ(files, 5) << "a temporary file was left";
  // Without a kept file in the destination, it is copied like any other.
  std::filesystem::remove(dir / "dest/prefs.cfg");
  ASSERT_EQ(SHFileOperationA(&op), 0);
  EXPECT_EQ(Read("dest/prefs.cfg"), "defaults");
  // A folder with nothing to copy fails, as a missing one does.
  std::filesystem::create_directories(dir / "empty");
  std::filesystem::create_symlink(Path("outside"), dir / "empty/only-a-link");
  EXPECT_NE(Copy(Path("empty"), Path("dest2")), 0);
}

TEST_F(ShellTest, APathInsideAFolderIsFoundThroughLinksAndDots) {
  std::filesystem::create_directories(dir / "medium/bin");
  std::filesystem::create_directories(dir / "other");
  std::filesystem::create_symlink(dir / "medium", dir / "link");
  struct Case {
    const char* path;    // under the test folder
    const char* folder;  // likewise
    int inside;
  };
  const Case cases[] = {
      {"medium", "medium", 1},
      {"medium/", "medium", 1},
      {"medium/bin/new/deeper", "medium/bin", 1},
      {"medium\\bin", "medium/bin", 1},
      {"link/bin", "medium/bin", 1},
      {"medium/bin", "link/bin", 1},
      {"other/../medium/./bin", "medium/bin", 1},
      {"medium/bin/..", "medium/bin", 0},
      {"medium/binary", "medium/bin", 0},
      {"medium", "medium/bin", 0},
      {"other", "medium", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PathIsInsideFolder(Path(c.path).c_str(), Path(c.folder).c_str()), c.inside)
        << c.path << " in " << c.folder;
  EXPECT_EQ(PathIsInsideFolder(Path("anything").c_str(), "/"), 1);
  for (const char* path : {"relinst", "games\\kestrune", "./x", "~/games", ""}) EXPECT_EQ(PathIsRelativeA(path), 1) << path;
  for (const char* path : {"/", "/opt/games", "\\opt\\games"}) EXPECT_EQ(PathIsRelativeA(path), 0) << path;
}

TEST_F(ShellTest, AShortcutIsADesktopEntryWithItsValuesEscaped) {
  struct Case {
    const char* what;
    const char* folder;  // the installed game's folder under the test folder
    const char* exec;    // the Exec line's value after the test folder's own path
    const char* path;    // the Path line's value, likewise
  };
  const Case cases[] = {
      {"plain, with blanks", "Kestrune PC", "Kestrune PC/bin/Kestrune PC\"", "Kestrune PC/bin"},
      {"quote, dollar and backtick", "a\"b$c`d", "a\\\\\"b\\\\$c\\\\`d/bin/Kestrune PC\"", "a\"b$c`d/bin"},
      {"a per cent sign is no field code", "100% game", "100%% game/bin/Kestrune PC\"", "100% game/bin"},
      {"a line break stays in its value", "two\nlines", "two\\nlines/bin/Kestrune PC\"", "two\\nlines/bin"},
  };
  for (const Case& c : cases) {
    std::string game = Path(c.folder);
    Write(std::string(c.folder) + "/bin/Kestrune PC", "#!/bin/sh\n", 0755);
    ShellLink link{};
    ShellLinkSetPath(&link, (game + "\\bin\\Kestrune PC.exe").c_str());
    ShellLinkSetDescription(&link, "Kestrune");
    ShellLinkSetWorkingDirectory(&link, (game + "\\bin").c_str());
    ShellLinkSetIconLocation(&link, (game + "\\res\\parent.ico").c_str(), 0);
    ASSERT_EQ(ShellLinkSave(&link, (Path("menu") + "\\Kestrune.lnk").c_str()), 0) << "no menu folder yet";
    std::filesystem::create_directories(dir / "menu");
    ASSERT_EQ(ShellLinkSave(&link, (Path("menu") + "\\Kestrune.lnk").c_str()), 1) << c.what;
    EXPECT_FALSE(std::filesystem::exists(dir / "menu/Kestrune.lnk"));
    std::string want = "[Desktop Entry]\nType=Application\nName=Kestrune\nComment=Kestrune\nExec=\"" + dir.string() +
                       "/" + c.exec + "\nPath=" + dir.string() + "/" + c.path + "\nIcon=" + dir.string() + "/" +
                       std::string(c.path).replace(std::string(c.path).size() - 3, 3, "res/parent.ico") +
                       "\nTerminal=false\n";
    EXPECT_EQ(Read("menu/Kestrune.desktop"), want) << c.what;
    std::filesystem::remove_all(dir / "menu");
  }
}

}  // namespace
