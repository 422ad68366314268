// BMP as Windows writes it: the OS/2 1.x header and the Windows headers of 40 to 124 bytes (and
// OS/2 2.x's, whose fields the Windows ones share); 1, 4 and 8 bits through a palette, RLE8 and
// RLE4; 16 and 32 bits with their colour masks (555 without), and 24 bits. A header that
// contradicts itself or the file (a size, a plane count, a density or a palette beyond reason),
// RLE data that runs past the image, and palette indexes past the palette are refused. Not taken:
// 2 bits a pixel and the alpha bit fields of Windows CE, and the JPEG and PNG bodies meant only
// for printers.
#include <cstring>

#include "platform/image_readers.h"

namespace {

constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
// Pixels a metre no device has had (25,400 dpi): only a damaged header gives more.
constexpr std::int32_t kDensityMax = 1000000;

struct BmpHeader {
  std::uint32_t offset;  // of the pixel data
  std::int64_t width, height;
  bool top_down;
  int bits;
  std::uint32_t compression;
  std::uint32_t data_size;  // biSizeImage, 0 when not given
  std::size_t palette_at, palette_count;
  int palette_entry;  // 3 bytes in the OS/2 1.x form, else 4
  MaskChannel red, green, blue, alpha;
};

bool Fail(std::string* error, const char* why) { return *error = why, false; }

bool ReadHeader(const std::uint8_t* data, std::size_t size, BmpHeader* h, std::string* error) {
  if (size < 26) return Fail(error, "truncated BMP");
  std::uint32_t file_size = Le32(data + 2);
  h->offset = Le32(data + 10);
  std::uint32_t header = Le32(data + 14);
  if (file_size > size) return Fail(error, "BMP shorter than its header says");
  int planes;
  std::int32_t density_x = 0, density_y = 0;
  std::uint32_t colors = 0;
  h->compression = BI_RGB;
  h->data_size = 0;
  h->palette_entry = 4;
  if (header == 12) {  // OS/2 1.x: 16-bit sides, no compression, 3-byte palette entries
    h->width = Le16(data + 18);
    h->height = Le16(data + 20);
    planes = Le16(data + 22);
    h->bits = Le16(data + 24);
    h->palette_entry = 3;
  } else if (header == 16 || header == 40 || header == 52 || header == 56 || header == 64 || header == 108 ||
             header == 124) {
    if (size < 14 + std::size_t(header)) return Fail(error, "truncated BMP");
    h->width = static_cast<std::int32_t>(Le32(data + 18));
    h->height = static_cast<std::int32_t>(Le32(data + 22));
    planes = Le16(data + 26);
    h->bits = Le16(data + 28);
    if (header >= 40) {
      h->compression = Le32(data + 30);
      h->data_size = Le32(data + 34);
      density_x = static_cast<std::int32_t>(Le32(data + 38));
      density_y = static_cast<std::int32_t>(Le32(data + 42));
      colors = Le32(data + 46);
    }
    // OS/2 2.x numbers its compressions otherwise: 3 is Huffman there, 4 RLE24.
    if (header == 64 && h->compression >= BI_BITFIELDS) return Fail(error, "unsupported BMP compression");
  } else {
    return Fail(error, "unsupported BMP header");
  }
  if (planes != 1) return Fail(error, "bad BMP plane count");
  if (density_x > kDensityMax || density_y > kDensityMax || density_x < -kDensityMax || density_y < -kDensityMax)
    return Fail(error, "bad BMP density");
  h->top_down = h->height < 0;
  if (h->top_down) h->height = -h->height;
  if (h->width <= 0 || h->height <= 0) return Fail(error, "bad BMP size");

  const int b = h->bits;
  const std::uint32_t c = h->compression;
  bool layout_ok = (c == BI_RGB && (b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32)) ||
                   (c == BI_RLE8 && b == 8) || (c == BI_RLE4 && b == 4) || (c == BI_BITFIELDS && (b == 16 || b == 32));
  if (header == 12 && (b == 16 || b == 32)) layout_ok = false;
  if (!layout_ok) return Fail(error, b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32 ?
                                         "unsupported BMP compression" : "unsupported BMP depth");
  if ((c == BI_RLE8 || c == BI_RLE4) && h->top_down) return Fail(error, "top-down RLE BMP");

  // The masks: in the header from 52 bytes on, behind a 40-byte one; 555 for 16 bits without.
  std::size_t after_header = 14 + std::size_t(header);
  h->alpha = MaskOf(0);
  if (c == BI_BITFIELDS) {
    const std::uint8_t* masks = data + 54;
    if (header == 40) {
      if (size < after_header + 12) return Fail(error, "truncated BMP");
      after_header += 12;
    }
    h->red = MaskOf(Le32(masks));
    h->green = MaskOf(Le32(masks + 4));
    h->blue = MaskOf(Le32(masks + 8));
    if (header >= 56) h->alpha = MaskOf(Le32(masks + 12));
  } else if (b == 16) {
    h->red = MaskOf(0x7C00), h->green = MaskOf(0x03E0), h->blue = MaskOf(0x001F);
  } else {
    h->red = MaskOf(0x00FF0000), h->green = MaskOf(0x0000FF00), h->blue = MaskOf(0x000000FF);
  }

  // A palette for 8 bits and fewer (one given for more is for displays of fewer colours).
  h->palette_at = after_header;
  h->palette_count = 0;
  if (b <= 8) {
    std::uint32_t count = colors ? colors : 1u << b;
    if (count > (size - h->palette_at) / std::size_t(h->palette_entry)) return Fail(error, "bad BMP palette");
    h->palette_count = count;
  }
  if (h->offset < h->palette_at || h->offset > size) return Fail(error, "bad BMP data offset");
  if (h->data_size > size - h->offset) return Fail(error, "BMP data size larger than the file");
  return true;
}

// Palette indexes of an RLE body, bottom row first, into `indexes` (one byte a pixel, rows
// bottom-up); pixels it skips keep index 0. Pixels a run gives past the end of its row are dropped
// (writers encode a row's padding too), but a run past the last row is damage.
bool ReadRle(const std::uint8_t* p, const std::uint8_t* end, const BmpHeader& h, std::vector<std::uint8_t>* indexes,
             std::string* error) {
  const std::int64_t w = h.width, rows = h.height;
  const bool four = h.compression == BI_RLE4;
  indexes->assign(std::size_t(w) * rows, 0);
  std::int64_t x = 0, y = 0;
  auto put = [&](unsigned index) {
    if (x < w) (*indexes)[std::size_t(y) * w + std::size_t(x)] = static_cast<std::uint8_t>(index);
    x++;
  };
  for (;;) {
    if (end - p < 2) return Fail(error, "BMP RLE data without its end");
    unsigned n = p[0], value = p[1];
    p += 2;
    if (n > 0) {  // a run of one index, or of two alternating nibbles
      if (y >= rows) return Fail(error, "BMP RLE run past the image");
      for (unsigned i = 0; i < n; i++) put(four ? (i % 2 ? value & 15 : value >> 4) : value);
    } else if (value == 0) {  // end of the row
      x = 0, y++;
    } else if (value == 1) {  // end of the image
      return true;
    } else if (value == 2) {  // move right and up
      if (end - p < 2) return Fail(error, "BMP RLE data without its end");
      x += p[0], y += p[1];
      p += 2;
      if (x > w || y > rows || (y == rows && x > 0)) return Fail(error, "BMP RLE move past the image");
    } else {  // `value` indexes as they are, padded to a whole word
      std::size_t bytes = four ? (value + 1) / 2 : value;
      std::size_t padded = bytes + (bytes & 1);
      if (std::size_t(end - p) < padded) return Fail(error, "BMP RLE data without its end");
      if (y >= rows) return Fail(error, "BMP RLE run past the image");
      for (unsigned i = 0; i < value; i++) put(four ? (i % 2 ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
      p += padded;
    }
  }
}

}  // namespace

bool ReadBmp(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels) {
  BmpHeader h;
  if (!ReadHeader(data, size, &h, error)) return false;
  if (!WithinPixelBudget(h.width, h.height, out, error)) return false;
  const bool rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
  const std::size_t stride = ((std::size_t(h.width) * h.bits + 31) / 32) * 4;
  if (!rle && stride * std::size_t(h.height) > size - h.offset) return Fail(error, "truncated BMP");
  out->width = static_cast<int>(h.width);
  out->height = static_cast<int>(h.height);
  if (!pixels) return true;

  std::vector<std::uint8_t> indexes;
  if (rle) {
    const std::uint8_t* end = data + (h.data_size ? h.offset + std::size_t(h.data_size) : size);
    if (!ReadRle(data + h.offset, end, h, &indexes, error)) return false;
  }
  const std::uint8_t* palette = data + h.palette_at;
  const std::size_t w = std::size_t(h.width);
  out->rgba.assign(w * std::size_t(h.height) * 4, 0xFF);
  for (std::int64_t y = 0; y < h.height; y++) {
    const std::int64_t file_row = h.top_down ? y : h.height - 1 - y;
    const std::uint8_t* row = rle ? nullptr : data + h.offset + stride * std::size_t(file_row);
    std::uint8_t* dst = &out->rgba[std::size_t(y) * w * 4];
    for (std::size_t x = 0; x < w; x++, dst += 4) {
      if (h.bits <= 8) {
        unsigned index = rle ? indexes[std::size_t(file_row) * w + x]
                         : h.bits == 8 ? row[x]
                         : h.bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 15
                                       : (row[x / 8] >> (7 - x % 8)) & 1;
        if (index >= h.palette_count) return Fail(error, "BMP palette index past its palette");
        const std::uint8_t* c = palette + std::size_t(index) * h.palette_entry;
        dst[0] = c[2], dst[1] = c[1], dst[2] = c[0];
      } else if (h.bits == 24) {
        dst[0] = row[x * 3 + 2], dst[1] = row[x * 3 + 1], dst[2] = row[x * 3];
      } else {
        std::uint32_t v = h.bits == 16 ? Le16(row + x * 2) : Le32(row + x * 4);
        dst[0] = Channel(h.red, v), dst[1] = Channel(h.green, v), dst[2] = Channel(h.blue, v);
        if (h.alpha.bits) dst[3] = Channel(h.alpha, v);
        else if (h.bits == 32 && h.compression == BI_RGB) dst[3] = static_cast<std::uint8_t>(v >> 24);
      }
    }
  }
  // A 32-bit image whose alpha is zero everywhere carries no alpha at all.
  if (h.bits == 32) {
    bool any = false;
    for (std::size_t i = 3; i < out->rgba.size(); i += 4) any |= out->rgba[i] != 0;
    if (!any)
      for (std::size_t i = 3; i < out->rgba.size(); i += 4) out->rgba[i] = 0xFF;
  }
  return true;
}
