#include "platform/image_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>

namespace {

// Anything larger is not a game texture and would only exhaust memory.
constexpr std::uint32_t kMaxSide = 8192;

struct PngSource {
  const std::uint8_t* data;
  std::size_t size, at;
};

void PngRead(png_structp png, png_bytep out, png_size_t n) {
  PngSource* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (src->size - src->at < n) png_error(png, "truncated PNG");
  std::memcpy(out, src->data + src->at, n);
  src->at += n;
}

void PngWarning(png_structp, png_const_charp) {}
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool DecodePng(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return *error = "out of memory", false;
  png_infop info = png_create_info_struct(png);
  PngSource src{data, size, 0};
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    *out = DecodedImage{};
    return *error = "bad PNG data", false;
  }
  png_set_read_fn(png, &src, PngRead);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  int color = png_get_color_type(png, info);
  png_set_expand(png);  // palette to RGB, low-bit grey to 8 bits, transparency to alpha
  png_set_strip_16(png);
  if (color == PNG_COLOR_TYPE_GRAY || color == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != w * 4) png_error(png, "unexpected row size");
  out->width = static_cast<int>(w);
  out->height = static_cast<int>(h);
  if (!pixels) {
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
  }
  out->rgba.assign(std::size_t(w) * h * 4, 0);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; y++) rows[y] = &out->rgba[std::size_t(y) * w * 4];
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void JpegExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegMessage(j_common_ptr) {}

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels) {
  jpeg_decompress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.base);
  jerr.base.error_exit = JpegExit;
  jerr.base.output_message = JpegMessage;
  // Made before the jump point: an error while decoding must not jump over its destructor.
  std::vector<std::uint8_t> row;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    *out = DecodedImage{};
    return *error = "bad JPEG data", false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width > kMaxSide || cinfo.image_height > kMaxSide || cinfo.num_components == 4) {
    jpeg_destroy_decompress(&cinfo);
    return *error = "unsupported JPEG", false;
  }
  cinfo.out_color_space = JCS_RGB;
  if (!pixels) {
    jpeg_calc_output_dimensions(&cinfo);
    out->width = static_cast<int>(cinfo.output_width);
    out->height = static_cast<int>(cinfo.output_height);
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  jpeg_start_decompress(&cinfo);
  out->width = static_cast<int>(cinfo.output_width);
  out->height = static_cast<int>(cinfo.output_height);
  out->rgba.assign(std::size_t(out->width) * out->height * 4, 0xFF);
  row.assign(std::size_t(out->width) * 3, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    std::uint8_t* dst = &out->rgba[std::size_t(cinfo.output_scanline) * out->width * 4];
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&cinfo, rows, 1);
    for (int x = 0; x < out->width; x++)
      for (int c = 0; c < 3; c++) dst[x * 4 + c] = row[x * 3 + c];
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

bool DecodeBmp(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels) {
  if (size < 54) return *error = "truncated BMP", false;
  std::uint32_t offset = Le32(data + 10), header = Le32(data + 14);
  if (header < 40 || header > size - 14) return *error = "unsupported BMP header", false;
  std::int32_t w = static_cast<std::int32_t>(Le32(data + 18)), h = static_cast<std::int32_t>(Le32(data + 22));
  std::uint16_t bits = Le16(data + 28);
  std::uint32_t compression = Le32(data + 30), colors = Le32(data + 46);
  bool top_down = h < 0;
  std::int64_t height = top_down ? -std::int64_t(h) : h;
  if (w <= 0 || height <= 0 || std::uint32_t(w) > kMaxSide || height > kMaxSide) return *error = "bad BMP size", false;
  if (compression != 0 && !(compression == 3 && bits == 32)) return *error = "compressed BMP", false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return *error = "unsupported BMP depth", false;
  std::size_t palette_at = 14 + header;
  std::uint32_t palette_size = bits <= 8 ? (colors ? colors : 1u << bits) : 0;
  if (palette_size > 256 || palette_at + std::size_t(palette_size) * 4 > size) return *error = "bad BMP palette", false;
  std::size_t stride = ((std::size_t(w) * bits + 31) / 32) * 4;
  if (offset > size || stride * std::size_t(height) > size - offset) return *error = "truncated BMP", false;
  out->width = w;
  out->height = static_cast<int>(height);
  if (!pixels) return true;
  out->rgba.assign(std::size_t(w) * height * 4, 0xFF);
  for (std::int64_t y = 0; y < height; y++) {
    const std::uint8_t* row = data + offset + stride * std::size_t(top_down ? y : height - 1 - y);
    std::uint8_t* dst = &out->rgba[std::size_t(y) * w * 4];
    for (std::int32_t x = 0; x < w; x++) {
      std::uint8_t b, g, r, a = 0xFF;
      if (bits <= 8) {
        unsigned index = bits == 8 ? row[x] : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 15 : (row[x / 8] >> (7 - x % 8)) & 1;
        if (index >= palette_size) index = 0;
        const std::uint8_t* c = data + palette_at + index * 4;
        b = c[0], g = c[1], r = c[2];
      } else if (bits == 24) {
        b = row[x * 3], g = row[x * 3 + 1], r = row[x * 3 + 2];
      } else {
        b = row[x * 4], g = row[x * 4 + 1], r = row[x * 4 + 2], a = row[x * 4 + 3];
      }
      dst[x * 4] = r, dst[x * 4 + 1] = g, dst[x * 4 + 2] = b, dst[x * 4 + 3] = a;
    }
  }
  // A 32-bit image whose alpha is zero everywhere carries no alpha at all.
  if (bits == 32) {
    bool any = false;
    for (std::size_t i = 3; i < out->rgba.size(); i += 4) any |= out->rgba[i] != 0;
    if (!any)
      for (std::size_t i = 3; i < out->rgba.size(); i += 4) out->rgba[i] = 0xFF;
  }
  return true;
}

bool DecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, bool pixels) {
  std::string scratch;
  if (!error) error = &scratch;
  *out = DecodedImage{};
  static const std::uint8_t png_magic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 8 && std::memcmp(data, png_magic, 8) == 0) return DecodePng(data, size, out, error, pixels);
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return DecodeJpeg(data, size, out, error, pixels);
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size, out, error, pixels);
  return *error = "unknown image format", false;
}

}  // namespace

bool DecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error) {
  return DecodeImage(data, size, out, error, true);
}

bool ReadImageSize(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error) {
  return DecodeImage(data, size, out, error, false);
}
