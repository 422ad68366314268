#include "platform/image_decode.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <cstring>

namespace {

// Encodes a PNG in memory with the given colour type and bit depth from one row pattern.
std::vector<std::uint8_t> MakePng(int w, int h, int color_type, int depth, const std::vector<std::uint8_t>& pixels,
                                  const std::vector<png_color>& palette = {}, const std::vector<png_byte>& trans = {}) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, w, h, depth, color_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!trans.empty()) png_set_tRNS(png, info, trans.data(), int(trans.size()), nullptr);
  png_write_info(png, info);
  size_t stride = pixels.size() / h;
  for (int y = 0; y < h; y++) png_write_row(png, const_cast<png_bytep>(&pixels[y * stride]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<std::uint8_t> Pixel(const DecodedImage& img, int x, int y) {
  const std::uint8_t* p = &img.rgba[(size_t(y) * img.width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

using Rgba = std::vector<std::uint8_t>;

TEST(ImageDecode, PngColourTypesAllBecomeRgba) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
    Rgba first, second;
  } cases[] = {
      {"palette with transparency",
       MakePng(2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, {{255, 0, 0}, {0, 0, 255}}, {128}),
       {255, 0, 0, 128}, {0, 0, 255, 255}},
      {"grey", MakePng(2, 1, PNG_COLOR_TYPE_GRAY, 8, {10, 200}), {10, 10, 10, 255}, {200, 200, 200, 255}},
      {"grey with alpha", MakePng(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {10, 20, 30, 40}), {10, 10, 10, 20},
       {30, 30, 30, 40}},
      {"16-bit RGB", MakePng(2, 1, PNG_COLOR_TYPE_RGB, 16, {0xFF, 0, 0x80, 0, 0, 0, 0, 0, 0xFF, 0, 0x10, 0}),
       {255, 128, 0, 255}, {0, 255, 16, 255}},
      {"RGBA", MakePng(2, 1, PNG_COLOR_TYPE_RGBA, 8, {1, 2, 3, 4, 5, 6, 7, 8}), {1, 2, 3, 4}, {5, 6, 7, 8}},
      {"1-bit grey", MakePng(2, 1, PNG_COLOR_TYPE_GRAY, 1, {0x40}), {0, 0, 0, 255}, {255, 255, 255, 255}},
  };
  for (const Case& c : cases) {
    DecodedImage img;
    std::string error;
    ASSERT_TRUE(DecodeImage(c.file.data(), c.file.size(), &img, &error)) << c.what << ": " << error;
    ASSERT_EQ(img.width, 2) << c.what;
    ASSERT_EQ(img.height, 1) << c.what;
    EXPECT_EQ(Pixel(img, 0, 0), c.first) << c.what;
    EXPECT_EQ(Pixel(img, 1, 0), c.second) << c.what;
  }
}

// A JPEG of one colour, 200, 100, 50.
std::vector<std::uint8_t> MakeJpeg(int w, int h) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(w * 3);
  for (int x = 0; x < w; x++) row[x * 3] = 200, row[x * 3 + 1] = 100, row[x * 3 + 2] = 50;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> file(buffer, buffer + size);
  std::free(buffer);
  return file;
}

TEST(ImageDecode, JpegDecodesToOpaqueRgb) {
  const int w = 16, h = 8;
  std::vector<std::uint8_t> jpeg = MakeJpeg(w, h);
  DecodedImage img;
  std::string error;
  ASSERT_TRUE(DecodeImage(jpeg.data(), jpeg.size(), &img, &error)) << error;
  EXPECT_EQ(img.width, w);
  EXPECT_EQ(img.height, h);
  Rgba p = Pixel(img, 5, 5);
  EXPECT_NEAR(p[0], 200, 3);
  EXPECT_NEAR(p[1], 100, 3);
  EXPECT_NEAR(p[2], 50, 3);
  EXPECT_EQ(p[3], 255);
}

// A bottom-up BMP of 2x2 pixels.
std::vector<std::uint8_t> MakeBmp(int bits, std::int32_t height) {
  std::vector<std::uint8_t> f(54, 0);
  auto put32 = [&](size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; i++) f[at + i] = std::uint8_t(v >> (8 * i));
  };
  f[0] = 'B', f[1] = 'M';
  std::vector<std::uint8_t> palette, pixels;
  if (bits == 8) {
    palette = {0, 0, 255, 0, 0, 255, 0, 0};  // index 0 red, 1 green (BGRA)
    pixels = {0, 1, 0, 0, 1, 0, 0, 0};       // rows padded to 4 bytes
  } else {
    pixels = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};  // BGR, padded
  }
  put32(10, 54 + std::uint32_t(palette.size()));
  put32(14, 40);
  put32(18, 2);
  put32(22, std::uint32_t(height));
  f[26] = 1;
  f[28] = std::uint8_t(bits);
  put32(46, bits == 8 ? 2 : 0);
  f.insert(f.end(), palette.begin(), palette.end());
  f.insert(f.end(), pixels.begin(), pixels.end());
  return f;
}

