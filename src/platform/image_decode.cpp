#include "platform/image_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>

#include "platform/image_readers.h"

// ---- What the readers share ----------------------------------------------------------------------

bool WithinPixelBudget(std::uint64_t width, std::uint64_t height, DecodedImage* out, std::string* error) {
  if (width == 0 || height == 0) return *error = "image without pixels", false;
  if (width > IMAGE_PIXELS_MAX || height > IMAGE_PIXELS_MAX || width * height > IMAGE_PIXELS_MAX) {
    out->too_large = true;
    return *error = "image too large", false;
  }
  return true;
}

int FitSide(std::int64_t side, int max_side) {
  return max_side > 0 && side > max_side ? max_side : static_cast<int>(side);
}

MaskChannel MaskOf(std::uint32_t mask) {
  MaskChannel c{mask, 0, 0};
  if (mask == 0) return c;
  while (!(mask & 1)) mask >>= 1, c.shift++;
  while (mask & 1) mask >>= 1, c.bits++;
  return c;
}

void RowScaler::Start(int from_width, int from_height, int to_width, int to_height, std::uint8_t* target) {
  source_width = from_width, source_height = from_height, width = to_width, height = to_height;
  out = target;
  sums.assign(std::size_t(width) * 4, 0);
  column_end.resize(std::size_t(width));
  for (int x = 0; x < width; x++) column_end[x] = static_cast<std::uint32_t>(std::uint64_t(x + 1) * source_width / width);
  fed = row = 0;
}

void RowScaler::Feed(const std::uint8_t* rgba) {
  if (row >= height) return;
  std::uint32_t sx = 0;
  for (int x = 0; x < width; x++) {
    std::uint64_t* sum = &sums[std::size_t(x) * 4];
    for (; sx < column_end[x]; sx++)
      for (int c = 0; c < 4; c++) sum[c] += rgba[std::size_t(sx) * 4 + c];
  }
  fed++;
  // The source rows [row * h / height, (row + 1) * h / height) make target row `row`.
  std::uint64_t row_end = std::uint64_t(row + 1) * source_height / height;
  if (static_cast<std::uint64_t>(fed) < row_end) return;
  std::uint64_t rows = row_end - std::uint64_t(row) * source_height / height;
  std::uint8_t* dst = out + std::size_t(row) * width * 4;
  std::uint32_t first = 0;
  for (int x = 0; x < width; x++) {
    std::uint64_t n = (column_end[x] - first) * rows;
    first = column_end[x];
    for (int c = 0; c < 4; c++) {
      std::uint64_t& sum = sums[std::size_t(x) * 4 + c];
      dst[x * 4 + c] = static_cast<std::uint8_t>((sum + n / 2) / n);
      sum = 0;
    }
  }
  row++;
}

void ScaleImage(DecodedImage* image, int width, int height) {
  std::vector<std::uint8_t> scaled(std::size_t(width) * height * 4);
  RowScaler scaler;
  scaler.Start(image->width, image->height, width, height, scaled.data());
  for (int y = 0; y < image->height; y++) scaler.Feed(&image->rgba[std::size_t(y) * image->width * 4]);
  image->rgba.swap(scaled);
  image->width = width;
  image->height = height;
  image->mips.clear();
}

