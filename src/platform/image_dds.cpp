// DirectDraw Surface files: DXT1 to DXT5 blocks (decoded by libsquish; DXT2 and DXT4 hold their
// colours premultiplied and are decoded as they are, which is how they are sampled), and the
// uncompressed layouts given by bit masks (RGB with or without alpha, luminance, alpha alone) of 8
// to 32 bits; with the file's own mip chain. Cube maps, volumes and the DX10 header are no 2D
// texture of that time and are refused.
#include <squish.h>

#include <algorithm>
#include <cstring>

#include "platform/image_readers.h"

namespace {

constexpr std::uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_ALPHA = 0x2, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40,
                        DDPF_LUMINANCE = 0x20000;
constexpr std::uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_VOLUME = 0x200000;
constexpr std::size_t kHeaderEnd = 4 + 124;
constexpr int kMaxLevels = 17;  // a 65536 side down to 1

constexpr std::uint32_t FourCC(const char (&s)[5]) {
  return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
         std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

struct DdsLayout {
  int width, height, levels;
  int squish_flags;  // 0 for uncompressed
  int pixel_bytes;   // uncompressed
  bool luminance;
  MaskChannel red, green, blue, alpha;
};

int LevelSide(int side, int level) { return side >> level > 0 ? side >> level : 1; }

std::size_t LevelBytes(const DdsLayout& d, int level) {
  const std::size_t w = std::size_t(LevelSide(d.width, level)), h = std::size_t(LevelSide(d.height, level));
  if (d.squish_flags) return ((w + 3) / 4) * ((h + 3) / 4) * (d.squish_flags & squish::kDxt1 ? 8 : 16);
  return w * h * std::size_t(d.pixel_bytes);
}

bool ReadLayout(const std::uint8_t* data, std::size_t size, DdsLayout* d, std::string* error) {
  if (size < kHeaderEnd) return *error = "truncated DDS", false;
  const std::uint8_t* h = data + 4;
  if (Le32(h) != 124 || Le32(h + 72) != 32) return *error = "bad DDS header", false;
  const std::uint32_t flags = Le32(h + 4);
  d->height = static_cast<int>(std::min<std::uint32_t>(Le32(h + 8), 1u << 30));
  d->width = static_cast<int>(std::min<std::uint32_t>(Le32(h + 12), 1u << 30));
  const std::uint32_t mip_count = Le32(h + 24);
  const std::uint32_t pf_flags = Le32(h + 76), fourcc = Le32(h + 80), bit_count = Le32(h + 84);
  const std::uint32_t caps2 = Le32(h + 108);
  if (caps2 & (DDSCAPS2_CUBEMAP | DDSCAPS2_VOLUME)) return *error = "DDS cube map or volume", false;
  d->levels = flags & DDSD_MIPMAPCOUNT && mip_count > 1 ? static_cast<int>(std::min<std::uint32_t>(mip_count, kMaxLevels)) : 1;
  d->squish_flags = 0;
  d->pixel_bytes = 0;
  d->luminance = false;
  if (pf_flags & DDPF_FOURCC) {
    if (fourcc == FourCC("DXT1")) d->squish_flags = squish::kDxt1;
    else if (fourcc == FourCC("DXT2") || fourcc == FourCC("DXT3")) d->squish_flags = squish::kDxt3;
    else if (fourcc == FourCC("DXT4") || fourcc == FourCC("DXT5")) d->squish_flags = squish::kDxt5;
    else return *error = "unsupported DDS format", false;
  } else {
    if (!(pf_flags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA)) ||
        (bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32))
      return *error = "unsupported DDS format", false;
    d->pixel_bytes = static_cast<int>(bit_count / 8);
    d->luminance = (pf_flags & DDPF_LUMINANCE) && !(pf_flags & DDPF_RGB);
    const bool rgb = pf_flags & (DDPF_RGB | DDPF_LUMINANCE);
    d->red = MaskOf(rgb ? Le32(h + 88) : 0);
    d->green = MaskOf(rgb ? Le32(h + 92) : 0);
    d->blue = MaskOf(rgb ? Le32(h + 96) : 0);
    d->alpha = MaskOf(pf_flags & (DDPF_ALPHAPIXELS | DDPF_ALPHA) ? Le32(h + 100) : 0);
    if (!rgb && d->alpha.bits == 0) return *error = "unsupported DDS format", false;
  }
  if (d->width <= 0 || d->height <= 0) return *error = "bad DDS size", false;
  return true;
}

// One level as RGBA.
void DecodeLevel(const DdsLayout& d, int level, const std::uint8_t* p, std::vector<std::uint8_t>* rgba) {
  const int w = LevelSide(d.width, level), h = LevelSide(d.height, level);
  rgba->assign(std::size_t(w) * h * 4, 0xFF);
  if (d.squish_flags) {
    // Block by block: libsquish's whole-image call starts a pool of threads for a few blocks.
    const std::size_t block_bytes = d.squish_flags & squish::kDxt1 ? 8 : 16;
    std::uint8_t block[16 * 4];
    for (int by = 0; by < h; by += 4) {
      for (int bx = 0; bx < w; bx += 4, p += block_bytes) {
        squish::Decompress(block, p, d.squish_flags);
        for (int y = by; y < std::min(h, by + 4); y++)
          for (int x = bx; x < std::min(w, bx + 4); x++)
            std::memcpy(&(*rgba)[(std::size_t(y) * w + x) * 4], &block[((y - by) * 4 + (x - bx)) * 4], 4);
      }
    }
    return;
  }
  for (std::size_t i = 0; i < std::size_t(w) * h; i++, p += d.pixel_bytes) {
    std::uint32_t v = 0;
    for (int b = 0; b < d.pixel_bytes; b++) v |= std::uint32_t(p[b]) << (8 * b);
    std::uint8_t* dst = &(*rgba)[i * 4];
    if (d.luminance) {
      dst[0] = dst[1] = dst[2] = Channel(d.red, v);
    } else if (d.red.bits | d.green.bits | d.blue.bits) {
      dst[0] = Channel(d.red, v), dst[1] = Channel(d.green, v), dst[2] = Channel(d.blue, v);
    } else {
      dst[0] = dst[1] = dst[2] = 0;  // alpha alone: black
    }
    if (d.alpha.bits) dst[3] = Channel(d.alpha, v);
  }
}

}  // namespace

bool ReadDds(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels) {
  DdsLayout d;
  if (!ReadLayout(data, size, &d, error)) return false;
  if (!WithinPixelBudget(std::uint64_t(d.width), std::uint64_t(d.height), out, error)) return false;
  // Levels beyond 1 x 1 are no levels; every one counted must be in the file.
  int full_chain = 1;
  while (LevelSide(d.width, full_chain - 1) > 1 || LevelSide(d.height, full_chain - 1) > 1) full_chain++;
  d.levels = std::min(d.levels, full_chain);
  std::size_t at = kHeaderEnd;
  for (int level = 0; level < d.levels; level++) {
    if (LevelBytes(d, level) > size - at) return *error = "truncated DDS", false;
    at += LevelBytes(d, level);
  }
  out->width = d.width;
  out->height = d.height;
  if (!pixels) return true;
  at = kHeaderEnd;
  DecodeLevel(d, 0, data + at, &out->rgba);
  at += LevelBytes(d, 0);
  out->mips.resize(std::size_t(d.levels - 1));
  for (int level = 1; level < d.levels; level++) {
    DecodeLevel(d, level, data + at, &out->mips[std::size_t(level - 1)]);
    at += LevelBytes(d, level);
  }
  return true;
}