TEST(ImageDecode, BmpRowsComeOutTopToBottom) {
  DecodedImage img;
  std::string error;
  std::vector<std::uint8_t> bmp = MakeBmp(24, 2);
  ASSERT_TRUE(DecodeImage(bmp.data(), bmp.size(), &img, &error)) << error;
  EXPECT_EQ(Pixel(img, 0, 1), (Rgba{255, 0, 0, 255}));  // the file's first row is the bottom one
  EXPECT_EQ(Pixel(img, 1, 0), (Rgba{255, 255, 0, 255}));  // BGR 0, 255, 255
  bmp = MakeBmp(24, -2);  // top-down
  ASSERT_TRUE(DecodeImage(bmp.data(), bmp.size(), &img, &error)) << error;
  EXPECT_EQ(Pixel(img, 0, 0), (Rgba{255, 0, 0, 255}));
  bmp = MakeBmp(8, 2);
  ASSERT_TRUE(DecodeImage(bmp.data(), bmp.size(), &img, &error)) << error;
  EXPECT_EQ(Pixel(img, 0, 1), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(img, 1, 1), (Rgba{0, 255, 0, 255}));
}

TEST(ImageDecode, DamagedImagesAreRejected) {
  std::vector<std::uint8_t> png = MakePng(4, 4, PNG_COLOR_TYPE_RGB, 8, std::vector<std::uint8_t>(48, 7));
  std::vector<std::uint8_t> bmp = MakeBmp(24, 2);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
  } cases[] = {
      {"truncated PNG", std::vector<std::uint8_t>(png.begin(), png.begin() + png.size() / 2)},
      {"PNG magic only", std::vector<std::uint8_t>(png.begin(), png.begin() + 8)},
      {"truncated BMP", std::vector<std::uint8_t>(bmp.begin(), bmp.end() - 4)},
      {"JPEG magic only", {0xFF, 0xD8, 0xFF, 0xE0}},
      {"unknown", {'G', 'I', 'F', '8', '9', 'a'}},
      {"empty", {}},
  };
  for (const Case& c : cases) {
    DecodedImage img;
    std::string error;
    EXPECT_FALSE(DecodeImage(c.file.data(), c.file.size(), &img, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_TRUE(img.rgba.empty()) << c.what;
  }
}

// The size alone comes from the header: the same size as a decode, no pixels, and the same refusal
// of a damaged header; damage behind the header is not looked at.
TEST(ImageDecode, SizeFromTheHeaderAlone) {
  std::vector<std::uint8_t> png = MakePng(5, 3, PNG_COLOR_TYPE_RGB, 8, std::vector<std::uint8_t>(45, 7));
  std::vector<std::uint8_t> jpeg = MakeJpeg(24, 9);
  std::vector<std::uint8_t> bmp = MakeBmp(24, -2);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
    bool decodes, sized;
    int width, height;
  } cases[] = {
      {"PNG", png, true, true, 5, 3},
      {"JPEG", jpeg, true, true, 24, 9},
      {"top-down BMP", bmp, true, true, 2, 2},
      {"PNG cut after its header", std::vector<std::uint8_t>(png.begin(), png.begin() + 41), false, true, 5, 3},
      {"PNG magic only", std::vector<std::uint8_t>(png.begin(), png.begin() + 8), false, false, 0, 0},
      {"truncated BMP", std::vector<std::uint8_t>(bmp.begin(), bmp.end() - 4), false, false, 0, 0},
      {"JPEG magic only", {0xFF, 0xD8, 0xFF, 0xE0}, false, false, 0, 0},
      {"unknown", {'G', 'I', 'F', '8', '9', 'a'}, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    DecodedImage decoded, sized;
    std::string error;
    EXPECT_EQ(DecodeImage(c.file.data(), c.file.size(), &decoded, &error), c.decodes) << c.what;
    EXPECT_EQ(ReadImageSize(c.file.data(), c.file.size(), &sized, &error), c.sized) << c.what;
    EXPECT_TRUE(sized.rgba.empty()) << c.what;
    if (!c.sized) continue;
    EXPECT_EQ(sized.width, c.width) << c.what;
    EXPECT_EQ(sized.height, c.height) << c.what;
  }
}

}  // namespace
