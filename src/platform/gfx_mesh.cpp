#include "platform/gfx_mesh.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/gfx_internal.h"
#include "platform/image_decode.h"
#include "platform/xfile.h"

struct ID3DXMesh {
  IDirect3DDevice8* device;
  GfxMeshBuffer* buffer;
  std::vector<XSubset> subsets;
  DWORD vertex_count;
};

struct ID3DXBuffer {
  std::vector<D3DXMATERIAL> materials;
  std::vector<std::string> names;  // the texture names the materials point into
};

namespace {

// The whole file, or false when it cannot be opened or read, is not a regular file (a FIFO
// would hang the load) or goes on past FILE_READ_MAX bytes (a huge file or an endless device is
// unreadable, not a reason to run out of memory).
bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* out) {
  char native[FILE_PATH_MAX];
  return ResolvePath(path, native, sizeof(native)) && ReadRegularFile(native, out);
}

D3DCOLORVALUE Color(const float* c, float a) { return D3DCOLORVALUE{c[0], c[1], c[2], a}; }

std::string last_error;

}  // namespace

HRESULT D3DXLoadMeshFromX(const char* path, DWORD, IDirect3DDevice8* device, ID3DXBuffer** adjacency,
                          ID3DXBuffer** materials, DWORD* material_count, ID3DXMesh** out, const char** error_text) {
  if (!out || !path) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (adjacency) *adjacency = nullptr;
  if (materials) *materials = nullptr;
  if (material_count) *material_count = 0;
  if (error_text) *error_text = "";
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(path, &file)) return D3DERR_INVALIDCALL;
  XMeshData data;
  if (!ReadXFile(file.data(), file.size(), &data, &last_error)) {
    if (error_text) *error_text = last_error.c_str();
    return D3DXERR_INVALIDDATA;
  }
  std::vector<GfxVertex> vertices(data.vertices.size());
  std::vector<DWORD> indices(data.vertices.size());
  std::vector<D3DCOLOR> colors(data.has_colors ? data.vertices.size() : 0);
  for (std::size_t i = 0; i < data.vertices.size(); i++) {
    const XVertex& x = data.vertices[i];
    vertices[i] = GfxVertex{x.position[0], x.position[1], x.position[2], x.normal[0], x.normal[1], x.normal[2],
                            x.uv[0], x.uv[1]};
    indices[i] = static_cast<DWORD>(i);
    if (data.has_colors) colors[i] = x.color;
  }
  ID3DXMesh* mesh = new (std::nothrow) ID3DXMesh{device, nullptr, data.subsets, static_cast<DWORD>(vertices.size())};
  if (!mesh) return E_OUTOFMEMORY;
  HRESULT result = CreateMeshBuffer(device, vertices.data(), static_cast<UINT>(vertices.size()), indices.data(),
                                    static_cast<UINT>(indices.size()), &mesh->buffer,
                                    data.has_colors ? colors.data() : nullptr);
  if (FAILED(result)) {
    delete mesh;
    return result;
  }
  if (materials) {
    ID3DXBuffer* buffer = new (std::nothrow) ID3DXBuffer;
    if (!buffer) {
      Release(mesh);
      return E_OUTOFMEMORY;
    }
    buffer->names.reserve(data.materials.size());
    for (const XMaterial& m : data.materials) buffer->names.push_back(m.texture);
    for (std::size_t i = 0; i < data.materials.size(); i++) {
      const XMaterial& m = data.materials[i];
      D3DXMATERIAL d{};
      d.MatD3D.Diffuse = Color(m.diffuse, m.diffuse[3]);
      d.MatD3D.Specular = Color(m.specular, 1.0f);
      d.MatD3D.Emissive = Color(m.emissive, 1.0f);
      d.MatD3D.Power = m.power;
      d.pTextureFilename = m.texture.empty() ? nullptr : buffer->names[i].data();
      buffer->materials.push_back(d);
    }
    *materials = buffer;
  }
  if (material_count) *material_count = static_cast<DWORD>(data.materials.size());
  *out = mesh;
  return S_OK;
}

void* GetBufferPointer(ID3DXBuffer* buffer) { return buffer && !buffer->materials.empty() ? buffer->materials.data() : nullptr; }

ULONG Release(ID3DXBuffer* buffer) {
  delete buffer;
  return 0;
}

