#include "platform/xfile.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <limits>
#include <sstream>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

bool Read(const std::vector<std::uint8_t>& file, XMeshData* mesh, std::string* error = nullptr) {
  std::string scratch;
  return ReadXFile(file.data(), file.size(), mesh, error ? error : &scratch);
}

// A quad (fanned into two triangles) and a triangle, with normals carrying their own face indices,
// texture coordinates and two materials, the second referenced by name.
const char* kQuadAndTriangle = R"(xof 0302txt 0032
template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; array Vector vertices[nVertices]; [...] }
Material Red { 1.0;0.0;0.0;1.0;; 10.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; TextureFilename { "red.png"; } }
Mesh Sample {
  5; 0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;, 2;0;0;;
  2; 4;0,1,2,3;, 3;3,2,4;;
  MeshNormals { 2; 0;0;-1;, 0;1;0;; 2; 4;0,0,0,0;, 3;1,1,1;; }
  MeshTextureCoords { 5; 0;1;, 0;0;, 1;0;, 1;1;, 0.5;0.5;; }
  MeshMaterialList { 2; 1; 1;
    Material { 0.0;1.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
    { Red }
  }
}
)";

// Writes the binary form of the same mesh, with 32- or 64-bit floats.
std::vector<std::uint8_t> BinaryQuadAndTriangle(bool doubles) {
  std::vector<std::uint8_t> out = Bytes(std::string("xof 0302bin ") + (doubles ? "0064" : "0032"));
  auto word = [&](unsigned v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
  auto dword = [&](unsigned v) { word(v & 0xFFFF), word(v >> 16); };
  auto name = [&](const std::string& s, unsigned token = 1) {
    word(token), dword(unsigned(s.size()));
    out.insert(out.end(), s.begin(), s.end());
    if (token == 2) word(20);
  };
  auto ints = [&](std::vector<unsigned> v) {
    word(6), dword(unsigned(v.size()));
    for (unsigned x : v) dword(x);
  };
  auto floats = [&](std::vector<double> v) {
    word(7), dword(unsigned(v.size()));
    for (double x : v) {
      if (doubles) {
        std::uint64_t bits;
        std::memcpy(&bits, &x, 8);
        dword(unsigned(bits)), dword(unsigned(bits >> 32));
      } else {
        float f = float(x);
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        dword(bits);
      }
    }
  };
  name("Material"), name("Red"), word(10);
  floats({1, 0, 0, 1, 10, 0.5, 0.5, 0.5, 0, 0, 0});
  name("TextureFilename"), word(10), name("red.png", 2), word(11);
  word(11);
  name("Mesh"), name("Sample"), word(10);
  ints({5});
  floats({0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 2, 0, 0});
  ints({2, 4, 0, 1, 2, 3, 3, 3, 2, 4});
  name("MeshNormals"), word(10), ints({2}), floats({0, 0, -1, 0, 1, 0}), ints({2, 4, 0, 0, 0, 0, 3, 1, 1, 1}), word(11);
  name("MeshTextureCoords"), word(10), ints({5}), floats({0, 1, 0, 0, 1, 0, 1, 1, 0.5, 0.5}), word(11);
  name("MeshMaterialList"), word(10), ints({2, 1, 1});
  name("Material"), word(10), floats({0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}), word(11);
  word(10), name("Red"), word(11);
  word(11);
  word(11);
  return out;
}

void ExpectQuadAndTriangle(const XMeshData& m) {
  ASSERT_EQ(m.subsets.size(), 2u);
  ASSERT_EQ(m.materials.size(), 2u);
  EXPECT_FLOAT_EQ(m.materials[0].diffuse[1], 1.0f);  // the inline green one first
  EXPECT_EQ(m.materials[0].texture, "");
  EXPECT_FLOAT_EQ(m.materials[1].diffuse[0], 1.0f);
  EXPECT_FLOAT_EQ(m.materials[1].power, 10.0f);
  EXPECT_EQ(m.materials[1].texture, "red.png");
  // The short index list repeats its last entry: every face uses material 1.
  EXPECT_EQ(m.subsets[0].triangle_count, 0u);
  EXPECT_EQ(m.subsets[1].first_triangle, 0u);
  EXPECT_EQ(m.subsets[1].triangle_count, 3u);
  ASSERT_EQ(m.vertices.size(), 9u);
  // The quad fans from its first corner: (0,1,2), (0,2,3).
  const float expected[6][3] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 0}, {1, 1, 0}, {1, 0, 0}};
  for (int i = 0; i < 6; i++)
    for (int j = 0; j < 3; j++) EXPECT_FLOAT_EQ(m.vertices[i].position[j], expected[i][j]) << i;
  EXPECT_FLOAT_EQ(m.vertices[0].normal[2], -1.0f);
  EXPECT_FLOAT_EQ(m.vertices[6].normal[1], 1.0f);  // the triangle's own normal index
  EXPECT_FLOAT_EQ(m.vertices[8].uv[0], 0.5f);
  EXPECT_TRUE(m.has_normals);
}

