// Procedural textures and the window icon for the asset maker.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // rows top to bottom
  void Set(int x, int y, float r, float g, float b, float a = 1.0f);
};

bool WritePng(const std::string& path, const Image& image);
bool WriteJpeg(const std::string& path, const Image& image, int quality = 90);
// A 32 by 32 icon with one 32-bit uncompressed image and its mask.
bool WriteIcon(const std::string& path, const Image& image);

// The sky backdrops: a picture of kSkyQuadWidth by kSkyQuadHeight world units at depth
// kSkyQuadDepth, its centre kSkyQuadRise above the point the world draws it at (the playfield's
// bottom edge, 4 units lower for each unit of the world's shift). That covers the game camera's
// view at every shift a backdrop stage uses (0 to 50) with a margin, at more than a texel a pixel.
constexpr int kSkyWidth = 1024, kSkyHeight = 896;  // texels
constexpr float kSkyQuadWidth = 1600, kSkyQuadHeight = 1400, kSkyQuadRise = 150, kSkyQuadDepth = 800;
// The texture's horizon (0 top, 1 bottom): where the game camera's eye height, 46 units above the
// playfield's bottom edge, meets the picture while the world stands at shift 0.
constexpr float kSkyHorizon = (kSkyQuadHeight / 2 + kSkyQuadRise - 46) / kSkyQuadHeight;
// The ground (the floor line at shift 0) lies this far below the game camera's eye, which stands
// 100 units in front of the playfield.
constexpr float kGroundBelowEye = 41;

// The starfield: a cube round the scene, seen from inside, with the stars of every direction on
// its six faces, all in one texture. The face ahead of the game camera, all that camera sees,
// takes the largest square; the faces that only the title scene's turning camera meets take a
// quarter of its area each.
struct StarFace {
  float out[3], right[3], up[3];  // the face's direction from the centre, and its right and up seen from inside
  int x, y, size;                 // its square in the texture, in texels
};
constexpr int kStarsSize = 1536;
constexpr float kStarsReach = 1000;  // from the centre to each face, in world units
constexpr StarFace kStarFaces[6] = {
    {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}, 0, 0, 1024},        // ahead
    {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, 1024, 0, 512},     // right
    {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}, 1024, 512, 512},   // left
    {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}, 0, 1024, 512},    // behind
    {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}, 512, 1024, 512},   // above
    {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}, 1024, 1024, 512},  // below
};

// Writes every texture the meshes name into the folder, and the icon.
bool MakeImages(const std::string& folder);
