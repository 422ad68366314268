// A helper of the windowed end-to-end run: reads a window capture made by xwd (a true- or
// direct-colour ZPixmap of 24 or 32 bits a pixel, either byte order), writes it as a PNG to look at, and prints its
// size; given a rectangle, it prints instead how many of its pixels are red (the game's titles), how many white (the
// selected menu row), and a hash of its pixels (to tell a still picture from a moving one).
//   xwd_probe <capture.xwd> <out.png> [<left> <top> <right> <bottom>]   (right and bottom exclusive)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/image_write.h"

namespace {

constexpr int kHeaderFields = 25;  // the CARD32 fields of an XWD header, big-endian
enum Field {
  XWD_HEADER_SIZE = 0,
  XWD_PIXMAP_FORMAT = 2,
  XWD_WIDTH = 4,
  XWD_HEIGHT = 5,
  XWD_BYTE_ORDER = 7,
  XWD_BITS_PER_PIXEL = 11,
  XWD_BYTES_PER_LINE = 12,
  XWD_VISUAL_CLASS = 13,
  XWD_RED_MASK = 14,
  XWD_GREEN_MASK = 15,
  XWD_BLUE_MASK = 16,
  XWD_NCOLORS = 19,
};
// Xvfb's windows may be DirectColor; its colour maps are linear, so the masks alone give the colour.
constexpr std::uint32_t kZPixmap = 2, kTrueColor = 4, kDirectColor = 5, kColorSize = 12;

std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!(mask & 1u)) mask >>= 1, shift++;
  return ((pixel >> shift) & mask) * 255u / mask;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 7) {
    std::fprintf(stderr, "usage: xwd_probe <capture.xwd> <out.png> [<left> <top> <right> <bottom>]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 4 * kHeaderFields) {
    std::fprintf(stderr, "%s: no XWD header\n", argv[1]);
    return 1;
  }
  std::uint32_t h[kHeaderFields];
  for (int i = 0; i < kHeaderFields; i++) {
    const std::uint8_t* p = &bytes[4 * i];
    h[i] = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
  }
  std::uint32_t bpp = h[XWD_BITS_PER_PIXEL], width = h[XWD_WIDTH], height = h[XWD_HEIGHT], line = h[XWD_BYTES_PER_LINE];
  std::uint64_t start = std::uint64_t(h[XWD_HEADER_SIZE]) + std::uint64_t(h[XWD_NCOLORS]) * kColorSize;
  if (h[XWD_PIXMAP_FORMAT] != kZPixmap || (h[XWD_VISUAL_CLASS] != kTrueColor && h[XWD_VISUAL_CLASS] != kDirectColor) ||
      (bpp != 24 && bpp != 32) || width == 0 || height == 0 || line < width * (bpp / 8) ||
      start + std::uint64_t(line) * height > bytes.size()) {
    std::fprintf(stderr, "%s: not a colour capture of 24 or 32 bits a pixel\n", argv[1]);
    return 1;
  }
  std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
  for (std::uint32_t y = 0; y < height; y++)
    for (std::uint32_t x = 0; x < width; x++) {
      const std::uint8_t* p = &bytes[start + std::uint64_t(y) * line + x * (bpp / 8)];
      std::uint32_t pixel = 0;
      for (std::uint32_t b = 0; b < bpp / 8; b++)
        pixel |= std::uint32_t(p[b]) << (h[XWD_BYTE_ORDER] == 0 ? 8 * b : bpp - 8 - 8 * b);
      std::uint8_t* out = &rgba[(std::size_t(y) * width + x) * 4];
      out[0] = std::uint8_t(Channel(pixel, h[XWD_RED_MASK]));
      out[1] = std::uint8_t(Channel(pixel, h[XWD_GREEN_MASK]));
      out[2] = std::uint8_t(Channel(pixel, h[XWD_BLUE_MASK]));
      out[3] = 255;
    }
  if (!WritePngRgba(argv[2], width, height, rgba.data())) {
    std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
    return 1;
  }
  if (argc == 3) {
    std::printf("%u %u\n", width, height);
    return 0;
  }
  long left = std::max(0L, std::atol(argv[3])), top = std::max(0L, std::atol(argv[4]));
  long right = std::min(long(width), std::atol(argv[5])), bottom = std::min(long(height), std::atol(argv[6]));
  long red = 0, white = 0;
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (long y = top; y < bottom; y++)
    for (long x = left; x < right; x++) {
      const std::uint8_t* p = &rgba[(std::size_t(y) * width + x) * 4];
      if (p[0] >= 128 && p[1] * 3 <= p[0] && p[2] * 3 <= p[0]) red++;
      if (p[0] >= 200 && p[1] >= 200 && p[2] >= 200) white++;
      for (int c = 0; c < 3; c++) hash = (hash ^ p[c]) * 1099511628211u;
    }
  std::printf("%ld %ld %016llx\n", red, white, static_cast<unsigned long long>(hash));
  return 0;
}
