// A whole mesh load from any bytes, as the game makes it: D3DXLoadMeshFromX with its materials and
// texture names, then LoadMesh into a slot on the recording display, with its textures found in
// the cache or loaded. Each texture a mesh names is there as a small PNG, so that the texture
// path runs too. Nothing may be read past, leaked or left with a subset it cannot draw.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/console.h"
#include "engine/display.h"
#include "engine/meshes.h"
#include "fuzz_folder.h"
#include "platform/files.h"
#include "platform/gfx.h"
#include "platform/gfx_mesh.h"
#include "platform/image_write.h"

namespace {

constexpr int NAMES_MAX = 16;
char written[NAMES_MAX][TEXTURE_NAME_SIZE + 8];  // textures put in res for this input
int written_count;

void RemoveWritten() {
  for (int i = 0; i < written_count; i++) std::remove(written[i]);
  written_count = 0;
}

void RemoveFiles() {
  RemoveWritten();
  std::remove("res/in.x");
  std::remove("bin/console.log");
  rmdir("res");
  rmdir("bin");
}

// A name the game would look up as "..\res\<name>" that stays a plain file in res.
bool PlainName(const char* name) {
  if (!name || !name[0] || name[0] == '.' || std::strlen(name) >= TEXTURE_NAME_SIZE) return false;
  return !std::strpbrk(name, "/\\");
}

void PutTexture(const char* name) {
  if (written_count == NAMES_MAX) return;
  std::snprintf(written[written_count], sizeof written[0], "../res/%s", name);
  static const BYTE rgba[2 * 2 * 4] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128, 255, 255, 255, 0};
  if (WritePngRgba(written[written_count], 2, 2, rgba)) written_count++;
}

void DrawAll(ID3DXMesh* mesh, DWORD subsets) {
  for (DWORD i = 0; i < subsets; i++) DrawSubset(mesh, i);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("KESTRUNE_HEADLESS", "1", 1);
  setenv("KESTRUNE_GFX", "record", 1);
  MakeFuzzFolder("mesh", RemoveFiles, argc, argv);
  FuzzFolderInput in_folder;
  if (mkdir("bin", 0755) != 0 || mkdir("res", 0755) != 0) std::abort();
  direct3d = Direct3DCreate8(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS params = {};
  params.Windowed = TRUE;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D24S8;
  if (!direct3d || FAILED(CreateDevice(direct3d, D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device))) {
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFolderInput in_folder;
  WriteFuzzFile("res/in.x", data, size);
  if (chdir("bin") != 0) std::abort();

  // The loader itself: a material buffer for every material, three vertices to a face.
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  ID3DXMesh* mesh = nullptr;
  if (SUCCEEDED(D3DXLoadMeshFromX("..\\res\\in.x", D3DXMESH_SYSTEMMEM, device, nullptr, &materials, &count, &mesh))) {
    if (GetNumVertices(mesh) != GetNumFaces(mesh) * 3) std::abort();
    const D3DXMATERIAL* m = static_cast<const D3DXMATERIAL*>(GetBufferPointer(materials));
    if (count > 0 && !m) std::abort();
    for (DWORD i = 0; i < count; i++) {
      if (PlainName(m[i].pTextureFilename)) PutTexture(m[i].pTextureFilename);
    }
    DrawAll(mesh, count);
    Release(materials);
    Release(mesh);
  }

  // As the mesh table loads it.
  MeshSlot slot;
  LoadMesh(&slot, 1, "in.x");
  if (slot.mesh) {
    if (slot.material_count < 0 || (slot.material_count > 0 && (!slot.materials || !slot.textures))) std::abort();
    DrawAll(slot.mesh, static_cast<DWORD>(slot.material_count));
  } else if (slot.materials || slot.textures || slot.material_count != 0) {
    std::abort();
  }
  ReleaseMesh(&slot);
  for (int i = 0; i < TEXTURE_CACHE_SIZE; i++) {
    if (texture_cache_texture[i]) Release(texture_cache_texture[i]);
    texture_cache_texture[i] = nullptr;
    texture_cache_name[i][0] = 0;
  }
  RemoveWritten();
  FileRemove(CONSOLE_LOG_PATH);
  GfxClearCalls();
  return 0;
}
