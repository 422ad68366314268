// Meshes and textures loaded from files onto the display device.
#include "platform/gfx_mesh.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>

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

}  // namespace
