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

// Writes every texture the meshes name into the folder, and the icon.
bool MakeImages(const std::string& folder);