ULONG Release(ID3DXMesh* mesh) {
  if (!mesh) return 0;
  if (mesh->buffer) Release(mesh->buffer);
  delete mesh;
  return 0;
}

DWORD GetNumFaces(ID3DXMesh* mesh) { return mesh ? mesh->vertex_count / 3 : 0; }
DWORD GetNumVertices(ID3DXMesh* mesh) { return mesh ? mesh->vertex_count : 0; }

GfxMeshBuffer* MeshBuffer(ID3DXMesh* mesh) { return mesh ? mesh->buffer : nullptr; }

HRESULT DrawSubset(ID3DXMesh* mesh, DWORD subset) {
  if (!mesh || subset >= mesh->subsets.size()) return D3DERR_INVALIDCALL;
  const XSubset& s = mesh->subsets[subset];
  if (s.triangle_count == 0) return S_OK;
  return DrawMeshBuffer(mesh->device, mesh->buffer, s.first_triangle * 3, s.triangle_count * 3);
}

// Rows of RGBA into a locked A8R8G8B8 level.
static void PutLevel(const std::uint8_t* rgba, int width, int height, const D3DLOCKED_RECT& locked) {
  for (int y = 0; y < height; y++) {
    std::uint8_t* row = static_cast<std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch;
    const std::uint8_t* src = rgba + std::size_t(y) * width * 4;
    for (int x = 0; x < width; x++) {
      DWORD argb = (DWORD(src[x * 4 + 3]) << 24) | (DWORD(src[x * 4]) << 16) | (DWORD(src[x * 4 + 1]) << 8) |
                   DWORD(src[x * 4 + 2]);
      std::memcpy(row + x * 4, &argb, 4);
    }
  }
}

// An image larger than the device's largest texture is decoded scaled down to it, as the file's
// own size is asked for; one over the decoders' pixel budget is refused as memory run out.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, const char* path, UINT, UINT, UINT, DWORD, D3DFORMAT,
                                     D3DPOOL pool, DWORD, DWORD, D3DCOLOR, void*, void*, IDirect3DTexture8** out) {
  if (!out || !path) return D3DERR_INVALIDCALL;
  *out = nullptr;
  std::vector<std::uint8_t> file;
  if (!ReadWholeFile(path, &file)) return D3DERR_INVALIDCALL;
  int max_side = 0;
  D3DCAPS8 caps;
  if (device && SUCCEEDED(GetDeviceCaps(device->direct3d, 0, D3DDEVTYPE_HAL, &caps)))
    max_side = static_cast<int>(std::min(caps.MaxTextureWidth, caps.MaxTextureHeight));
  // The recording device draws nothing: its textures need their size, not their pixels, and
  // decoding large images would be most of its start-up.
  bool draws = device && device->gl;
  DecodedImage image;
  bool read = draws ? DecodeImage(file.data(), file.size(), &image, &last_error, max_side)
                    : ReadImageSize(file.data(), file.size(), &image, &last_error, max_side);
  if (!read) return image.too_large ? E_OUTOFMEMORY : D3DXERR_INVALIDDATA;
  IDirect3DTexture8* texture = nullptr;
  HRESULT result = CreateTexture(device, static_cast<UINT>(image.width), static_cast<UINT>(image.height), 0, 0,
                                 D3DFMT_A8R8G8B8, pool, &texture);
  if (FAILED(result)) return result == D3DERR_INVALIDCALL ? D3DERR_NOTAVAILABLE : result;
  if (!draws) {
    *out = texture;
    return S_OK;
  }
  // Level 0 first: unlocking it makes the whole chain, whose levels the file's own then replace.
  for (std::size_t level = 0; level <= image.mips.size(); level++) {
    const int w = std::max(1, image.width >> level), h = std::max(1, image.height >> level);
    D3DLOCKED_RECT locked;
    if (FAILED(LockRect(texture, static_cast<UINT>(level), &locked, nullptr, 0))) {
      if (level > 0) break;  // a chain shorter than the file's
      Release(texture);
      return D3DERR_NOTAVAILABLE;
    }
    PutLevel(level == 0 ? image.rgba.data() : image.mips[level - 1].data(), w, h, locked);
    UnlockRect(texture, static_cast<UINT>(level));
  }
  *out = texture;
  return S_OK;
}