TEST(XFile, TextBinaryAndCompressedFormsGiveTheSameMesh) {
  std::vector<std::vector<std::uint8_t>> forms = {Bytes(kQuadAndTriangle), BinaryQuadAndTriangle(false),
                                                  BinaryQuadAndTriangle(true)};
  std::vector<std::uint8_t> packed;
  for (int i = 0; i < 2; i++) {
    ASSERT_TRUE(CompressXFile(forms[i].data(), forms[i].size(), &packed));
    forms.push_back(packed);
  }
  EXPECT_EQ(std::memcmp(forms[3].data() + 8, "tzip", 4), 0);
  EXPECT_EQ(std::memcmp(forms[4].data() + 8, "bzip", 4), 0);
  for (size_t i = 0; i < forms.size(); i++) {
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(Read(forms[i], &mesh, &error)) << "form " << i << ": " << error;
    ExpectQuadAndTriangle(mesh);
  }
}

TEST(XFile, CompressedBlocksReferBackAcrossBlocks) {
  // A file longer than one block, with repeats spanning the block boundary.
  std::string text = "xof 0302txt 0032\nMesh {\n 3; 0;0;0;, 0;1;0;, 1;0;0;;\n 1; 3;0,1,2;;\n";
  for (int i = 0; i < 4000; i++) text += " // padding comment line repeated to span blocks\n";
  text += "}\n";
  std::vector<std::uint8_t> raw = Bytes(text), packed;
  ASSERT_TRUE(CompressXFile(raw.data(), raw.size(), &packed));
  XMeshData mesh;
  ASSERT_TRUE(Read(packed, &mesh));
  EXPECT_EQ(mesh.vertices.size(), 3u);
  EXPECT_EQ(mesh.materials.size(), 1u);  // no material list: one default grey material
  EXPECT_FLOAT_EQ(mesh.materials[0].diffuse[0], 0.5f);
  EXPECT_FLOAT_EQ(mesh.materials[0].diffuse[3], 0.0f);
  EXPECT_FLOAT_EQ(mesh.materials[0].specular[0], 0.5f);
  EXPECT_TRUE(mesh.materials[0].texture.empty());
}

// Template names and the keyword in any letter case, as exporters write them ("TextureFileName"),
// in text and in binary.
TEST(XFile, TemplateNamesMatchInAnyLetterCase) {
  const char* names[] = {"template", "Material", "TextureFilename", "Mesh", "MeshNormals", "MeshTextureCoords",
                         "MeshMaterialList"};
  std::string (*spellings[])(std::string) = {
      [](std::string n) {
        for (char& c : n) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return n;
      },
      [](std::string n) {
        for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return n;
      },
      [](std::string n) { return n == "TextureFilename" ? std::string("TextureFileName") : n; },
  };
  for (auto spell : spellings) {
    std::string text = kQuadAndTriangle;
    for (const char* name : names) {
      // Whole words only: "Mesh" within "MeshNormals" stays for its own turn.
      std::string from = name, to = spell(name);
      for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        const bool word_end = at + from.size() >= text.size() || !std::isalpha(static_cast<unsigned char>(text[at + from.size()]));
        if (word_end) text.replace(at, from.size(), to);
      }
    }
    SCOPED_TRACE(text.substr(0, 120));
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(Read(Bytes(text), &mesh, &error)) << error;
    ExpectQuadAndTriangle(mesh);
  }
}

// A frame's matrix moves what follows it in the file, not a mesh read before it.
TEST(XFile, AFrameMatrixMovesOnlyWhatFollowsIt) {
  const char* text = R"(xof 0303txt 0032
Frame Outer {
  Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
  Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }
  Frame Inner { Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; } }
}
)";
  XMeshData mesh;
  std::string error;
  ASSERT_TRUE(Read(Bytes(text), &mesh, &error)) << error;
  ASSERT_EQ(mesh.vertices.size(), 9u);
  EXPECT_FLOAT_EQ(mesh.vertices[0].position[0], 0.0f);   // before the matrix
  EXPECT_FLOAT_EQ(mesh.vertices[3].position[0], 10.0f);  // after it
  EXPECT_FLOAT_EQ(mesh.vertices[6].position[0], 10.0f);  // in a frame after it
}

