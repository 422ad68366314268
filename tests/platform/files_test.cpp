#include "platform/files.h"

#include "platform/image_write.h"
#include "support/fifo_guard.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A fresh folder per test, entered as the working folder.
class FilesTest : public WorkingDirTest {
 protected:
  static void WriteBytes(const char* name, const std::string& bytes) {
    std::FILE* f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
};

TEST_F(FilesTest, TextWriteTurnsEachLineFeedIntoCrLf) {
  File* f = FileOpen("a.txt", "w");
  ASSERT_NE(f, nullptr);
  FilePuts("a\r\n", f);
  FilePrintf(f, "%i\r\n", 1);
  FilePutc('\n', f);
  ASSERT_EQ(FileClose(f), 0);
  EXPECT_EQ(Text("a.txt"), "a\r\r\n1\r\r\n\r\n");
}

TEST_F(FilesTest, BinaryWritePassesBytes) {
  File* f = FileOpen("b.bin", "wb");
  ASSERT_NE(f, nullptr);
  FilePuts("a\r\n", f);
  ASSERT_EQ(FileClose(f), 0);
  EXPECT_EQ(Text("b.bin"), "a\r\n");
}

TEST_F(FilesTest, TextReadRules) {
  struct Case {
    const char* label;
    std::string disk;
    std::string lines;  // the lines FileGets returns, joined with '|'
  };
  const Case cases[] = {
      {"cr cr lf reads back as cr lf", "1\r\r\n---\r\r\n", "1\r\n|---\r\n"},
      {"cr lf reads as lf", "a\r\nb", "a\n|b"},
      {"lone cr stays", "a\rb\n", "a\rb\n"},
      {"ctrl-z ends the file", "a\r\n\x1A" "b\r\n", "a\n"},
      {"ctrl-z mid line", "ab\x1A" "cd", "ab"},
      {"cr at the very end", "a\r", "a\r"},
      {"cr before ctrl-z", "a\r\x1A" "b", "a\r"},
      {"empty file", "", ""},
  };
  for (const Case& c : cases) {
    WriteBytes("r.txt", c.disk);
    File* f = FileOpen("r.txt", "r");
    ASSERT_NE(f, nullptr) << c.label;
    std::string got;
    char line[256];
    while (FileGets(line, sizeof(line), f)) got += (got.empty() ? "" : "|") + std::string(line);
    EXPECT_TRUE(FileEof(f)) << c.label;
    EXPECT_EQ(FileGetc(f), FILE_EOF) << c.label;
    FileClose(f);
    EXPECT_EQ(got, c.lines) << c.label;
  }
}

TEST_F(FilesTest, BinaryReadKeepsCrAndCtrlZ) {
  WriteBytes("r.bin", std::string("a\r\n\x1A" "b", 5));
  File* f = FileOpen("r.bin", "rb");
  ASSERT_NE(f, nullptr);
  char buf[8] = {};
  EXPECT_EQ(FileRead(buf, 1, sizeof(buf), f), 5u);
  EXPECT_EQ(std::string(buf, 5), std::string("a\r\n\x1A" "b", 5));
  FileClose(f);
}

TEST_F(FilesTest, GetsStopsAtTheLimitAndGoesOn) {
  WriteBytes("long.txt", "abcdefgh\r\n");
  File* f = FileOpen("long.txt", "r");
  char piece[4];
  ASSERT_NE(FileGets(piece, sizeof(piece), f), nullptr);
  EXPECT_STREQ(piece, "abc");
  ASSERT_NE(FileGets(piece, sizeof(piece), f), nullptr);
  EXPECT_STREQ(piece, "def");
  ASSERT_NE(FileGets(piece, sizeof(piece), f), nullptr);
  EXPECT_STREQ(piece, "gh\n");
  EXPECT_EQ(FileGets(piece, sizeof(piece), f), nullptr);
  FileClose(f);
}

TEST_F(FilesTest, AppendAddsAtTheEnd) {
  for (int i = 0; i < 2; i++) {
    File* f = FileOpen("console.log", "a");
    ASSERT_NE(f, nullptr);
    FilePrintf(f, "%s\r\n", i ? "two" : "one");
    FileClose(f);
  }
  EXPECT_EQ(Text("console.log"), "one\r\r\ntwo\r\r\n");
}

TEST_F(FilesTest, OpenFailures) {
  EXPECT_EQ(FileOpen("missing.txt", "r"), nullptr);
  EXPECT_EQ(FileOpen("x.txt", "q"), nullptr);
  EXPECT_EQ(FileOpen("x.txt", "wz"), nullptr);
  ASSERT_EQ(mkdir("folder", 0755), 0);
  EXPECT_EQ(FileOpen("folder", "r"), nullptr);
  EXPECT_EQ(FileOpen("folder", "w"), nullptr);
  EXPECT_EQ(FileOpenReplacing("folder", "w"), nullptr);
  EXPECT_EQ(FileOpenReplacing("x.txt", "r"), nullptr);
}

TEST_F(FilesTest, OnlyARegularFileOpensAndNothingWaitsToOpen) {
  WriteBytes("plain", "text");
  ASSERT_EQ(mkfifo("fifo", 0644), 0);
  ASSERT_EQ(mkdir("folder", 0755), 0);
  ASSERT_EQ(symlink("plain", "link to plain"), 0);
  ASSERT_EQ(symlink("fifo", "link to fifo"), 0);
  ASSERT_EQ(symlink("/dev/zero", "link to an endless device"), 0);
  ASSERT_EQ(symlink("/dev/null", "link to an empty device"), 0);
  struct Case {
    const char* name;
    int opens;
  };
  const Case cases[] = {{"plain", 1},         {"link to plain", 1},           {"fifo", 0},
                        {"link to fifo", 0},  {"link to an endless device", 0}, {"link to an empty device", 0},
                        {"folder", 0}};
  for (const Case& c : cases) {
    for (const char* mode : {"r", "rb", "r+", "a", "w"}) {
      SCOPED_TRACE(std::string(c.name) + " as " + mode);
      File* file = nullptr;
      EXPECT_FALSE(HungOnFifo("fifo", [&] { file = FileOpen(c.name, mode); }));
      EXPECT_EQ(file != nullptr, c.opens == 1);
      if (file) FileClose(file);
    }
    WriteBytes("plain", "text");  // which "w" emptied
    std::vector<std::uint8_t> bytes{1};
    int read = 0;
    EXPECT_FALSE(HungOnFifo("fifo", [&] { read = ReadRegularFile(c.name, &bytes); })) << c.name;
    EXPECT_EQ(read, c.opens) << c.name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.opens ? "text" : "") << c.name;
    // A frame capture is written only over a regular file.
    const BYTE pixel[4] = {1, 2, 3, 255};
    bool written = false;
    EXPECT_FALSE(HungOnFifo("fifo", [&] { written = WritePngRgba(c.name, 1, 1, pixel); })) << c.name;
    EXPECT_EQ(written, c.opens == 1) << c.name;
    WriteBytes("plain", "text");
  }
  struct stat st;
  ASSERT_EQ(lstat("fifo", &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "nothing was put in the FIFO's place";
  // A regular file is read whole up to the limit given; one longer is not read at all.
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(ReadRegularFile("plain", &bytes, 4), 1);
  EXPECT_EQ(ReadRegularFile("plain", &bytes, 3), 0);
  EXPECT_TRUE(bytes.empty());
}

TEST_F(FilesTest, TheTableOfOpenFilesIsBounded) {
  File* open[FILE_OPEN_MAX];
  for (int i = 0; i < FILE_OPEN_MAX; i++) {
    char name[32];
    std::snprintf(name, sizeof(name), "f%d", i);
    open[i] = FileOpen(name, "w");
    ASSERT_NE(open[i], nullptr);
  }
  EXPECT_EQ(FileOpen("one_more", "w"), nullptr);
  FileClose(open[3]);
  File* again = FileOpen("one_more", "w");
  EXPECT_NE(again, nullptr);
  FileClose(again);
  for (int i = 0; i < FILE_OPEN_MAX; i++)
    if (i != 3) FileClose(open[i]);
}

TEST_F(FilesTest, PathsMapBackslashesAndMatchNamesIgnoringCase) {
  ASSERT_EQ(mkdir("Res", 0755), 0);
  ASSERT_EQ(mkdir("bin", 0755), 0);
  WriteBytes("Res/Parent.ICO", "icon");
  WriteBytes("bin/exact.txt", "x");
  ASSERT_EQ(chdir("bin"), 0);
  const std::string absolute = dir.string() + "/RES/parent.ico", absolute_on_disk = dir.string() + "/Res/Parent.ICO";
  struct Case {
    const char* label;
    const char* path;
    const char* resolved;
  };
  const Case cases[] = {
      {"exact name", "exact.txt", "exact.txt"},
      {"backslashes", "..\\bin\\exact.txt", "../bin/exact.txt"},
      {"case folded folder and file", "..\\res\\parent.ico", "../Res/Parent.ICO"},
      {"missing file keeps its name", "..\\res\\New.txt", "../Res/New.txt"},
      {"missing folder keeps the rest", "..\\nothere\\PARENT.ico", "../nothere/PARENT.ico"},
      {"absolute path", absolute.c_str(), absolute_on_disk.c_str()},
  };
  for (const Case& c : cases) {
    char out[FILE_PATH_MAX];
    ASSERT_TRUE(ResolvePath(c.path, out, sizeof(out))) << c.label;
    EXPECT_STREQ(out, c.resolved) << c.label;
  }
  File* f = FileOpen("..\\RES\\PARENT.ICO", "rb");
  ASSERT_NE(f, nullptr);
  char buf[8] = {};
  EXPECT_EQ(FileRead(buf, 1, 4, f), 4u);
  EXPECT_STREQ(buf, "icon");
  FileClose(f);
  char tiny[4];
  EXPECT_FALSE(ResolvePath("toolong.txt", tiny, sizeof(tiny)));
}

TEST_F(FilesTest, ResolvingIsTheSameWhateverOrderTheFolderLists) {
  WriteBytes("CASE.txt", "1");
  WriteBytes("case.TXT", "2");
  char out[FILE_PATH_MAX];
  ASSERT_TRUE(ResolvePath("Case.txt", out, sizeof(out)));
  EXPECT_STREQ(out, "CASE.txt");  // the lowest name in byte order
}

TEST_F(FilesTest, WritingAnExistingNameInOtherCaseRewritesIt) {
  WriteBytes("Prefs.cfg", "old");
  File* f = FileOpen("prefs.cfg", "w");
  ASSERT_NE(f, nullptr);
  FilePuts("new", f);
  FileClose(f);
  EXPECT_EQ(Text("Prefs.cfg"), "new");
  EXPECT_FALSE(std::filesystem::exists("prefs.cfg"));
}

TEST_F(FilesTest, RemoveAndExists) {
  WriteBytes("Console.log", "x");
  EXPECT_TRUE(FileExists("console.log"));
  EXPECT_EQ(FileRemove("console.log"), 0);
  EXPECT_FALSE(FileExists("Console.log"));
  EXPECT_EQ(FileRemove("console.log"), -1);
  ASSERT_EQ(mkdir("folder", 0755), 0);
  EXPECT_FALSE(FileExists("folder"));
  EXPECT_EQ(FileRemove("folder"), -1);
}

TEST_F(FilesTest, ReplacingLeavesTheOldFileUntilTheClose) {
  WriteBytes("record(0).dat", "old");
  File* f = FileOpenReplacing("record(0).dat", "w");
  ASSERT_NE(f, nullptr);
  FilePuts("new\r\n", f);
  EXPECT_EQ(Text("record(0).dat"), "old");
  ASSERT_EQ(FileClose(f), 0);
  EXPECT_EQ(Text("record(0).dat"), "new\r\r\n");
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(std::system("test $(ls -A | wc -l) -eq 1"), 0);
}

TEST_F(FilesTest, ReplacingAFileThatFailsKeepsTheOldOne) {
  WriteBytes("prefs.cfg", "old");
  File* f = FileOpenReplacing("prefs.cfg", "w");
  ASSERT_NE(f, nullptr);
  FilePuts("partial", f);
  // A full disk, as a file size limit: writes past it fail.
  rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  FilePuts(std::string(100000, 'x').c_str(), f);
  int closed = FileClose(f);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old_limit), 0);
  EXPECT_EQ(closed, FILE_EOF);
  EXPECT_EQ(Text("prefs.cfg"), "old");
  EXPECT_EQ(std::system("test $(ls -A | wc -l) -eq 1"), 0);
}

