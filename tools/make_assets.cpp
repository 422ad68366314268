// The asset maker: writes the 95 meshes, their textures, the 38 sounds and the window icon into
// the folder it is given (the build's res folder). Models are built from simple solids in
// playfield units, +x forward and +y up, sized to the hit boxes of the things they show.
#include <cstdio>
#include <functional>
#include <string>
#include <sys/stat.h>

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

const Material kHull = Textured("metal_grey_01.jpg", 0.85f, 0.85f, 0.9f);
const Material kRedHull = Textured("metal_red_01.jpg");
const Material kBlueHull = Textured("metal_blue_01.jpg");
const Material kDark = Textured("metal_dark_01.jpg");
const Material kCanopy = Solid(0.3f, 0.7f, 1.0f, 40, 0.8f);
const Material kEngine = Glow(1.0f, 0.55f, 0.15f);
const Material kWood = Textured("bark_01.jpg");
const Material kPlanks = Textured("wood_01.jpg");
const Material kLeaves = Textured("leaves_01.png", 0.9f, 1.0f, 0.9f);
const Material kLeaf = Textured("leaf_01.png");
const Material kRock = Textured("rock_01.jpg");
const Material kCave = Textured("cave_01.jpg");
const Material kHudPanel = Textured("hud_panel_01.jpg");
const Material kShadow = Textured("shadow_01.png", 0, 0, 0);
const Material kExplosion = Effect("explosion_01.png");
const Material kSmoke = {0.45f, 0.45f, 0.45f, 1, 0, 0, 0, 0, 0.2f, 0.2f, 0.2f, "smoke_01.png"};
const Material kDarkSmoke = {0.35f, 0.35f, 0.35f, 1, 0, 0, 0, 0, 0.25f, 0.25f, 0.25f, "smoke_01.png"};
const Material kSpark = Effect("spark_01.png");
const Material kAfterburn = Effect("afterburn_01.png");
const Material kBeam = Effect("beam_01.png", 0.6f, 0.8f, 1.0f);
const Material kBeamFlare = Effect("flare_01.png", 0.55f, 0.75f, 1.0f);
const Material kCoreGlow = Effect("plasma_01.png", 0.4f, 0.9f, 1.0f);
const Material kHurtCoreGlow = Effect("plasma_01.png", 1.0f, 0.35f, 0.2f);
const Material kBugGlow = Effect("plasma_01.png", 0.8f, 1.0f, 0.3f);
const Material kLogo = Effect("company_logo_01.png");
const Material kPickup = Effect("plasma_01.png", 0.35f, 0.95f, 0.45f);

// The player's ship: a slim hull with a canopy, wings and an engine glow; `flash` is the hit flash.
void PlayerShip(Model& m, bool flash) {
  int hull = m.AddMaterial(flash ? Glow(1.0f, 0.4f, 0.3f) : kBlueHull);
  int canopy = m.AddMaterial(kCanopy);
  int engine = m.AddMaterial(kEngine);
  m.Cone(hull, At(3, 0, 0, 6, 4, 4));
  m.Box(hull, At(-2, 0, 0, 6, 3, 3));
  m.Box(hull, At(-2, 0, 0, 4, 0.6f, 10));
  m.Box(hull, At(-4, 2, 0, 3, 3, 0.6f));
  m.Sphere(canopy, At(1, 1.3f, 0, 3, 1.5f, 1.8f));
  m.Sphere(engine, At(-5.2f, 0, 0, 1, 2, 2));
}

void Fighter(Model& m, const Material& body, int guns) {
  int hull = m.AddMaterial(body);
  int dark = m.AddMaterial(kDark);
  int engine = m.AddMaterial(kEngine);
  m.Cone(hull, At(-2, 0, 0, -6, 4, 4));
  m.Box(hull, At(1.5f, 0, 0, 4, 0.6f, 9));
  for (int g = 0; g < guns; g++) m.Cylinder(dark, At(-3, guns == 1 ? -2.0f : (g ? 2.0f : -2.0f), 0, 5, 0.8f, 0.8f));
  m.Sphere(engine, At(3.8f, 0, 0, 1, 1.6f, 1.6f));
}