// Vertex colours come with the file's flag; collapsed with a mesh that has them, a mesh without
// carries its material's diffuse colour, and a vertex its list leaves out is white.
TEST(XFile, VertexColoursAndTheMeshesWithout) {
  const char* text = R"(xof 0302txt 0032
Mesh {
  3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;
  MeshVertexColors { 2; 0;1;0;0;1;;, 2;0;0;1;0.5;;; }
}
Mesh {
  3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;
  MeshMaterialList { 1; 1; 0; Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } }
}
)";
  XMeshData mesh;
  std::string error;
  ASSERT_TRUE(Read(Bytes(text), &mesh, &error)) << error;
  EXPECT_TRUE(mesh.has_colors);
  ASSERT_EQ(mesh.vertices.size(), 6u);
  // The first mesh's default material comes first, then the second mesh's green one.
  const std::uint32_t colours[6] = {0xFFFF0000u, 0xFFFFFFFFu, 0x800000FFu, 0xFF00FF00u, 0xFF00FF00u, 0xFF00FF00u};
  for (int i = 0; i < 6; i++) EXPECT_EQ(mesh.vertices[i].color, colours[i]) << i;
  ASSERT_TRUE(Read(Bytes(kQuadAndTriangle), &mesh, &error)) << error;
  EXPECT_FALSE(mesh.has_colors);
}

// Models nobody here made: readable or refused, their triangles, materials and texture names.
// FVFData and skin weights (later templates) are passed over as any template the mesh does not
// use, so the two "malformed" files of them read.
TEST(XFile, ModelsOfOtherToolsReadWithTheirMaterials) {
  const std::string folder = std::string(KESTRUNE_REALDATA) + "/x/";
  if (!std::ifstream(folder + "test.x")) GTEST_SKIP() << "no models in " << folder;
  const std::string kwx = "C:\\\\code\\\\sourceforge\\\\kwxport\\\\trunkMerged\\\\test\\\\data\\\\";
  struct Case {
    const char* file;
    bool readable;
    std::size_t triangles;
    std::vector<std::string> textures;  // of each material, "" for none
    bool colours;
  } cases[] = {
      {"anim_test.x", true, 840, {""}, false},
      {"cube_withRGBAVertexColor.x", true, 12, {kwx + "bottom.tga", kwx + "top.tga", kwx + "updown.tga"}, true},
      {"empty.x", false, 0, {}, false},
      {"fromtruespace_bin32.x", true, 6656, {""}, false},
      {"kwxport_test_cubewithvcolors.x", true, 12, {kwx + "bottom.tga", kwx + "top.tga", kwx + "updown.tga"}, true},
      {"malformed_fvf_texcoord_oob.x", true, 1, {""}, false},
      {"malformed_skinweights_oob.x", true, 12, {""}, false},
      {"test.x", true, 12, {".\\\\test.png"}, false},  // "TextureFileName"
      {"test_cube_binary.x", true, 12, {""}, false},
      {"test_cube_compressed.x", true, 12, {""}, false},
      {"test_cube_text.x", true, 12, {""}, false},
  };
  for (const Case& c : cases) {
    std::ifstream in(folder + c.file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    XMeshData mesh;
    std::string error;
    EXPECT_EQ(Read(Bytes(buffer.str()), &mesh, &error), c.readable) << c.file << ": " << error;
    EXPECT_EQ(mesh.vertices.size(), c.triangles * 3) << c.file;
    std::vector<std::string> textures;
    for (const XMaterial& m : mesh.materials) textures.push_back(m.texture);
    EXPECT_EQ(textures, c.textures) << c.file;
    EXPECT_EQ(mesh.has_colors, c.colours) << c.file;
  }
}

TEST(XFile, NestedFramesTransformPositionsAndNormals) {
  // Outer frame: translate by (10, 0, 0). Inner frame: rotate 90 degrees about z (x -> y).
  const char* text = R"(xof 0303txt 0032
Frame Outer {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
  Frame Inner {
    FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,0,1;; }
    Mesh { 3; 1;0;0;, 0;0;0;, 0;0;1;; 1; 3;0,1,2;;
      MeshNormals { 1; 1;0;0;; 1; 3;0,0,0;; } }
  }
  Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }
}
)";
  XMeshData mesh;
  std::string error;
  ASSERT_TRUE(Read(Bytes(text), &mesh, &error)) << error;
  ASSERT_EQ(mesh.vertices.size(), 6u);
  // (1, 0, 0) rotated to (0, 1, 0), then moved to (10, 1, 0).
  EXPECT_NEAR(mesh.vertices[0].position[0], 10.0f, 1e-5);
  EXPECT_NEAR(mesh.vertices[0].position[1], 1.0f, 1e-5);
  EXPECT_NEAR(mesh.vertices[0].normal[1], 1.0f, 1e-5);
  EXPECT_NEAR(mesh.vertices[0].normal[0], 0.0f, 1e-5);
  // The second mesh has only the outer translation.
  EXPECT_NEAR(mesh.vertices[4].position[0], 10.0f, 1e-5);
  EXPECT_NEAR(mesh.vertices[4].position[1], 1.0f, 1e-5);
  EXPECT_EQ(mesh.subsets.size(), 2u);  // one default material per mesh, in order
}

