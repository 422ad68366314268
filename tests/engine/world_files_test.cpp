#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/temp_dir.h"
#include "world/engine_services.h"

namespace {

namespace fs = std::filesystem;

using WorldFiles = WorkingDirTest;

TEST_F(WorldFiles, LinesEndingInCrLfReachTheDiskAsCrCrLfAndReadBack) {
  TextFile* out = CreateTextFile("record(0).dat");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(WriteText(out, "ABC\r\n"), 1);
  EXPECT_EQ(WriteText(out, "-1\r\n"), 1);
  EXPECT_EQ(CommitTextFile(out), 1);
  EXPECT_EQ(Text("record(0).dat"), "ABC\r\r\n-1\r\r\n");

  TextFile* in = OpenTextFile("record(0).dat");
  ASSERT_NE(in, nullptr);
  char line[256];
  ASSERT_NE(ReadTextLine(in, line, 255), nullptr);
  EXPECT_STREQ(line, "ABC\r\n");
  ASSERT_NE(ReadTextLine(in, line, 255), nullptr);
  EXPECT_STREQ(line, "-1\r\n");
  EXPECT_EQ(ReadTextLine(in, line, 255), nullptr);
  CloseTextFile(in);
}

TEST_F(WorldFiles, NothingReplacesTheOldFileBeforeTheCommit) {
  { std::ofstream("record(-1).dat", std::ios::binary) << "old"; }
  TextFile* out = CreateTextFile("record(-1).dat");
  ASSERT_NE(out, nullptr);
  WriteText(out, "new\n");
  EXPECT_EQ(Text("record(-1).dat"), "old");
  EXPECT_EQ(CommitTextFile(out), 1);
  EXPECT_EQ(Text("record(-1).dat"), "new\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temp left
}

TEST_F(WorldFiles, AMissingFileDoesNotOpenAndAFolderCannotBeWritten) {
  EXPECT_EQ(OpenTextFile("record(2).dat"), nullptr);
  fs::create_directory("record(3).dat");
  EXPECT_EQ(CreateTextFile("record(3).dat"), nullptr);
}

TEST_F(WorldFiles, AFileFromAnotherSystemIsFoundWhateverItsCase) {
  { std::ofstream("RECORD(1).DAT", std::ios::binary) << "XYZ\r\r\n"; }
  TextFile* in = OpenTextFile("record(1).dat");
  ASSERT_NE(in, nullptr);
  char line[256];
  ASSERT_NE(ReadTextLine(in, line, 255), nullptr);
  EXPECT_STREQ(line, "XYZ\r\n");
  CloseTextFile(in);
}

}  // namespace