void Platform(Model& m, float width) {
  int body = m.AddMaterial(kHull);
  int dark = m.AddMaterial(kDark);
  m.Box(body, At(0, 0, 0, width, 3, 6));
  m.Box(dark, At(0, -2, 0, width * 0.7f, 1.5f, 4));
}

void Turret(Model& m, const Material& body) {
  int b = m.AddMaterial(body);
  int dark = m.AddMaterial(kDark);
  m.Sphere(b, At(0, 0, 0, 8, 6, 6));
  m.Cylinder(dark, At(-5, 0, 0, 6, 1.5f, 1.5f));  // barrel points left, the way turrets aim at rest
}

void Core(Model& m, bool damaged) {
  int glow = m.AddMaterial(damaged ? kHurtCoreGlow : kCoreGlow);
  int ring = m.AddMaterial(kHull);
  m.Sphere(glow, At(0, 0, 0, 9, 9, 9), 16, 10);
  m.Torus(ring, At(0, 0, 0, 1, 12, 12), 0.06f);
}

void Tree(Model& m, bool platform) {
  int leaves = m.AddMaterial(kLeaves);
  if (platform)
    m.Cylinder(leaves, At(0, 0, 0, 24, 8, 12, 0, 0, 0));
  else
    m.Sphere(leaves, At(0, -2, 0, 11, 14, 11));
}

void Sprite(Model& m, const Material& mat, float size) { m.Quad(m.AddMaterial(mat), At(0, 0, 0, size, size, 1)); }

void SkyBackdrop(Model& m, const char* texture) {
  m.Quad(m.AddMaterial(Textured(texture)), At(0, 250, 800, 3200, 2400, 1));
}

// The main menu's lock, turning beside a locked mode's row ten units in front of the HUD eye: a
// body under a shackle, about a unit high.
void Padlock(Model& m) {
  m.Box(m.AddMaterial(Glow(1, 0.2f, 0.2f)), At(0, -0.2f, 0, 0.8f, 0.6f, 0.3f));
  m.Torus(m.AddMaterial(kHull), At(0, 0.15f, 0, 1, 0.55f, 0.55f, 0, 90, 0), 0.12f);
}

void ArkRing(Model& m, const Material& mat, float minor) { m.Torus(m.AddMaterial(mat), At(0, 0, 0, 1, 60, 60), minor, 32, 8); }

using Builder = std::function<void(Model&)>;
struct MeshFile {
  const char* file;
  Builder build;
};

