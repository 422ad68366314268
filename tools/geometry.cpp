#include "geometry.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr float kPi = 3.14159265358979f;

Vec3 Rotate(Vec3 v, Vec3 turn) {
  float ax = turn.x * kPi / 180, ay = turn.y * kPi / 180, az = turn.z * kPi / 180;
  Vec3 r = {v.x, v.y * std::cos(ax) - v.z * std::sin(ax), v.y * std::sin(ax) + v.z * std::cos(ax)};
  r = {r.x * std::cos(ay) + r.z * std::sin(ay), r.y, -r.x * std::sin(ay) + r.z * std::cos(ay)};
  r = {r.x * std::cos(az) - r.y * std::sin(az), r.x * std::sin(az) + r.y * std::cos(az), r.z};
  return r;
}

Vec3 Normalised(Vec3 v) {
  float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (l <= 0) return {0, 0, -1};
  return {v.x / l, v.y / l, v.z / l};
}

int AddVertex(Model& m, const Place& p, Vec3 pos, Vec3 normal, float u, float v) {
  Vec3 s = {pos.x * p.scale.x, pos.y * p.scale.y, pos.z * p.scale.z};
  Vec3 w = Rotate(s, p.turn);
  // Normals transform by the inverse scale so stretched shapes stay lit correctly.
  Vec3 n = Normalised(Rotate(Normalised({normal.x / p.scale.x, normal.y / p.scale.y, normal.z / p.scale.z}), p.turn));
  m.vertices.push_back({{w.x + p.at.x, w.y + p.at.y, w.z + p.at.z}, n, u, v});
  return static_cast<int>(m.vertices.size()) - 1;
}

// Front faces wind clockwise seen from the front (left-handed), so their geometric normal
// (b - a) x (c - a) points outward; a triangle whose winding disagrees with its vertex normals
// is turned round, so the primitives need not get every winding right by hand.
void AddTriangle(Model& m, int a, int b, int c, int material) {
  const Vec3 &pa = m.vertices[a].pos, &pb = m.vertices[b].pos, &pc = m.vertices[c].pos;
  Vec3 u = {pb.x - pa.x, pb.y - pa.y, pb.z - pa.z}, v = {pc.x - pa.x, pc.y - pa.y, pc.z - pa.z};
  Vec3 n = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  const Vec3 &na = m.vertices[a].normal, &nb = m.vertices[b].normal, &nc = m.vertices[c].normal;
  float dot = n.x * (na.x + nb.x + nc.x) + n.y * (na.y + nb.y + nc.y) + n.z * (na.z + nb.z + nc.z);
  if (dot < 0)
    m.faces.push_back({a, c, b, material});
  else
    m.faces.push_back({a, b, c, material});
}

// Copies a triangle of a round shape's grid into the model with a tiled texture laid on it from
// the side it faces most: a grid's own coordinates would squeeze the texture at the poles and
// stretch it along a flattened shape. The seams between sides vanish in rough textures.
void AddProjected(Model& m, const Model& grid, int a, int b, int c, int material) {
  const float tile = m.materials[material].tile;
  const Vec3 &pa = grid.vertices[a].pos, &pb = grid.vertices[b].pos, &pc = grid.vertices[c].pos;
  Vec3 e = {pb.x - pa.x, pb.y - pa.y, pb.z - pa.z}, f = {pc.x - pa.x, pc.y - pa.y, pc.z - pa.z};
  Vec3 n = {std::fabs(e.y * f.z - e.z * f.y), std::fabs(e.z * f.x - e.x * f.z), std::fabs(e.x * f.y - e.y * f.x)};
  int corners[3];
  for (int k = 0; k < 3; k++) {
    Vertex v = grid.vertices[k == 0 ? a : k == 1 ? b : c];
    float across = n.x >= n.y && n.x >= n.z ? v.pos.z : v.pos.x, up = n.y >= n.x && n.y >= n.z ? v.pos.z : v.pos.y;
    v.u = across / tile, v.v = -up / tile;
    m.vertices.push_back(v);
    corners[k] = static_cast<int>(m.vertices.size()) - 1;
  }
  AddTriangle(m, corners[0], corners[1], corners[2], material);
}

// A triangle of a round shape: its grid's own when it was built into the model, projected from
// the grid built apart otherwise.
void GridTriangle(Model& m, const Model* grid, int a, int b, int c, int material) {
  if (grid)
    AddProjected(m, *grid, a, b, c, material);
  else
    AddTriangle(m, a, b, c, material);
}

}  // namespace

