// Decoding of texture images: PNG, JPEG, BMP, TGA and DDS, told apart by their content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // 8 bits a channel, rows top to bottom
  // The file's own smaller levels (a DDS with a mip chain), from level 1 on, each side half the one
  // before (at least 1), in the same layout; none when the first level had to be scaled.
  std::vector<std::vector<std::uint8_t>> mips;
  bool too_large = false;  // on a failure: refused for its size (IMAGE_PIXELS_MAX), not its content
};

// No image with more pixels than this is decoded, whatever it would be scaled to: reading one costs
// time and memory by its own size, and no texture is worth that much (twice a 4096 x 4096 one).
constexpr std::uint64_t IMAGE_PIXELS_MAX = std::uint64_t(2) * 4096 * 4096;

// Returns true on success; on failure `error` says why. Never reads outside the buffer. An image
// wider or taller than max_side (when not 0) comes out scaled down to it, each side on its own,
// every pixel the mean of the pixels it stands for.
bool DecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error,
                 int max_side = 0);

// The image's size alone, from its header, as DecodeImage would give it: `rgba` stays empty.
// Rejects what DecodeImage rejects for its header, but reads none of the pixel data, so damage in
// there goes unnoticed.
bool ReadImageSize(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error,
                   int max_side = 0);
