// The textures the asset maker writes into the build's res folder, read back as the game reads
// them: every texture a mesh names is big enough to show detail, and the models meant to be
// see-through carry their alpha in their textures (the texture stage takes alpha from the texture
// alone, so a material's alpha does nothing).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
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

// How a triangle shows its texture: the texture coordinates' rate of change across the surface
// has two principal rates, in texels per world unit; their ratio is the stretch and their
// geometric mean the texel density.
struct TexelScale {
  double area, stretch, density;
};

TexelScale Scale(const XVertex* corner, int width, int height) {
  double p[3][3], t[3][2];
  for (int k = 0; k < 3; k++) {
    for (int i = 0; i < 3; i++) p[k][i] = corner[k].position[i];
    t[k][0] = corner[k].uv[0] * width, t[k][1] = corner[k].uv[1] * height;
  }
  double e1[3], e2[3], n[3];
  for (int i = 0; i < 3; i++) e1[i] = p[1][i] - p[0][i], e2[i] = p[2][i] - p[0][i];
  n[0] = e1[1] * e2[2] - e1[2] * e2[1], n[1] = e1[2] * e2[0] - e1[0] * e2[2], n[2] = e1[0] * e2[1] - e1[1] * e2[0];
  double twice = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]),
         l1 = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
  if (twice < 1e-9 || l1 < 1e-9) return {0, 1, 0};
  // The triangle in its own plane: e1 along x, e2 at (bx, by).
  double bx = (e1[0] * e2[0] + e1[1] * e2[1] + e1[2] * e2[2]) / l1, by = twice / l1;
  double du1 = t[1][0] - t[0][0], dv1 = t[1][1] - t[0][1], du2 = t[2][0] - t[0][0], dv2 = t[2][1] - t[0][1];
  // J maps plane coordinates to texels: J (l1, 0) = (du1, dv1), J (bx, by) = (du2, dv2).
  double j00 = du1 / l1, j10 = dv1 / l1, j01 = (du2 - j00 * bx) / by, j11 = (dv2 - j10 * bx) / by;
  double a = j00 * j00 + j10 * j10, b = j00 * j01 + j10 * j11, c = j01 * j01 + j11 * j11;
  double root = std::sqrt((a - c) * (a - c) + 4 * b * b);
  double big = std::sqrt((a + c + root) / 2), small = std::sqrt(std::max(0.0, (a + c - root) / 2));
  return {twice / 2, small > 1e-9 ? big / small : 1e9, std::sqrt(big * small)};
}

double AreaMedian(std::vector<std::pair<double, double>> area_value) {
  std::sort(area_value.begin(), area_value.end(), [](auto& x, auto& y) { return x.second < y.second; });
  double total = 0, run = 0;
  for (auto& av : area_value) total += av.first;
  for (auto& av : area_value)
    if ((run += av.first) >= total / 2) return av.second;
  return 0;
}

