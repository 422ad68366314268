// The asset maker: writes the 95 meshes, their textures, the 38 sounds and the window icon into
// the folder it is given (the build's res folder). Models are built from simple solids in
// playfield units, +x forward and +y up, sized to the hit boxes of the things they show.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "geometry.h"
#include "images.h"
#include "sounds.h"

namespace {

Place At(float x, float y, float z, float sx, float sy, float sz, float tx = 0, float ty = 0, float tz = 0) {
  return Place{{x, y, z}, {sx, sy, sz}, {tx, ty, tz}};
}

// Alpha comes from the texture alone, so whatever is meant to be see-through carries its alpha in
// its texture. Effects glow by emission alone (no diffuse, so no ambient either): the texture is
// shown tinted by the emissive colour whatever the lights, rather than washed out to white.
Material Effect(const std::string& texture, float r = 1, float g = 1, float b = 1) {
  return {0, 0, 0, 1, 0, 0, 0, 0, r, g, b, texture};
}

// Surfaces show their textures at one scale, the tile (world units a copy spans) of their family.
constexpr float kMetalTile = 16, kBarkTile = 12, kWoodTile = 8, kLeavesTile = 8, kRockTile = 10, kCaveTile = 24;
const Material kHull = Surface("metal_grey_01.jpg", kMetalTile, 0.85f, 0.85f, 0.9f);
const Material kRedHull = Surface("metal_red_01.jpg", kMetalTile);
const Material kBlueHull = Surface("metal_blue_01.jpg", kMetalTile);
const Material kDark = Surface("metal_dark_01.jpg", kMetalTile);
// A craft's hull that also glows a little by itself, so that dusk, caves and night, whose lights
// leave the camera's side of a craft dark, do not sink it into the sky behind.
Material SelfLit(const char* texture, float gain, float glow) {
  Material m = Surface(texture, kMetalTile, gain, gain, gain);
  m.er = m.eg = m.eb = glow;
  return m;
}
const Material kPaleHull = SelfLit("metal_pale_01.jpg", 1.0f, 0.45f);
const Material kFighterRed = SelfLit("metal_red_01.jpg", 1.3f, 0.35f);
const Material kFighterGold = SelfLit("metal_gold_01.jpg", 1.1f, 0.3f);
const Material kCanopy = Solid(0.3f, 0.7f, 1.0f, 40, 0.8f);
const Material kEngine = Glow(1.0f, 0.55f, 0.15f);
const Material kWood = Surface("bark_01.jpg", kBarkTile);
const Material kPlanks = Surface("wood_01.jpg", kWoodTile);
const Material kLeaves = Surface("leaves_01.png", kLeavesTile, 0.9f, 1.0f, 0.9f);
const Material kLeaf = Textured("leaf_01.png");
const Material kRock = Surface("rock_01.jpg", kRockTile);
const Material kCave = Surface("cave_01.jpg", kCaveTile);
const Material kHudPanel = Textured("hud_panel_01.jpg");
const Material kShadow = Textured("shadow_01.png", 0, 0, 0);
const Material kExplosion = Effect("explosion_01.png");
const Material kSmoke = {0.45f, 0.45f, 0.45f, 1, 0, 0, 0, 0, 0.2f, 0.2f, 0.2f, "smoke_01.png"};
const Material kFireSmoke = Effect("fire_smoke_01.png");
const Material kSpark = Effect("spark_01.png");
const Material kAfterburn = Effect("afterburn_01.png");
const Material kBeam = Effect("beam_01.png", 0.6f, 0.8f, 1.0f);
const Material kBeamFlare = Effect("flare_01.png", 0.55f, 0.75f, 1.0f);
const Material kCoreGlow = Effect("plasma_01.png", 0.4f, 0.9f, 1.0f);
const Material kHurtCoreGlow = Effect("plasma_01.png", 1.0f, 0.35f, 0.2f);
const Material kBugGlow = Effect("plasma_01.png", 0.8f, 1.0f, 0.3f);
const Material kLogo = Effect("company_logo_01.png");
const Material kPickupGlow = Effect("flare_01.png", 0.8f, 0.85f, 1.0f);

// Materials of the shapes' trim, beside the texture families above.
const Material kGlass = Solid(0.15f, 0.35f, 0.6f, 60, 0.9f);
const Material kTrim = Solid(0.55f, 0.55f, 0.6f, 30, 0.5f);
// Unlit black: the rims that set craft and rounds off from any background.
const Material kRim = Solid(0, 0, 0, 1, 0);
constexpr float kRimWidth = 0.3f;  // about a pixel and a half at the playfield's depth

// A colour that marks a kind (a pickup's content, the missile it gives): lit, and glowing half as
// much again, so it keeps its hue in every stage's light.
Material Accent(float r, float g, float b) {
  Material m = Solid(r, g, b, 30, 0.4f);
  m.er = r * 0.5f, m.eg = g * 0.5f, m.eb = b * 0.5f;
  return m;
}

using Outline = std::vector<std::pair<float, float>>;
using Stations = std::vector<Model::Station>;

// A unit place: only moved and turned.
Place Put(float x, float y, float z, float tx = 0, float ty = 0, float tz = 0) {
  return At(x, y, z, 1, 1, 1, tx, ty, tz);
}

// A thin box from (x0, z0) to (x1, z1) in the horizontal plane, for the map courses' tracks.
void Track(Model& m, int material, float x0, float z0, float x1, float z1, float y, float width, float height) {
  float dx = x1 - x0, dz = z1 - z0;
  float length = std::sqrt(dx * dx + dz * dz);
  m.Box(material, At((x0 + x1) / 2, y, (z0 + z1) / 2, length, height, width, 0, std::atan2(-dz, dx) * 57.29578f, 0));
}

// A box whose front carries a darker inset panel and a rim, so flat parts read as built.
void PanelBox(Model& m, const Material& body, float x, float y, float w, float h, float d) {
  int b = m.AddMaterial(body);
  int dark = m.AddMaterial(kDark);
  m.Box(b, At(x, y, 0, w, h, d));
  m.Box(dark, At(x, y, -d / 2 - 0.15f, w * 0.7f, h * 0.7f, 0.3f));
  m.Box(b, At(x, y + h * 0.18f, -d / 2 - 0.35f, w * 0.5f, h * 0.08f, 0.3f));
  m.Box(b, At(x, y - h * 0.18f, -d / 2 - 0.35f, w * 0.5f, h * 0.08f, 0.3f));
}

// The player's ship, nose to +x: a pale lofted hull with a glowing canopy, blue swept wings with
// missile rails and lit tips, a tail fin, a ventral fin and an engine glow, all in a dark rim so it
// reads against space, dusk, caves and night alike; `flash` is the hit flash.
void PlayerShip(Model& m, bool flash) {
  int hull = m.AddMaterial(flash ? Glow(1.0f, 0.4f, 0.3f) : kPaleHull);
  int canopy = m.AddMaterial(Glow(0.35f, 0.8f, 1.0f));
  int engine = m.AddMaterial(kEngine);
  int dark = m.AddMaterial(kDark);
  int wing = flash ? hull : m.AddMaterial(kBlueHull);
  int lamp = m.AddMaterial(Glow(0.5f, 0.95f, 1.0f));
  m.Loft(hull, Put(0, 0, 0),
         {{6.6f, -0.3f, 0, 0},
          {4.6f, -0.1f, 0.8f, 0.7f},
          {1.6f, 0.1f, 1.4f, 1.2f},
          {-2.0f, 0.2f, 1.6f, 1.4f},
          {-4.6f, 0.3f, 1.4f, 1.3f},
          {-5.2f, 0.3f, 1.1f, 1.0f}});
  m.Loft(canopy, Put(0, 0, 0),
         {{3.4f, 0.8f, 0, 0}, {2.2f, 1.4f, 0.55f, 0.5f}, {0.2f, 1.55f, 0.6f, 0.5f}, {-1.6f, 1.2f, 0, 0}});
  m.Plate(wing, Put(0, -0.3f, 0, 90, 0, 0),
          {{1.8f, 0}, {-3.0f, 6.4f}, {-4.6f, 6.4f}, {-4.2f, 0}, {-4.6f, -6.4f}, {-3.0f, -6.4f}}, 0.4f);
  m.Plate(wing, Put(0, 0, 0), {{-2.4f, 1.0f}, {-4.8f, 4.4f}, {-5.9f, 4.4f}, {-5.4f, 0.9f}}, 0.35f);
  m.Plate(dark, Put(0, 0, 0), {{-2.8f, -0.9f}, {-4.4f, -2.7f}, {-5.3f, -2.7f}, {-5.1f, -0.9f}}, 0.3f);
  for (float z : {-6.4f, 6.4f}) {
    m.Loft(dark, Put(0, -0.3f, z), {{-0.6f, 0, 0, 0}, {-1.6f, 0, 0.35f, 0.35f}, {-4.8f, 0, 0.35f, 0.35f}}, 6);
    m.Sphere(lamp, At(-5.0f, -0.3f, z, 0.7f, 0.7f, 0.7f), 6, 4);
  }
  m.Box(lamp, At(-5.3f, 4.2f, 0, 0.7f, 0.35f, 0.4f));  // on the fin's tip
  for (float z : {-1.2f, 1.2f}) m.Box(dark, At(1.2f, -0.9f, z, 2.4f, 0.7f, 0.5f));
  m.Cylinder(dark, At(-5.5f, 0.3f, 0, 0.8f, 2.0f, 2.0f));
  m.Sphere(engine, At(-6.1f, 0.3f, 0, 0.9f, 1.9f, 1.9f), 10, 6);
  m.Outline(m.AddMaterial(kRim), kRimWidth);
}

// The enemy fighters, nose to -x: a lofted hull, a glowing amber canopy, swept wings and twin tail
// fins (`wings`), the guns under the nose and an engine at the back, in a dark rim. A red hull is
// dark however lit, so pale wings and the canopy's glow carry it against dark and red skies.
void Fighter(Model& m, const Material& body, const Material& wings, int guns) {
  int hull = m.AddMaterial(body);
  int wing = m.AddMaterial(wings);
  int dark = m.AddMaterial(kDark);
  int engine = m.AddMaterial(kEngine);
  int glass = m.AddMaterial(Glow(1.0f, 0.8f, 0.35f));
  m.Loft(hull, Put(0, 0, 0),
         {{-6.2f, -0.2f, 0, 0},
          {-4.2f, 0, 0.9f, 0.8f},
          {-1.2f, 0.2f, 1.4f, 1.2f},
          {2.6f, 0.2f, 1.4f, 1.2f},
          {4.2f, 0.2f, 1.0f, 0.9f}});
  m.Loft(glass, Put(0, 0, 0),
         {{-3.4f, 0.6f, 0, 0}, {-2.2f, 1.2f, 0.45f, 0.45f}, {-0.2f, 1.3f, 0.5f, 0.4f}, {1.0f, 1.0f, 0, 0}});
  m.Plate(wing, Put(0, 0, 0, 90, 0, 0),
          {{-1.2f, 0}, {2.2f, 5.2f}, {3.8f, 5.2f}, {3.2f, 0}, {3.8f, -5.2f}, {2.2f, -5.2f}}, 0.35f);
  if (guns == 2)
    m.Plate(hull, Put(0, -0.2f, 0, 90, 0, 0),
            {{-4.8f, 0}, {-3.2f, 2.6f}, {-2.4f, 2.6f}, {-2.6f, 0}, {-2.4f, -2.6f}, {-3.2f, -2.6f}}, 0.3f);
  for (float z : {-1.0f, 1.0f})
    m.Plate(wing, Put(0, 0, z, 0, 0, 0), {{1.2f, 0.8f}, {3.6f, 3.4f}, {4.5f, 3.4f}, {4.3f, 0.8f}}, 0.3f);
  for (int g = 0; g < guns; g++) {
    float z = guns == 1 ? 0.0f : (g ? 2.4f : -2.4f);
    m.Cylinder(dark, At(-3.2f, -0.9f, z, 5, 0.6f, 0.6f));
    m.Cylinder(dark, At(-5.6f, -0.9f, z, 0.6f, 0.9f, 0.9f));
  }
  m.Cylinder(dark, At(4.5f, 0.2f, 0, 0.8f, 1.8f, 1.8f));
  m.Sphere(engine, At(5.0f, 0.2f, 0, 0.6f, 1.5f, 1.5f), 10, 6);
  m.Outline(m.AddMaterial(kRim), kRimWidth);
}

// The carrier, nose to -x: a long flat hull with a bridge tower, a flight-deck stripe and two
// engines.
void Carrier(Model& m) {
  int hull = m.AddMaterial(kHull);
  int dark = m.AddMaterial(kDark);
  int engine = m.AddMaterial(kEngine);
  int glass = m.AddMaterial(kGlass);
  m.Loft(hull, Put(0, 0, 0),
         {{-12.5f, -0.6f, 1.0f, 0.4f}, {-9.5f, 0, 3.8f, 2.2f}, {6.5f, 0, 4.6f, 2.8f}, {10.2f, 0.2f, 4.0f, 2.4f}}, 8);
  m.Box(dark, At(-1.5f, 2.55f, 0, 15, 0.4f, 3.2f));
  m.Box(hull, At(5.0f, 3.6f, 1.2f, 4.5f, 2.4f, 2.2f));
  m.Box(glass, At(3.6f, 4.2f, 1.2f, 1.8f, 0.8f, 2.3f));
  m.Box(dark, At(-4.0f, -2.4f, 0, 10, 1.2f, 3.0f));
  m.Box(dark, At(-9.6f, 0.3f, 0, 1.2f, 1.6f, 4.6f));  // the hangar mouth under the prow
  m.Box(dark, At(5.6f, 5.9f, 1.2f, 0.3f, 2.6f, 0.3f));
  for (float z : {-4.4f, 4.4f}) m.Box(hull, At(2.0f, -0.6f, z, 8, 1.6f, 1.4f));
  for (float z : {-2.2f, 2.2f}) {
    m.Cylinder(dark, At(10.6f, 0.2f, z, 1.4f, 2.0f, 2.0f));
    m.Sphere(engine, At(11.3f, 0.2f, z, 0.6f, 1.7f, 1.7f), 10, 6);
  }
}

void Platform(Model& m, float width) {
  int body = m.AddMaterial(kHull);
  int dark = m.AddMaterial(kDark);
  int engine = m.AddMaterial(kEngine);
  float w = width / 2;
  m.Plate(body, Put(0, 0, 0), {{-w, 1.5f}, {w, 1.5f}, {w - 1.2f, -0.6f}, {-w + 1.2f, -0.6f}}, 6);
  m.Box(dark, At(0, 1.7f, 0, width - 1.5f, 0.4f, 5));
  m.Plate(dark, Put(0, 0, 0), {{-w * 0.75f, -0.6f}, {w * 0.75f, -0.6f}, {w * 0.5f, -2.6f}, {-w * 0.5f, -2.6f}}, 4);
  for (float x : {-w * 0.45f, w * 0.45f}) m.Sphere(engine, At(x, -2.6f, 0, 1.6f, 0.6f, 1.6f), 8, 4);
}

// Turrets aim along -x at rest and are rolled by the world: a ball on a collar with a barrel.
void Turret(Model& m, const Material& body) {
  int b = m.AddMaterial(body);
  int dark = m.AddMaterial(kDark);
  m.Sphere(b, At(0, 0, 0, 7.5f, 6.5f, 6.5f), 12, 8);
  m.Torus(dark, At(0, 0, 0, 1.2f, 8, 8, 0, 0, 90), 0.08f, 16, 6);
  m.Cylinder(dark, At(-5, 0, 0, 6, 1.3f, 1.3f));
  m.Cylinder(dark, At(-8.2f, 0, 0, 1.2f, 2.0f, 2.0f));
  m.Box(dark, At(1.5f, 2.4f, 0, 2.5f, 1.2f, 2.5f));
}

void Core(Model& m, bool damaged) {
  int glow = m.AddMaterial(damaged ? kHurtCoreGlow : kCoreGlow);
  int ring = m.AddMaterial(kHull);
  m.Sphere(glow, At(0, 0, 0, 9, 9, 9), 16, 10);
  m.Torus(ring, At(0, 0, 0, 1, 12, 12), 0.06f);
}

// A trunk standing up from its origin: a tapering loft turned upright.
void Trunk(Model& m, int material, float x, float y, float z, float height, float r0, float r1) {
  m.Loft(material, Put(x, y, z, 0, 0, 90),
         {{0, 0, r0, r0}, {height * 0.6f, 0, (r0 + r1) / 2, (r0 + r1) / 2}, {height, 0, r1, r1}}, 8);
}

void Tree(Model& m, bool platform) {
  int leaves = m.AddMaterial(kLeaves);
  if (platform) {
    m.Lump(leaves, At(0, 0, 0, 24, 10, 12), 31, 0.5f, 12, 6);
    m.Lump(leaves, At(-6, 2.5f, 0, 10, 7, 10), 32, 0.6f, 8, 5);
    m.Lump(leaves, At(6, 2.0f, 0, 10, 7, 10), 33, 0.6f, 8, 5);
  } else {
    m.Lump(leaves, At(0, -2, 0, 11, 12, 11), 21, 0.6f, 10, 7);
    m.Lump(leaves, At(0, 3, 0, 8, 8, 8), 22, 0.6f, 8, 5);
  }
}

// A bough along x: a tapering wooden loft with tufts of leaves.
void Branch(Model& m, float length, float radius) {
  int wood = m.AddMaterial(kWood);
  int leaves = m.AddMaterial(kLeaves);
  float h = length / 2;
  m.Loft(wood, Put(0, 0, 0),
         {{-h, 0, radius, radius}, {0, 0.4f, radius * 0.8f, radius * 0.8f}, {h, 0, radius * 0.5f, radius * 0.5f}}, 8);
  m.Loft(wood, Put(0, 0, 0, 0, 0, 35),
         {{0, 0, radius * 0.5f, radius * 0.5f}, {h * 0.5f, 0, radius * 0.2f, radius * 0.2f}}, 6);
  for (int i = 0; i < 3; i++)
    m.Lump(leaves, At(-h * 0.3f + i * h * 0.6f, radius + 1.5f, 0, length * 0.22f, 4, 6), 40 + i, 0.6f, 8, 5);
}

// A missile or bomb body along x, tip at +x unless `back`: a loft with four fins.
void Missile(Model& m, const Material& body, const Material& fins, float length, float radius, bool back) {
  int b = m.AddMaterial(body);
  int f = m.AddMaterial(fins);
  float s = back ? -1.0f : 1.0f, h = length / 2;
  m.Loft(b, Put(0, 0, 0),
         {{s * h, 0, 0, 0},
          {s * h * 0.6f, 0, radius, radius},
          {-s * h * 0.8f, 0, radius, radius},
          {-s * h, 0, radius * 0.7f, radius * 0.7f}},
         8);
  for (float turn : {0.0f, 90.0f})
    m.Plate(f, Put(0, 0, 0, turn, 0, 0), {{-s * h * 0.55f, 0}, {-s * h, radius * 2.2f}, {-s * h, -radius * 2.2f}},
            0.25f);
}

void Sprite(Model& m, const Material& mat, float size) { m.Quad(m.AddMaterial(mat), At(0, 0, 0, size, size, 1)); }

// A sky backdrop: its picture over the game camera's view (images.h gives its layout), and round
// it a wide border that carries on the picture's edge colours, so no other camera finds its edge.
void SkyBackdrop(Model& m, const char* texture) {
  int sky = m.AddMaterial(Textured(texture));
  const float w = kSkyQuadWidth, h = kSkyQuadHeight, rise = kSkyQuadRise, z = kSkyQuadDepth, border = 4000;
  m.Quad(sky, At(0, rise, z, w, h, 1));
  // The border's texture coordinates hold the outermost texels' centres.
  const float eu = 0.5f / kSkyWidth, ev = 0.5f / kSkyHeight;
  for (int i = -1; i <= 1; i++)
    for (int k = -1; k <= 1; k++) {
      if (i == 0 && k == 0) continue;
      float cx = i * (w + border) / 2, cy = rise + k * (h + border) / 2;
      float sx = i ? border : w, sy = k ? border : h;
      float u0 = i < 0 ? eu : i > 0 ? 1 - eu : 0, u1 = i < 0 ? eu : i > 0 ? 1 - eu : 1;
      float v0 = k > 0 ? ev : k < 0 ? 1 - ev : 0, v1 = k > 0 ? ev : k < 0 ? 1 - ev : 1;
      m.Quad(sky, At(cx, cy, z, sx, sy, 1), u0, v0, u1, v1);
    }
}

// The main menu's lock, turning beside a locked mode's row ten units in front of the HUD eye: a
// body under a shackle, about a unit high.
void Padlock(Model& m) {
  m.Box(m.AddMaterial(Glow(1, 0.2f, 0.2f)), At(0, -0.2f, 0, 0.8f, 0.6f, 0.3f));
  m.Torus(m.AddMaterial(kHull), At(0, 0.15f, 0, 1, 0.55f, 0.55f, 0, 90, 0), 0.12f);
}

void ArkRing(Model& m, const Material& mat, float minor) {
  m.Torus(m.AddMaterial(mat), At(0, 0, 0, 1, 60, 60), minor, 32, 8);
}

// The Current Map's models. The map is seen from above at an angle (eye (0, 30, -60), turning);
// markers stand in map units (x, z) and the ship 6 units above the map. The course is drawn
// twice, unlit and then lit 3 units higher, so it lies 4 to 3.2 units below the map's origin:
// its lit copy then stays just under the ship's shadow at height 0, and the floor lies below both.
constexpr float kCourseY = -3.6f, kCourseHeight = 0.8f;

// The Cast Mode nodes (x, z) and the graph's pass and loss edges.
const float kCastNodes[17][2] = {{0, -25}, {-15, -17}, {15, -21}, {15, -13}, {15, 4},  {-25, 0},
                                 {0, -8},  {0, 8},     {40, -22}, {-15, 17}, {15, -4}, {15, 13},
                                 {15, 21}, {40, 0},    {0, 25},   {15, 30},  {40, 22}};
const int kCastEdges[][2] = {{0, 2},   {1, 6},  {1, 0},   {2, 8},  {3, 8},   {4, 8},   {5, 9},   {5, 1},
                             {6, 10},  {6, 3},  {7, 11},  {7, 4},  {9, 14},  {9, 7},   {10, 13}, {10, 8},
                             {11, 13}, {11, 8}, {12, 13}, {12, 8}, {14, 15}, {14, 12}, {15, 16}, {15, 13}};

void Pad(Model& m, int material, float x, float z, float radius) {
  m.Cylinder(material, At(x, kCourseY, z, kCourseHeight + 0.1f, radius * 2, radius * 2, 0, 0, 90), 16);
}

void CastCourse(Model& m) {
  int track = m.AddMaterial(kTrim);
  int pad = m.AddMaterial(kBlueHull);
  int start = m.AddMaterial(Solid(0.3f, 0.9f, 0.4f));
  int ending = m.AddMaterial(kRedHull);
  for (const auto& e : kCastEdges)
    Track(m, track, kCastNodes[e[0]][0], kCastNodes[e[0]][1], kCastNodes[e[1]][0], kCastNodes[e[1]][1], kCourseY, 2.2f,
          kCourseHeight);
  for (int n = 0; n < 17; n++)
    Pad(m, n == 5 ? start : (n == 8 || n == 13 || n == 16) ? ending : pad, kCastNodes[n][0], kCastNodes[n][1], 4.0f);
}

// Survival's line: the marker of stage s stands at z = 3.9 s - 32, x = z - 5, for s 0 to 16.
// One material, so the course is one subset: raised studs mark the stages along the track.
void SurvivalCourse(Model& m) {
  int track = m.AddMaterial(kRedHull);
  Track(m, track, -37 - 5, -32 - 5, 25.4f + 5, 30.4f + 5, kCourseY, 6, kCourseHeight);
  for (int stage = 0; stage <= 16; stage++) {
    float z = stage * 3.9f - 32;
    m.Cylinder(track, At(z - 5, kCourseY + 0.15f, z, kCourseHeight, 4.4f, 4.4f, 0, 0, 90), 12);
  }
}

void MapFloor(Model& m) {
  int floor = m.AddMaterial(kDark);
  int line = m.AddMaterial(Solid(0.18f, 0.2f, 0.28f));
  m.Box(floor, At(4, -4.8f, 2, 104, 0.5f, 84));
  for (int i = 0; i <= 10; i++) {
    m.Box(line, At(-48 + i * 10.4f, -4.5f, 2, 0.4f, 0.2f, 84));
    m.Box(line, At(4, -4.5f, -40 + i * 8.4f, 104, 0.2f, 0.4f));
  }
}

// The cave floor that stage 6 rolls in under the ship: rough ground whose top stays at or
// below its origin (the floor line) but for a few low humps, 400 long and reaching back into
// the cave, with its front face toward the camera.
void CaveFloor(Model& m) {
  int rock = m.AddMaterial(kCave);
  m.Field(rock, At(0, 0, 20, 400, 1, 100), 24, 6, -50, [](float x, float z) {
    float h = 2.5f * std::sin(x * 37.0f) * std::cos(z * 9.0f) + 1.5f * std::sin(x * 91.0f + z * 13.0f);
    // Lower toward the front so nothing rises in front of the ship's plane.
    return h - 3.0f - (0.5f - z) * 6.0f;
  });
  for (int i = 0; i < 6; i++) m.Lump(rock, At(-170 + i * 68.0f, -6, 40, 40, 14, 30), 70 + i, 0.6f, 8, 5);
}

// The ark's base: a deck well under the rings (the title's camera skims it at height 79, the rings
// reach down to 83), panelled so it never reads as one plain sheet, with a hub column rising to the
// first row's axis.
void ArkBase(Model& m) {
  int b = m.AddMaterial(kHull);
  int dark = m.AddMaterial(kDark);
  m.Box(b, At(0, -54, 0, 120, 16, 120));
  for (int i = 0; i < 4; i++)
    for (int k = 0; k < 4; k++)
      m.Box((i + k) % 2 ? b : dark, At(-45 + i * 30.0f, -45.5f, -45 + k * 30.0f, 24, 1.2f, 24));
  for (int i = 0; i < 3; i++) m.Box(dark, At(-30 + i * 30.0f, -45.2f, 0, 3, 0.8f, 118));
  m.Cylinder(b, At(0, -23, 0, 46, 24, 24, 0, 0, 90), 16);
  m.Torus(dark, At(0, -10, 0, 1, 28, 28, 0, 0, 90), 0.05f, 24, 4);
  for (int i = 0; i < 4; i++) m.Box(dark, At(0, -30, 0, 3, 30, 40, 0, 45 + 90.0f * i, 0));
}

// The hill the caves run into, far back (depth 370, mostly fog): what shows is its outline, so it
// is a ridge of crags rising about 60 over the floor line rather than a smooth dome, and its
// foot reaches below the bottom of the screen at that depth.
void CaveHill(Model& m) {
  int rock = m.AddMaterial(kCave);
  m.Field(rock, At(0, 0, 0, 320, 1, 200), 32, 8, -220, [](float x, float z) {
    float ridge = 1 - 4 * x * x, depth = 1 - 4 * z * z;
    float crags = 9 * std::sin(x * 53.0f) + 6 * std::sin(x * 131.0f + 1.0f) + 4 * std::sin(x * 211.0f);
    return std::fmax(0.0f, ridge * depth * (56 + crags)) - 4;
  });
}

// ---- One builder per mesh ---------------------------------------------------------------------

void DefaultBox(Model& m) { m.Box(m.AddMaterial(Solid(1, 0, 1)), At(0, 0, 0, 6, 6, 6)); }

void LogoCard(Model& m) { m.Quad(m.AddMaterial(kLogo), At(0, 0, 0, 16, 8, 1)); }

// Both pickups' shell, drawn before its content at the same place with the depth test on, so
// nothing of it may lie in front of the content: an open cage whose front is a single ring round
// the content and whose back is a bowl of half rings, with a soft glow inside the bowl. The
// content, whose colour tells the kind, stands in the open front against the glow.
void Pickup(Model& m) {
  int cage = m.AddMaterial(Effect("", 0.5f, 0.58f, 0.72f));
  m.Torus(cage, At(0, 0, 0, 12, 12, 12, 0, 90, 0), 0.02f, 32, 4);  // the front ring, facing the camera
  for (float turn : {-50.0f, 0.0f, 50.0f}) m.Torus(cage, At(0, 0, 0, 12, 12, 12, 0, turn, 0), 0.013f, 16, 4, 180);
  m.Torus(cage, At(0, 0, 0, 12, 12, 12, 0, 0, 90), 0.013f, 16, 4, 180);  // the back of the equator
  m.Quad(m.AddMaterial(kPickupGlow), At(0, 0, 4.5f, 13, 13, 1));
}

// An enemy round, facing the camera: a white-hot core in a red ring in a black rim. The core stands
// out of dark backgrounds and the rim out of bright ones, so the round keeps 4.5:1 against any.
void Round(Model& m) {
  m.Sphere(m.AddMaterial(Glow(1, 1, 1)), At(0, 0, 0, 1.3f, 1.3f, 1.3f), 8, 6);
  m.Torus(m.AddMaterial(Glow(1.0f, 0.15f, 0.05f)), At(0, 0, 0, 1, 1.7f, 1.7f, 0, 90, 0), 0.22f / 1.7f, 16, 6);
  m.Torus(m.AddMaterial(kRim), At(0, 0, 0, 1, 2.3f, 2.3f, 0, 90, 0), 0.2f / 2.3f, 16, 6);
}

void CannonBall(Model& m) {
  int b = m.AddMaterial(kDark);
  m.Sphere(b, At(0, 0, 0, 4, 4, 4), 10, 6);
  m.Torus(m.AddMaterial(kTrim), At(0, 0, 0, 1, 4, 4, 0, 0, 90), 0.08f, 12, 4);
}

void HitSpark(Model& m) { Sprite(m, kSpark, 8); }

void RedTurret(Model& m) { Turret(m, kRedHull); }

void GreyTurret(Model& m) { Turret(m, kHull); }

void Spawner(Model& m) {
  int b = m.AddMaterial(kRedHull);
  int dark = m.AddMaterial(kDark);
  m.Sphere(b, At(0, 0, 0, 10, 10, 8), 12, 8);
  m.Torus(m.AddMaterial(kEngine), At(0, 0, 0, 1, 11, 11, 0, 90, 0), 0.08f);
  m.Cylinder(dark, At(0, 0, -3.6f, 1.5f, 5, 5, 0, 90, 0));
  for (int i = 0; i < 4; i++) m.Box(dark, At(0, 0, 0, 1.2f, 13, 1.2f, 0, 0, 45 + 90.0f * i));
}

void Ship(Model& m) { PlayerShip(m, false); }

void ShipFlash(Model& m) { PlayerShip(m, true); }

void ShipShadow(Model& m) { m.Quad(m.AddMaterial(kShadow), At(0, 0, 0, 12, 6, 1, 90, 0, 0)); }

void Shot1(Model& m) { m.Sphere(m.AddMaterial(Glow(1.0f, 1.0f, 0.5f)), At(0, 0, 0, 5, 1.5f, 1.5f), 8, 6); }

void Shot2(Model& m) { m.Sphere(m.AddMaterial(Glow(0.5f, 1.0f, 0.5f)), At(0, 0, 0, 6, 2.2f, 2.2f), 8, 6); }

void Shot3(Model& m) { m.Sphere(m.AddMaterial(Glow(0.5f, 0.8f, 1.0f)), At(0, 0, 0, 7, 3, 3), 8, 6); }

// The player's four missiles, each in its kind's colour (the one its pickup shows): the bomb
// orange, the drum red, the hawk teal, the crow violet.
const Material kBombMark = Accent(1.0f, 0.5f, 0.05f), kDrumMark = Accent(1.0f, 0.12f, 0.1f);
const Material kHawkMark = Accent(0.1f, 0.95f, 0.75f), kCrowMark = Accent(0.7f, 0.3f, 1.0f);

void Bomb(Model& m) {
  Missile(m, kBombMark, kDark, 6, 1.5f, false);
  m.Torus(m.AddMaterial(kDark), At(1.2f, 0, 0, 1, 3.1f, 3.1f), 0.06f, 12, 4);
}

void Drum(Model& m) {
  int b = m.AddMaterial(kDrumMark);
  int dark = m.AddMaterial(kDark);
  m.Cylinder(b, At(0, 0, 0, 4, 5, 5, 0, 90, 0));
  for (float y : {-1.4f, 1.4f}) m.Torus(dark, At(0, y, 0, 1, 5.2f, 5.2f, 0, 0, 90), 0.05f, 12, 4);
}

void Hawk(Model& m) { Missile(m, kHawkMark, kHull, 7, 0.9f, false); }

void Crow(Model& m) {
  Missile(m, kCrowMark, kDark, 9, 1.2f, false);
  int w = m.AddMaterial(kCrowMark);
  m.Plate(w, Put(0, 0, 0, 90, 0, 0),
          {{1.5f, 0}, {-2.5f, 3.5f}, {-3.5f, 3.5f}, {-2.5f, 0}, {-3.5f, -3.5f}, {-2.5f, -3.5f}}, 0.3f);
}

void RedFighter(Model& m) { Fighter(m, kFighterRed, kPaleHull, 1); }

// Gold, not grey: a grey fighter vanished against the corridors' grey wall band.
void GoldFighter(Model& m) { Fighter(m, kFighterGold, kFighterGold, 2); }

void StaticTree(Model& m) {
  int w = m.AddMaterial(kWood);
  int l = m.AddMaterial(kLeaves);
  Trunk(m, w, 0, 0, 0, 22, 1.8f, 0.6f);
  m.Loft(w, Put(0, 12, 0, 0, 0, 40), {{0, 0, 0.8f, 0.8f}, {7, 0, 0.3f, 0.3f}}, 6);
  m.Lump(l, At(0, 22, 0, 16, 12, 15), 1, 0.7f, 10, 6);
  m.Lump(l, At(4, 17, 1, 10, 8, 10), 2, 0.7f, 8, 5);
  m.Lump(l, At(-4, 19, -1, 10, 8, 10), 3, 0.7f, 8, 5);
}

void BigRock(Model& m) {
  int r = m.AddMaterial(kRock);
  m.Lump(r, At(0, 0, 0, 18, 12, 14), 11, 0.9f, 10, 7);
  m.Lump(r, At(6, -3, 3, 8, 6, 7), 12, 0.9f, 7, 5);
}

void MiddleRock(Model& m) { m.Lump(m.AddMaterial(kRock), At(0, 0, 0, 10, 8, 9), 13, 1.0f, 9, 6); }

void SmallRock(Model& m) { m.Lump(m.AddMaterial(kRock), At(0, 0, 0, 6, 5, 6), 14, 1.1f, 8, 5); }

void Tug(Model& m) {
  int b = m.AddMaterial(kHull);
  int dark = m.AddMaterial(kDark);
  m.Loft(b, Put(0, 0, 0),
         {{-5.2f, 0, 2.2f, 5.0f}, {-3.5f, 0, 3.4f, 7.2f}, {3.5f, 0, 3.4f, 7.2f}, {5.2f, 0, 2.6f, 5.5f}}, 6);
  m.Box(m.AddMaterial(kGlass), At(-4.4f, 3.5f, 0, 1.2f, 2.0f, 3.6f));
  for (float y : {-7.6f, 7.6f}) m.Box(dark, At(0, y, 0, 7, 1.4f, 5));
  m.Box(dark, At(0, 0, -3.3f, 6, 1.0f, 0.5f));
  m.Sphere(m.AddMaterial(kEngine), At(5.4f, 0, 0, 0.8f, 4, 4), 10, 6);
}

void Launcher(Model& m) {
  int b = m.AddMaterial(kRedHull);
  int dark = m.AddMaterial(kDark);
  m.Plate(b, Put(0, 0, 0), {{-4, -7}, {5, -7}, {5, 7}, {-4, 7}, {-5, 4.5f}, {-5, -4.5f}}, 6);
  for (float y : {-4.2f, 0.0f, 4.2f}) {
    m.Cylinder(dark, At(-4.8f, y, 0, 2.5f, 2.6f, 2.6f));
    m.Cylinder(m.AddMaterial(kEngine), At(-6.0f, y, 0, 0.1f, 1.6f, 1.6f));
  }
  m.Box(dark, At(2.5f, 0, -3.1f, 2, 12, 0.4f));
}

void Afterburn(Model& m) { m.Cone(m.AddMaterial(kAfterburn), At(0, 0, 0, 8, 3, 3)); }

void EnemyMissile(Model& m) { Missile(m, kHull, kRedHull, 10, 1.5f, true); }

void TreeTop(Model& m) { Tree(m, false); }

void PlatformTreeTop(Model& m) { Tree(m, true); }

void TreeTrunk(Model& m) {
  int w = m.AddMaterial(kWood);
  Trunk(m, w, 0, 0, 0, 10, 3.2f, 2.8f);
  m.Loft(w, Put(1.5f, 6, 0, 0, 0, 30), {{0, 0, 0.9f, 0.9f}, {4, 0, 0.3f, 0.3f}}, 6);
}

void ShortBranch(Model& m) { Branch(m, 24, 2.5f); }

void LongBranch(Model& m) { Branch(m, 40, 3.0f); }

void TurretStand(Model& m) {
  int b = m.AddMaterial(kDark);
  int t = m.AddMaterial(kHull);
  m.Plate(t, Put(0, 0, 0), {{-6, 0}, {6, 0}, {5, 2.5f}, {-5, 2.5f}}, 8);
  for (float x : {-5.0f, 5.0f}) m.Plate(b, Put(x, 0, 0), {{-1, 2.5f}, {1, 2.5f}, {0.6f, 7.5f}, {-0.6f, 7.5f}}, 6);
}

void GreyBox(Model& m) { PanelBox(m, kHull, 0, 0, 16, 16, 16); }

void RedBox(Model& m) { PanelBox(m, kRedHull, 0, 0, 16, 16, 16); }

void Joint(Model& m) {
  m.Sphere(m.AddMaterial(kDark), At(0, 0, 0, 6, 6, 6), 10, 6);
  m.Torus(m.AddMaterial(kTrim), At(0, 0, 0, 1, 6.4f, 6.4f, 0, 90, 0), 0.08f, 12, 4);
}

void HullPart(Model& m) {
  int b = m.AddMaterial(kRedHull);
  int dark = m.AddMaterial(kDark);
  m.Loft(b, Put(0, 0, 0), {{-10.5f, -0.5f, 3, 2.5f}, {-8, 0, 5, 3.8f}, {8, 0, 5, 3.8f}, {10.5f, -0.5f, 3, 2.5f}}, 6);
  m.Box(dark, At(0, 0, -4.4f, 16, 1.2f, 0.6f));
  for (int i = 0; i < 4; i++) m.Box(dark, At(-6 + i * 4.0f, 2.2f, -3.3f, 1.8f, 1.0f, 0.6f));
}

void ShortPost(Model& m) { PanelBox(m, kHull, 0, 0, 8, 10, 8); }

void TallPost(Model& m) { PanelBox(m, kRedHull, 0, 0, 8, 18, 8); }

void Bar(Model& m) { PanelBox(m, kRedHull, 0, 0, 24, 6, 8); }

void BridgePiece(Model& m) {
  int w = m.AddMaterial(kPlanks);
  int dark = m.AddMaterial(kDark);
  for (int i = 0; i < 6; i++) m.Box(w, At(-10 + i * 4.0f, 0.8f, 0, 3.6f, 1.2f, 8));
  for (float z : {-3.6f, 3.6f}) m.Box(w, At(0, -0.8f, z, 24, 1.6f, 0.8f));
  for (float z : {-3.8f, 3.8f}) m.Box(dark, At(0, 2.6f, z, 24, 0.3f, 0.3f));
  for (int i = 0; i < 5; i++)
    for (float z : {-3.8f, 3.8f}) m.Box(dark, At(-11 + i * 5.5f, 1.9f, z, 0.3f, 1.6f, 0.3f));
}

void Mount(Model& m) {
  int dark = m.AddMaterial(kDark);
  m.Plate(dark, Put(0, 0, 0), {{-13, -2}, {13, -2}, {11.5f, 2}, {-11.5f, 2}}, 10);
  m.Box(m.AddMaterial(kTrim), At(0, 0, -5.1f, 20, 0.8f, 0.3f));
}

void Brace(Model& m) {
  int b = m.AddMaterial(kHull);
  for (float x : {-3.0f, 3.0f}) m.Box(b, At(x, 0, 0, 1.2f, 90, 1.2f));
  for (int i = 0; i < 9; i++) m.Box(b, At(0, -40 + i * 10.0f, 0, 8.5f, 0.8f, 0.8f, 0, 0, i % 2 ? 50.0f : -50.0f));
}

void DarkBrace(Model& m) {
  int b = m.AddMaterial(kDark);
  for (float x : {-2.5f, 2.5f}) m.Box(b, At(x, 0, 0, 1.0f, 100, 1.0f));
  for (int i = 0; i < 10; i++) m.Box(b, At(0, -45 + i * 10.0f, 0, 7.5f, 0.6f, 0.6f, 0, 0, i % 2 ? 55.0f : -55.0f));
}

void Step(Model& m) {
  int b = m.AddMaterial(kHull);
  m.Plate(b, Put(0, 0, 0), {{-6, -6}, {6, -6}, {6, 6}, {0, 6}, {-6, 0}}, 10);
  m.Box(m.AddMaterial(kDark), At(0, -3, -5.1f, 9, 1.5f, 0.3f));
}

void WholeCore(Model& m) { Core(m, false); }

void HurtCore(Model& m) { Core(m, true); }

void CoreBar(Model& m) { m.Box(m.AddMaterial(Glow(0.3f, 1.0f, 0.3f)), At(0, 0, -6, 3, 10, 1)); }

void SmallPlatform(Model& m) { Platform(m, 10); }

void WidePlatform(Model& m) { Platform(m, 22); }

void Laser(Model& m) {
  int b = m.AddMaterial(kRedHull);
  int dark = m.AddMaterial(kDark);
  m.Plate(b, Put(1, 0, 0), {{-3, -4}, {3, -4}, {4, -2}, {4, 2}, {3, 4}, {-3, 4}, {-4, 2}, {-4, -2}}, 8);
  m.Cylinder(dark, At(-4.5f, 0, 0, 4, 2.4f, 2.4f));
  m.Cylinder(dark, At(-6.8f, 0, 0, 0.8f, 3.4f, 3.4f));
  m.Sphere(m.AddMaterial(Glow(1.0f, 0.3f, 0.2f)), At(-7.3f, 0, 0, 0.4f, 1.8f, 1.8f), 8, 4);
}

void Cannon(Model& m) {
  int b = m.AddMaterial(kDark);
  int t = m.AddMaterial(kTrim);
  m.Plate(b, Put(4, 0, 0), {{-5, -5}, {5, -5}, {6, -3}, {6, 3}, {5, 5}, {-5, 5}, {-6, 3}, {-6, -3}}, 10);
  m.Cylinder(b, At(-5, 0, 0, 10, 4.5f, 4.5f));
  for (float x : {-3.0f, -9.5f}) m.Cylinder(t, At(x, 0, 0, 1.0f, 5.4f, 5.4f));
  m.Box(t, At(4, 0, -5.1f, 8, 1, 0.3f));
}

void Mortar(Model& m) {
  int b = m.AddMaterial(kDark);
  int t = m.AddMaterial(kTrim);
  m.Plate(b, Put(0, 0, 0), {{-5, -4}, {5, -4}, {4, 1}, {-4, 1}}, 8);
  m.Sphere(t, At(-0.5f, 1, 0, 5, 4, 5), 10, 5);
  m.Cylinder(b, At(-2.5f, 3.5f, 0, 7, 2.6f, 2.6f, 0, 0, -55));
}

void BeamGun(Model& m) {
  int b = m.AddMaterial(kHull);
  int dark = m.AddMaterial(kDark);
  m.Loft(b, Put(0, 0, 0), {{-10, 0, 2.5f, 2.5f}, {-7, 0, 4, 4}, {8, 0, 4, 4}, {10, 0, 3, 3}}, 10);
  for (float x : {-4.0f, 0.0f, 4.0f}) m.Torus(dark, At(x, 0, 0, 1, 8.4f, 8.4f), 0.05f, 14, 4);
  m.Sphere(m.AddMaterial(Glow(0.4f, 0.6f, 1.0f)), At(-10, 0, 0, 3, 5, 5));
}

void Beam(Model& m) { m.Cylinder(m.AddMaterial(kBeam), At(-80, 0, 0, 150, 3, 3)); }

void BeamFlare(Model& m) { Sprite(m, kBeamFlare, 14); }

// Gold: green is the gun pickup's second level.
void LifeTick(Model& m) { m.Box(m.AddMaterial(Glow(1.0f, 0.8f, 0.25f)), At(0, 0, 0, 1.4f, 2.5f, 0.5f)); }

void Explosion(Model& m) { Sprite(m, kExplosion, 22); }

void HudPanel(Model& m) {
  m.Box(m.AddMaterial(kHudPanel), At(0, 0, 2, 150, 10, 1));
  m.Box(m.AddMaterial(Solid(0.35f, 0.5f, 0.8f, 30, 0.5f)), At(0, 5, 1.4f, 150, 0.5f, 0.4f));
}

void ReloadBar(Model& m) { m.Box(m.AddMaterial(Glow(0.2f, 0.4f, 0.8f)), At(-1, 3.5f, 0, 8, 2, 1)); }

void Debris(Model& m) { m.Lump(m.AddMaterial(kRock), At(0, 0, 0, 3, 2, 2.4f, 20, 30, 10), 15, 1.2f, 6, 4); }

void GreyFragment(Model& m) {
  m.Plate(m.AddMaterial(kHull), Put(0, 0, 0, 30, 10, 40), {{-1.4f, -0.6f}, {1.3f, -0.4f}, {0.2f, 0.9f}}, 0.5f);
}

void RedFragment(Model& m) {
  m.Plate(m.AddMaterial(kRedHull), Put(0, 0, 0, 30, 10, 40), {{-1.4f, -0.6f}, {1.3f, -0.4f}, {0.2f, 0.9f}}, 0.5f);
}

void Smoke(Model& m) { Sprite(m, kSmoke, 8); }

void ExplosionSmoke(Model& m) { Sprite(m, kFireSmoke, 12); }

void Sparks(Model& m) { Sprite(m, kSpark, 6); }

void Leaf(Model& m) { Sprite(m, kLeaf, 3); }

void Splinter(Model& m) {
  m.Plate(m.AddMaterial(kPlanks), Put(0, 0, 0, 0, 20, 30), {{-1.6f, -0.2f}, {1.6f, 0}, {-1.2f, 0.35f}}, 0.4f);
}

void CaveSurface(Model& m) {
  int r = m.AddMaterial(kCave);
  m.Lump(r, At(0, 0, 0, 40, 13, 60), 51, 0.7f, 10, 6);
  m.Lump(r, At(-8, 0, -8, 18, 17, 18), 52, 0.8f, 7, 5);
}

void CaveWall(Model& m) {
  int r = m.AddMaterial(kCave);
  int dim = m.AddMaterial(Surface("cave_01.jpg", kCaveTile, 0.55f, 0.55f, 0.6f));
  m.Lump(dim, At(0, 36, -22, 40, 36, 40), 54, 0.8f, 9, 6);
  m.Lump(dim, At(0, -40, -22, 40, 30, 40), 55, 0.8f, 9, 6);
  m.Lump(r, At(8, 0, -40, 14, 76, 18), 56, 0.7f, 7, 6);
}

void MetalPlate(Model& m) { m.Box(m.AddMaterial(kHull), At(0, 0, 0, 20, 0.5f, 20)); }

void GlowBug(Model& m) { m.Sphere(m.AddMaterial(kBugGlow), At(0, 0, 0, 8, 6, 6), 10, 6); }

void ArkRingHull(Model& m) {
  ArkRing(m, kHull, 0.05f);
  int dark = m.AddMaterial(kDark);
  for (int i = 0; i < 8; i++) {
    float a = (22.5f + 45.0f * i) * 0.017453292f;
    m.Box(dark, At(0, 30 * std::cos(a), 30 * std::sin(a), 5, 4.5f, 7, 22.5f + 45.0f * i, 0, 0));
  }
}

void ArkRingPad(Model& m) {
  ArkRing(m, kRedHull, 0.02f);
  int dark = m.AddMaterial(kDark);
  for (int i = 0; i < 8; i++) {
    float a = 45.0f * i * 0.017453292f;
    m.Box(dark, At(0, 30 * std::cos(a), 30 * std::sin(a), 3, 2.5f, 4, 45.0f * i, 0, 0));
  }
}

void ArkPadPart(Model& m) {
  int b = m.AddMaterial(kRedHull);
  m.Box(b, At(0, 0, 0, 8, 3, 8));
  m.Box(m.AddMaterial(kDark), At(0, 0, 0, 2, 6, 2));
}

// The title rings' spokes (Padlock's note applies: sized for where they are drawn): the two lifts
// are arms along the spoke on either side of its ship, the slings cradles under it along the axis.
void ArkLift(Model& m) {
  int b = m.AddMaterial(kHull);
  m.Box(b, At(0, 0, 0, 0.6f, 10, 2.2f));
  for (float z : {-1.2f, 1.2f}) m.Box(b, At(0, 0, z, 1.5f, 10, 0.4f));
}

void ArkLongLift(Model& m) {
  int b = m.AddMaterial(kDark);
  m.Box(b, At(0, 0, 0, 0.6f, 12, 1.8f));
  for (float z : {-1.05f, 1.05f}) m.Box(b, At(0, 0, z, 1.5f, 12, 0.4f));
}

void ArkSling(Model& m) { m.Cylinder(m.AddMaterial(kHull), At(0, 0, 0, 9, 1.2f, 1.2f)); }

void ArkThinSling(Model& m) { m.Cylinder(m.AddMaterial(kDark), At(0, 0, 0, 9, 0.9f, 0.9f)); }

void SkyCloudy1(Model& m) { SkyBackdrop(m, "sky_cloudy_01.jpg"); }

void SkyCloudy2(Model& m) { SkyBackdrop(m, "sky_cloudy_02.jpg"); }

void SkyClear(Model& m) { SkyBackdrop(m, "sky_clear_01.jpg"); }

void SkyDesert(Model& m) { SkyBackdrop(m, "sky_desert_01.jpg"); }

void SkySunset(Model& m) { SkyBackdrop(m, "sky_sunset_01.jpg"); }

// The stars: a cube round the scene seen from inside (images.h lays out its faces), so that every
// camera, the title scene's turning one too, sees stars all round and never an edge.
void Starfield(Model& m) {
  int stars = m.AddMaterial(Textured("stars_01.png"));
  for (const StarFace& f : kStarFaces) {
    auto vec = [](const float* v) { return Vec3{v[0], v[1], v[2]}; };
    Vec3 out = vec(f.out), centre = {out.x * kStarsReach, out.y * kStarsReach, out.z * kStarsReach};
    // The face's square in the texture, half a texel in from its edges.
    float u0 = (f.x + 0.5f) / kStarsSize, v0 = (f.y + 0.5f) / kStarsSize;
    float u1 = (f.x + f.size - 0.5f) / kStarsSize, v1 = (f.y + f.size - 0.5f) / kStarsSize;
    m.Square(stars, centre, vec(f.right), vec(f.up), {-out.x, -out.y, -out.z}, kStarsReach, u0, v0, u1, v1);
  }
}

struct MeshFile {
  const char* file;
  void (*build)(Model&);
};

// The 95 meshes in the game's table order: the file, the function that builds it, and what the
// game draws it for.
// clang-format off
const MeshFile kMeshes[] = {
  {.file = "default.x",           .build = DefaultBox},             // drawn in place of any model that did not load
  {.file = "company_logo_01.x",   .build = LogoCard},               // the maker's logo on the HUD behind the menus
  {.file = "pow_01.x",            .build = Pickup},                 // both pickups' shell, the content inside
  {.file = "round_01.x",          .build = Round},                  // the enemies' round shots
  {.file = "cannon_ball_01.x",    .build = CannonBall},             // the cannons' balls
  {.file = "lock_01.x",           .build = Padlock},                // beside a locked mode in the main menu
  {.file = "hit_spark_01.x",      .build = HitSpark},               // where a shot hit, for one frame
  {.file = "turret_01.x",         .build = RedTurret},              // the turrets, rolled to their aim
  {.file = "turret_02.x",         .build = GreyTurret},             // the second turret, on its stand
  {.file = "spawn_01.x",          .build = Spawner},                // the spawner that lets fighters out
  {.file = "ship_as_01.x",        .build = Ship},                   // the player's ship; the title rings' ships
  {.file = "ship_as_02.x",        .build = ShipFlash},              // the player's ship while its hit flash lasts
  {.file = "shadow_as_01.x",      .build = ShipShadow},             // the ship's shadow on a barrier
  {.file = "shot_01.x",           .build = Shot1},                  // the gun's shots by level; HUD, pickup
  {.file = "shot_02.x",           .build = Shot2},
  {.file = "shot_03.x",           .build = Shot3},
  {.file = "bomb_01.x",           .build = Bomb},                   // the player's missiles; HUD, pickup
  {.file = "drum_01.x",           .build = Drum},
  {.file = "hawk_01.x",           .build = Hawk},
  {.file = "crow_01.x",           .build = Crow},
  {.file = "ship_fighter_01.x",   .build = RedFighter},             // the fighters, also flying by far off
  {.file = "ship_fighter_02.x",   .build = GoldFighter},
  {.file = "ship_carrier_01.x",   .build = Carrier},                // the carriers
  {.file = "static_tree_01.x",    .build = StaticTree},             // scenery: a tree far off
  {.file = "rock_01.x",           .build = BigRock},                // scenery: rocks, tumbling in stage 5
  {.file = "rock_02.x",           .build = MiddleRock},
  {.file = "rock_03.x",           .build = SmallRock},
  {.file = "tug_01.x",            .build = Tug},                    // the tug that tows structures
  {.file = "launcher_01.x",       .build = Launcher},               // the missile launcher
  {.file = "afterburn_01.x",      .build = Afterburn},              // behind a missile at full speed
  {.file = "missle_left_01.x",    .build = EnemyMissile},           // the enemies' missile, nose to -x
  {.file = "tree_top_01.x",       .build = TreeTop},                // tree parts
  {.file = "tree_top_plat_01.x",  .build = PlatformTreeTop},
  {.file = "tree_trunk_01.x",     .build = TreeTrunk},
  {.file = "tree_horz_03.x",      .build = ShortBranch},            // a branch thing
  {.file = "tree_horz_04.x",      .build = LongBranch},             // a branch static
  {.file = "part_turret_02.x",    .build = TurretStand},            // under the second turret
  {.file = "part_box_01.x",       .build = GreyBox},                // structure parts
  {.file = "part_box_02.x",       .build = RedBox},
  {.file = "part_joint_01.x",     .build = Joint},
  {.file = "part_hull_01.x",      .build = HullPart},
  {.file = "part_vert_01.x",      .build = ShortPost},
  {.file = "part_vert_02.x",      .build = TallPost},               // also the barrier marks in Dev Mode
  {.file = "part_horz_03.x",      .build = Bar},
  {.file = "part_bridge_01.x",    .build = BridgePiece},            // stage 6's falling bridge
  {.file = "part_mount_01.x",     .build = Mount},
  {.file = "part_brace_01.x",     .build = Brace},                  // corridor braces, statics
  {.file = "part_brace_02.x",     .build = DarkBrace},
  {.file = "part_step_01.x",      .build = Step},
  {.file = "core_01.x",           .build = WholeCore},              // a boss core, whole and hurt
  {.file = "core_02.x",           .build = HurtCore},
  {.file = "core_bar_01.x",       .build = CoreBar},                // a core's health bars
  {.file = "plat_01.x",           .build = SmallPlatform},          // the platforms
  {.file = "plat_02.x",           .build = WidePlatform},
  {.file = "laser_01.x",          .build = Laser},
  {.file = "cannon_01.x",         .build = Cannon},                 // the cannons
  {.file = "cannon_02.x",         .build = Mortar},
  {.file = "beam_gun_01.x",       .build = BeamGun},                // the beam gun, its beam and the beam's flare
  {.file = "beam_01.x",           .build = Beam},
  {.file = "beam_02.x",           .build = BeamFlare},
  {.file = "hp_tick_01.x",        .build = LifeTick},               // a life on the HUD and in the gun pickup
  {.file = "explosion_01.x",      .build = Explosion},              // a destroyed thing, for two frames
  {.file = "map_cast_01.x",       .build = CastCourse},             // the Current Map's courses and floor
  {.file = "map_survival_01.x",   .build = SurvivalCourse},
  {.file = "map_floor_01.x",      .build = MapFloor},
  {.file = "hud_01.x",            .build = HudPanel},               // the HUD's instrument panel and reload bar
  {.file = "hud_02.x",            .build = ReloadBar},
  {.file = "debris_01.x",         .build = Debris},                 // drifting and flying debris
  {.file = "fragment_grey_01.x",  .build = GreyFragment},           // a destroyed thing's fragments
  {.file = "fragment_red_01.x",   .build = RedFragment},
  {.file = "smoke_01.x",          .build = Smoke},                  // damage smoke and missed missiles
  {.file = "smoke_02.x",          .build = ExplosionSmoke},         // explosion and hit smoke
  {.file = "sparks_01.x",         .build = Sparks},                 // the ship scraping a barrier
  {.file = "leaf_01.x",           .build = Leaf},                   // falling from a shot tree
  {.file = "splinter_01.x",       .build = Splinter},               // from broken wood
  {.file = "surface_cave_01.x",   .build = CaveSurface},            // cave ceiling and floor, statics
  {.file = "surface_cave_02.x",   .build = CaveWall},               // the cave's back wall
  {.file = "surface_metal_01.x",  .build = MetalPlate},             // corridor plates and the metal block's faces
  {.file = "cave_01.x",           .build = CaveHill},               // the hill the caves run into
  {.file = "cave_02.x",           .build = CaveFloor},              // stage 6's cave floor
  {.file = "glow_bug_01.x",       .build = GlowBug},                // the glow bug
  {.file = "ark_base_01.x",       .build = ArkBase},                // the ark of stage 7 and the title rings
  {.file = "ark_ring_hull_01.x",  .build = ArkRingHull},
  {.file = "ark_ring_pad_01.x",   .build = ArkRingPad},
  {.file = "ark_part_pad_01.x",   .build = ArkPadPart},
  {.file = "ark_lift_01.x",       .build = ArkLift},                // the title rings' spokes
  {.file = "ark_lift_02.x",       .build = ArkLongLift},
  {.file = "ark_sling_01.x",      .build = ArkSling},
  {.file = "ark_sling_02.x",      .build = ArkThinSling},
  {.file = "sky_cloudy_01.x",     .build = SkyCloudy1},             // the backdrops, tinted by the sky colour
  {.file = "sky_cloudy_02.x",     .build = SkyCloudy2},
  {.file = "sky_clear_01.x",      .build = SkyClear},
  {.file = "sky_desert_01.x",     .build = SkyDesert},
  {.file = "sky_sunset_01.x",     .build = SkySunset},
  {.file = "stars_01.x",          .build = Starfield},              // the stars, tinted by the stage's star colour
};
// clang-format on
static_assert(sizeof(kMeshes) / sizeof(kMeshes[0]) == 95);

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_assets <res folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  mkdir(folder.c_str(), 0755);
  bool ok = MakeImages(folder) && MakeSounds(folder);
  for (const MeshFile& mesh : kMeshes) {
    Model model;
    mesh.build(model);
    if (!WriteXFile(folder + "/" + mesh.file, model)) {
      std::fprintf(stderr, "make_assets: cannot write %s\n", mesh.file);
      ok = false;
    }
  }
  return ok ? 0 : 1;
}
