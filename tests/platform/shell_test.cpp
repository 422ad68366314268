// The setup program's shell services: the special folders, copying the files of a folder, and the
// shortcut written as a desktop entry.
#include "platform/shell.h"

#include "support/fifo_guard.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
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

TEST_F(ShellTest, CopyingWritesOnlyIntoAFolderItselfNeverThroughALinkOrIntoSomethingElse) {
  Write("medium/bin/game", "program", 0755);
  Write("outside/kept", "kept");
  struct Case {
    const char* what;
    std::function<void()> plant;  // what stands at dest/bin before the copy
    int copies;
  };
  auto dest = [&] {  // the destination, made
    std::filesystem::create_directories(dir / "dest");
    return dir / "dest";
  };
  const Case cases[] = {
      {"missing: made", [&] { dest(); }, 1},
      {"a folder", [&] { std::filesystem::create_directories(dest() / "bin"); }, 1},
      {"the destination a link to a folder",
       [&] {
         std::filesystem::create_directories(dir / "real/bin");
         std::filesystem::create_directory_symlink(dir / "real", dir / "dest");
       },
       1},
      {"a link to a folder", [&] { std::filesystem::create_directory_symlink(dir / "outside", dest() / "bin"); }, 0},
      {"a link to nothing", [&] { std::filesystem::create_symlink(dir / "outside/none", dest() / "bin"); }, 0},
      {"a file", [&] { Write(dest().filename().string() + "/bin", "a file"); }, 0},
      {"a FIFO", [&] { ASSERT_EQ(mkfifo((dest() / "bin").c_str(), 0644), 0); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir / "dest");
    std::filesystem::remove_all(dir / "real");
    c.plant();
    std::filesystem::file_type before = std::filesystem::symlink_status(dir / "dest/bin").type();
    int copied = 1;
    std::string from = Path("medium") + "\\bin", to = Path("dest") + "\\bin";
    EXPECT_FALSE(HungOnFifo(Path("dest/bin"), [&] { copied = Copy(from, to); }));
    EXPECT_EQ(copied == 0, c.copies == 1);
    EXPECT_EQ(Read("dest/bin/game") == "program", c.copies == 1);
    int outside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "outside")) outside += entry.exists();
    EXPECT_EQ(outside, 1) << "written through a link";
    if (!c.copies) {
      EXPECT_EQ(std::filesystem::symlink_status(dir / "dest/bin").type(), before) << "replaced";
    }
  }
}

TEST_F(ShellTest, AnInstallationRemovesTheTemporaryFilesOfKilledOnesUnlessAnotherIsAtWork) {
  Write("medium/bin/game", "program");
  // Named as the copy names them, and things that are not: other lengths and letters, a link,
  // a folder.
  const char* stale[] = {".setup-AbC123", ".setup-zzzzzz"};
  const char* kept[] = {".setup-AbC12", ".setup-AbC1234", ".setup-AbC_12", ".setupAbC123", "setup-AbC123"};
  auto plant = [&] {
    for (const char* name : stale) Write(std::string("dest/") + name, "left by a kill");
    for (const char* name : kept) Write(std::string("dest/") + name, "not ours");
    std::filesystem::remove(dir / "dest/.setup-link00");
    std::filesystem::create_symlink(dir / "outside", dir / "dest/.setup-link00");
    std::filesystem::create_directories(dir / "dest/.setup-folder");
    std::filesystem::create_directories(dir / "dest/.setup-fold00");
  };
  std::filesystem::create_directories(dir / "dest");
  plant();
  ASSERT_EQ(Copy(Path("medium") + "\\bin", Path("dest")), 0);
  for (const char* name : stale) EXPECT_FALSE(std::filesystem::exists(dir / "dest" / name)) << name;
  for (const char* name : kept) EXPECT_EQ(Read(std::string("dest/") + name), "not ours") << name;
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "dest/.setup-link00"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "dest/.setup-fold00"));
  // While another installation holds the folder, its files may be ones it is writing.
  plant();
  int other = open(Path("dest").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  ASSERT_EQ(Copy(Path("medium") + "\\bin", Path("dest")), 0);
  close(other);
  for (const char* name : stale) EXPECT_EQ(Read(std::string("dest/") + name), "left by a kill") << name;
  EXPECT_EQ(Read("dest/game"), "program");
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

TEST_F(ShellTest, AShortcutIsWrittenWholeInItsFolderAndNeverThroughALink) {
  Write("outside/target", "outside");
  ShellLink link{};
  ShellLinkSetPath(&link, (Path("game") + "\\bin\\Kestrune PC.exe").c_str());
  ShellLinkSetDescription(&link, "Kestrune");
  const std::string entry = Path("menu") + "\\Kestrune.lnk";
  auto entries = [&] {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir / "menu")) n += e.exists() || e.is_symlink();
    return n;
  };
  // A link planted at the entry's name is replaced, its target left alone.
  std::filesystem::create_directories(dir / "menu");
  std::filesystem::create_symlink(dir / "outside/target", dir / "menu/Kestrune.desktop");
  ASSERT_EQ(ShellLinkSave(&link, entry.c_str()), 1);
  EXPECT_EQ(Read("outside/target"), "outside");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "menu/Kestrune.desktop"));
  EXPECT_EQ(Read("menu/Kestrune.desktop").rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_EQ(entries(), 1) << "a temporary file was left";
  // A menu folder that is a link to another folder is not written in.
  std::filesystem::remove_all(dir / "menu");
  std::filesystem::create_directory_symlink(dir / "outside", dir / "menu");
  EXPECT_EQ(ShellLinkSave(&link, entry.c_str()), 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "outside"), {}), 1);
  // A write that fails (a full disk, here a file size limit) leaves no entry, or the old one whole.
  std::filesystem::remove(dir / "menu");
  std::filesystem::create_directories(dir / "menu");
  rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 16;
  std::signal(SIGXFSZ, SIG_IGN);
  for (const char* old_entry : {"", "[Desktop Entry]\nType=Application\n"}) {
    if (old_entry[0]) Write("menu/Kestrune.desktop", old_entry);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int saved = ShellLinkSave(&link, entry.c_str());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old_limit), 0);
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(entries(), old_entry[0] ? 1 : 0);
    if (old_entry[0]) {
      EXPECT_EQ(Read("menu/Kestrune.desktop"), old_entry);
    }
  }
}

}  // namespace