// The surfaces' textures repeat at the world size of their family, so a face shows its texture at
// the scale of every other face of that family, whatever its size: no face takes the whole texture
// stretched over its length (a brace's 90-unit pole, a bar's thin edge), and round shapes do not
// squeeze it at their poles.
TEST(MadeTextures, SurfacesShowTheirTexturesAtOneScale) {
  const std::vector<std::string> surfaces = {"metal_grey_01.jpg", "metal_red_01.jpg",  "metal_blue_01.jpg",
                                             "metal_dark_01.jpg", "metal_pale_01.jpg", "metal_gold_01.jpg",
                                             "bark_01.jpg",       "wood_01.jpg",       "rock_01.jpg",
                                             "cave_01.jpg",       "leaves_01.png"};
  std::map<std::string, std::pair<int, int>> sizes;
  struct Use {
    std::string mesh, texture;
    double stretched, density;  // share of the area over 2:1; area-weighted median density
  };
  std::vector<Use> uses;
  std::map<std::string, std::vector<std::pair<double, double>>> family;
  for (const MeshFile& row : mesh_table) {
    XMeshData mesh = Mesh(row.file);
    for (std::size_t s = 0; s < mesh.subsets.size(); s++) {
      const std::string& texture = mesh.materials[s].texture;
      if (std::find(surfaces.begin(), surfaces.end(), texture) == surfaces.end()) continue;
      if (!sizes.count(texture)) {
        DecodedImage image = Texture(texture);
        sizes[texture] = {image.width, image.height};
      }
      std::vector<std::pair<double, double>> densities;
      double area = 0, stretched = 0;
      for (std::uint32_t t = 0; t < mesh.subsets[s].triangle_count; t++) {
        const XVertex* corner = &mesh.vertices[(mesh.subsets[s].first_triangle + t) * 3];
        TexelScale scale = Scale(corner, sizes[texture].first, sizes[texture].second);
        area += scale.area;
        if (scale.stretch > 2) stretched += scale.area;
        densities.push_back({scale.area, scale.density});
        family[texture].push_back({scale.area, scale.density});
      }
      if (area > 0) uses.push_back({row.file, texture, stretched / area, AreaMedian(densities)});
    }
  }
  ASSERT_FALSE(uses.empty());
  for (const Use& use : uses) {
    EXPECT_LE(use.stretched, 0.1) << use.mesh << ": " << use.texture << " is stretched over 2:1 on "
                                  << use.stretched * 100 << "% of its surface";
    double typical = AreaMedian(family[use.texture]);
    EXPECT_TRUE(use.density > typical / 2 && use.density < typical * 2)
        << use.mesh << ": " << use.texture << " at " << use.density << " texels a unit, its family at " << typical;
  }
}

// Relative luminance of a colour of 0..1 sRGB channels, and the contrast ratio of two luminances.
double Luminance(double r, double g, double b) {
  auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}
double Contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

// An enemy round stands out of whatever sky lies behind it by 4.5:1 in luminance, in its brightest
// part (its glow, shown whatever the light) or in its darkest (lit by the most light a stage gives).
// The skies: each stage's backdrop as its sky colour tints it, every texel of it; or, where a stage
// has none, the screen cleared in its sky colour and, below the middle, its horizon colour.
TEST(MadeTextures, EnemyRoundsStandOutOfEveryStagesSky) {
  double bright = 0, dark = 1;
  for (const XMaterial& m : Mesh("round_01.x").materials) {
    auto lit = [&](int c, double light) { return std::min(1.0, m.emissive[c] + m.diffuse[c] * light); };
    bright = std::max(bright, Luminance(lit(0, 0), lit(1, 0), lit(2, 0)));
    dark = std::min(dark, Luminance(lit(0, 1.85), lit(1, 1.85), lit(2, 1.85)));  // ambient, key and fill at their most
  }
  struct Sky {
    const char* where;
    const char* backdrop;  // nullptr: the cleared screen
    float r, g, b;
  };
  const Sky skies[] = {
      {"space", nullptr, 0, 0, 0},
      {"stage 4's desert", "sky_desert_01.x", 0.55f, 0.5f, 0.5f},
      {"stage 6's caves", nullptr, 0, 0.25f, 0.25f},
      {"stage 6's horizon", nullptr, 0, 0.3f, 0},
      {"stage 7's sky", nullptr, 0.15f, 0.05f, 0.05f},
      {"stage 7's flash", nullptr, 0.3f, 0, 0},
      {"stage 10's evening", "sky_sunset_01.x", 0.7f, 0.65f, 0.5f},
      {"stage 10's dusk", "sky_sunset_01.x", 0.35f, 0.2f, 0},
      {"stage 11's day", "sky_cloudy_02.x", 0.45f, 0.45f, 0.6f},
      {"stage 11's night", "sky_cloudy_02.x", 0.1f, 0.1f, 0.4f},
      {"stage 11's evening", "sky_sunset_01.x", 0.45f, 0.45f, 0.6f},
      {"stage 11's evening night", "sky_sunset_01.x", 0.1f, 0.1f, 0.4f},
      {"stage 11's last day", "sky_clear_01.x", 0.35f, 0.35f, 0.6f},
      {"stage 14's day", "sky_cloudy_02.x", 0.6f, 0.7f, 0.6f},
      {"stage 14's evening", "sky_cloudy_02.x", 0.25f, 0.25f, 0.5f},
      {"stage 16's red sky", "sky_cloudy_01.x", 0.6f, 0.2f, 0},
      {"stage 18's clear sky", "sky_clear_01.x", 0.5f, 0.5f, 0.8f},
  };
  for (const Sky& sky : skies) {
    double worst = 1e9, behind = 0;
    auto check = [&](double r, double g, double b) {
      double l = Luminance(r * sky.r, g * sky.g, b * sky.b);
      double c = std::max(Contrast(bright, l), Contrast(dark, l));
      if (c < worst) worst = c, behind = l;
    };
    if (!sky.backdrop) {
      check(1, 1, 1);
    } else {
      DecodedImage image = Texture(Mesh(sky.backdrop).materials.at(0).texture);
      for (std::size_t i = 0; i < image.rgba.size(); i += 4)
        check(image.rgba[i] / 255.0, image.rgba[i + 1] / 255.0, image.rgba[i + 2] / 255.0);
    }
    EXPECT_GE(worst, 4.5) << sky.where << ": a round of luminance " << dark << " to " << bright << " against "
                          << behind;
  }
}