int Model::AddMaterial(const Material& mat) {
  materials.push_back(mat);
  return static_cast<int>(materials.size()) - 1;
}

float Model::Span(int material, float length, bool closed, float whole) const {
  float tile = materials[material].tile;
  if (tile <= 0) return whole;
  // A loop shorter than a tile takes part of a copy: its seam is too small to see, and a whole
  // copy squeezed round it would stretch the texture many times over.
  float copies = length / tile;
  return closed && copies >= 1 ? std::round(copies) : copies;
}

namespace {

// The perimeter of an ellipse of semi-axes a and b, near enough.
float Ellipse(float a, float b) { return kPi * (a + b); }

}  // namespace

void Model::Quad(int material, const Place& p, float u0, float v0, float u1, float v1) {
  float su = Span(material, p.scale.x, false), sv = Span(material, p.scale.y, false);
  u0 *= su, u1 *= su, v0 *= sv, v1 *= sv;
  int a = AddVertex(*this, p, {-0.5f, -0.5f, 0}, {0, 0, -1}, u0, v1);
  int b = AddVertex(*this, p, {-0.5f, 0.5f, 0}, {0, 0, -1}, u0, v0);
  int c = AddVertex(*this, p, {0.5f, 0.5f, 0}, {0, 0, -1}, u1, v0);
  int d = AddVertex(*this, p, {0.5f, -0.5f, 0}, {0, 0, -1}, u1, v1);
  AddTriangle(*this, a, b, c, material);
  AddTriangle(*this, a, c, d, material);
}

void Model::Square(int material, Vec3 centre, Vec3 right, Vec3 up, Vec3 facing, float half, float u0, float v0,
                   float u1, float v1) {
  auto corner = [&](float sr, float su, float u, float v) {
    vertices.push_back({{centre.x + (right.x * sr + up.x * su) * half, centre.y + (right.y * sr + up.y * su) * half,
                         centre.z + (right.z * sr + up.z * su) * half},
                        facing,
                        u,
                        v});
    return static_cast<int>(vertices.size()) - 1;
  };
  int a = corner(-1, -1, u0, v1), b = corner(-1, 1, u0, v0), c = corner(1, 1, u1, v0), d = corner(1, -1, u1, v1);
  AddTriangle(*this, a, b, c, material);
  AddTriangle(*this, a, c, d, material);
}

