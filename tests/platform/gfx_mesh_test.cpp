// Meshes and textures loaded from files onto the display device.
#include "platform/gfx_mesh.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_device.h"

namespace {

// Two materials, the second textured; a quad in clip space at depth 0.5 uses it.
const char* kMesh = R"(xof 0302txt 0032
Mesh {
  7; -1;-1;0.5;, -1;1;0.5;, 1;1;0.5;, 1;-1;0.5;, 5;5;0.5;, 5;6;0.5;, 6;5;0.5;;
  2; 4;0,1,2,3;, 3;4,5,6;;
  MeshTextureCoords { 7; 0;1;, 0;0;, 1;0;, 1;1;, 0;0;, 0;0;, 0;0;; }
  MeshMaterialList { 2; 2; 1, 0;
    Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }
    Material { 1;1;1;1;; 5; 0;0;0;; 0;0;0;; TextureFilename { "green.png"; } }
  }
}
)";

std::vector<unsigned char> GreenPng() {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, 2, 2, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_byte row[6] = {0, 255, 0, 0, 255, 0};
  png_write_row(png, row);
  png_write_row(png, row);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

class MeshLoading : public TempDirTest {
 protected:
  void Open(int backend) {
    test_device.Open(backend, 32, 32);
    device = test_device.device;
  }
  void TearDown() override {
    Release(texture);
    Release(materials);
    Release(mesh);
    test_device.Close();
    TempDirTest::TearDown();
  }
  HRESULT Load(const std::string& path) {
    return D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, &materials, &count, &mesh);
  }
  TestDevice test_device;
  IDirect3DDevice8* device = nullptr;
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  IDirect3DTexture8* texture = nullptr;
  DWORD count = 0;
};

TEST_F(MeshLoading, SubsetsDrawTheirOwnTrianglesAndMaterialsNameTheirTextures) {
  Open(GFX_BACKEND_RECORD);
  std::string path = Put("quad.x", std::vector<unsigned char>(kMesh, kMesh + std::strlen(kMesh)));
  ASSERT_EQ(Load(path), S_OK);
  ASSERT_EQ(count, 2u);
  const D3DXMATERIAL* m = static_cast<const D3DXMATERIAL*>(GetBufferPointer(materials));
  EXPECT_EQ(m[0].pTextureFilename, nullptr);
  ASSERT_NE(m[1].pTextureFilename, nullptr);
  EXPECT_STREQ(m[1].pTextureFilename, "green.png");
  EXPECT_FLOAT_EQ(m[1].MatD3D.Power, 5.0f);
  EXPECT_EQ(GetNumFaces(mesh), 3u);
  GfxClearCalls();
  BeginScene(device);
  EXPECT_EQ(DrawSubset(mesh, 0), S_OK);  // the triangle (material 0)
  EXPECT_EQ(DrawSubset(mesh, 1), S_OK);  // the quad's two triangles
  EXPECT_EQ(DrawSubset(mesh, 2), D3DERR_INVALIDCALL);
  EndScene(device);
  std::vector<std::pair<DWORD, DWORD>> draws;
  for (int i = 0; i < GfxCallCount(); i++)
    if (GfxCallAt(i)->op == GFX_OP_DRAW_MESH) draws.push_back({GfxCallAt(i)->a, GfxCallAt(i)->b});
  EXPECT_EQ(draws, (std::vector<std::pair<DWORD, DWORD>>{{0, 3}, {3, 6}}));
}