// A kill reads as fire: the explosion and the smoke it leaves (and that hits leave) glow in fire's
// colours, orange to yellow, over most of what they show. Their materials show the texture by
// emission alone, so what they show is the texture times the emissive colour, weighted by alpha.
TEST(MadeTextures, ExplosionsAndTheirSmokeBurn) {
  for (const char* file : {"explosion_01.x", "smoke_02.x"}) {
    const XMaterial m = Mesh(file).materials.at(0);
    EXPECT_LT(std::max({m.diffuse[0], m.diffuse[1], m.diffuse[2]}), 0.01f) << file << " is lit, so the light greys it";
    DecodedImage image = Texture(m.texture);
    double shown = 0, fire = 0;
    for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
      double r = image.rgba[i] / 255.0 * m.emissive[0], g = image.rgba[i + 1] / 255.0 * m.emissive[1];
      double b = image.rgba[i + 2] / 255.0 * m.emissive[2], a = image.rgba[i + 3] / 255.0;
      double high = std::max({r, g, b}), low = std::min({r, g, b});
      shown += a;
      // Fire: red the strongest, blue the weakest, saturated and bright enough to glow.
      if (r >= g && g >= b && high > 0.35 && (high - low) / high > 0.5) fire += a;
    }
    EXPECT_GT(fire / shown, 0.6) << file << ": only " << fire / shown * 100 << "% of what it shows is fire-coloured";
  }
}

// The player's ship and the fighters wear a black rim round their silhouette, an inside-out shell a
// little larger than the craft: against a light sky the rim stands out, against a dark one the craft.
TEST(MadeTextures, CraftWearADarkRimRoundTheirSilhouette) {
  for (const char* file : {"ship_as_01.x", "ship_as_02.x", "ship_fighter_01.x", "ship_fighter_02.x"}) {
    XMeshData mesh = Mesh(file);
    float body[2][2] = {{1e9f, -1e9f}, {1e9f, -1e9f}}, rim[2][2] = {{1e9f, -1e9f}, {1e9f, -1e9f}};
    for (std::size_t s = 0; s < mesh.subsets.size(); s++) {
      const XMaterial& m = mesh.materials[s];
      bool black =
          std::max({m.diffuse[0], m.diffuse[1], m.diffuse[2], m.emissive[0], m.emissive[1], m.emissive[2]}) < 0.02f;
      auto& box = black ? rim : body;
      for (std::uint32_t t = 0; t < mesh.subsets[s].triangle_count * 3; t++) {
        const XVertex& v = mesh.vertices[mesh.subsets[s].first_triangle * 3 + t];
        for (int a = 0; a < 2; a++)
          box[a][0] = std::min(box[a][0], v.position[a]), box[a][1] = std::max(box[a][1], v.position[a]);
      }
    }
    for (int a = 0; a < 2; a++) {
      EXPECT_LE(rim[a][0], body[a][0] - 0.2f) << file << ": no rim below the craft along axis " << a;
      EXPECT_GE(rim[a][1], body[a][1] + 0.2f) << file << ": no rim above the craft along axis " << a;
    }
  }
}

}  // namespace
