// What the image readers share: little-endian fields, the pixel budget, bit-mask channels and the
// scaling of decoded rows down to a smaller size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image_decode.h"

inline std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

// False, with the image marked too large, when a header's size is over IMAGE_PIXELS_MAX.
bool WithinPixelBudget(std::uint64_t width, std::uint64_t height, DecodedImage* out, std::string* error);

// The side an image is decoded at: max_side when it is longer (and max_side is not 0).
int FitSide(std::int64_t side, int max_side);

// One colour channel held under a bit mask of a pixel, widened to 8 bits the way a display widens
// it: the bits repeated from the top (5 bits v become v << 3 | v >> 2), or cut to their top 8.
struct MaskChannel {
  std::uint32_t mask;
  int shift, bits;
};
MaskChannel MaskOf(std::uint32_t mask);
inline std::uint8_t Channel(const MaskChannel& c, std::uint32_t pixel) {
  if (c.bits == 0) return 0;
  std::uint32_t v = (pixel & c.mask) >> c.shift;
  if (c.bits >= 8) return static_cast<std::uint8_t>(v >> (c.bits - 8));
  std::uint32_t out = 0;
  for (int filled = 0; filled < 8; filled += c.bits) out = (out << c.bits) | v;
  return static_cast<std::uint8_t>(out >> ((8 + c.bits - 1) / c.bits * c.bits - 8));
}

// Gathers rows of RGBA, fed top to bottom, into a smaller image: each target pixel is the mean of
// the source pixels that fall on it. Holds one target row of sums, so a source is never whole.
struct RowScaler {
  int source_width = 0, source_height = 0, width = 0, height = 0;
  std::uint8_t* out = nullptr;  // width * height * 4
  std::vector<std::uint64_t> sums;
  std::vector<std::uint32_t> column_end;  // the source column after each target column's last
  int fed = 0;                            // source rows so far
  int row = 0;                            // the target row being gathered

  void Start(int from_width, int from_height, int to_width, int to_height, std::uint8_t* target);
  void Feed(const std::uint8_t* rgba);
};

// The image scaled down to width x height (its mips dropped: they no longer fit it).
void ScaleImage(DecodedImage* image, int width, int height);

// The readers of the formats without a decoding library of their own here; each gives the image at
// its own size, with its pixels when asked.
bool ReadBmp(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels);
bool ReadTga(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels);
bool ReadDds(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels);
// TGA has no signature: whether the header is one this reader would take.
bool LooksLikeTga(const std::uint8_t* data, std::size_t size);
