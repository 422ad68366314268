// The models the build makes, placed where the game draws them: scenery stays behind the camera's
// near plane and out of the band the ship flies in, the map courses lie under their markers and
// the HUD's reload bar stays on screen. Skipped when no assets were made.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/image_decode.h"
#include "platform/xfile.h"

namespace {

struct V3 {
  double x, y, z;
};

const std::filesystem::path kRes = std::filesystem::path(KESTRUNE_BUILD_DIR) / "res";

std::vector<std::uint8_t> ReadRes(const std::string& name) {
  std::ifstream in(kRes / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A model's triangle corners in its own (device) coordinates, with their normals and texture
// coordinates; empty when it cannot be read. `texture`, when given, gets its first material's.
struct Corner {
  V3 p, n;
  double u, v;
};

std::vector<Corner> Corners(const std::string& file, std::string* texture = nullptr) {
  std::vector<std::uint8_t> bytes = ReadRes(file);
  XMeshData mesh;
  std::string error;
  std::vector<Corner> corners;
  if (!ReadXFile(bytes.data(), bytes.size(), &mesh, &error)) return corners;
  if (texture && !mesh.materials.empty()) *texture = mesh.materials[0].texture;
  for (const XVertex& v : mesh.vertices)
    corners.push_back(
        {{v.position[0], v.position[1], v.position[2]}, {v.normal[0], v.normal[1], v.normal[2]}, v.uv[0], v.uv[1]});
  return corners;
}

// The model's vertex positions alone.
std::vector<V3> Points(const std::string& file) {
  std::vector<V3> points;
  for (const Corner& c : Corners(file)) points.push_back(c.p);
  return points;
}

// The world's placement of a model: yaw, pitch and roll in degrees (roll first, then pitch, then
// yaw), then the playfield position with y turned upward.
V3 Place(V3 v, double x, double y, double z, double yaw, double pitch, double roll) {
  const double k = 0.017453292;
  double c = std::cos(roll * k), s = std::sin(roll * k);
  v = {v.x * c - v.y * s, v.x * s + v.y * c, v.z};
  c = std::cos(pitch * k), s = std::sin(pitch * k);
  v = {v.x, v.y * c - v.z * s, v.y * s + v.z * c};
  c = std::cos(yaw * k), s = std::sin(yaw * k);
  v = {v.x * c + v.z * s, v.y, -v.x * s + v.z * c};
  return {v.x + x, v.y - y, v.z + z};
}

class MadeAssets : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kRes / "default.x")) GTEST_SKIP() << "no assets made in " << kRes;
  }
};

