// The textures the asset maker writes into the build's res folder, read back as the game reads
// them: every texture a mesh names is big enough to show detail, and the models meant to be
// see-through carry their alpha in their textures (the texture stage takes alpha from the texture
// alone, so a material's alpha does nothing).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/meshes.h"
#include "platform/image_decode.h"
#include "platform/xfile.h"

namespace {

const std::string kRes = std::string(KESTRUNE_BUILD_DIR) + "/res/";

std::vector<std::uint8_t> ReadRes(const std::string& name) {
  std::ifstream f(kRes + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

XMeshData Mesh(const std::string& file) {
  std::vector<std::uint8_t> data = ReadRes(file);
  XMeshData mesh;
  std::string error;
  EXPECT_TRUE(ReadXFile(data.data(), data.size(), &mesh, &error)) << file << ": " << error;
  return mesh;
}

DecodedImage Texture(const std::string& name) {
  std::vector<std::uint8_t> data = ReadRes(name);
  DecodedImage image;
  std::string error;
  EXPECT_TRUE(DecodeImage(data.data(), data.size(), &image, &error)) << name << ": " << error;
  return image;
}

std::uint8_t Alpha(const DecodedImage& image, int x, int y) {
  return image.rgba[(std::size_t(y) * image.width + x) * 4 + 3];
}

bool HasSeeThrough(const DecodedImage& image) {
  for (std::size_t i = 3; i < image.rgba.size(); i += 4)
    if (image.rgba[i] < 255) return true;
  return false;
}

// The most opaque texel of the outermost ring: a sprite's quad must not show its square edge.
int EdgeAlpha(const DecodedImage& image) {
  int most = 0;
  for (int x = 0; x < image.width; x++) most = std::max({most, int(Alpha(image, x, 0)), int(Alpha(image, x, image.height - 1))});
  for (int y = 0; y < image.height; y++) most = std::max({most, int(Alpha(image, 0, y)), int(Alpha(image, image.width - 1, y))});
  return most;
}

TEST(MadeTextures, EveryTextureAMeshNamesIsLargeEnoughAndPngOnlyWhereItHasAlpha) {
  for (const MeshFile& row : mesh_table) {
    const std::string file = row.file;
    const bool sky = file.rfind("sky_", 0) == 0;
    for (const XMaterial& material : Mesh(file).materials) {
      if (material.texture.empty()) continue;
      DecodedImage image = Texture(material.texture);
      EXPECT_GE(image.width, sky ? 512 : 256) << file << ": " << material.texture;
      EXPECT_GE(image.height, 256) << file << ": " << material.texture;
      // An opaque PNG costs start-up time for nothing: opaque textures are JPEG.
      if (material.texture.size() > 4 && material.texture.substr(material.texture.size() - 4) == ".png") {
        EXPECT_TRUE(HasSeeThrough(image)) << material.texture << " is opaque";
      }
    }
  }
}

TEST(MadeTextures, SeeThroughModelsCarryAlphaInTheirTextures) {
  struct Case {
    const char* file;
    int subset;         // -1: every subset
    bool clear_edges;   // a flat sprite: nothing of its square may show
  };
  const Case cases[] = {
      {"shadow_as_01.x", -1, true},  {"smoke_01.x", -1, true},       {"smoke_02.x", -1, true},
      {"explosion_01.x", -1, true},  {"hit_spark_01.x", -1, true},   {"sparks_01.x", -1, true},
      {"beam_02.x", -1, true},       {"leaf_01.x", -1, true},        {"beam_01.x", -1, false},
      {"afterburn_01.x", -1, false}, {"glow_bug_01.x", -1, false},   {"core_01.x", 0, false},
      {"core_02.x", 0, false},       {"tree_top_01.x", -1, false},   {"stars_01.x", -1, false},
      {"company_logo_01.x", -1, true},
  };
  for (const Case& c : cases) {
    XMeshData mesh = Mesh(c.file);
    ASSERT_FALSE(mesh.materials.empty()) << c.file;
    for (int i = 0; i < int(mesh.materials.size()); i++) {
      if (c.subset >= 0 && i != c.subset) continue;
      const std::string& texture = mesh.materials[i].texture;
      ASSERT_FALSE(texture.empty()) << c.file << " subset " << i << " has no texture to carry its alpha";
      DecodedImage image = Texture(texture);
      EXPECT_TRUE(HasSeeThrough(image)) << c.file << ": " << texture << " is opaque everywhere";
      if (c.clear_edges) {
        EXPECT_LE(EdgeAlpha(image), 8) << c.file << ": " << texture << " shows its square";
      }
    }
  }
}

// The shadow is drawn up to ten times over itself as the ship nears a barrier: each copy is faint,
// so that ten still leave the barrier showing through, and one still shows.
TEST(MadeTextures, TenShadowsDarkenWithoutBlackingOut) {
  DecodedImage image = Texture(Mesh("shadow_as_01.x").materials.at(0).texture);
  int peak = 0;
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) peak = std::max(peak, int(image.rgba[i]));
  double left_after_ten = 1.0;
  for (int i = 0; i < 10; i++) left_after_ten *= 1 - peak / 255.0;
  EXPECT_GT(peak, 10);
  EXPECT_GT(left_after_ten, 0.25);
}

}  // namespace
