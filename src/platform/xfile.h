// A reader for ".x" mesh files (text, binary with 32- or 64-bit floats, and their MSZIP-compressed
// forms; template names in any letter case). Every mesh of a file is collapsed into one, transformed
// by its frames (each matrix moving what follows it), with polygons fanned into triangles and one
// subset per material in material order; a mesh without a material list gets one grey material.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct XMaterial {
  float diffuse[4];  // face colour r, g, b, a
  float power;
  float specular[3];
  float emissive[3];
  std::string texture;  // TextureFilename, empty for none
};

// One vertex per triangle corner, so positions, normals, texture coordinates and colours that
// carry their own indices in the file all line up.
struct XVertex {
  float position[3];
  float normal[3];
  float uv[2];
  std::uint32_t color;  // ARGB: white where MeshVertexColors leaves a vertex out (see has_colors)
};

struct XSubset {
  std::uint32_t first_triangle;
  std::uint32_t triangle_count;
};

struct XMeshData {
  std::vector<XVertex> vertices;      // three per triangle, triangles grouped by subset
  std::vector<XMaterial> materials;   // one per subset
  std::vector<XSubset> subsets;       // subset i uses materials[i]
  bool has_normals = false;
  // Some mesh of the file has MeshVertexColors; the vertices of the others then carry their
  // material's diffuse colour.
  bool has_colors = false;
};

// Parses a whole file held in memory. Returns true on success; on failure `error` says why and
// `out` is left empty. Never reads outside [data, data + size).
bool ReadXFile(const std::uint8_t* data, std::size_t size, XMeshData* out, std::string* error);

// Writes the MSZIP-compressed form of an uncompressed ".x" file (header included), as "tzip" or
// "bzip" by the header's format. Used to make compressed meshes and test files.
bool CompressXFile(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>* out);
