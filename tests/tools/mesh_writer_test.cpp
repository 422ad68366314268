// The asset maker's meshes read back through the game's loader with the numbers the model holds,
// each as the six decimals of the text form once gave it.
#include "../tools/geometry.h"
#include "platform/xfile.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

float SixDecimals(float f) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", f);
  return static_cast<float>(std::strtod(text, nullptr));
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// In a folder of its own: two runs of the test at once must not write the same file.
using MeshWriter = TempDirTest;

TEST_F(MeshWriter, WhatTheLoaderReadsBackIsTheModel) {
  Model m;
  Material plain = Solid(0.123456789f, 0.5f, 1.0f, 33.3f, 0.3f);
  plain.er = 0.0000004f;  // rounds to nothing
  int lit = m.AddMaterial(Glow(1.0f, 0.25f, 0.75f, 0.5f));
  int skin = m.AddMaterial(Textured("panel_01.png", 0.9f));
  int rough = m.AddMaterial(plain);
  m.Box(skin, Place{{1.5f, -2.25f, 3.0f}, {2.0f, 1.0f, 0.5f}, {10, 20, 30}});
  m.Quad(lit, Place{{-0.0000001f, 1e-7f, 12345.678f}, {1, 1, 1}, {0, 0, 0}}, 0.1f, 0.2f, 0.3f, 0.4f);
  m.Sphere(rough, Place{}, 5, 3);
  m.Quad(skin, Place{});  // faces of one material apart in the model
  m.vertices[0].pos.x = -0.0f;

  std::string path = Path("mesh_writer.x");
  ASSERT_TRUE(WriteXFile(path, m));
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_GE(bytes.size(), 16u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 16), "xof 0302bin 0064");
  XMeshData mesh;
  std::string error;
  ASSERT_TRUE(ReadXFile(bytes.data(), bytes.size(), &mesh, &error)) << error;
  EXPECT_TRUE(mesh.has_normals);

  ASSERT_EQ(mesh.materials.size(), m.materials.size());
  ASSERT_EQ(mesh.subsets.size(), m.materials.size());
  size_t corner = 0;
  for (size_t s = 0; s < m.materials.size(); s++) {
    const Material& t = m.materials[s];
    const XMaterial& x = mesh.materials[s];
    const float want[11] = {t.r, t.g, t.b, t.a, t.power, t.sr, t.sg, t.sb, t.er, t.eg, t.eb};
    const float got[11] = {x.diffuse[0],  x.diffuse[1],  x.diffuse[2],  x.diffuse[3],  x.power,      x.specular[0],
                           x.specular[1], x.specular[2], x.emissive[0], x.emissive[1], x.emissive[2]};
    for (int i = 0; i < 11; i++) EXPECT_TRUE(SameBits(got[i], SixDecimals(want[i]))) << s << " " << i << ": " << got[i];
    EXPECT_EQ(x.texture, t.texture);

    EXPECT_EQ(mesh.subsets[s].first_triangle * 3, corner) << s;
    size_t triangles = 0;
    for (const Face& f : m.faces) {
      if (f.material != int(s)) continue;
      triangles++;
      for (int v : {f.a, f.b, f.c}) {
        ASSERT_LT(corner, mesh.vertices.size());
        const Vertex& a = m.vertices[v];
        const XVertex& b = mesh.vertices[corner++];
        const float want_v[8] = {a.pos.x, a.pos.y, a.pos.z, a.normal.x, a.normal.y, a.normal.z, a.u, a.v};
        const float got_v[8] = {b.position[0], b.position[1], b.position[2], b.normal[0],
                                b.normal[1],   b.normal[2],   b.uv[0],       b.uv[1]};
        // The loader's frame transform adds zeros (so -0 comes out as 0) and makes normals unit length.
        float n[3] = {SixDecimals(a.normal.x), SixDecimals(a.normal.y), SixDecimals(a.normal.z)};
        float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int i = 0; i < 8; i++) {
          if (i >= 3 && i < 6)
            EXPECT_NEAR(got_v[i], n[i - 3] / length, 1e-6f) << "vertex " << v << " normal " << i - 3;
          else
            EXPECT_TRUE(SameBits(got_v[i], SixDecimals(want_v[i]) + 0.0f)) << "vertex " << v << " " << i << ": " << got_v[i];
        }
      }
    }
    EXPECT_EQ(mesh.subsets[s].triangle_count, triangles) << s;
  }
  EXPECT_EQ(corner, mesh.vertices.size());
}

}  // namespace
