#include "geometry.h"

#include <cmath>
#include <cstdio>

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

}  // namespace

int Model::AddMaterial(const Material& mat) {
  materials.push_back(mat);
  return static_cast<int>(materials.size()) - 1;
}

void Model::Quad(int material, const Place& p, float u0, float v0, float u1, float v1) {
  int a = AddVertex(*this, p, {-0.5f, -0.5f, 0}, {0, 0, -1}, u0, v1);
  int b = AddVertex(*this, p, {-0.5f, 0.5f, 0}, {0, 0, -1}, u0, v0);
  int c = AddVertex(*this, p, {0.5f, 0.5f, 0}, {0, 0, -1}, u1, v0);
  int d = AddVertex(*this, p, {0.5f, -0.5f, 0}, {0, 0, -1}, u1, v1);
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
    int a = AddVertex(*this, p, corner(-1, -1), n, 0, 1);
    int b = AddVertex(*this, p, corner(-1, 1), n, 0, 0);
    int c = AddVertex(*this, p, corner(1, 1), n, 1, 0);
    int d = AddVertex(*this, p, corner(1, -1), n, 1, 1);
    AddTriangle(*this, a, b, c, material);
    AddTriangle(*this, a, c, d, material);
  }
}

void Model::Sphere(int material, const Place& p, int slices, int stacks) {
  int first = static_cast<int>(vertices.size());
  for (int i = 0; i <= stacks; i++) {
    float phi = kPi * i / stacks;
    for (int j = 0; j <= slices; j++) {
      float theta = 2 * kPi * j / slices;
      Vec3 n = {std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
      AddVertex(*this, p, {n.x * 0.5f, n.y * 0.5f, n.z * 0.5f}, n, float(j) / slices, float(i) / stacks);
    }
  }
  for (int i = 0; i < stacks; i++)
    for (int j = 0; j < slices; j++) {
      int a = first + i * (slices + 1) + j, b = a + 1, c = a + slices + 1, d = c + 1;
      AddTriangle(*this, a, b, d, material);
      AddTriangle(*this, a, d, c, material);
    }
}

void Model::Dome(int material, const Place& p, int slices, int stacks) {
  int first = static_cast<int>(vertices.size());
  for (int i = 0; i <= stacks; i++) {
    float phi = 0.5f * kPi * i / stacks;
    for (int j = 0; j <= slices; j++) {
      float theta = 2 * kPi * j / slices;
      Vec3 n = {std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
      AddVertex(*this, p, {n.x * 0.5f, n.y * 0.5f, n.z * 0.5f}, {-n.x, -n.y, -n.z}, float(j) / slices,
                float(i) / stacks);
    }
  }
  for (int i = 0; i < stacks; i++)
    for (int j = 0; j < slices; j++) {
      int a = first + i * (slices + 1) + j, b = a + 1, c = a + slices + 1, d = c + 1;
      AddTriangle(*this, a, d, b, material);  // seen from inside
      AddTriangle(*this, a, c, d, material);
    }
}

void Model::Cylinder(int material, const Place& p, int slices) {
  for (int j = 0; j < slices; j++) {
    float t0 = 2 * kPi * j / slices, t1 = 2 * kPi * (j + 1) / slices;
    Vec3 n0 = {0, std::cos(t0), std::sin(t0)}, n1 = {0, std::cos(t1), std::sin(t1)};
    int a = AddVertex(*this, p, {-0.5f, n0.y * 0.5f, n0.z * 0.5f}, n0, 0, float(j) / slices);
    int b = AddVertex(*this, p, {0.5f, n0.y * 0.5f, n0.z * 0.5f}, n0, 1, float(j) / slices);
    int c = AddVertex(*this, p, {0.5f, n1.y * 0.5f, n1.z * 0.5f}, n1, 1, float(j + 1) / slices);
    int d = AddVertex(*this, p, {-0.5f, n1.y * 0.5f, n1.z * 0.5f}, n1, 0, float(j + 1) / slices);
    AddTriangle(*this, a, b, c, material);
    AddTriangle(*this, a, c, d, material);
    for (float end : {-0.5f, 0.5f}) {
      Vec3 n = {end * 2, 0, 0};
      int centre = AddVertex(*this, p, {end, 0, 0}, n, 0.5f, 0.5f);
      int e = AddVertex(*this, p, {end, n0.y * 0.5f, n0.z * 0.5f}, n, 0, 0);
      int f = AddVertex(*this, p, {end, n1.y * 0.5f, n1.z * 0.5f}, n, 1, 0);
      if (end > 0)
        AddTriangle(*this, centre, f, e, material);
      else
        AddTriangle(*this, centre, e, f, material);
    }
  }
}

void Model::Cone(int material, const Place& p, int slices) {
  for (int j = 0; j < slices; j++) {
    float t0 = 2 * kPi * j / slices, t1 = 2 * kPi * (j + 1) / slices;
    Vec3 n0 = {0.5f, std::cos(t0), std::sin(t0)}, n1 = {0.5f, std::cos(t1), std::sin(t1)};
    int tip = AddVertex(*this, p, {0.5f, 0, 0}, {1, 0, 0}, 1, 0.5f);
    int a = AddVertex(*this, p, {-0.5f, std::cos(t0) * 0.5f, std::sin(t0) * 0.5f}, n0, 0, float(j) / slices);
    int b = AddVertex(*this, p, {-0.5f, std::cos(t1) * 0.5f, std::sin(t1) * 0.5f}, n1, 0, float(j + 1) / slices);
    AddTriangle(*this, tip, b, a, material);
    int centre = AddVertex(*this, p, {-0.5f, 0, 0}, {-1, 0, 0}, 0.5f, 0.5f);
    int e = AddVertex(*this, p, {-0.5f, std::cos(t0) * 0.5f, std::sin(t0) * 0.5f}, {-1, 0, 0}, 0, 0);
    int f = AddVertex(*this, p, {-0.5f, std::cos(t1) * 0.5f, std::sin(t1) * 0.5f}, {-1, 0, 0}, 1, 0);
    AddTriangle(*this, centre, e, f, material);
  }
}

void Model::Torus(int material, const Place& p, float minor, int major_segments, int minor_segments) {
  int first = static_cast<int>(vertices.size());
  for (int i = 0; i <= major_segments; i++) {
    float a = 2 * kPi * i / major_segments;
    Vec3 centre = {0, std::cos(a) * 0.5f, std::sin(a) * 0.5f};
    for (int j = 0; j <= minor_segments; j++) {
      float b = 2 * kPi * j / minor_segments;
      Vec3 n = {std::sin(b), std::cos(a) * std::cos(b), std::sin(a) * std::cos(b)};
      AddVertex(*this, p, {centre.x + n.x * minor, centre.y + n.y * minor, centre.z + n.z * minor}, n,
                float(i) / major_segments, float(j) / minor_segments);
    }
  }
  for (int i = 0; i < major_segments; i++)
    for (int j = 0; j < minor_segments; j++) {
      int a = first + i * (minor_segments + 1) + j, b = a + 1, c = a + minor_segments + 1, d = c + 1;
      AddTriangle(*this, a, d, b, material);
      AddTriangle(*this, a, c, d, material);
    }
}

Material Solid(float r, float g, float b, float power, float spec) {
  return {r, g, b, 1.0f, power, spec, spec, spec, 0, 0, 0, ""};
}

Material Glow(float r, float g, float b, float a) { return {r, g, b, a, 0, 0, 0, 0, r, g, b, ""}; }

Material Textured(const std::string& texture, float r, float g, float b, float a) {
  return {r, g, b, a, 10.0f, 0.2f, 0.2f, 0.2f, 0, 0, 0, texture};
}

bool WriteXFile(const std::string& path, const Model& m) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "xof 0302txt 0032\n\n");
  for (size_t i = 0; i < m.materials.size(); i++) {
    const Material& t = m.materials[i];
    std::fprintf(f, "Material mat%zu {\n %f;%f;%f;%f;;\n %f;\n %f;%f;%f;;\n %f;%f;%f;;\n", i, t.r, t.g, t.b, t.a,
                 t.power, t.sr, t.sg, t.sb, t.er, t.eg, t.eb);
    if (!t.texture.empty()) std::fprintf(f, " TextureFilename {\n  \"%s\";\n }\n", t.texture.c_str());
    std::fprintf(f, "}\n\n");
  }
  std::fprintf(f, "Frame Root {\n FrameTransformMatrix {\n  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;;\n }\n");
  std::fprintf(f, " Mesh {\n  %zu;\n", m.vertices.size());
  for (size_t i = 0; i < m.vertices.size(); i++) {
    const Vertex& v = m.vertices[i];
    std::fprintf(f, "  %f;%f;%f;%s\n", v.pos.x, v.pos.y, v.pos.z, i + 1 < m.vertices.size() ? "," : ";");
  }
  std::fprintf(f, "  %zu;\n", m.faces.size());
  for (size_t i = 0; i < m.faces.size(); i++)
    std::fprintf(f, "  3;%d,%d,%d;%s\n", m.faces[i].a, m.faces[i].b, m.faces[i].c, i + 1 < m.faces.size() ? "," : ";");
  std::fprintf(f, "  MeshNormals {\n   %zu;\n", m.vertices.size());
  for (size_t i = 0; i < m.vertices.size(); i++) {
    const Vertex& v = m.vertices[i];
    std::fprintf(f, "   %f;%f;%f;%s\n", v.normal.x, v.normal.y, v.normal.z, i + 1 < m.vertices.size() ? "," : ";");
  }
  std::fprintf(f, "   %zu;\n", m.faces.size());
  for (size_t i = 0; i < m.faces.size(); i++)
    std::fprintf(f, "   3;%d,%d,%d;%s\n", m.faces[i].a, m.faces[i].b, m.faces[i].c, i + 1 < m.faces.size() ? "," : ";");
  std::fprintf(f, "  }\n  MeshTextureCoords {\n   %zu;\n", m.vertices.size());
  for (size_t i = 0; i < m.vertices.size(); i++)
    std::fprintf(f, "   %f;%f;%s\n", m.vertices[i].u, m.vertices[i].v, i + 1 < m.vertices.size() ? "," : ";");
  std::fprintf(f, "  }\n  MeshMaterialList {\n   %zu;\n   %zu;\n", m.materials.size(), m.faces.size());
  for (size_t i = 0; i < m.faces.size(); i++)
    std::fprintf(f, "   %d%s\n", m.faces[i].material, i + 1 < m.faces.size() ? "," : ";");
  for (size_t i = 0; i < m.materials.size(); i++) std::fprintf(f, "   {mat%zu}\n", i);
  std::fprintf(f, "  }\n }\n}\n");
  return std::fclose(f) == 0;
}
