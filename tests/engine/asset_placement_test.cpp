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

#include "platform/xfile.h"

namespace {

struct V3 {
  double x, y, z;
};

const std::filesystem::path kRes = std::filesystem::path(KESTRUNE_BUILD_DIR) / "res";

// The model's vertex positions in its own (device) coordinates; empty when it cannot be read.
std::vector<V3> Points(const std::string& file) {
  std::ifstream in(kRes / file, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  XMeshData mesh;
  std::string error;
  std::vector<V3> points;
  if (!ReadXFile(bytes.data(), bytes.size(), &mesh, &error)) return points;
  for (const XVertex& v : mesh.vertices) points.push_back({v.position[0], v.position[1], v.position[2]});
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

}  // namespace