// The game camera looks along +z from z -100 with its near plane 0.1 in front. The ship's plane is
// z 0, its hull a few units deep; scenery nearer than that must keep out of the band of playfield
// heights the ship flies through. Tumbling statics are checked in every turn by their reach.
TEST_F(MadeAssets, SceneryStaysBehindTheNearPlaneAndOutOfTheShipsBand) {
  constexpr double kNear = -100 + 0.1, kShipFront = -8, kBandTop = 15, kBandBottom = 85;
  struct Case {
    const char* file;
    double y, z, yaw, pitch, roll;
    bool tumbles;
  };
  const Case cases[] = {
      {"cave_02.x", 95, 0, 0, 0, 0, false},            // stages 6 and 11: the cave floor at the floor line
      {"cave_01.x", 95, 370, 0, 0, 0, false},          // far behind, stages 6 and 11
      {"surface_cave_01.x", 5, 0, 0, 0, 0, false},     // cave ceiling
      {"surface_cave_01.x", 95, 0, 0, 0, 0, false},    // cave floor
      {"surface_cave_02.x", 50, 70, 0, 0, 0, false},   // cave back wall
      {"surface_metal_01.x", 5, 0, 0, 0, 0, false},    // corridor ceiling
      {"surface_metal_01.x", 95, 0, 0, 0, 0, false},   // corridor floor
      {"surface_metal_01.x", 50, 35, 0, 90, 0, false}, // corridor back wall, turned upright
      {"part_brace_01.x", 50, 35, 0, 0, 0, false},
      {"part_brace_02.x", 50, 65, 0, 0, 0, false},
      {"static_tree_01.x", 95, 5, 0, 0, 0, false},     // the nearest a stage plants one
      {"rock_01.x", 95, 20, 0, 0, 0, true},
      {"rock_02.x", 50, 50, 0, 0, 0, true},            // stage 5's tumbling rocks, anywhere in height
      {"rock_03.x", 50, 50, 0, 0, 0, true},
      {"ark_base_01.x", 50, 150, 45, 0, 0, true},      // stage 7's ark, turning about x
      {"ark_ring_hull_01.x", 50, 57, 45, 0, 0, true},  // its nearest ring pair (150 - 93)
      {"ark_ring_pad_01.x", 50, 57, 45, 0, 0, true},
      {"ark_part_pad_01.x", 50, 37, 45, 0, 0, true},   // pad parts 20 in front of the nearest pad
  };
  for (const Case& c : cases) {
    std::vector<V3> points = Points(c.file);
    ASSERT_FALSE(points.empty()) << c.file;
    if (c.tumbles) {
      // Whatever its turn, the model stays within its reach of its position.
      double reach = 0;
      for (const V3& p : points) reach = std::fmax(reach, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
      EXPECT_GT(c.z - reach, kNear) << c.file;
      bool in_front = c.z - reach < kShipFront;
      bool in_band = c.y + reach > kBandTop && c.y - reach < kBandBottom;
      EXPECT_FALSE(in_front && in_band) << c.file << " reaches " << reach << " from depth " << c.z;
      continue;
    }
    for (const V3& p : points) {
      V3 w = Place(p, 0, c.y, c.z, c.yaw, c.pitch, c.roll);
      ASSERT_GT(w.z, kNear) << c.file << " at depth " << c.z;
      if (w.z < kShipFront) {
        ASSERT_TRUE(-w.y < kBandTop || -w.y > kBandBottom)
            << c.file << " at height " << c.y << " has a point at playfield height " << -w.y << ", depth " << w.z;
      }
    }
  }
}

// True when (x, z) lies inside the horizontal projection of one of the model's triangles.
bool OnFootprint(const std::vector<V3>& points, double x, double z) {
  for (size_t i = 0; i + 2 < points.size(); i += 3) {
    const V3 &a = points[i], &b = points[i + 1], &c = points[i + 2];
    double d1 = (b.x - a.x) * (z - a.z) - (b.z - a.z) * (x - a.x);
    double d2 = (c.x - b.x) * (z - b.z) - (c.z - b.z) * (x - b.x);
    double d3 = (a.x - c.x) * (z - c.z) - (a.z - c.z) * (x - c.x);
    bool negative = d1 < 0 || d2 < 0 || d3 < 0, positive = d1 > 0 || d2 > 0 || d3 > 0;
    if (!(negative && positive)) return true;
  }
  return false;
}

// The heights (device y) at (x, z) of every triangle of the placed model above or below it.
std::vector<double> HeightsAt(const std::vector<V3>& points, double x, double z) {
  std::vector<double> heights;
  for (size_t i = 0; i + 2 < points.size(); i += 3) {
    const V3 &a = points[i], &b = points[i + 1], &c = points[i + 2];
    double det = (b.z - c.z) * (a.x - c.x) + (c.x - b.x) * (a.z - c.z);
    if (std::fabs(det) < 1e-9) continue;
    double l1 = ((b.z - c.z) * (x - c.x) + (c.x - b.x) * (z - c.z)) / det;
    double l2 = ((c.z - a.z) * (x - c.x) + (a.x - c.x) * (z - c.z)) / det;
    double l3 = 1 - l1 - l2;
    if (l1 < 0 || l2 < 0 || l3 < 0) continue;
    heights.push_back(l1 * a.y + l2 * b.y + l3 * c.y);
  }
  return heights;
}

// The title scene's first camera skims the ark's base: its eye runs from (110, 79, -10) to
// (55, 79, -10) while the base stands at (14, 50, 0); no surface of the base comes within five
// units of the eye's height along that way.
TEST_F(MadeAssets, TheTitleCameraFliesClearOfTheArkBase) {
  std::vector<V3> points = Points("ark_base_01.x");
  ASSERT_FALSE(points.empty());
  for (V3& p : points) p = Place(p, 14, 50, 0, 0, 0, 0);
  for (double x = 55; x <= 110; x += 0.5)
    for (double height : HeightsAt(points, x, -10)) {
      ASSERT_GT(std::fabs(-height - 79), 5) << "a surface at x " << x << ", playfield height " << -height;
    }
}

// The Current Map's markers: each Cast Mode node and each Survival stage stands over its course,
// the course's lit copy (drawn 3 higher) stays under the ship's shadow at height 0, and the floor
// spreads under every marker.
TEST_F(MadeAssets, TheMapCoursesLieUnderTheirMarkers) {
  const double nodes[17][2] = {{0, -25}, {-15, -17}, {15, -21}, {15, -13}, {15, 4},  {-25, 0},
                               {0, -8},  {0, 8},     {40, -22}, {-15, 17}, {15, -4}, {15, 13},
                               {15, 21}, {40, 0},    {0, 25},   {15, 30},  {40, 22}};
  std::vector<V3> cast = Points("map_cast_01.x"), survival = Points("map_survival_01.x");
  std::vector<V3> floor = Points("map_floor_01.x");
  ASSERT_FALSE(cast.empty());
  ASSERT_FALSE(survival.empty());
  ASSERT_FALSE(floor.empty());
  for (int n = 0; n < 17; n++) {
    EXPECT_TRUE(OnFootprint(cast, nodes[n][0], nodes[n][1])) << "Cast Mode node " << n;
    EXPECT_TRUE(OnFootprint(floor, nodes[n][0], nodes[n][1])) << "the floor under node " << n;
  }
  for (int stage = 0; stage <= 16; stage++) {
    double z = static_cast<float>(stage * 3.9f - 32), x = z - 5;
    EXPECT_TRUE(OnFootprint(survival, x, z)) << "Survival stage " << stage << " at (" << x << ", " << z << ")";
    EXPECT_TRUE(OnFootprint(floor, x, z)) << "the floor under Survival stage " << stage;
  }
  // Survival's course is a line from (-37, -32) to (25.4, 30.4), not a sheet under the whole map.
  EXPECT_FALSE(OnFootprint(survival, 20, -20));
  EXPECT_FALSE(OnFootprint(survival, -30, 20));
  for (const std::vector<V3>* course : {&cast, &survival})
    for (const V3& p : *course) ASSERT_LT(p.y + 3, 0.0) << "the course's lit copy reaches the shadow's height";
  for (const V3& p : floor) ASSERT_LT(p.y, -4.0) << "the floor rises into the course";
}

// The reload bar slides right by half a unit per frame of reload (0 to 30) from x 88 on the HUD's
// bottom line (y 78, depth -49), seen from (70, -50, -100) with a 4:3 frame: every reload keeps it
// whole on screen. The instrument panel's top edge is on screen too.
TEST_F(MadeAssets, TheHudsReloadBarAndPanelStayOnScreen) {
  const double cot = 1 / std::tan(22.5), aspect = 4.0 / 3.0;
  auto on_screen = [&](V3 w, double* sx, double* sy) {
    double depth = w.z + 100;
    *sx = (w.x - 70) * cot / aspect / depth;
    *sy = (w.y + 50) * cot / depth;
    return depth > 0.1 && std::fabs(*sx) <= 1 && std::fabs(*sy) <= 1;
  };
  std::vector<V3> bar = Points("hud_02.x"), panel = Points("hud_01.x");
  ASSERT_FALSE(bar.empty());
  ASSERT_FALSE(panel.empty());
  for (int reload = 0; reload <= 30; reload++)
    for (const V3& p : bar) {
      double sx, sy;
      V3 w = Place(p, 88 + (reload >> 1), 78, -49, 0, 0, 0);
      ASSERT_TRUE(on_screen(w, &sx, &sy)) << "reload " << reload << ": a corner at " << sx << ", " << sy;
    }
  double top = -1;
  for (const V3& p : panel) {
    double sx, sy;
    V3 w = Place(p, 70, 77, -47, 0, 0, 0);
    on_screen(w, &sx, &sy);
    top = std::fmax(top, sy);
  }
  EXPECT_GT(top, -0.9) << "the panel's top edge is below the screen";
  EXPECT_LT(top, -0.5) << "the panel covers more than the bottom quarter";
}

std::pair<int, int> TextureSize(const std::string& name) {
  std::vector<std::uint8_t> bytes = ReadRes(name);
  DecodedImage image;
  std::string error;
  if (!ReadImageSize(bytes.data(), bytes.size(), &image, &error)) return {0, 0};
  return {image.width, image.height};
}

// The game camera (70, -54, -100) looks along +z with a vertical scale of cot(22.5 radians) and a
// 4:3 frame; at a depth of `distance` in front of it a pixel of a 640 x 480 frame spans this much.
constexpr double kCot = 1.79259, kPixel = 2 / kCot / 480;

// The sky backdrops are drawn at the playfield's bottom edge, 4 units lower for each unit of the
// world's shift (0 to 50 in the stages that show one). At every shift the game camera's whole view
// falls on the picture itself (the part of the model whose texture coordinates span the texture),
// not on its border or past it, and the picture shows at least a texel a pixel: the sky is not
// magnified.
TEST_F(MadeAssets, TheSkyBackdropsFillTheViewAtEveryShiftWithoutMagnifying) {
  for (const char* file :
       {"sky_cloudy_01.x", "sky_cloudy_02.x", "sky_clear_01.x", "sky_desert_01.x", "sky_sunset_01.x"}) {
    std::string texture;
    std::vector<Corner> corners = Corners(file, &texture);
    ASSERT_FALSE(corners.empty()) << file;
    auto [width, height] = TextureSize(texture);
    ASSERT_GT(width, 0) << texture;
    // The picture: the triangles whose texture coordinates are not pinned to an edge.
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9, z = 0, u0 = 1e9, u1 = -1e9, v0 = 1e9, v1 = -1e9;
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
      double du = 0, dv = 0;
      for (int k = 1; k < 3; k++)
        du = std::fmax(du, std::fabs(corners[i + k].u - corners[i].u)),
        dv = std::fmax(dv, std::fabs(corners[i + k].v - corners[i].v));
      if (du < 0.5 || dv < 0.5) continue;
      for (int k = 0; k < 3; k++) {
        const Corner& c = corners[i + k];
        x0 = std::fmin(x0, c.p.x), x1 = std::fmax(x1, c.p.x), y0 = std::fmin(y0, c.p.y), y1 = std::fmax(y1, c.p.y);
        u0 = std::fmin(u0, c.u), u1 = std::fmax(u1, c.u), v0 = std::fmin(v0, c.v), v1 = std::fmax(v1, c.v), z = c.p.z;
      }
    }
    ASSERT_LT(x0, x1) << file << " has no picture";
    const double distance = z + 100, half_h = distance / kCot, half_w = half_h * 4 / 3;
    for (int shift : {0, 50}) {
      const double origin_y = -(100.0 + 4 * shift);  // the draw position in device y; x is the camera's
      EXPECT_LE(x0, -half_w) << file << " at shift " << shift;
      EXPECT_GE(x1, half_w) << file << " at shift " << shift;
      EXPECT_LE(origin_y + y0, -54 - half_h) << file << " leaves the bottom of the view at shift " << shift;
      EXPECT_GE(origin_y + y1, -54 + half_h) << file << " leaves the top of the view at shift " << shift;
    }
    const double pixel = kPixel * distance;
    EXPECT_GE((u1 - u0) * width / (x1 - x0) * pixel, 1.0) << file << ": texels a pixel across";
    EXPECT_GE((v1 - v0) * height / (y1 - y0) * pixel, 1.0) << file << ": texels a pixel down";
  }
}