// clang-format off
const MeshFile kMeshes[] = {
  {"default.x",          [](Model& m) { m.Box(m.AddMaterial(Solid(1, 0, 1)), At(0, 0, 0, 6, 6, 6)); }},
  {"company_logo_01.x",  [](Model& m) { m.Quad(m.AddMaterial(kLogo), At(0, 0, 0, 16, 8, 1)); }},
  {"pow_01.x",           [](Model& m) { m.Sphere(m.AddMaterial(kPickup), At(0, 0, 2, 14, 14, 4)); }},
  {"round_01.x",         [](Model& m) { m.Sphere(m.AddMaterial(Glow(1.0f, 0.4f, 0.3f)), At(0, 0, 0, 2.5f, 2.5f, 2.5f), 8, 6); }},
  {"cannon_ball_01.x",   [](Model& m) { m.Sphere(m.AddMaterial(kDark), At(0, 0, 0, 4, 4, 4), 10, 6); }},
  {"lock_01.x",          [](Model& m) { Padlock(m); }},
  {"hit_spark_01.x",     [](Model& m) { Sprite(m, kSpark, 8); }},
  {"turret_01.x",        [](Model& m) { Turret(m, kRedHull); }},
  {"turret_02.x",        [](Model& m) { Turret(m, kHull); }},
  {"spawn_01.x",         [](Model& m) { int b = m.AddMaterial(kRedHull); m.Sphere(b, At(0, 0, 0, 10, 10, 8)); m.Torus(m.AddMaterial(kEngine), At(0, 0, 0, 1, 11, 11, 0, 90, 0), 0.08f); }},
  {"ship_as_01.x",       [](Model& m) { PlayerShip(m, false); }},
  {"ship_as_02.x",       [](Model& m) { PlayerShip(m, true); }},
  {"shadow_as_01.x",     [](Model& m) { m.Quad(m.AddMaterial(kShadow), At(0, 0, 0, 12, 6, 1, 90, 0, 0)); }},
  {"shot_01.x",          [](Model& m) { m.Sphere(m.AddMaterial(Glow(1.0f, 1.0f, 0.5f)), At(0, 0, 0, 5, 1.5f, 1.5f), 8, 6); }},
  {"shot_02.x",          [](Model& m) { m.Sphere(m.AddMaterial(Glow(0.5f, 1.0f, 0.5f)), At(0, 0, 0, 6, 2.2f, 2.2f), 8, 6); }},
  {"shot_03.x",          [](Model& m) { m.Sphere(m.AddMaterial(Glow(0.5f, 0.8f, 1.0f)), At(0, 0, 0, 7, 3, 3), 8, 6); }},
  {"bomb_01.x",          [](Model& m) { int b = m.AddMaterial(kDark); m.Sphere(b, At(0, 0, 0, 6, 3, 3)); m.Box(m.AddMaterial(kRedHull), At(-3, 0, 0, 1, 3, 3)); }},
  {"drum_01.x",          [](Model& m) { m.Cylinder(m.AddMaterial(kRedHull), At(0, 0, 0, 4, 5, 5, 0, 90, 0)); }},
  {"hawk_01.x",          [](Model& m) { int b = m.AddMaterial(kHull); m.Cone(b, At(0, 0, 0, 7, 2, 2)); m.Box(b, At(-2.5f, 0, 0, 2, 0.4f, 4)); }},
  {"crow_01.x",          [](Model& m) { int b = m.AddMaterial(kDark); m.Cone(b, At(0, 0, 0, 9, 2.5f, 2.5f)); m.Box(b, At(-3, 0, 0, 3, 5, 0.4f)); }},
  {"ship_fighter_01.x",  [](Model& m) { Fighter(m, kRedHull, 1); }},
  {"ship_fighter_02.x",  [](Model& m) { Fighter(m, kHull, 2); }},
  {"ship_carrier_01.x",  [](Model& m) { int b = m.AddMaterial(kHull); m.Box(b, At(0, 0, 0, 20, 6, 10)); m.Cone(b, At(-12, 0, 0, -4, 6, 10)); m.Sphere(m.AddMaterial(kEngine), At(10.5f, 0, 0, 1, 4, 6)); }},
  {"static_tree_01.x",   [](Model& m) { int w = m.AddMaterial(kWood); m.Cylinder(w, At(0, 10, 0, 20, 4, 4, 0, 0, 90)); m.Sphere(m.AddMaterial(kLeaves), At(0, 24, 0, 16, 16, 16)); }},
  {"rock_01.x",          [](Model& m) { m.Sphere(m.AddMaterial(kRock), At(0, 0, 0, 18, 12, 14), 7, 5); }},
  {"rock_02.x",          [](Model& m) { m.Sphere(m.AddMaterial(kRock), At(0, 0, 0, 10, 8, 9), 6, 4); }},
  {"rock_03.x",          [](Model& m) { m.Sphere(m.AddMaterial(kRock), At(0, 0, 0, 6, 5, 6), 5, 4); }},
  {"tug_01.x",           [](Model& m) { int b = m.AddMaterial(kHull); m.Box(b, At(0, 0, 0, 10, 16, 8)); m.Sphere(m.AddMaterial(kEngine), At(0, 0, 4.5f, 4, 4, 1)); }},
  {"launcher_01.x",      [](Model& m) { int b = m.AddMaterial(kRedHull); m.Box(b, At(0, 0, 0, 10, 14, 6)); m.Cylinder(m.AddMaterial(kDark), At(-4, 0, 0, 4, 5, 5)); }},
  {"afterburn_01.x",     [](Model& m) { m.Cone(m.AddMaterial(kAfterburn), At(0, 0, 0, 8, 3, 3)); }},
  {"missle_left_01.x",   [](Model& m) { int b = m.AddMaterial(kHull); m.Cone(b, At(-3, 0, 0, -4, 3, 3)); m.Cylinder(b, At(1, 0, 0, 5, 3, 3)); m.Box(m.AddMaterial(kRedHull), At(3.5f, 0, 0, 1.5f, 5, 0.4f)); }},
  {"tree_top_01.x",      [](Model& m) { Tree(m, false); }},
  {"tree_top_plat_01.x", [](Model& m) { Tree(m, true); }},
  {"tree_trunk_01.x",    [](Model& m) { m.Cylinder(m.AddMaterial(kWood), At(0, 5, 0, 10, 6, 6, 0, 0, 90)); }},
  {"tree_horz_03.x",     [](Model& m) { m.Cylinder(m.AddMaterial(kWood), At(0, 0, 0, 24, 5, 5)); }},
  {"tree_horz_04.x",     [](Model& m) { m.Cylinder(m.AddMaterial(kWood), At(0, 0, 0, 40, 6, 6)); }},
  {"part_turret_02.x",   [](Model& m) { m.Box(m.AddMaterial(kDark), At(0, 4, 0, 12, 8, 8)); }},
  {"part_box_01.x",      [](Model& m) { m.Box(m.AddMaterial(kHull), At(0, 0, 0, 16, 16, 16)); }},
  {"part_box_02.x",      [](Model& m) { m.Box(m.AddMaterial(kRedHull), At(0, 0, 0, 16, 16, 16)); }},
  {"part_joint_01.x",    [](Model& m) { m.Sphere(m.AddMaterial(kDark), At(0, 0, 0, 6, 6, 6), 8, 6); }},
  {"part_hull_01.x",     [](Model& m) { int b = m.AddMaterial(kRedHull); m.Box(b, At(0, -1, 0, 20, 6, 10)); m.Cone(b, At(0, 3, 0, 20, 2, 8, 0, 0, 0)); }},
  {"part_vert_01.x",     [](Model& m) { m.Box(m.AddMaterial(kHull), At(0, 0, 0, 8, 10, 8)); }},
  {"part_vert_02.x",     [](Model& m) { m.Box(m.AddMaterial(kRedHull), At(0, 0, 0, 8, 18, 8)); }},
  {"part_horz_03.x",     [](Model& m) { m.Box(m.AddMaterial(kRedHull), At(0, 0, 0, 24, 6, 8)); }},
  {"part_bridge_01.x",   [](Model& m) { m.Box(m.AddMaterial(kPlanks), At(0, 0, 0, 24, 6, 8)); }},
  {"part_mount_01.x",    [](Model& m) { m.Box(m.AddMaterial(kDark), At(0, 0, 0, 26, 4, 10)); }},
  {"part_brace_01.x",    [](Model& m) { int b = m.AddMaterial(kHull); m.Box(b, At(0, 0, 0, 4, 90, 4)); m.Box(b, At(0, 0, 0, 4, 60, 4, 0, 0, 35)); }},
  {"part_brace_02.x",    [](Model& m) { int b = m.AddMaterial(kDark); m.Box(b, At(0, 0, 0, 6, 100, 6)); m.Box(b, At(0, 0, 0, 6, 70, 6, 0, 0, -35)); }},
  {"part_step_01.x",     [](Model& m) { int b = m.AddMaterial(kHull); m.Box(b, At(0, -3, 0, 12, 6, 10)); m.Box(b, At(3, 3, 0, 6, 6, 10)); }},
  {"core_01.x",          [](Model& m) { Core(m, false); }},
  {"core_02.x",          [](Model& m) { Core(m, true); }},
  {"core_bar_01.x",      [](Model& m) { m.Box(m.AddMaterial(Glow(0.3f, 1.0f, 0.3f)), At(0, 0, -6, 3, 10, 1)); }},
  {"plat_01.x",          [](Model& m) { Platform(m, 10); }},
  {"plat_02.x",          [](Model& m) { Platform(m, 22); }},
  {"laser_01.x",         [](Model& m) { int b = m.AddMaterial(kRedHull); m.Box(b, At(1, 0, 0, 8, 8, 8)); m.Cylinder(m.AddMaterial(kDark), At(-4, 0, 0, 6, 2, 2)); }},
  {"cannon_01.x",        [](Model& m) { int b = m.AddMaterial(kDark); m.Box(b, At(3, 0, 0, 12, 10, 10)); m.Cylinder(b, At(-5, 0, 0, 10, 5, 5)); }},
  {"cannon_02.x",        [](Model& m) { int b = m.AddMaterial(kDark); m.Box(b, At(0, -1, 0, 10, 6, 8)); m.Cylinder(b, At(-2, 2, 0, 7, 3, 3, 0, 0, -55)); }},
  {"beam_gun_01.x",      [](Model& m) { int b = m.AddMaterial(kHull); m.Cylinder(b, At(0, 0, 0, 20, 8, 8)); m.Sphere(m.AddMaterial(Glow(0.4f, 0.6f, 1.0f)), At(-10, 0, 0, 3, 5, 5)); }},
  {"beam_01.x",          [](Model& m) { m.Cylinder(m.AddMaterial(kBeam), At(-80, 0, 0, 150, 3, 3)); }},
  {"beam_02.x",          [](Model& m) { Sprite(m, kBeamFlare, 14); }},
  {"hp_tick_01.x",       [](Model& m) { m.Box(m.AddMaterial(Glow(0.3f, 1.0f, 0.3f)), At(0, 0, 0, 1.4f, 2.5f, 0.5f)); }},
  {"explosion_01.x",     [](Model& m) { Sprite(m, kExplosion, 22); }},
  {"map_cast_01.x",      [](Model& m) { int b = m.AddMaterial(kBlueHull); for (int i = 0; i < 5; i++) m.Box(b, At(-20 + i * 10.0f, 0, 0, 8, 1, 8)); }},
  {"map_survival_01.x",  [](Model& m) { m.Box(m.AddMaterial(kRedHull), At(0, 0, 0, 60, 1, 8)); }},
  {"map_floor_01.x",     [](Model& m) { m.Box(m.AddMaterial(kDark), At(0, -1, 0, 80, 0.5f, 60)); }},
  {"hud_01.x",           [](Model& m) { m.Box(m.AddMaterial(kHudPanel), At(0, 0, 2, 150, 10, 1)); }},
  {"hud_02.x",           [](Model& m) { m.Box(m.AddMaterial(Glow(0.2f, 0.4f, 0.8f)), At(0, 0, 0, 10, 3, 1)); }},
  {"debris_01.x",        [](Model& m) { m.Box(m.AddMaterial(kRock), At(0, 0, 0, 3, 2, 2, 20, 30, 10)); }},
  {"fragment_grey_01.x", [](Model& m) { m.Box(m.AddMaterial(kHull), At(0, 0, 0, 2.5f, 1, 1.5f, 30, 10, 40)); }},
  {"fragment_red_01.x",  [](Model& m) { m.Box(m.AddMaterial(kRedHull), At(0, 0, 0, 2.5f, 1, 1.5f, 30, 10, 40)); }},
  {"smoke_01.x",         [](Model& m) { Sprite(m, kSmoke, 8); }},
  {"smoke_02.x",         [](Model& m) { Sprite(m, kDarkSmoke, 12); }},
  {"sparks_01.x",        [](Model& m) { Sprite(m, kSpark, 6); }},
  {"leaf_01.x",          [](Model& m) { Sprite(m, kLeaf, 3); }},
  {"splinter_01.x",      [](Model& m) { m.Box(m.AddMaterial(kPlanks), At(0, 0, 0, 3, 0.6f, 0.6f, 0, 20, 30)); }},
  {"surface_cave_01.x",  [](Model& m) { m.Box(m.AddMaterial(kCave), At(0, 0, 0, 60, 12, 60)); }},
  {"surface_cave_02.x",  [](Model& m) { m.Box(m.AddMaterial(kCave), At(0, 0, 0, 60, 20, 60)); }},
  {"surface_metal_01.x", [](Model& m) { m.Box(m.AddMaterial(kHull), At(0, 0, 0, 20, 0.5f, 20)); }},
  {"cave_01.x",          [](Model& m) { m.Sphere(m.AddMaterial(kCave), At(0, 0, 0, 300, 120, 200), 10, 6); }},
  {"cave_02.x",          [](Model& m) { m.Sphere(m.AddMaterial(kCave), At(0, 0, 0, 400, 150, 120), 10, 6); }},
  {"glow_bug_01.x",      [](Model& m) { m.Sphere(m.AddMaterial(kBugGlow), At(0, 0, 0, 8, 6, 6), 10, 6); }},
  {"ark_base_01.x",      [](Model& m) { int b = m.AddMaterial(kHull); m.Box(b, At(0, -40, 0, 120, 20, 120)); m.Cylinder(b, At(0, -20, 0, 40, 30, 30, 0, 0, 90)); }},
  {"ark_ring_hull_01.x", [](Model& m) { ArkRing(m, kHull, 0.05f); }},
  {"ark_ring_pad_01.x",  [](Model& m) { ArkRing(m, kRedHull, 0.02f); }},
  {"ark_part_pad_01.x",  [](Model& m) { m.Box(m.AddMaterial(kRedHull), At(0, 0, 0, 8, 3, 8)); }},
  // The title rings' spokes (Padlock's note applies: sized for where they are drawn): the two lifts
  // are arms along the spoke on either side of its ship, the slings cradles under it along the axis.
  {"ark_lift_01.x",      [](Model& m) { m.Box(m.AddMaterial(kHull), At(0, 0, 0, 1.5f, 10, 3)); }},
  {"ark_lift_02.x",      [](Model& m) { m.Box(m.AddMaterial(kDark), At(0, 0, 0, 1.5f, 12, 2.5f)); }},
  {"ark_sling_01.x",     [](Model& m) { m.Cylinder(m.AddMaterial(kHull), At(0, 0, 0, 9, 1.2f, 1.2f)); }},
  {"ark_sling_02.x",     [](Model& m) { m.Cylinder(m.AddMaterial(kDark), At(0, 0, 0, 9, 0.9f, 0.9f)); }},
  {"sky_cloudy_01.x",    [](Model& m) { SkyBackdrop(m, "sky_cloudy_01.jpg"); }},
  {"sky_cloudy_02.x",    [](Model& m) { SkyBackdrop(m, "sky_cloudy_02.jpg"); }},
  {"sky_clear_01.x",     [](Model& m) { SkyBackdrop(m, "sky_clear_01.jpg"); }},
  {"sky_desert_01.x",    [](Model& m) { SkyBackdrop(m, "sky_desert_01.jpg"); }},
  {"sky_sunset_01.x",    [](Model& m) { SkyBackdrop(m, "sky_sunset_01.jpg"); }},
  {"stars_01.x",         [](Model& m) { m.Quad(m.AddMaterial(Textured("stars_01.png")), At(0, 0, 900, 2400, 1800, 1), 0, 0, 8, 6); }},
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
