// A fixture giving each test a fresh folder of its own under the system's temp folder, removed
// afterwards, with helpers to put and get whole binary files there.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrune_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  // Writes the bytes as the file name in the folder and gives its path.
  std::string Put(const std::string& name, const std::vector<unsigned char>& bytes) const {
    std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  static std::vector<unsigned char> Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::filesystem::path dir;
};

// The same, with the folder as the working folder during the test (for files the game names
// relative to its bin folder).
class WorkingDirTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    old_dir = std::filesystem::current_path();
    std::filesystem::current_path(dir);
  }
  void TearDown() override {
    std::filesystem::current_path(old_dir);
    TempDirTest::TearDown();
  }
  // The bytes of a file in the working folder as text.
  static std::string Text(const std::string& name) {
    std::vector<unsigned char> bytes = Get(name);
    return std::string(bytes.begin(), bytes.end());
  }
  std::filesystem::path old_dir;
};

// A working folder laid out as an install: bin, the working folder, beside a res that links to
// the assets the build made. Skips the test when the build made none; a fixture deriving from it
// returns from its SetUp when IsSkipped().
class InstallDirTest : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    std::filesystem::path res = std::filesystem::path(KESTRUNE_BUILD_DIR) / "res";
    if (!std::filesystem::exists(res / "default.x")) GTEST_SKIP() << "no assets made in " << res;
    std::filesystem::create_directory_symlink(res, dir / "res");
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::current_path(dir / "bin");
  }
};