void Model::Box(int material, const Place& p) {
  // Each face: normal, and the two in-plane axes.
  const Vec3 faces[6][3] = {
      {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
  };
  for (const auto& f : faces) {
    Vec3 n = f[0], u = f[1], v = f[2];
    auto corner = [&](float su, float sv) {
      return Vec3{n.x * 0.5f + (u.x * su + v.x * sv) * 0.5f, n.y * 0.5f + (u.y * su + v.y * sv) * 0.5f,
                  n.z * 0.5f + (u.z * su + v.z * sv) * 0.5f};
    };
    auto extent = [&](Vec3 axis) {
      return std::fabs(axis.x) * p.scale.x + std::fabs(axis.y) * p.scale.y + std::fabs(axis.z) * p.scale.z;
    };
    float su = Span(material, extent(u), false), sv = Span(material, extent(v), false);
    int a = AddVertex(*this, p, corner(-1, -1), n, 0, sv);
    int b = AddVertex(*this, p, corner(-1, 1), n, 0, 0);
    int c = AddVertex(*this, p, corner(1, 1), n, su, 0);
    int d = AddVertex(*this, p, corner(1, -1), n, su, sv);
    AddTriangle(*this, a, b, c, material);
    AddTriangle(*this, a, c, d, material);
  }
}

void Model::Sphere(int material, const Place& p, int slices, int stacks) {
  // A tiled texture is laid on triangle by triangle (AddProjected), from a grid built apart.
  const bool tiled = materials[material].tile > 0;
  Model grid;
  Model& into = tiled ? grid : *this;
  int first = static_cast<int>(into.vertices.size());
  for (int i = 0; i <= stacks; i++) {
    float phi = kPi * i / stacks;
    for (int j = 0; j <= slices; j++) {
      float theta = 2 * kPi * j / slices;
      Vec3 n = {std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
      AddVertex(into, p, {n.x * 0.5f, n.y * 0.5f, n.z * 0.5f}, n, float(j) / slices, float(i) / stacks);
    }
  }
  for (int i = 0; i < stacks; i++)
    for (int j = 0; j < slices; j++) {
      int a = first + i * (slices + 1) + j, b = a + 1, c = a + slices + 1, d = c + 1;
      GridTriangle(*this, tiled ? &grid : nullptr, a, b, d, material);
      GridTriangle(*this, tiled ? &grid : nullptr, a, d, c, material);
    }
}

// An end cap's texture coordinates: a tiled texture lies flat across the cap, a stretched one
// runs from the centre to the rim.
struct Cap {
  bool flat;
  float su, sv;  // copies across the cap's y and z
  float u(float y, float rim) const { return flat ? (0.5f + y) * su : rim; }
  float v(float z) const { return flat ? (0.5f + z) * sv : 0; }
};

void Model::Cylinder(int material, const Place& p, int slices) {
  float sa = Span(material, p.scale.x, false), sr = Span(material, Ellipse(p.scale.y / 2, p.scale.z / 2), true);
  Cap cap = {materials[material].tile > 0, Span(material, p.scale.y, false), Span(material, p.scale.z, false)};
  for (int j = 0; j < slices; j++) {
    float t0 = 2 * kPi * j / slices, t1 = 2 * kPi * (j + 1) / slices;
    Vec3 n0 = {0, std::cos(t0), std::sin(t0)}, n1 = {0, std::cos(t1), std::sin(t1)};
    int a = AddVertex(*this, p, {-0.5f, n0.y * 0.5f, n0.z * 0.5f}, n0, 0, float(j) / slices * sr);
    int b = AddVertex(*this, p, {0.5f, n0.y * 0.5f, n0.z * 0.5f}, n0, sa, float(j) / slices * sr);
    int c = AddVertex(*this, p, {0.5f, n1.y * 0.5f, n1.z * 0.5f}, n1, sa, float(j + 1) / slices * sr);
    int d = AddVertex(*this, p, {-0.5f, n1.y * 0.5f, n1.z * 0.5f}, n1, 0, float(j + 1) / slices * sr);
    AddTriangle(*this, a, b, c, material);
    AddTriangle(*this, a, c, d, material);
    for (float end : {-0.5f, 0.5f}) {
      Vec3 n = {end * 2, 0, 0};
      int centre = AddVertex(*this, p, {end, 0, 0}, n, cap.flat ? cap.u(0, 0) : 0.5f, cap.flat ? cap.v(0) : 0.5f);
      int e = AddVertex(*this, p, {end, n0.y * 0.5f, n0.z * 0.5f}, n, cap.u(n0.y * 0.5f, 0), cap.v(n0.z * 0.5f));
      int f = AddVertex(*this, p, {end, n1.y * 0.5f, n1.z * 0.5f}, n, cap.u(n1.y * 0.5f, 1), cap.v(n1.z * 0.5f));
      if (end > 0)
        AddTriangle(*this, centre, f, e, material);
      else
        AddTriangle(*this, centre, e, f, material);
    }
  }
}

void Model::Cone(int material, const Place& p, int slices) {
  float sa = Span(material, p.scale.x, false), sr = Span(material, Ellipse(p.scale.y / 2, p.scale.z / 2), true);
  Cap cap = {materials[material].tile > 0, Span(material, p.scale.y, false), Span(material, p.scale.z, false)};
  for (int j = 0; j < slices; j++) {
    float t0 = 2 * kPi * j / slices, t1 = 2 * kPi * (j + 1) / slices;
    Vec3 n0 = {0.5f, std::cos(t0), std::sin(t0)}, n1 = {0.5f, std::cos(t1), std::sin(t1)};
    int tip = AddVertex(*this, p, {0.5f, 0, 0}, {1, 0, 0}, sa, 0.5f * sr);
    int a = AddVertex(*this, p, {-0.5f, std::cos(t0) * 0.5f, std::sin(t0) * 0.5f}, n0, 0, float(j) / slices * sr);
    int b = AddVertex(*this, p, {-0.5f, std::cos(t1) * 0.5f, std::sin(t1) * 0.5f}, n1, 0, float(j + 1) / slices * sr);
    AddTriangle(*this, tip, b, a, material);
    int centre =
        AddVertex(*this, p, {-0.5f, 0, 0}, {-1, 0, 0}, cap.flat ? cap.u(0, 0) : 0.5f, cap.flat ? cap.v(0) : 0.5f);
    int e = AddVertex(*this, p, {-0.5f, std::cos(t0) * 0.5f, std::sin(t0) * 0.5f}, {-1, 0, 0},
                      cap.u(std::cos(t0) * 0.5f, 0), cap.v(std::sin(t0) * 0.5f));
    int f = AddVertex(*this, p, {-0.5f, std::cos(t1) * 0.5f, std::sin(t1) * 0.5f}, {-1, 0, 0},
                      cap.u(std::cos(t1) * 0.5f, 1), cap.v(std::sin(t1) * 0.5f));
    AddTriangle(*this, centre, e, f, material);
  }
}

void Model::Torus(int material, const Place& p, float minor, int major_segments, int minor_segments, float sweep) {
  int first = static_cast<int>(vertices.size());
  float su = Span(material, Ellipse(p.scale.y / 2, p.scale.z / 2), true);
  // Round the tube, a tiled texture goes by the distance along its section, which a flattened
  // ring makes far from even in angle.
  std::vector<float> round(minor_segments + 1, 0.0f);
  const float radial = minor * (p.scale.y + p.scale.z) / 2;
  for (int j = 1; j <= minor_segments; j++) {
    float b0 = 2 * kPi * (j - 1) / minor_segments, b1 = 2 * kPi * j / minor_segments;
    round[j] = round[j - 1] +
               std::hypot((std::sin(b1) - std::sin(b0)) * minor * p.scale.x, (std::cos(b1) - std::cos(b0)) * radial);
  }
  const bool tiled = materials[material].tile > 0;
  float sv = Span(material, round.back(), true);
  for (int i = 0; i <= major_segments; i++) {
    float a = (sweep >= 360 ? 2 * kPi : sweep * kPi / 180) * i / major_segments;
    Vec3 centre = {0, std::cos(a) * 0.5f, std::sin(a) * 0.5f};
    for (int j = 0; j <= minor_segments; j++) {
      float b = 2 * kPi * j / minor_segments;
      Vec3 n = {std::sin(b), std::cos(a) * std::cos(b), std::sin(a) * std::cos(b)};
      float v = tiled ? round[j] / round.back() * sv : float(j) / minor_segments;
      AddVertex(*this, p, {centre.x + n.x * minor, centre.y + n.y * minor, centre.z + n.z * minor}, n,
                float(i) / major_segments * su, v);
    }
  }
  for (int i = 0; i < major_segments; i++)
    for (int j = 0; j < minor_segments; j++) {
      int a = first + i * (minor_segments + 1) + j, b = a + 1, c = a + minor_segments + 1, d = c + 1;
      AddTriangle(*this, a, d, b, material);
      AddTriangle(*this, a, c, d, material);
    }
}

void Model::Loft(int material, const Place& p, const std::vector<Station>& st, int sides) {
  if (st.size() < 2) return;
  // A tiled texture runs along the hull by the distance between the stations and round it by the
  // sections' mean perimeter.
  const bool tiled = materials[material].tile > 0;
  std::vector<float> along(st.size(), 0.0f);
  float round = 0;
  int sections = 0;
  for (size_t i = 0; i < st.size(); i++) {
    if (i > 0) {
      float dx = (st[i].x - st[i - 1].x) * p.scale.x;
      float dr = (st[i].hw - st[i - 1].hw) * p.scale.z / 2 + (st[i].hh - st[i - 1].hh) * p.scale.y / 2;
      along[i] = along[i - 1] + std::sqrt(dx * dx + dr * dr);
    }
    if (st[i].hw > 0 || st[i].hh > 0) round += Ellipse(st[i].hw * p.scale.z, st[i].hh * p.scale.y), sections++;
  }
  float sr = Span(material, sections ? round / sections : 0, true);
  // Rings of vertices with outward normals from the section's own ellipse, tilted by the slope
  // of the hull between neighbouring stations.
  std::vector<int> rings;
  for (size_t i = 0; i < st.size(); i++) {
    const Station& s = st[i];
    const Station& a = st[i > 0 ? i - 1 : i];
    const Station& b = st[i + 1 < st.size() ? i + 1 : i];
    float dx = b.x - a.x;
    float slope_w = dx != 0 ? (b.hw - a.hw) / dx : 0, slope_h = dx != 0 ? (b.hh - a.hh) / dx : 0;
    rings.push_back(static_cast<int>(vertices.size()));
    for (int j = 0; j <= sides; j++) {
      float t = 2 * kPi * j / sides + kPi / sides;
      float cy = std::cos(t), cz = std::sin(t);
      float hh = s.hh > 0.01f ? s.hh : std::fmax(a.hh, b.hh), hw = s.hw > 0.01f ? s.hw : std::fmax(a.hw, b.hw);
      Vec3 radial = Normalised({0, cy / (hh > 0.01f ? hh : 0.01f), cz / (hw > 0.01f ? hw : 0.01f)});
      Vec3 n = {-(slope_h * cy * cy + slope_w * cz * cz), radial.y, radial.z};
      float u = tiled ? along[i] / materials[material].tile : float(i) / (st.size() - 1);
      AddVertex(*this, p, {s.x, s.y + cy * s.hh, cz * s.hw}, n, u, float(j) / sides * sr);
    }
  }
  for (size_t i = 0; i + 1 < st.size(); i++)
    for (int j = 0; j < sides; j++) {
      int a = rings[i] + j, b = a + 1, c = rings[i + 1] + j, d = c + 1;
      if (st[i].hw > 0 || st[i].hh > 0) AddTriangle(*this, a, d, b, material);
      if (st[i + 1].hw > 0 || st[i + 1].hh > 0) AddTriangle(*this, a, c, d, material);
    }
  for (int end = 0; end < 2; end++) {
    const Station& s = end ? st.back() : st.front();
    if (s.hw <= 0 && s.hh <= 0) continue;
    Vec3 n = {end ? 1.0f : -1.0f, 0, 0};
    // A stretched texture spans the cap once; a tiled one lies across it at its world size.
    float su = tiled ? 2 * s.hw * p.scale.z / materials[material].tile : 1;
    float sv = tiled ? 2 * s.hh * p.scale.y / materials[material].tile : 1;
    int centre = AddVertex(*this, p, {s.x, s.y, 0}, n, 0.5f * su, 0.5f * sv);
    int first = static_cast<int>(vertices.size());
    for (int j = 0; j <= sides; j++) {
      float t = 2 * kPi * j / sides + kPi / sides;
      AddVertex(*this, p, {s.x, s.y + std::cos(t) * s.hh, std::sin(t) * s.hw}, n, (0.5f + 0.5f * std::sin(t)) * su,
                (0.5f + 0.5f * std::cos(t)) * sv);
    }
    for (int j = 0; j < sides; j++) AddTriangle(*this, centre, first + j, first + j + 1, material);
  }
}

void Model::Plate(int material, const Place& p, const std::vector<std::pair<float, float>>& outline, float depth) {
  size_t n = outline.size();
  if (n < 3) return;
  float minx = outline[0].first, maxx = minx, miny = outline[0].second, maxy = miny;
  for (const auto& q : outline) {
    minx = std::fmin(minx, q.first), maxx = std::fmax(maxx, q.first);
    miny = std::fmin(miny, q.second), maxy = std::fmax(maxy, q.second);
  }
  float w = maxx - minx > 0 ? maxx - minx : 1, h = maxy - miny > 0 ? maxy - miny : 1;
  float su = Span(material, w * p.scale.x, false), sv = Span(material, h * p.scale.y, false);
  float sd = Span(material, depth * p.scale.z, false);
  for (float side : {-0.5f, 0.5f}) {
    int first = static_cast<int>(vertices.size());
    for (const auto& q : outline)
      AddVertex(*this, p, {q.first, q.second, side * depth}, {0, 0, side * 2}, (q.first - minx) / w * su,
                (maxy - q.second) / h * sv);
    for (size_t i = 1; i + 1 < n; i++) AddTriangle(*this, first, first + int(i), first + int(i) + 1, material);
  }
  for (size_t i = 0; i < n; i++) {
    const auto& a = outline[i];
    const auto& b = outline[(i + 1) % n];
    Vec3 e = {b.first - a.first, b.second - a.second, 0};
    Vec3 nrm = {e.y, -e.x, 0};
    // Outward is away from the outline's centre.
    float cx = (minx + maxx) / 2 - a.first, cy = (miny + maxy) / 2 - a.second;
    if (nrm.x * cx + nrm.y * cy > 0) nrm = {-nrm.x, -nrm.y, 0};
    float se = Span(material, std::hypot(e.x * p.scale.x, e.y * p.scale.y), false);
    int v0 = AddVertex(*this, p, {a.first, a.second, -0.5f * depth}, nrm, 0, 0);
    int v1 = AddVertex(*this, p, {b.first, b.second, -0.5f * depth}, nrm, se, 0);
    int v2 = AddVertex(*this, p, {b.first, b.second, 0.5f * depth}, nrm, se, sd);
    int v3 = AddVertex(*this, p, {a.first, a.second, 0.5f * depth}, nrm, 0, sd);
    AddTriangle(*this, v0, v1, v2, material);
    AddTriangle(*this, v0, v2, v3, material);
  }
}

void Model::Field(int material, const Place& p, int nx, int nz, float bottom,
                  const std::function<float(float, float)>& height) {
  Place q = p;
  q.scale.y = 1;
  auto point = [&](int i, int k) {
    float x = float(i) / nx - 0.5f, z = float(k) / nz - 0.5f;
    return Vec3{x, height(x, z), z};
  };
  int first = static_cast<int>(vertices.size());
  float dx = p.scale.x / nx, dz = p.scale.z / nz;
  float su = Span(material, p.scale.x, false, 4), sv = Span(material, p.scale.z, false);
  for (int k = 0; k <= nz; k++)
    for (int i = 0; i <= nx; i++) {
      Vec3 c = point(i, k);
      Vec3 l = point(i > 0 ? i - 1 : i, k), r = point(i < nx ? i + 1 : i, k);
      Vec3 b = point(i, k > 0 ? k - 1 : k), f = point(i, k < nz ? k + 1 : k);
      float sx = (r.y - l.y) / (dx * ((i > 0) + (i < nx))), sz = (f.y - b.y) / (dz * ((k > 0) + (k < nz)));
      // The normal in placed units; AddVertex divides by the scale again, so hand it pre-scaled.
      Vec3 n = {-sx * p.scale.x, 1, -sz * p.scale.z};
      AddVertex(*this, q, c, n, float(i) / nx * su, float(k) / nz * sv);
    }
  for (int k = 0; k < nz; k++)
    for (int i = 0; i < nx; i++) {
      int a = first + k * (nx + 1) + i, b = a + 1, c = a + nx + 1, d = c + 1;
      AddTriangle(*this, a, d, b, material);
      AddTriangle(*this, a, c, d, material);
    }
  // Skirts: the front edge (k = 0) and both ends, down to the bottom.
  auto skirt = [&](int i0, int k0, int i1, int k1, Vec3 n) {
    Vec3 a = point(i0, k0), b = point(i1, k1);
    // A tiled texture runs on round the skirt from face to face and stands at its world size.
    float tile = materials[material].tile;
    auto u = [&](Vec3 c, float whole) { return tile > 0 ? (c.x * p.scale.x + c.z * p.scale.z) / tile : whole; };
    auto v = [&](float y, float whole) { return tile > 0 ? -y / tile : whole; };
    int v0 = AddVertex(*this, q, a, n, u(a, 0), v(a.y, 0)), v1 = AddVertex(*this, q, b, n, u(b, 1), v(b.y, 0));
    int v2 = AddVertex(*this, q, {b.x, bottom, b.z}, n, u(b, 1), v(bottom, 1));
    int v3 = AddVertex(*this, q, {a.x, bottom, a.z}, n, u(a, 0), v(bottom, 1));
    AddTriangle(*this, v0, v1, v2, material);
    AddTriangle(*this, v0, v2, v3, material);
  };
  for (int i = 0; i < nx; i++) skirt(i, 0, i + 1, 0, {0, 0, -1});
  for (int k = 0; k < nz; k++) {
    skirt(0, k, 0, k + 1, {-1, 0, 0});
    skirt(nx, k, nx, k + 1, {1, 0, 0});
  }
}

void Model::Lump(int material, const Place& p, unsigned seed, float roughness, int slices, int stacks) {
  // A few seeded waves over the sphere make the bumps; the poles and the seam share their values
  // so the surface stays closed.
  unsigned state = seed * 2654435761u + 12345u;
  auto next = [&state]() {
    state = state * 214013u + 2531011u;
    return float((state >> 16) & 0x7FFF) / 32767.0f;
  };
  float wave[6][4];
  for (auto& w : wave) {
    w[0] = 1 + next() * 3, w[1] = 1 + next() * 3, w[2] = next() * 2 * kPi, w[3] = 0.3f + next() * 0.7f;
  }
  auto radius = [&](float phi, float theta) {
    float r = 0;
    for (const auto& w : wave) r += w[3] * std::sin(w[0] * phi + w[2]) * std::cos(std::floor(w[1]) * theta + w[2]);
    return 0.5f * (1 + roughness * r / 3);
  };
  // A tiled texture is laid on triangle by triangle (AddProjected), from a grid built apart.
  const bool tiled = materials[material].tile > 0;
  Model grid;
  Model& into = tiled ? grid : *this;
  int first = static_cast<int>(into.vertices.size());
  std::vector<Vec3> pos;
  for (int i = 0; i <= stacks; i++) {
    float phi = kPi * i / stacks;
    for (int j = 0; j <= slices; j++) {
      float theta = 2 * kPi * (j % slices) / slices;
      float r = (i == 0 || i == stacks) ? radius(phi, 0) : radius(phi, theta);
      pos.push_back({std::sin(phi) * std::cos(theta) * r, std::cos(phi) * r, std::sin(phi) * std::sin(theta) * r});
    }
  }
  // Normals from the neighbouring points, so the bumps catch the light.
  for (int i = 0; i <= stacks; i++)
    for (int j = 0; j <= slices; j++) {
      const Vec3& c = pos[i * (slices + 1) + j];
      Vec3 n;
      if (i == 0 || i == stacks) {
        n = {0, i == 0 ? 1.0f : -1.0f, 0};
      } else {
        const Vec3& u0 = pos[(i - 1) * (slices + 1) + j];
        const Vec3& u1 = pos[(i + 1) * (slices + 1) + j];
        const Vec3& v0 = pos[i * (slices + 1) + (j + slices - 1) % slices];
        const Vec3& v1 = pos[i * (slices + 1) + (j + 1) % slices];
        Vec3 a = {u1.x - u0.x, u1.y - u0.y, u1.z - u0.z}, b = {v1.x - v0.x, v1.y - v0.y, v1.z - v0.z};
        n = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        if (n.x * c.x + n.y * c.y + n.z * c.z < 0) n = {-n.x, -n.y, -n.z};
      }
      AddVertex(into, p, c, Normalised(n), float(j) / slices * 2, float(i) / stacks);
    }
  for (int i = 0; i < stacks; i++)
    for (int j = 0; j < slices; j++) {
      int a = first + i * (slices + 1) + j, b = a + 1, c = a + slices + 1, d = c + 1;
      GridTriangle(*this, tiled ? &grid : nullptr, a, b, d, material);
      GridTriangle(*this, tiled ? &grid : nullptr, a, d, c, material);
    }
}

void Model::Outline(int material, float width) {
  if (vertices.empty()) return;
  Vec3 lo = vertices[0].pos, hi = lo;
  for (const Vertex& v : vertices) {
    lo = {std::fmin(lo.x, v.pos.x), std::fmin(lo.y, v.pos.y), std::fmin(lo.z, v.pos.z)};
    hi = {std::fmax(hi.x, v.pos.x), std::fmax(hi.y, v.pos.y), std::fmax(hi.z, v.pos.z)};
  }
  Vec3 centre = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
  auto grow = [width](float extent) { return extent > 0.01f ? (extent + 2 * width) / extent : 1.0f; };
  Vec3 k = {grow(hi.x - lo.x), grow(hi.y - lo.y), grow(hi.z - lo.z)};
  const std::vector<Face> faces_so_far = faces;
  for (const Face& f : faces_so_far) {
    int corners[3];
    int k_index = 0;
    for (int v : {f.a, f.b, f.c}) {
      Vertex copy = vertices[v];
      copy.pos = {centre.x + (copy.pos.x - centre.x) * k.x, centre.y + (copy.pos.y - centre.y) * k.y,
                  centre.z + (copy.pos.z - centre.z) * k.z};
      copy.normal = {-copy.normal.x, -copy.normal.y, -copy.normal.z};  // inside out
      vertices.push_back(copy);
      corners[k_index++] = static_cast<int>(vertices.size()) - 1;
    }
    AddTriangle(*this, corners[0], corners[1], corners[2], material);
  }
}

Material Solid(float r, float g, float b, float power, float spec) {
  return {r, g, b, 1.0f, power, spec, spec, spec, 0, 0, 0, ""};
}

Material Glow(float r, float g, float b, float a) { return {r, g, b, a, 0, 0, 0, 0, r, g, b, ""}; }

Material Textured(const std::string& texture, float r, float g, float b, float a) {
  return {r, g, b, a, 10.0f, 0.2f, 0.2f, 0.2f, 0, 0, 0, texture};
}

Material Surface(const std::string& texture, float tile, float r, float g, float b) {
  Material m = Textured(texture, r, g, b);
  m.tile = tile;
  return m;
}

// The binary form spares the game's loader all number parsing. Every float goes through the six
// decimals the text form once had, as a 64-bit value: the loader sees exactly the numbers it read
// from the text, so nothing drawn moves.
namespace {

struct BinaryOut {
  std::vector<unsigned char> bytes;
  void Word(unsigned v) {
    bytes.push_back(static_cast<unsigned char>(v));
    bytes.push_back(static_cast<unsigned char>(v >> 8));
  }
  void Dword(std::uint32_t v) {
    for (int i = 0; i < 4; i++) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
  }
  void Text(unsigned token, const std::string& s) {
    Word(token);
    Dword(static_cast<std::uint32_t>(s.size()));
    bytes.insert(bytes.end(), s.begin(), s.end());
  }
  void Name(const std::string& s) { Text(1, s); }
  void String(const std::string& s) {
    Text(2, s);
    Word(20);  // its semicolon
  }
  void Open() { Word(10); }
  void Close() { Word(11); }
  void Ints(const std::vector<std::uint32_t>& v) {
    Word(6);
    Dword(static_cast<std::uint32_t>(v.size()));
    for (std::uint32_t i : v) Dword(i);
  }
  void Floats(const std::vector<float>& v) {
    Word(7);
    Dword(static_cast<std::uint32_t>(v.size()));
    for (float f : v) {
      char text[64];
      std::snprintf(text, sizeof text, "%f", f);
      double d = std::strtod(text, nullptr);
      std::uint64_t bits;
      std::memcpy(&bits, &d, 8);
      Dword(static_cast<std::uint32_t>(bits));
      Dword(static_cast<std::uint32_t>(bits >> 32));
    }
  }
};

}  // namespace

bool WriteXFile(const std::string& path, const Model& m) {
  BinaryOut o;
  const char header[] = "xof 0302bin 0064";
  o.bytes.assign(header, header + 16);
  for (size_t i = 0; i < m.materials.size(); i++) {
    const Material& t = m.materials[i];
    o.Name("Material");
    o.Name("mat" + std::to_string(i));
    o.Open();
    o.Floats({t.r, t.g, t.b, t.a, t.power, t.sr, t.sg, t.sb, t.er, t.eg, t.eb});
    if (!t.texture.empty()) {
      o.Name("TextureFilename");
      o.Open();
      o.String(t.texture);
      o.Close();
    }
    o.Close();
  }
  o.Name("Frame");
  o.Name("Root");
  o.Open();
  o.Name("FrameTransformMatrix");
  o.Open();
  o.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  o.Close();

  const std::uint32_t nv = static_cast<std::uint32_t>(m.vertices.size());
  const std::uint32_t nf = static_cast<std::uint32_t>(m.faces.size());
  std::vector<std::uint32_t> faces{nf};
  for (const Face& face : m.faces)
    faces.insert(faces.end(), {3u, std::uint32_t(face.a), std::uint32_t(face.b), std::uint32_t(face.c)});
  std::vector<float> positions, normals, uvs;
  for (const Vertex& v : m.vertices) {
    positions.insert(positions.end(), {v.pos.x, v.pos.y, v.pos.z});
    normals.insert(normals.end(), {v.normal.x, v.normal.y, v.normal.z});
    uvs.insert(uvs.end(), {v.u, v.v});
  }

  o.Name("Mesh");
  o.Open();
  o.Ints({nv});
  o.Floats(positions);
  o.Ints(faces);
  o.Name("MeshNormals");
  o.Open();
  o.Ints({nv});
  o.Floats(normals);
  o.Ints(faces);
  o.Close();
  o.Name("MeshTextureCoords");
  o.Open();
  o.Ints({nv});
  o.Floats(uvs);
  o.Close();
  o.Name("MeshMaterialList");
  o.Open();
  std::vector<std::uint32_t> list{static_cast<std::uint32_t>(m.materials.size()), nf};
  for (const Face& face : m.faces) list.push_back(static_cast<std::uint32_t>(face.material));
  o.Ints(list);
  for (size_t i = 0; i < m.materials.size(); i++) {
    o.Open();
    o.Name("mat" + std::to_string(i));
    o.Close();
  }
  o.Close();
  o.Close();  // Mesh
  o.Close();  // Frame

  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(o.bytes.data(), 1, o.bytes.size(), f) == o.bytes.size();
  return std::fclose(f) == 0 && ok;
}