TEST_F(FilesTest, ASaveRemovesTheTemporariesAKilledSaveOfItsNameLeft) {
  // A process that has ended, as one killed between writing and renaming would have.
  pid_t dead = fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) _exit(0);
  ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
  std::string gone = std::to_string(dead), me = std::to_string(getpid()), alive = std::to_string(getppid());
  struct Case {
    std::string name;
    bool removed;
  };
  const Case cases[] = {
      {"prefs.cfg." + gone + "-0.tmp", true},
      {"prefs.cfg." + gone + "-17.tmp", true},
      {"prefs.cfg." + me + "-999.tmp", true},  // this process, no such save open
      {"prefs.cfg." + alive + "-0.tmp", false},  // a running program may be saving
      {"prefs.cfg.tmp", false},
      {"prefs.cfg." + gone + "-x.tmp", false},
      {"prefs.cfg." + gone + "-0.tmp.bak", false},
      {"prefs.cfg." + gone + "-0.TMP", false},
      {"prefs.cfg.-1-0.tmp", false},
      {"prefs.cfg.0-0.tmp", false},
      {"prefs.cfg.123456789012-0.tmp", false},
      {"xprefs.cfg." + gone + "-0.tmp", false},
      {"record(0).dat." + gone + "-0.tmp", false},
      {"prefs.cfg", true},  // replaced by the save
  };
  for (const Case& c : cases) WriteBytes(c.name.c_str(), "old");
  ASSERT_EQ(mkdir(("prefs.cfg." + gone + "-1.tmp").c_str(), 0755), 0);
  File* f = FileOpenReplacing("prefs.cfg", "w");
  ASSERT_NE(f, nullptr);
  // A second save of the same name while the first is open leaves the first one's file alone.
  File* g = FileOpenReplacing("prefs.cfg", "w");
  ASSERT_NE(g, nullptr);
  FilePuts("first", f);
  ASSERT_EQ(FileClose(g), 0);
  ASSERT_EQ(FileClose(f), 0);
  EXPECT_EQ(Text("prefs.cfg"), "first");
  struct stat st;
  for (const Case& c : cases) {
    if (c.name == "prefs.cfg") continue;
    // Looked up by the exact name: the file layer would match another case too.
    EXPECT_EQ(lstat(c.name.c_str(), &st) == 0, !c.removed) << c.name;
  }
  EXPECT_EQ(stat(("prefs.cfg." + gone + "-1.tmp").c_str(), &st), 0);
  // The record files' own temporaries go with their next save the same way.
  File* r = FileOpenReplacing("record(0).dat", "w");
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(FileClose(r), 0);
  EXPECT_NE(lstat(("record(0).dat." + gone + "-0.tmp").c_str(), &st), 0);
}

TEST_F(FilesTest, SeekAndTell) {
  WriteBytes("s.bin", "0123456789");
  File* f = FileOpen("s.bin", "rb");
  EXPECT_EQ(FileSeek(f, 4, FILE_SEEK_SET), 0);
  EXPECT_EQ(FileGetc(f), '4');
  EXPECT_EQ(FileTell(f), 5);
  EXPECT_EQ(FileSeek(f, -1, FILE_SEEK_END), 0);
  EXPECT_EQ(FileGetc(f), '9');
  EXPECT_EQ(FileGetc(f), FILE_EOF);
  EXPECT_TRUE(FileEof(f));
  FileClose(f);
}

}  // namespace
