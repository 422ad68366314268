// Truevision TGA: colour-mapped (8- or 16-bit indexes into 15-, 16-, 24- or 32-bit entries),
// true-colour (15, 16, 24 and 32 bits) and greyscale (8 bits, 16 with alpha), each raw or
// run-length encoded, from any of the four corners. 32 bits carry alpha; 16 bits carry it in their
// top bit when the header counts an attribute bit, as the format says.
#include "platform/image_readers.h"

namespace {

enum { kColorMapped = 1, kTrueColor = 2, kGrey = 3, kRle = 8 };

struct TgaHeader {
  int type;  // without the RLE bit
  bool rle;
  std::size_t map_first, map_length;
  int map_bits;
  int width, height, bits;
  int alpha_bits;
  bool right_to_left, top_down;
  std::size_t map_at, pixels_at;
};

bool ParseHeader(const std::uint8_t* data, std::size_t size, TgaHeader* h) {
  if (size < 18) return false;
  const int map_type = data[1];
  h->type = data[2] & ~kRle;
  h->rle = (data[2] & kRle) != 0;
  h->map_first = Le16(data + 3);
  h->map_length = Le16(data + 5);
  h->map_bits = data[7];
  h->width = Le16(data + 12);
  h->height = Le16(data + 14);
  h->bits = data[16];
  h->alpha_bits = data[17] & 15;
  h->right_to_left = (data[17] & 0x10) != 0;
  h->top_down = (data[17] & 0x20) != 0;
  if (map_type > 1 || (data[2] & ~(kRle | 3)) != 0 || (data[17] & 0xC0) != 0) return false;
  if (h->width == 0 || h->height == 0) return false;
  const bool map_bits_ok = h->map_bits == 15 || h->map_bits == 16 || h->map_bits == 24 || h->map_bits == 32;
  switch (h->type) {
    case kColorMapped:
      if (map_type != 1 || !map_bits_ok || h->map_length == 0 || (h->bits != 8 && h->bits != 16)) return false;
      break;
    case kTrueColor:
      if (h->bits != 15 && h->bits != 16 && h->bits != 24 && h->bits != 32) return false;
      break;
    case kGrey:
      if (h->bits != 8 && h->bits != 16) return false;
      break;
    default:
      return false;
  }
  // A colour map a true-colour or grey image carries for other displays is passed over.
  if (map_type == 1 && !map_bits_ok) return false;
  h->map_at = 18 + std::size_t(data[0]);
  h->pixels_at = h->map_at + (map_type == 1 ? h->map_length * ((h->map_bits + 7) / 8) : 0);
  return true;
}

// A 15- or 16-bit colour, ARRRRRGGGGGBBBBB; the top bit is alpha only when `alpha`.
void Color16(std::uint16_t v, bool alpha, std::uint8_t* dst) {
  static const MaskChannel r = MaskOf(0x7C00), g = MaskOf(0x03E0), b = MaskOf(0x001F);
  dst[0] = Channel(r, v), dst[1] = Channel(g, v), dst[2] = Channel(b, v);
  dst[3] = alpha && !(v & 0x8000) ? 0 : 255;
}

// One stored colour of `bits` (a pixel or a colour map entry) as RGBA.
void Color(const std::uint8_t* p, int bits, bool alpha16, std::uint8_t* dst) {
  if (bits <= 16) {
    Color16(Le16(p), bits == 16 && alpha16, dst);
  } else {
    dst[0] = p[2], dst[1] = p[1], dst[2] = p[0];
    dst[3] = bits == 32 ? p[3] : 255;
  }
}

}  // namespace

bool LooksLikeTga(const std::uint8_t* data, std::size_t size) {
  TgaHeader h;
  return ParseHeader(data, size, &h);
}

bool ReadTga(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels) {
  TgaHeader h;
  if (!ParseHeader(data, size, &h)) return *error = "not a TGA image", false;
  if (h.pixels_at > size) return *error = "truncated TGA", false;
  if (!WithinPixelBudget(std::uint64_t(h.width), std::uint64_t(h.height), out, error)) return false;
  const std::size_t pixel_bytes = std::size_t((h.bits + 7) / 8);
  const std::size_t count = std::size_t(h.width) * std::size_t(h.height);
  // Raw, the pixels must all be there; run-length encoded, a packet of at most 128 pixels takes a
  // byte and one pixel at the least.
  const std::size_t stored = size - h.pixels_at;
  if (!h.rle && count * pixel_bytes > stored) return *error = "truncated TGA", false;
  if (h.rle && stored / (1 + pixel_bytes) * 128 < count) return *error = "truncated TGA", false;
  out->width = h.width;
  out->height = h.height;
  if (!pixels) return true;

  // The colour map as RGBA; an index outside it is a damaged file.
  std::vector<std::uint8_t> map;
  const bool alpha16 = h.alpha_bits > 0;
  if (h.type == kColorMapped) {
    const std::size_t entry = std::size_t((h.map_bits + 7) / 8);
    map.resize(h.map_length * 4);
    for (std::size_t i = 0; i < h.map_length; i++) Color(data + h.map_at + i * entry, h.map_bits, alpha16, &map[i * 4]);
  }
  auto pixel = [&](const std::uint8_t* p, std::uint8_t* dst) {
    if (h.type == kTrueColor) {
      Color(p, h.bits, alpha16, dst);
    } else if (h.type == kGrey) {
      dst[0] = dst[1] = dst[2] = p[0];
      dst[3] = h.bits == 16 ? p[1] : 255;
    } else {
      std::size_t index = h.bits == 16 ? Le16(p) : p[0];
      if (index < h.map_first || index - h.map_first >= h.map_length) return false;
      for (int c = 0; c < 4; c++) dst[c] = map[(index - h.map_first) * 4 + c];
    }
    return true;
  };

  // The pixels in file order, each put where its corner puts it; runs may go on across rows.
  out->rgba.resize(count * 4);
  const std::size_t w = std::size_t(h.width), rows = std::size_t(h.height);
  auto place = [&](std::size_t i) {
    const std::size_t row = i / w, column = i % w;
    const std::size_t y = h.top_down ? row : rows - 1 - row, x = h.right_to_left ? w - 1 - column : column;
    return &out->rgba[(y * w + x) * 4];
  };
  const std::uint8_t* p = data + h.pixels_at;
  const std::uint8_t* end = data + size;
  std::uint8_t color[4] = {};
  for (std::size_t i = 0; i < count;) {
    std::size_t run = 1;
    bool repeat = false;
    if (h.rle) {
      if (p == end) return *error = "truncated TGA", false;
      repeat = (*p & 0x80) != 0;
      run = std::size_t(*p & 0x7F) + 1;
      p++;
      if (run > count - i) return *error = "TGA run past the image", false;
    }
    for (std::size_t k = 0; k < run; k++, i++) {
      if (!repeat || k == 0) {
        if (std::size_t(end - p) < pixel_bytes) return *error = "truncated TGA", false;
        if (!pixel(p, color)) return *error = "TGA colour index past its map", false;
        p += pixel_bytes;
      }
      std::uint8_t* dst = place(i);
      for (int c = 0; c < 4; c++) dst[c] = color[c];
    }
  }
  return true;
}
