// Decoding of texture images: PNG, JPEG and uncompressed BMP, told apart by their content.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // 8 bits a channel, rows top to bottom
};

// Returns true on success; on failure `error` says why. Never reads outside the buffer.
bool DecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error);

// The image's size alone, from its header: `rgba` stays empty. Rejects what DecodeImage rejects
// for its header, but reads none of the pixel data, so damage in there goes unnoticed.
bool ReadImageSize(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error);
