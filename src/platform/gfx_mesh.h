// D3DX-like mesh and texture loading for the display device: meshes from ".x" files (every mesh
// of a file collapsed into one, one subset per material, vertex colours kept) and textures from
// PNG, JPEG, BMP, TGA or DDS files with a full chain of mip levels (a DDS file's own, where it has
// one).
#pragma once

#include "platform/gfx.h"

constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59);
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr DWORD D3DX_FILTER_LINEAR = 3;

// A material as a mesh file gives it: the colours and the texture file it names (null for none).
struct D3DXMATERIAL {
  D3DMATERIAL8 MatD3D;
  char* pTextureFilename;
};

struct ID3DXMesh;
// The materials of a loaded mesh; released by the loader's caller.
struct ID3DXBuffer;

// Loads the file at path (a "\" path is mapped to the disk's). S_OK, D3DERR_INVALIDCALL when it
// cannot be opened, D3DXERR_INVALIDDATA when it is not a readable mesh (error_text, when given,
// says why), E_OUTOFMEMORY.
HRESULT D3DXLoadMeshFromX(const char* path, DWORD options, IDirect3DDevice8* device, ID3DXBuffer** adjacency,
                          ID3DXBuffer** materials, DWORD* material_count, ID3DXMesh** out,
                          const char** error_text = nullptr);
void* GetBufferPointer(ID3DXBuffer* buffer);  // D3DXMATERIAL[material_count] for a material buffer
ULONG Release(ID3DXBuffer* buffer);
ULONG Release(ID3DXMesh* mesh);
DWORD GetNumFaces(ID3DXMesh* mesh);
DWORD GetNumVertices(ID3DXMesh* mesh);
// The device buffer a mesh draws from (draws are recorded by it).
GfxMeshBuffer* MeshBuffer(ID3DXMesh* mesh);
// Draws the triangles of one subset with the device's current state.
HRESULT DrawSubset(ID3DXMesh* mesh, DWORD subset);

// Loads an image file into a new A8R8G8B8 texture (width, height and levels D3DX_DEFAULT: the
// file's size, scaled down to the device's largest texture size where it is larger, and a full mip
// chain). S_OK; D3DERR_INVALIDCALL when it cannot be opened; D3DXERR_INVALIDDATA when it is not a
// readable image; E_OUTOFMEMORY, also for an image of more than IMAGE_PIXELS_MAX pixels;
// D3DERR_NOTAVAILABLE when the device cannot hold it.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* device, const char* path, UINT width, UINT height,
                                     UINT mip_levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mip_filter, D3DCOLOR color_key, void* image_info, void* palette,
                                     IDirect3DTexture8** out);
