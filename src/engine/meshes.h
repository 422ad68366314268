// The mesh table and the texture cache.
#pragma once

#include "platform/gfx.h"

// The texture cache: one device's textures, shared by every mesh slot naming the same file. An
// entry is free when its texture is null, whatever its name.
constexpr int TEXTURE_CACHE_SIZE = 128;
constexpr int TEXTURE_NAME_SIZE = 64;
extern char texture_cache_name[TEXTURE_CACHE_SIZE][TEXTURE_NAME_SIZE];
extern IDirect3DTexture8* texture_cache_texture[TEXTURE_CACHE_SIZE];

// Loads the 95 mesh slots in order; failures go to the console.
void LoadMeshTable();
// ReleaseMesh on each of the 95 slots, so that every slot counts as not loaded.
void ReleaseMeshTable();