TEST_F(MeshLoading, MissingAndDamagedFilesGiveTheirResults) {
  Open(GFX_BACKEND_RECORD);
  EXPECT_EQ(Load(Path("missing.x")), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(Load(Put("bad.x", {'x', 'o', 'f', ' ', '0', '3', '0', '2', 't', 'x', 't', ' ', '0', '0', '3', '2', '{'})),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(count, 0u);
  auto create = [&](const std::string& file) {
    return D3DXCreateTextureFromFileExA(device, file.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0,
                                        nullptr, nullptr, &texture);
  };
  EXPECT_EQ(create(Path("missing.png")), D3DERR_INVALIDCALL);
  EXPECT_EQ(create(Put("bad.png", {0x89, 'P', 'N', 'G'})), D3DXERR_INVALIDDATA);
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(create(Put("green.png", GreenPng())), S_OK);
  EXPECT_NE(texture, nullptr);
}

TEST_F(MeshLoading, ATexturedSubsetShowsItsTexture) {
  if (!GfxEglAvailable()) GTEST_SKIP() << "no surfaceless EGL display with OpenGL 3.3 core here";
  Open(GFX_BACKEND_EGL);
  std::string path = Put("quad.x", std::vector<unsigned char>(kMesh, kMesh + std::strlen(kMesh)));
  Put("green.png", GreenPng());
  ASSERT_EQ(Load(path), S_OK);
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device, Path("green.png").c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT,
                                         0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0,
                                         nullptr, nullptr, &texture),
            S_OK);
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetRenderState(device, D3DRS_CULLMODE, D3DCULL_NONE);
  Clear(device, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  BeginScene(device);
  SetTexture(device, 0, texture);
  DrawSubset(mesh, 1);
  EndScene(device);
  ASSERT_EQ(Present(device, nullptr, nullptr, nullptr, nullptr), S_OK);
  std::vector<BYTE> frame(32 * 32 * 4);
  ASSERT_EQ(GfxReadFrame(device, frame.data(), 32, 32), S_OK);
  const BYTE* centre = &frame[(16 * 32 + 16) * 4];
  EXPECT_LT(centre[0], 30);
  EXPECT_GT(centre[1], 200);
  EXPECT_LT(centre[2], 30);
}

// ---- Textures of every format, their size and their levels --------------------------------------

const std::string kImages = std::string(KESTRUNE_FIXTURES) + "/images/";

// Every backend takes the files' sizes alike: scaled down to the device's largest texture side
// (8 here), each side on its own; beyond the pixel budget, refused as memory run out.
TEST_F(MeshLoading, TexturesTakeTheFilesSizeWithinTheLargestTextureSide) {
  struct Case {
    const char* file;
    HRESULT result;
    UINT width, height;
  } cases[] = {
      {"t24_tr.tga", S_OK, 8, 7},      {"p16la.tga", S_OK, 8, 7},     {"dxt5.dds", S_OK, 8, 7},
      {"mips_argb.dds", S_OK, 8, 8},   {"bomb.png", E_OUTOFMEMORY, 0, 0}, {"bomb.jpg", E_OUTOFMEMORY, 0, 0},
      {"bomb.tga", E_OUTOFMEMORY, 0, 0}, {"bomb.dds", E_OUTOFMEMORY, 0, 0},
  };
  for (int backend : {GFX_BACKEND_RECORD, GFX_BACKEND_EGL}) {
    if (backend == GFX_BACKEND_EGL && !GfxEglAvailable()) continue;
    test_device.max_texture_size = 8;
    Open(backend);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.file) + (backend == GFX_BACKEND_EGL ? " (EGL)" : " (recording)"));
      EXPECT_EQ(D3DXCreateTextureFromFileExA(device, (kImages + c.file).c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                             D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                             D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &texture),
                c.result);
      if (FAILED(c.result)) {
        EXPECT_EQ(texture, nullptr);
        continue;
      }
      D3DLOCKED_RECT locked;
      ASSERT_EQ(LockRect(texture, 0, &locked, nullptr, 0), S_OK);
      EXPECT_EQ(locked.Pitch, static_cast<int>(c.width * 4));
      UnlockRect(texture, 0);
      RECT last_row = {0, static_cast<LONG>(c.height) - 1, 1, static_cast<LONG>(c.height)};
      EXPECT_EQ(LockRect(texture, 0, &locked, &last_row, 0), S_OK);
      UnlockRect(texture, 0);
      RECT past = {0, static_cast<LONG>(c.height), 1, static_cast<LONG>(c.height) + 1};
      EXPECT_EQ(LockRect(texture, 0, &locked, &past, 0), D3DERR_INVALIDCALL);
      Release(texture);
      texture = nullptr;
    }
    test_device.Close();
  }
}

// A DDS file's own smaller levels are what the device samples, not levels made from the first:
// drawn at half its size, point sampled, the 16 x 8 texture shows the file's 8 x 4 level.
TEST_F(MeshLoading, ADdsFileBringsItsOwnMipLevels) {
  if (!GfxEglAvailable()) GTEST_SKIP() << "no surfaceless EGL display with OpenGL 3.3 core here";
  Open(GFX_BACKEND_EGL);
  const std::string path = kImages + "mips_argb.dds";
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                         D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0,
                                         nullptr, nullptr, &texture),
            S_OK);
  // A quad over the frame's top left 8 x 4 pixels of the 32 x 32 frame.
  const float x1 = -1 + 2 * 8 / 32.0f, y0 = 1 - 2 * 4 / 32.0f;
  const GfxVertex v[4] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0}, {x1, 1, 0.5f, 0, 0, -1, 1, 0},
                          {x1, y0, 0.5f, 0, 0, -1, 1, 1}, {-1, y0, 0.5f, 0, 0, -1, 0, 1}};
  const DWORD indices[6] = {0, 1, 2, 0, 2, 3};
  GfxMeshBuffer* quad = nullptr;
  ASSERT_EQ(CreateMeshBuffer(device, v, 4, indices, 6, &quad), S_OK);
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetTextureStageState(device, 0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
  Clear(device, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  BeginScene(device);
  SetTexture(device, 0, texture);
  DrawMeshBuffer(device, quad, 0, 6);
  EndScene(device);
  ASSERT_EQ(Present(device, nullptr, nullptr, nullptr, nullptr), S_OK);
  std::vector<BYTE> frame(32 * 32 * 4);
  ASSERT_EQ(GfxReadFrame(device, frame.data(), 32, 32), S_OK);
  Release(quad);
  // Level 1 follows level 0 (16 x 8 texels of 4 bytes, B G R A) behind the 128-byte header.
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(file.size(), 128u + 16 * 8 * 4 + 8 * 4 * 4);
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 8; x++) {
      const unsigned char* texel = &file[128 + 16 * 8 * 4 + (y * 8 + x) * 4];
      const BYTE* pixel = &frame[(y * 32 + x) * 4];
      EXPECT_EQ(pixel[0], texel[2]) << x << ", " << y;
      EXPECT_EQ(pixel[1], texel[1]) << x << ", " << y;
      EXPECT_EQ(pixel[2], texel[0]) << x << ", " << y;
    }
}