namespace {

// How a reader is asked: for the pixels or the size alone, and the longest side wanted (0: any).
struct Request {
  bool pixels;
  int max_side;
};

// ---- PNG (libpng) --------------------------------------------------------------------------------

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

// Scaled down, a PNG is read a row at a time into the scaler, so that its whole size is never
// held (an interlaced one is held whole: its passes fill every row again).
bool DecodePng(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, Request request) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return *error = "out of memory", false;
  png_infop info = png_create_info_struct(png);
  PngSource src{data, size, 0};
  // Made before the jump point: an error while decoding must not jump over their destructors.
  std::vector<png_bytep> rows;
  std::vector<std::uint8_t> whole;
  RowScaler scaler;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return *error = "bad PNG data", false;
  }
  png_set_read_fn(png, &src, PngRead);
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);  // the pixel budget limits the size
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!WithinPixelBudget(w, h, out, error)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  int color = png_get_color_type(png, info);
  png_set_expand(png);  // palette to RGB, low-bit grey to 8 bits, transparency to alpha
  png_set_strip_16(png);
  if (color == PNG_COLOR_TYPE_GRAY || color == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != w * 4) png_error(png, "unexpected row size");
  out->width = static_cast<int>(w);
  out->height = static_cast<int>(h);
  if (!request.pixels) {
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
  }
  int tw = FitSide(w, request.max_side), th = FitSide(h, request.max_side);
  bool scaled = tw != out->width || th != out->height;
  std::vector<std::uint8_t>& target = scaled && passes > 1 ? whole : out->rgba;
  if (!scaled || passes > 1) {
    target.assign(std::size_t(w) * h * 4, 0);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; y++) rows[y] = &target[std::size_t(y) * w * 4];
    png_read_image(png, rows.data());
  }
  if (scaled) {
    out->rgba.assign(std::size_t(tw) * th * 4, 0);
    scaler.Start(out->width, out->height, tw, th, out->rgba.data());
    if (passes > 1) {
      for (png_uint_32 y = 0; y < h; y++) scaler.Feed(rows[y]);
    } else {
      whole.assign(std::size_t(w) * 4, 0);  // one row
      for (png_uint_32 y = 0; y < h; y++) {
        png_read_row(png, whole.data(), nullptr);
        scaler.Feed(whole.data());
      }
    }
    out->width = tw;
    out->height = th;
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// ---- JPEG (libjpeg) ------------------------------------------------------------------------------

struct JpegError {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void JpegExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegMessage(j_common_ptr) {}

// Scaled down, a JPEG is decoded at the smallest of libjpeg's scales (eighths) that is not below
// the size wanted, and the rest done by the scaler row by row.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, Request request) {
  jpeg_decompress_struct cinfo;
  JpegError jerr;
  cinfo.err = jpeg_std_error(&jerr.base);
  jerr.base.error_exit = JpegExit;
  jerr.base.output_message = JpegMessage;
  // Made before the jump point: an error while decoding must not jump over their destructors.
  std::vector<std::uint8_t> row, rgba_row;
  RowScaler scaler;
  if (setjmp(jerr.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return *error = "bad JPEG data", false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.num_components == 4) {
    jpeg_destroy_decompress(&cinfo);
    return *error = "unsupported JPEG", false;
  }
  if (!WithinPixelBudget(cinfo.image_width, cinfo.image_height, out, error)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  if (!request.pixels) {
    jpeg_calc_output_dimensions(&cinfo);
    out->width = static_cast<int>(cinfo.output_width);
    out->height = static_cast<int>(cinfo.output_height);
    jpeg_destroy_decompress(&cinfo);
    return true;
  }
  const std::int64_t w = cinfo.image_width, h = cinfo.image_height;
  const int tw = FitSide(w, request.max_side), th = FitSide(h, request.max_side);
  if (tw != w || th != h) {
    int eighths = 1;
    while (eighths < 8 && ((w * eighths + 7) / 8 < tw || (h * eighths + 7) / 8 < th)) eighths++;
    cinfo.scale_num = static_cast<unsigned>(eighths);
    cinfo.scale_denom = 8;
  }
  jpeg_start_decompress(&cinfo);
  const int ow = static_cast<int>(cinfo.output_width), oh = static_cast<int>(cinfo.output_height);
  if (ow < tw || oh < th) {  // a libjpeg without that scale
    jpeg_destroy_decompress(&cinfo);
    return *error = "unsupported JPEG scale", false;
  }
  const bool scaled = ow != tw || oh != th;
  out->width = tw;
  out->height = th;
  out->rgba.assign(std::size_t(tw) * th * 4, 0xFF);
  row.assign(std::size_t(ow) * 3, 0);
  if (scaled) {
    rgba_row.assign(std::size_t(ow) * 4, 0xFF);
    scaler.Start(ow, oh, tw, th, out->rgba.data());
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    std::uint8_t* dst = scaled ? rgba_row.data() : &out->rgba[std::size_t(cinfo.output_scanline) * tw * 4];
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&cinfo, rows, 1);
    for (int x = 0; x < ow; x++)
      for (int c = 0; c < 3; c++) dst[x * 4 + c] = row[x * 3 + c];
    if (scaled) scaler.Feed(dst);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool Decode(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, Request request) {
  std::string scratch;
  if (!error) error = &scratch;
  *out = DecodedImage{};
  static const std::uint8_t png_magic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  bool read;
  if (size >= 8 && std::memcmp(data, png_magic, 8) == 0) {
    read = DecodePng(data, size, out, error, request);
  } else if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
    read = DecodeJpeg(data, size, out, error, request);
  } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    read = ReadBmp(data, size, out, error, request.pixels);
  } else if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) {
    read = ReadDds(data, size, out, error, request.pixels);
  } else if (LooksLikeTga(data, size)) {
    read = ReadTga(data, size, out, error, request.pixels);
  } else {
    *error = "unknown image format";
    read = false;
  }
  if (!read) {
    bool too_large = out->too_large;
    *out = DecodedImage{};
    out->too_large = too_large;
    return false;
  }
  const int tw = FitSide(out->width, request.max_side), th = FitSide(out->height, request.max_side);
  if (tw != out->width || th != out->height) {
    if (request.pixels) {
      ScaleImage(out, tw, th);
    } else {
      out->width = tw;
      out->height = th;
    }
  }
  return true;
}

}  // namespace

bool DecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, int max_side) {
  return Decode(data, size, out, error, Request{true, max_side});
}

bool ReadImageSize(const std::uint8_t* data, std::size_t size, DecodedImage* out, std::string* error, int max_side) {
  return Decode(data, size, out, error, Request{false, max_side});
}
