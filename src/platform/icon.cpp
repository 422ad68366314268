#include "platform/icon.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/image_decode.h"

static unsigned U16(const std::uint8_t* p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }
static std::uint32_t U32(const std::uint8_t* p) { return U16(p) | std::uint32_t(U16(p + 2)) << 16; }

// A PNG entry, decoded by the texture decoder; at most ICON_SIZE_MAX square.
static int DecodePng(const std::uint8_t* data, std::size_t size, std::uint8_t* pixels, int* w, int* h) {
  DecodedImage image;
  std::string error;
  if (!DecodeImage(data, size, &image, &error) || image.width > ICON_SIZE_MAX || image.height > ICON_SIZE_MAX) return 0;
  std::memcpy(pixels, image.rgba.data(), image.rgba.size());
  *w = image.width;
  *h = image.height;
  return 1;
}

// The BMP form of an entry: a header without the file header, the height counting the colour
// rows and the mask rows, then the colour rows and a 1-bit transparency mask, bottom row first.
static int DecodeBitmap(const std::uint8_t* data, std::size_t size, std::uint8_t* pixels, int* w, int* h) {
  if (size < 40) return 0;
  std::uint32_t header = U32(data);
  std::int32_t width = std::int32_t(U32(data + 4)), height2 = std::int32_t(U32(data + 8));
  unsigned bpp = U16(data + 14);
  std::uint32_t compression = U32(data + 16), colors_used = U32(data + 32);
  if (header < 40 || header > size || compression != 0) return 0;
  if (width < 1 || width > ICON_SIZE_MAX || height2 < 2 || height2 > 2 * ICON_SIZE_MAX) return 0;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return 0;
  int height = height2 / 2;
  std::size_t palette_size = 0;
  if (bpp <= 8) {
    palette_size = colors_used ? colors_used : (1u << bpp);
    if (palette_size > (1u << bpp)) return 0;
  }
  std::size_t palette_at = header, xor_at = palette_at + palette_size * 4;
  std::size_t xor_stride = (std::size_t(width) * bpp + 31) / 32 * 4, and_stride = (std::size_t(width) + 31) / 32 * 4;
  std::size_t and_at = xor_at + xor_stride * std::size_t(height);
  if (and_at > size) return 0;
  int has_mask = and_at + and_stride * std::size_t(height) <= size;
  const std::uint8_t* palette = data + palette_at;
  int alpha_used = 0;
  for (int y = 0; y < height; y++) {
    const std::uint8_t* row = data + xor_at + xor_stride * std::size_t(height - 1 - y);
    for (int x = 0; x < width; x++) {
      std::uint8_t* out = pixels + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4;
      std::uint8_t b, g, r, a = 255;
      if (bpp >= 24) {
        const std::uint8_t* p = row + std::size_t(x) * (bpp / 8);
        b = p[0], g = p[1], r = p[2];
        if (bpp == 32) a = p[3], alpha_used |= a != 0;
      } else {
        unsigned bit = unsigned(x) * bpp;
        unsigned index = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (index >= palette_size) return 0;
        b = palette[index * 4], g = palette[index * 4 + 1], r = palette[index * 4 + 2];
      }
      out[0] = r, out[1] = g, out[2] = b, out[3] = a;
    }
  }
  // Without an alpha channel of its own, the mask says which pixels are transparent.
  if (!alpha_used)
    for (int y = 0; y < height; y++) {
      const std::uint8_t* row = data + and_at + and_stride * std::size_t(height - 1 - y);
      for (int x = 0; x < width; x++) {
        int transparent = has_mask && (row[x / 8] >> (7 - x % 8)) & 1;
        pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4 + 3] = transparent ? 0 : 255;
      }
    }
  *w = width;
  *h = height;
  return 1;
}

int DecodeIcon(const std::uint8_t* data, std::size_t size, int width, int height, std::uint8_t* rgba) {
  if (!data || !rgba || width < 1 || height < 1 || width > ICON_SIZE_MAX || height > ICON_SIZE_MAX) return 0;
  if (size < 6 || U16(data) != 0 || U16(data + 2) != 1) return 0;
  std::size_t count = U16(data + 4);
  if (count == 0 || 6 + count * 16 > size) return 0;
  // The entry nearest in size, the deeper one among equals.
  long best = -1;
  long best_score = 0;
  for (std::size_t i = 0; i < count; i++) {
    const std::uint8_t* e = data + 6 + i * 16;
    int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    std::uint32_t bytes = U32(e + 8), offset = U32(e + 12);
    if (offset > size || bytes > size - offset) continue;
    long score = (std::labs(long(w) - width) + std::labs(long(h) - height)) * 64 - long(U16(e + 6));
    if (best < 0 || score < best_score) best = long(i), best_score = score;
  }
  if (best < 0) return 0;
  const std::uint8_t* e = data + 6 + std::size_t(best) * 16;
  const std::uint8_t* image = data + U32(e + 12);
  std::size_t image_size = U32(e + 8);
  std::uint8_t* pixels = static_cast<std::uint8_t*>(std::malloc(std::size_t(ICON_SIZE_MAX) * ICON_SIZE_MAX * 4));
  if (!pixels) return 0;
  int w = 0, h = 0;
  static const std::uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  int is_png = image_size >= 8 && std::memcmp(image, png_signature, 8) == 0;
  int ok = is_png ? DecodePng(image, image_size, pixels, &w, &h) : DecodeBitmap(image, image_size, pixels, &w, &h);
  if (ok)
    for (int y = 0; y < height; y++)
      for (int x = 0; x < width; x++) {
        const std::uint8_t* from = pixels + (std::size_t(y * h / height) * std::size_t(w) + std::size_t(x * w / width)) * 4;
        std::memcpy(rgba + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4, from, 4);
      }
  std::free(pixels);
  return ok;
}