// Vertex colours with the device's defaults: lit, a vertex's colour takes the place of the
// material's diffuse colour (alpha included); unlit, of white. A mesh collapsed into the same file
// without colours of its own keeps its material's colour lit.
TEST_F(MeshLoading, VertexColoursStandForTheMaterialsDiffuse) {
  if (!GfxEglAvailable()) GTEST_SKIP() << "no surfaceless EGL display with OpenGL 3.3 core here";
  Open(GFX_BACKEND_EGL);
  // Left half: red corners at half alpha on a green material; right half: a blue material alone.
  const char* text = R"(xof 0302txt 0032
Mesh Coloured {
  4; -1;-1;0.5;, -1;1;0.5;, 0;1;0.5;, 0;-1;0.5;;
  1; 4;0,1,2,3;;
  MeshNormals { 1; 0;0;-1;; 1; 4;0,0,0,0;; }
  MeshVertexColors { 4; 0;1;0;0;0.5;;, 1;1;0;0;0.5;;, 2;1;0;0;0.5;;, 3;1;0;0;0.5;;; }
  MeshMaterialList { 1; 1; 0; Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } }
}
Mesh Plain {
  4; 0;-1;0.5;, 0;1;0.5;, 1;1;0.5;, 1;-1;0.5;;
  1; 4;0,1,2,3;;
  MeshNormals { 1; 0;0;-1;; 1; 4;0,0,0,0;; }
  MeshMaterialList { 1; 1; 0; Material { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; } }
}
)";
  ASSERT_EQ(Load(Put("coloured.x", std::vector<unsigned char>(text, text + std::strlen(text)))), S_OK);
  ASSERT_EQ(count, 2u);
  const D3DXMATERIAL* m = static_cast<const D3DXMATERIAL*>(GetBufferPointer(materials));
  D3DLIGHT8 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.5f, 0.5f, 0.5f, 0};
  light.Direction = {0, 0, 1};
  SetLight(device, 0, &light);
  LightEnable(device, 0, TRUE);
  SetRenderState(device, D3DRS_CULLMODE, D3DCULL_NONE);
  SetRenderState(device, D3DRS_ALPHABLENDENABLE, TRUE);
  SetRenderState(device, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  SetRenderState(device, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  SetTextureStageState(device, 0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);  // alpha from the vertices
  struct Case {
    BOOL lighting;
    BYTE left[3], right[3];  // over black
  } cases[] = {
      {TRUE, {64, 0, 0}, {0, 0, 128}},    // half red at half alpha; half blue, opaque
      {FALSE, {128, 0, 0}, {0, 0, 255}},  // red at half alpha; the blue the material gave the vertices
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lighting ? "lit" : "unlit");
    SetRenderState(device, D3DRS_LIGHTING, c.lighting);
    Clear(device, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    BeginScene(device);
    for (DWORD i = 0; i < count; i++) {
      D3DMATERIAL8 material = m[i].MatD3D;
      material.Ambient = {0, 0, 0, 0};
      SetMaterial(device, &material);
      DrawSubset(mesh, i);
    }
    EndScene(device);
    ASSERT_EQ(Present(device, nullptr, nullptr, nullptr, nullptr), S_OK);
    std::vector<BYTE> frame(32 * 32 * 4);
    ASSERT_EQ(GfxReadFrame(device, frame.data(), 32, 32), S_OK);
    for (int k = 0; k < 3; k++) {
      EXPECT_NEAR(frame[(16 * 32 + 8) * 4 + k], c.left[k], 2) << "left, channel " << k;
      EXPECT_NEAR(frame[(16 * 32 + 24) * 4 + k], c.right[k], 2) << "right, channel " << k;
    }
  }
}

}  // namespace
