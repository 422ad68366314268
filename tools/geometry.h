// Simple solid modelling for the asset maker: primitives placed into one model, written as a
// binary ".x" mesh with one subset per material.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct Vec3 {
  float x, y, z;
};

struct Material {
  float r, g, b, a;
  float power;           // specular power
  float sr, sg, sb;      // specular colour
  float er, eg, eb;      // emissive colour
  std::string texture;   // file name in res, empty for none
  // The world size of one copy of the texture: surfaces take as many copies as they are long, so
  // every face shows the texture at one scale. 0 stretches one copy over each primitive (sprites,
  // backdrops, the HUD).
  float tile = 0;
};

struct Vertex {
  Vec3 pos, normal;
  float u, v;
};

struct Face {
  int a, b, c;
  int material;
};

// Where a primitive goes: scale, then rotations about x, y, z (degrees), then translation.
struct Place {
  Vec3 at{0, 0, 0};
  Vec3 scale{1, 1, 1};
  Vec3 turn{0, 0, 0};
};

struct Model {
  std::vector<Vertex> vertices;
  std::vector<Face> faces;
  std::vector<Material> materials;

  int AddMaterial(const Material& m);
  void Box(int material, const Place& p);                 // unit cube centred on the origin
  void Sphere(int material, const Place& p, int slices = 12, int stacks = 8);  // radius 0.5
  void Cylinder(int material, const Place& p, int slices = 12);  // along x, length 1, radius 0.5
  void Cone(int material, const Place& p, int slices = 12);      // along +x, length 1, radius 0.5
  void Quad(int material, const Place& p, float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1);  // unit, xy plane, facing -z
  // A square of half-size `half` centred at `centre`, spanned by the unit vectors `right` and `up`
  // and facing along `facing`, its texture from (u0, v0) at the top left to (u1, v1).
  void Square(int material, Vec3 centre, Vec3 right, Vec3 up, Vec3 facing, float half, float u0, float v0, float u1,
              float v1);
  // A ring in the yz plane, of unit diameter and tube radius `minor`; `sweep` degrees of it from
  // +y toward +z (all of it by default).
  void Torus(int material, const Place& p, float minor, int major_segments = 24, int minor_segments = 8,
             float sweep = 360);
  // A hull through cross-sections along x: each station is an ellipse (or, with few sides, a
  // polygon) centred at (x, y) with half-width hw across z and half-height hh; ends with a
  // section of size 0 come to a point, others are capped.
  struct Station {
    float x, y, hw, hh;
  };
  void Loft(int material, const Place& p, const std::vector<Station>& stations, int sides = 8);
  // A flat plate from an outline in the xy plane (convex, in order), extruded along z by depth:
  // fins, wings, brackets. Turn it to lay it in another plane.
  void Plate(int material, const Place& p, const std::vector<std::pair<float, float>>& outline, float depth);
  // A rough lump (radius about 0.5): a sphere whose points move in and out by a seeded noise, for
  // rocks and rock walls; the same seed gives the same lump.
  // A height field over the unit square in x and z (-0.5 to 0.5): height(x, z) gives y in the
  // place's units (not scaled), with a front skirt (at -z) and side skirts down to `bottom`.
  void Field(int material, const Place& p, int nx, int nz, float bottom, const std::function<float(float, float)>& height);
  void Lump(int material, const Place& p, unsigned seed, float roughness, int slices = 10, int stacks = 7);

  // A dark rim round the model as it stands so far, to set it off from any background: a copy
  // grown by `width` on every side of the model's bounding box and turned inside out, so that only
  // the part outside the model's silhouette shows.
  void Outline(int material, float width);

  // The texture coordinate a length of surface spans in the material: its length in copies of a
  // tiled texture (a whole number of copies round a closed loop, so no seam shows), or `whole`
  // for a material that stretches its texture.
  float Span(int material, float length, bool closed, float whole = 1) const;
};

Material Solid(float r, float g, float b, float power = 20.0f, float spec = 0.3f);
Material Glow(float r, float g, float b, float a = 1.0f);
Material Textured(const std::string& texture, float r = 1, float g = 1, float b = 1, float a = 1);
// A textured surface whose texture repeats every `tile` world units.
Material Surface(const std::string& texture, float tile, float r = 1, float g = 1, float b = 1);

bool WriteXFile(const std::string& path, const Model& model);