TEST(XFile, NumbersAreReadAsTheCRuntimeReadsThem) {
  struct Case {
    const char* spelling;
    float x;
  };
  const float inf = std::numeric_limits<float>::infinity();
  const Case cases[] = {
      {"5", 5},        {"+5", 5},      {"-.5", -0.5f}, {"1e3", 1000},     {"2.5E-1", 0.25f}, {"7.", 7},
      {"1e999", inf},  {"-1e999", -inf}, {"1e-400", 0}, {"+-5", -5},  // a lone sign is passed over
  };
  for (const Case& c : cases) {
    std::string text = std::string("xof 0302txt 0032\nMesh { 3; ") + c.spelling +
                       ";0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }";
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(Read(Bytes(text), &mesh, &error)) << c.spelling << ": " << error;
    EXPECT_EQ(mesh.vertices[0].position[0], c.x) << c.spelling;
  }
}

TEST(XFile, DamagedFilesAreRejectedWithAReason) {
  const char* header = "xof 0302txt 0032\n";
  const char* cases[] = {
      "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,7;; }",                      // vertex index out of range
      "Mesh { 9; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; }",                      // count larger than the data
      "Mesh { 4000000000; 0;0;0;; }",                                          // absurd count
      "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,4;; } }",
      "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 3; } }",  // material index
      "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0; { Missing } } }",
      "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;;",                        // unterminated
      "Mesh { 3; 0;0;0;, 0;1;0;, 1;0;0;; 1; 3;0,1,2;; MeshTextureCoords { 2; 0;0;, 1;1;; } }",
      "",                                                                       // no mesh at all
  };
  for (const char* body : cases) {
    XMeshData mesh;
    std::string error;
    EXPECT_FALSE(Read(Bytes(std::string(header) + body), &mesh, &error)) << body;
    EXPECT_FALSE(error.empty()) << body;
    EXPECT_TRUE(mesh.vertices.empty());
  }
  XMeshData mesh;
  EXPECT_FALSE(Read(Bytes("xof 0302zzz 0032"), &mesh));
  EXPECT_FALSE(Read(Bytes("xof"), &mesh));
  std::vector<std::uint8_t> binary = BinaryQuadAndTriangle(false);
  for (size_t cut = 16; cut < binary.size(); cut += 7) {
    std::vector<std::uint8_t> shorter(binary.begin(), binary.begin() + cut);
    EXPECT_FALSE(Read(shorter, &mesh)) << cut;
  }
}

TEST(XFile, EveryMeshTheGameShipsIsReadable) {
  std::string folder = std::string(KESTRUNE_BUILD_DIR) + "/res";
  DIR* dir = opendir(folder.c_str());
  if (!dir) GTEST_SKIP() << "no assets made in " << folder;
  int count = 0;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() < 2 || name.substr(name.size() - 2) != ".x") continue;
    std::ifstream in(folder + "/" + name, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    XMeshData mesh;
    std::string error;
    EXPECT_TRUE(Read(Bytes(buffer.str()), &mesh, &error)) << name << ": " << error;
    EXPECT_FALSE(mesh.subsets.empty()) << name;
    count++;
  }
  closedir(dir);
  EXPECT_EQ(count, 95);
}

}  // namespace
