// The mesh table and texture cache on the recording device, in a folder laid out as bin/ and res/.
#include "engine/meshes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/display.h"
#include "engine_state.h"
#include "support/temp_dir.h"
#include "support/test_device.h"

namespace {

// A one-triangle mesh whose materials name the given textures ("" for none).
std::string MeshNaming(std::initializer_list<std::string> textures) {
  std::ostringstream x;
  x << "xof 0302txt 0032\nMesh {\n 3; 0;0;0;, 0;1;0;, 1;0;0;;\n 1; 3;0,1,2;;\n MeshMaterialList { "
    << textures.size() << "; 1; 0;\n";
  for (const std::string& t : textures) {
    x << "  Material { 0.5;0.25;1;1;; 4; 0;0;0;; 0;0;0;;";
    if (!t.empty()) x << " TextureFilename { \"" << t << "\"; }";
    x << " }\n";
  }
  x << " }\n}\n";
  return x.str();
}

// The smallest valid BMP: 1x1, 24 bits.
std::vector<unsigned char> Bmp() {
  std::vector<unsigned char> f(58, 0);
  f[0] = 'B', f[1] = 'M', f[10] = 54, f[14] = 40, f[18] = 1, f[22] = 1, f[26] = 1, f[28] = 24;
  f[54] = 0, f[55] = 200, f[56] = 0;
  return f;
}

TEST(MeshTableRows, EachSlotOnceInLoadOrderWithItsDepthTest) {
  int without_depth_test = 0;
  for (int i = 0; i < MESH_COUNT; i++) {
    const std::string file = mesh_table[i].file;
    EXPECT_EQ(file.substr(file.size() - 2), ".x") << file;
    EXPECT_TRUE(mesh_table[i].depth_test == 0 || mesh_table[i].depth_test == 1) << file;
    without_depth_test += mesh_table[i].depth_test == 0;
    for (int j = i + 1; j < MESH_COUNT; j++) {
      EXPECT_NE(mesh_table[i].slot, mesh_table[j].slot) << file;
      EXPECT_STRNE(mesh_table[i].file, mesh_table[j].file);
    }
  }
  EXPECT_EQ(without_depth_test, 22);
  struct Row {
    int index;
    const MeshSlot* slot;
    const char* file;
    int depth_test;
  };
  const Row rows[] = {
      {0, &mesh_default, "default.x", 1},          {6, &mesh_hit_spark_01, "hit_spark_01.x", 0},
      {30, &mesh_missle_left_01, "missle_left_01.x", 1}, {61, &mesh_explosion_01, "explosion_01.x", 0},
      {65, &mesh_hud_01, "hud_01.x", 0},           {66, &mesh_hud_02, "hud_02.x", 1},
      {81, &mesh_ark_base_01, "ark_base_01.x", 1}, {94, &mesh_stars_01, "stars_01.x", 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(mesh_table[row.index].slot, row.slot) << row.file;
    EXPECT_STREQ(mesh_table[row.index].file, row.file);
    EXPECT_EQ(mesh_table[row.index].depth_test, row.depth_test) << row.file;
  }
}

class MeshTable : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::create_directories(dir / "res");
    old_dir = std::filesystem::current_path();
    std::filesystem::current_path(dir / "bin");
    ResetEngineState();
    test_device.Open(GFX_BACKEND_RECORD);
    device = test_device.device;
  }
  void TearDown() override {
    ReleaseMeshTable();
    ReleaseMesh(&a);
    ReleaseMesh(&b);
    ReleaseTextures();
    test_device.Close();
    device = nullptr;
    ResetEngineState();
    std::filesystem::current_path(old_dir);
    TempDirTest::TearDown();
  }
  static void ReleaseTextures() {
    for (int i = 0; i < TEXTURE_CACHE_SIZE; i++) {
      Release(texture_cache_texture[i]);
      texture_cache_texture[i] = nullptr;
      texture_cache_name[i][0] = 0;
    }
  }
  void Res(const std::string& name, const std::string& text) {
    Put("res/" + name, std::vector<unsigned char>(text.begin(), text.end()));
  }
  // The console lines logged since the test began.
  std::vector<std::string> Logged() {
    std::ifstream in("console.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
      while (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }
  TestDevice test_device;
  std::filesystem::path old_dir;
  MeshSlot a, b;
};

TEST_F(MeshTable, MaterialsAndSharedTexturesWithCaseAndPrefixRules) {
  Put("res/panel.bmp", Bmp());
  Put("res/Panel.bmp", Bmp());
  Res("a.x", MeshNaming({"panel.bmp", "", "panel.bmp2"}));
  Res("b.x", MeshNaming({"panel.bmp", "Panel.bmp"}));
  LoadMesh(&a, 0, "a.x");
  LoadMesh(&b, 1, "b.x");
  ASSERT_EQ(a.material_count, 3);
  EXPECT_EQ(a.depth_test, 0);
  EXPECT_FLOAT_EQ(a.materials[0].Ambient.g, a.materials[0].Diffuse.g);  // ambient follows diffuse
  EXPECT_FLOAT_EQ(a.materials[0].Ambient.b, 1.0f);
  ASSERT_NE(a.textures[0], nullptr);
  EXPECT_EQ(a.textures[1], nullptr);          // no texture named
  EXPECT_EQ(a.textures[2], a.textures[0]);    // "panel.bmp" serves "panel.bmp2"
  EXPECT_EQ(b.textures[0], a.textures[0]);    // shared between meshes
  ASSERT_NE(b.textures[1], nullptr);
  EXPECT_NE(b.textures[1], a.textures[0]);    // other letter case: a texture of its own
  EXPECT_STREQ(texture_cache_name[0], "panel.bmp");
  EXPECT_STREQ(texture_cache_name[1], "Panel.bmp");
  EXPECT_TRUE(Logged().empty());
}

TEST_F(MeshTable, AFailedTextureKeepsItsNameUntilTheNextMissReusesTheEntry) {
  Put("res/good.bmp", Bmp());
  Res("a.x", MeshNaming({"broken.bmp", "broken.bmp"}));
  Res("b.x", MeshNaming({"good.bmp"}));
  Put("res/broken.bmp", {'B', 'M', 0, 0});
  LoadMesh(&a, 1, "a.x");
  EXPECT_EQ(a.textures[0], nullptr);
  EXPECT_EQ(a.textures[1], nullptr);
  // One attempt and one line: the second material takes the remembered failure.
  EXPECT_EQ(Logged(), (std::vector<std::string>{"D3DXERR_INVALIDDATA: ..\\res\\broken.bmp"}));
  EXPECT_STREQ(texture_cache_name[0], "broken.bmp");
  LoadMesh(&b, 1, "b.x");
  EXPECT_NE(b.textures[0], nullptr);
  EXPECT_STREQ(texture_cache_name[0], "good.bmp");
}

TEST_F(MeshTable, TheCacheHoldsAHundredAndTwentyEightTextures) {
  std::vector<std::string> names;
  for (int i = 0; i < 129; i++) {
    names.push_back("t" + std::to_string(i) + ".bmp");
    Put("res/" + names.back(), Bmp());
  }
  std::ostringstream x;
  x << "xof 0302txt 0032\nMesh {\n 3; 0;0;0;, 0;1;0;, 1;0;0;;\n 1; 3;0,1,2;;\n MeshMaterialList { 129; 1; 0;\n";
  for (const std::string& n : names) x << "  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" << n << "\"; } }\n";
  x << " }\n}\n";
  Res("many.x", x.str());
  LoadMesh(&a, 1, "many.x");
  ASSERT_EQ(a.material_count, 129);
  EXPECT_NE(a.textures[127], nullptr);
  EXPECT_EQ(a.textures[128], nullptr);
  EXPECT_EQ(Logged(), (std::vector<std::string>{"Textures Expired"}));
}

TEST_F(MeshTable, BadNamesAndMissingFiles) {
  std::string long_name(70, 'n');
  Put("res/" + long_name.substr(0, 63), Bmp());  // what a cut name would wrongly find
  Res("a.x", MeshNaming({long_name}));
  LoadMesh(&a, 1, "a.x");
  EXPECT_EQ(a.material_count, 1);
  EXPECT_EQ(a.textures[0], nullptr);
  EXPECT_EQ(texture_cache_name[0][0], 0);  // nothing cached under a cut name
  LoadMesh(&b, 1, "missing.x");
  EXPECT_EQ(b.material_count, 0);
  EXPECT_EQ(b.mesh, nullptr);
  std::vector<std::string> lines = Logged();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("Texture name too long: ", 0), 0u);
  EXPECT_EQ(lines[1], "Failed Loading File - ..\\res\\missing.x");
  // Loading over a loaded slot gives the old one back first; a failed reload leaves it unloaded.
  LoadMesh(&a, 1, "a.x");
  EXPECT_EQ(a.material_count, 1);
  LoadMesh(&a, 1, "missing.x");
  EXPECT_EQ(a.material_count, 0);
  EXPECT_EQ(a.materials, nullptr);
}

// Texture files nobody here made: taken without a word, or refused with the console line of their
// failure, damaged ones as unreadable data and ones over the pixel budget as memory run out. The
// recording display reads headers only, so two bmpsuite files damaged in their pixels are refused
// only by a display that draws.
TEST_F(MeshTable, TexturesOfOtherToolsLoadOrPrintTheLineOfTheirFailure) {
  const std::filesystem::path images = std::filesystem::path(KESTRUNE_FIXTURES) / "images";
  const std::filesystem::path suite = std::filesystem::path(KESTRUNE_REALDATA);
  struct Case {
    std::filesystem::path from;
    const char* line;  // "%s" for the path; null: taken
    bool pixels_damaged;
  };
  std::vector<Case> cases = {
      {images / "t16a.tga", nullptr, false},      {images / "p8g_rle_tl.tga", nullptr, false},
      {images / "dxt1.dds", nullptr, false},      {images / "mips_dxt5.dds", nullptr, false},
      {images / "bomb.png", "Insufficient memory to load: %s", false},
      {images / "bomb.jpg", "Insufficient memory to load: %s", false},
      {images / "bomb.tga", "Insufficient memory to load: %s", false},
      {images / "bomb.dds", "Insufficient memory to load: %s", false},
  };
  if (std::filesystem::exists(suite / "bmp" / "b")) {
    cases.push_back({suite / "x" / "bottom.tga", nullptr, false});
    cases.push_back({suite / "bmp" / "g" / "rgb32bf.bmp", nullptr, false});
    cases.push_back({suite / "bmp" / "g" / "pal4rle.bmp", nullptr, false});
    for (const auto& entry : std::filesystem::directory_iterator(suite / "bmp" / "b")) {
      const std::string name = entry.path().filename().string();
      cases.push_back({entry.path(), "D3DXERR_INVALIDDATA: %s", name == "badrle.bmp" || name == "pal8badindex.bmp"});
    }
  }
  std::ostringstream x;
  x << "xof 0302txt 0032\nMesh {\n 3; 0;0;0;, 0;1;0;, 1;0;0;;\n 1; 3;0,1,2;;\n MeshMaterialList { " << cases.size()
    << "; 1; 0;\n";
  for (const Case& c : cases) {
    std::filesystem::copy_file(c.from, dir / "res" / c.from.filename());
    x << "  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" << c.from.filename().string() << "\"; } }\n";
  }
  x << " }\n}\n";
  Res("many.x", x.str());
  for (int backend : {GFX_BACKEND_RECORD, GFX_BACKEND_EGL}) {
    if (backend == GFX_BACKEND_EGL) {
      if (!GfxEglAvailable()) continue;
      ReleaseMesh(&a);
      ReleaseTextures();
      test_device.Close();
      test_device.Open(GFX_BACKEND_EGL);
      device = test_device.device;
    }
    std::filesystem::remove("console.log");
    LoadMesh(&a, 1, "many.x");
    ASSERT_EQ(a.material_count, static_cast<int>(cases.size()));
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < cases.size(); i++) {
      const Case& c = cases[i];
      const bool refused = c.line && (!c.pixels_damaged || backend == GFX_BACKEND_EGL);
      EXPECT_EQ(a.textures[i] == nullptr, refused) << c.from << (backend == GFX_BACKEND_EGL ? " (EGL)" : "");
      if (!refused) continue;
      char line[300];
      std::snprintf(line, sizeof line, c.line, ("..\\res\\" + c.from.filename().string()).c_str());
      expected.push_back(line);
    }
    EXPECT_EQ(Logged(), expected) << (backend == GFX_BACKEND_EGL ? "EGL" : "recording");
  }
}

TEST_F(MeshTable, EveryAssetTheBuildMakesLoadsWithItsTextures) {
  std::filesystem::path res = std::filesystem::path(KESTRUNE_BUILD_DIR) / "res";
  if (!std::filesystem::exists(res / "default.x")) GTEST_SKIP() << "no assets made in " << res;
  std::filesystem::remove_all(dir / "res");
  std::filesystem::create_directory_symlink(res, dir / "res");
  LoadMeshTable();
  EXPECT_TRUE(Logged().empty()) << Logged()[0];
  for (const MeshFile& entry : mesh_table) {
    EXPECT_GT(entry.slot->material_count, 0) << entry.file;
    EXPECT_EQ(entry.slot->depth_test, entry.depth_test) << entry.file;
  }
  EXPECT_EQ(mesh_sky_cloudy_01.depth_test, 0);
  EXPECT_EQ(mesh_ship_as_01.depth_test, 1);
  int textures = 0;
  for (int i = 0; i < TEXTURE_CACHE_SIZE; i++) textures += texture_cache_texture[i] != nullptr;
  EXPECT_GT(textures, 10);
}

}  // namespace