// The stars are drawn round (70, 50) with the depth test off, behind everything. From every eye the
// game and the title scene use (the game camera, and the title camera's three phases: its sweep past
// the rings, its orbit, its last move) stars lie in every direction, the starfield facing the eye,
// so no edge ever comes into view; and the texture is laid on once, so nothing repeats.
TEST_F(MadeAssets, TheStarsSurroundEveryCameraAndNeverRepeat) {
  std::vector<Corner> corners = Corners("stars_01.x");
  ASSERT_FALSE(corners.empty());
  for (Corner& c : corners) {
    c.p = {c.p.x + 70, c.p.y - 50, c.p.z};
    ASSERT_TRUE(c.u >= 0 && c.u <= 1 && c.v >= 0 && c.v <= 1) << "texture coordinates " << c.u << ", " << c.v;
  }
  std::vector<V3> eyes = {{70, -54, -100}};
  for (double x = 55; x <= 110; x += 11) eyes.push_back({x, -79, -10});
  for (double a = 0; a < 360; a += 30)
    eyes.push_back({55 + 15 * std::sin(a * 0.017453292), -76, -15 * std::cos(a * 0.017453292)});
  for (double v = 0; v <= 100; v += 10) eyes.push_back({70 + v, -(54 - v), 2 * v - 100});
  // A ray's nearest hit on the starfield, as the facing of the triangle it meets (true: toward the eye).
  auto hit = [&](V3 eye, V3 d, bool* facing) {
    double best = 1e18;
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
      V3 a = corners[i].p, b = corners[i + 1].p, c = corners[i + 2].p;
      V3 e1 = {b.x - a.x, b.y - a.y, b.z - a.z}, e2 = {c.x - a.x, c.y - a.y, c.z - a.z};
      V3 q = {d.y * e2.z - d.z * e2.y, d.z * e2.x - d.x * e2.z, d.x * e2.y - d.y * e2.x};
      double det = e1.x * q.x + e1.y * q.y + e1.z * q.z;
      if (std::fabs(det) < 1e-12) continue;
      V3 s = {eye.x - a.x, eye.y - a.y, eye.z - a.z};
      double bu = (s.x * q.x + s.y * q.y + s.z * q.z) / det;
      V3 r = {s.y * e1.z - s.z * e1.y, s.z * e1.x - s.x * e1.z, s.x * e1.y - s.y * e1.x};
      double bv = (d.x * r.x + d.y * r.y + d.z * r.z) / det, t = (e2.x * r.x + e2.y * r.y + e2.z * r.z) / det;
      if (bu < -1e-9 || bv < -1e-9 || bu + bv > 1 + 1e-9 || t <= 0 || t >= best) continue;
      best = t;
      const V3& n = corners[i].n;
      *facing = n.x * d.x + n.y * d.y + n.z * d.z < 0;
    }
    return best < 1e18;
  };
  for (const V3& eye : eyes)
    for (int i = 0; i < 7; i++)
      for (int k = 0; k < 12; k++) {
        double pitch = (i - 3) * 0.5, yaw = k * 0.5236;
        V3 d = {std::cos(pitch) * std::sin(yaw), std::sin(pitch), std::cos(pitch) * std::cos(yaw)};
        bool facing = false;
        ASSERT_TRUE(hit(eye, d, &facing)) << "from (" << eye.x << ", " << eye.y << ", " << eye.z << ") toward (" << d.x
                                          << ", " << d.y << ", " << d.z << ") there are no stars";
        ASSERT_TRUE(facing) << "the starfield faces away from (" << eye.x << ", " << eye.y << ", " << eye.z << ")";
      }
}

}  // namespace
