// A FIFO in place of a file the game reads is taken as that file missing, at once: the reader
// neither waits for a writer nor reads anything, and does what it does without the file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "engine/config.h"
#include "engine/display.h"
#include "engine/meshes.h"
#include "engine/sound.h"
#include "platform/script.h"
#include "platform/win.h"
#include "support/fifo_guard.h"
#include "support/temp_dir.h"
#include "support/test_device.h"
#include "wave/wave.h"
#include "world/records.h"

namespace {

namespace fs = std::filesystem;

// bin (the working folder) beside res, the configuration registered, a recording display device
// and the sound device made, as the game has them when it loads its files.
class FifoInPlace : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    assets = fs::path(KESTRUNE_BUILD_DIR) / "res";
    if (!fs::exists(assets / "parent.ico")) GTEST_SKIP() << "no assets made in " << assets;
    fs::create_directory(dir / "bin");
    fs::create_directory(dir / "res");
    fs::current_path(dir / "bin");
    InitConfigTags();
    test_device.Open(GFX_BACKEND_RECORD);
    device = test_device.device;
    volume_effects = -3000;
    InitSound();
  }
  void TearDown() override {
    ReleaseTextures();
    ReleaseMesh(&mesh);
    ShutdownSound();
    test_device.Close();
    device = nullptr;
    WinResetForTests();
    ScriptClear();
    WorkingDirTest::TearDown();
  }
  static void ReleaseTextures() {
    for (int i = 0; i < TEXTURE_CACHE_SIZE; i++) {
      Release(texture_cache_texture[i]);
      texture_cache_texture[i] = nullptr;
      texture_cache_name[i][0] = 0;
    }
  }
  // What a reader did: its own outcome, then the console lines it printed and what it wrote on
  // standard error (the script reader's faults).
  static std::string Outcome(const std::function<std::string()>& read) {
    fs::remove("console.log");
    testing::internal::CaptureStderr();
    std::string outcome = read();
    std::string err = testing::internal::GetCapturedStderr();
    return outcome + " | " + (fs::exists("console.log") ? WorkingDirTest::Text("console.log") : "") + " | " + err;
  }
  void Write(const std::string& name, const std::string& text) {
    Put(name, std::vector<unsigned char>(text.begin(), text.end()));
  }
  void Asset(const std::string& name, const std::string& as) { fs::copy_file(assets / name, dir / as); }

  fs::path assets;
  TestDevice test_device;
  MeshSlot mesh;
};

std::string Config(const char* path) {
  vsync = 1;
  int loaded = LoadConfig(path);
  return "loaded " + std::to_string(loaded) + ", vsync " + std::to_string(vsync);
}

std::string Records(int n) {
  std::snprintf(last_name, sizeof(last_name), "%s", "");
  for (int m = 0; m < SCORED_MODES; m++) mode_unlocked[m] = m == 0;
  std::snprintf(high_score_name[0][0], 4, "%s", "ZZZ");
  high_score_major[0][0] = high_score_minor[0][0] = 7;
  LoadRecord(n);
  std::string out = std::string(last_name) + " " + std::to_string(mode_unlocked[1]);
  return out + " " + high_score_name[0][0] + " " + std::to_string(high_score_minor[0][0]);
}

TEST_F(FifoInPlace, EveryReaderTakesAFifoAsItsFileMissing) {
  const std::string mesh_text =
      "xof 0302txt 0032\nMesh {\n 3; 0;0;0;, 0;1;0;, 1;0;0;;\n 1; 3;0,1,2;;\n MeshMaterialList { 1; 1; 0;\n"
      "  Material { 1;1;1;1;; 4; 0;0;0;; 0;0;0;; TextureFilename { \"t.TEX\"; } }\n }\n}\n";
  auto load_mesh = [this] {
    ReleaseMesh(&mesh);
    ReleaseTextures();
    LoadMesh(&mesh, 1, "m.x");
    return "materials " + std::to_string(mesh.material_count) + ", texture " +
           std::to_string(mesh.material_count > 0 && mesh.textures[0] != nullptr);
  };
  struct Row {
    const char* what;
    std::string file;               // under the test folder
    std::function<void()> put;      // the file as the game would find it; a mesh naming a texture
    std::function<std::string()> read;
  };
  const Row rows[] = {
      {"prefs.cfg", "bin/prefs.cfg", [&] { Write("bin/prefs.cfg", "vsync = 0\r\n"); },
       [] { return Config("prefs.cfg"); }},
      {"autoexec.cfg", "bin/autoexec.cfg", [&] { Write("bin/autoexec.cfg", "vsync = 0\r\n"); },
       [] { return Config("autoexec.cfg"); }},
      {"record(-1).dat", "bin/record(-1).dat", [&] { Write("bin/record(-1).dat", "1\r\n1\r\n0\r\n0\r\nBOB\r\n"); },
       [] { return Records(-1); }},
      {"record(0).dat", "bin/record(0).dat",
       [&] {
         std::string rows;
         for (int r = 0; r < HIGH_SCORE_ROWS; r++) rows += "KIT\r\n0\r\n" + std::to_string(500 - r) + "\r\n";
         Write("bin/record(0).dat", rows);
       },
       [] { return Records(0); }},
      {"a mesh", "res/m.x", [&] { Write("res/m.x", mesh_text); }, load_mesh},
      {"a PNG texture", "res/t.TEX",
       [&] {
         Write("res/m.x", mesh_text);
         Asset("afterburn_01.png", "res/t.TEX");
       },
       load_mesh},
      {"a JPEG texture", "res/t.TEX",
       [&] {
         Write("res/m.x", mesh_text);
         Asset("bark_01.jpg", "res/t.TEX");
       },
       load_mesh},
      {"a sound", "res/s.wav", [&] { Asset("miss_01.wav", "res/s.wav"); },
       [] {
         LoadSound(&snd_miss_01, 1, 0, "s.wav");  // (a sound device is made: LoadSound needs it)
         return "buffer " + std::to_string(snd_miss_01.buffer != nullptr);
       }},
      {"parent.ico", "res/parent.ico", [&] { Asset("parent.ico", "res/parent.ico"); },
       [] {
         WinResetForTests();
         return "icon " + std::to_string(LoadImageA(nullptr, "..\\res\\parent.ico", IMAGE_ICON, 32, 32,
                                                    LR_LOADFROMFILE) != nullptr);
       }},
      {"the script", "s.script", [&] { Write("s.script", "3 close\n"); },
       [] {
         int loaded = ScriptLoadFile("../s.script");
         return "script " + std::to_string(loaded) + " " + script_error;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove_all(dir / "res");
    fs::create_directory(dir / "res");
    row.put();
    std::string with_file = Outcome(row.read);
    fs::remove(dir / row.file);
    std::string missing = Outcome(row.read);
    EXPECT_NE(with_file, missing) << "the row does not reach its reader";
    ASSERT_EQ(mkfifo(Path(row.file).c_str(), 0644), 0);
    std::string with_fifo;
    EXPECT_FALSE(HungOnFifo(Path(row.file), [&] { with_fifo = Outcome(row.read); })) << "hung on the FIFO";
    EXPECT_EQ(with_fifo, missing);
    fs::remove(dir / row.file);
  }
}

}  // namespace
