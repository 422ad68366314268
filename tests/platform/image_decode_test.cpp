#include "platform/image_decode.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Encodes a PNG in memory with the given colour type and bit depth from one row pattern.
std::vector<std::uint8_t> MakePng(int w, int h, int color_type, int depth, const std::vector<std::uint8_t>& pixels,
                                  const std::vector<png_color>& palette = {}, const std::vector<png_byte>& trans = {},
                                  int interlace = PNG_INTERLACE_NONE) {
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
  png_set_IHDR(png, info, w, h, depth, color_type, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!trans.empty()) png_set_tRNS(png, info, trans.data(), int(trans.size()), nullptr);
  png_write_info(png, info);
  size_t stride = pixels.size() / h;
  std::vector<png_bytep> rows;
  for (int y = 0; y < h; y++) rows.push_back(const_cast<png_bytep>(&pixels[y * stride]));
  png_write_image(png, rows.data());
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

// ---- Files nobody here wrote ---------------------------------------------------------------------

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Crc(const std::vector<std::uint8_t>& bytes) {
  return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

const std::string kFixtures = std::string(KESTRUNE_FIXTURES) + "/images/";

// bmpsuite: every good file (g/) as ImageMagick 6.9 decodes it, as RGBA CRC-32 (most are one
// picture in many layouts); every bad one (b/) refused, by its header alone but for the two whose
// damage lies in their pixels. The questionable ones (q/) as this reader decides: taken where the
// layout is one Windows defines (OS/2 2.x headers, odd palettes, RLE moves, which leave palette
// index 0, masks of any width, alpha masks, profiles), refused where it is not (2 bits a pixel,
// Windows CE's alpha bit fields, JPEG and PNG bodies).
TEST(ImageDecode, BmpSuiteAsAReferenceDecoderReadsIt) {
  const std::string suite = std::string(KESTRUNE_REALDATA) + "/bmp/";
  if (!std::filesystem::exists(suite + "g")) GTEST_SKIP() << "no bmpsuite in " << suite;
  constexpr std::uint32_t kPal8 = 0x0dc3db86, kRgb = 0xdc14976d, kRefused = 0;
  struct Case {
    const char* file;
    std::uint32_t crc;  // kRefused: not decoded
    bool sized;         // the header alone is taken
  } cases[] = {
      {"g/pal1.bmp", 0xeb74525f, true},         {"g/pal1bg.bmp", 0x4f8022c6, true},
      {"g/pal1wb.bmp", 0xeb74525f, true},       {"g/pal4.bmp", 0xd9b99f86, true},
      {"g/pal4rle.bmp", 0xd9b99f86, true},      {"g/pal8-0.bmp", kPal8, true},
      {"g/pal8.bmp", kPal8, true},              {"g/pal8nonsquare.bmp", 0x66818af4, true},
      {"g/pal8os2.bmp", kPal8, true},           {"g/pal8rle.bmp", kPal8, true},
      {"g/pal8topdown.bmp", kPal8, true},       {"g/pal8v4.bmp", kPal8, true},
      {"g/pal8v5.bmp", kPal8, true},            {"g/pal8w124.bmp", 0xf52eb0ab, true},
      {"g/pal8w125.bmp", 0x9e94cfa9, true},     {"g/pal8w126.bmp", 0x91d0d12b, true},
      {"g/rgb16-565.bmp", 0xe14168e5, true},    {"g/rgb16-565pal.bmp", 0xe14168e5, true},
      {"g/rgb16.bmp", 0x08e8a152, true},        {"g/rgb24.bmp", kRgb, true},
      {"g/rgb24pal.bmp", kRgb, true},           {"g/rgb32.bmp", kRgb, true},
      {"g/rgb32bf.bmp", kRgb, true},
      {"q/pal1p1.bmp", 0x853be9d9, true},       {"q/pal2.bmp", kRefused, false},
      {"q/pal4rletrns.bmp", 0x4d477cc4, true},  {"q/pal8offs.bmp", kPal8, true},
      {"q/pal8os2sp.bmp", kPal8, true},         {"q/pal8os2v2-16.bmp", kPal8, true},
      {"q/pal8os2v2.bmp", kPal8, true},         {"q/pal8oversizepal.bmp", kPal8, true},
      {"q/pal8rletrns.bmp", 0x993d38c4, true},  {"q/rgb16-231.bmp", 0x4677124b, true},
      {"q/rgb24jpeg.bmp", kRefused, false},     {"q/rgb24largepal.bmp", kRgb, true},
      {"q/rgb24lprof.bmp", kRgb, true},         {"q/rgb24png.bmp", kRefused, false},
      {"q/rgb24prof.bmp", kRgb, true},          {"q/rgb32-111110.bmp", 0xdbba0061, true},
      {"q/rgb32bf-xbgr.bmp", kRgb, true},       {"q/rgb32fakealpha.bmp", 0xf449c8c5, true},
      {"q/rgb32h52.bmp", kRgb, true},           {"q/rgba16-4444.bmp", 0x72b2edb4, true},
      {"q/rgba32.bmp", 0xe041b498, true},       {"q/rgba32abf.bmp", kRefused, false},
      {"q/rgba32h56.bmp", 0xe041b498, true},
      {"b/badbitcount.bmp", kRefused, false},   {"b/badbitssize.bmp", kRefused, false},
      {"b/baddens1.bmp", kRefused, false},      {"b/baddens2.bmp", kRefused, false},
      {"b/badfilesize.bmp", kRefused, false},   {"b/badheadersize.bmp", kRefused, false},
      {"b/badpalettesize.bmp", kRefused, false}, {"b/badplanes.bmp", kRefused, false},
      {"b/badrle.bmp", kRefused, true},         {"b/badwidth.bmp", kRefused, false},
      {"b/pal8badindex.bmp", kRefused, true},   {"b/reallybig.bmp", kRefused, false},
      {"b/rletopdown.bmp", kRefused, false},    {"b/shortfile.bmp", kRefused, false},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> file = FileBytes(suite + c.file);
    ASSERT_FALSE(file.empty()) << c.file;
    DecodedImage image, sized;
    std::string error;
    EXPECT_EQ(DecodeImage(file.data(), file.size(), &image, &error), c.crc != kRefused) << c.file << ": " << error;
    EXPECT_EQ(Crc(image.rgba), c.crc) << c.file;
    EXPECT_EQ(ReadImageSize(file.data(), file.size(), &sized, &error), c.sized) << c.file;
    if (c.crc != kRefused) {
      EXPECT_EQ(sized.width, image.width) << c.file;
      EXPECT_EQ(sized.height, image.height) << c.file;
    }
  }
}

// BMP as ImageMagick writes it, against it as the reference decoder: RLE whose rows' padding is
// encoded as a run past the row's end (its pixels dropped), and 32-bit bit fields with alpha.
TEST(ImageDecode, BmpOfAnotherEncoderAsItReadsIt) {
  struct Case {
    const char* file;
    std::uint32_t crc;
  } cases[] = {{"rle8.bmp", 0x0d966818}, {"rle4.bmp", 0xc82f3e4b}, {"bf32.bmp", 0xe9fe0287}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> file = FileBytes(kFixtures + c.file);
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(DecodeImage(file.data(), file.size(), &image, &error)) << c.file << ": " << error;
    EXPECT_EQ(Crc(image.rgba), c.crc) << c.file;
  }
}

// The 5-bit channels of a 16-bit TGA are widened by repeating their bits (as a display widens an
// X1R5G5B5 texel), where both reference decoders scale and round down: the same values, written
// as they write them.
std::vector<std::uint8_t> WidenedAsTheReferences(std::vector<std::uint8_t> rgba) {
  for (std::size_t i = 0; i < rgba.size(); i++)
    if (i % 4 != 3) rgba[i] = static_cast<std::uint8_t>((rgba[i] >> 3) * 255 / 31);
  return rgba;
}

// TGA files of two encoders (ImageMagick and Pillow; tests/fixtures/make-fixtures.sh) against the
// two as reference decoders, RGBA CRC-32: ImageMagick read with -auto-orient (it otherwise keeps
// the origin as a tag), Pillow where ImageMagick drops the alpha of a 16-bit grey file.
TEST(ImageDecode, TgaOfEveryKindAsReferenceDecodersReadIt) {
  struct Case {
    const char* file;
    std::uint32_t crc;
    bool five_bit;
  } cases[] = {
      {"t24_bl.tga", 0x3eceff8f, false},     {"t24_tl.tga", 0x0d966818, false},  // the two row orders
      {"t24_tr.tga", 0x42937967, false},     {"t24_br.tga", 0xedb4d5b6, false},  // right to left
      {"t24_rle.tga", 0x3eceff8f, false},    {"t32.tga", 0x49acb8bd, false},
      {"t32_rle_tl.tga", 0xe9fe0287, false}, {"p32_rle.tga", 0xe9fe0287, false},
      {"t16.tga", 0xd5949fb9, true},         {"t16a.tga", 0x1d7d70c3, true},     // with its alpha bit
      {"t8cm.tga", 0x3eceff8f, false},       {"t8cm_rle.tga", 0x3eceff8f, false},  // colour-mapped
      {"p8cm_tl.tga", 0x6be3804d, false},    {"t8g.tga", 0x2c5e1336, false},
      {"p8g_rle_tl.tga", 0x747419bb, false}, {"p16la.tga", 0x901c7324, false},   // grey with alpha
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> file = FileBytes(kFixtures + c.file);
    DecodedImage image, sized;
    std::string error;
    ASSERT_TRUE(DecodeImage(file.data(), file.size(), &image, &error)) << c.file << ": " << error;
    EXPECT_EQ(image.width, 13) << c.file;
    EXPECT_EQ(image.height, 7) << c.file;
    EXPECT_EQ(Crc(c.five_bit ? WidenedAsTheReferences(image.rgba) : image.rgba), c.crc) << c.file;
    ASSERT_TRUE(ReadImageSize(file.data(), file.size(), &sized, &error)) << c.file;
    EXPECT_EQ(sized.width, 13) << c.file;
    // Cut short in its colour map or its pixels, a file is refused.
    std::vector<std::uint8_t> shorter(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
    EXPECT_FALSE(DecodeImage(shorter.data(), shorter.size(), &image, &error)) << c.file << " cut short";
  }
}

// DDS files (ImageMagick and Pillow) against both as reference decoders; a file's mip chain comes
// out level by level, checked against the levels an uncompressed file holds.
TEST(ImageDecode, DdsBlocksLayoutsAndTheirMipChains) {
  struct Case {
    const char* file;
    int width, height;
    std::uint32_t crc;
    std::vector<std::uint32_t> mips;  // the levels' CRC-32, where they are known; else only counted
    std::size_t mip_count;
  } cases[] = {
      {"dxt1.dds", 13, 7, 0x6de47a52, {}, 0},
      {"dxt5.dds", 13, 7, 0xca9c22a3, {}, 0},
      {"argb.dds", 13, 7, 0xe9fe0287, {}, 0},
      {"p_argb.dds", 13, 7, 0xe9fe0287, {}, 0},
      {"rgb.dds", 13, 7, 0x0d966818, {}, 0},
      {"mips_argb.dds", 16, 8, 0x3a8dc550, {0x5b77a761, 0x7a40cfa0, 0xa2bc627c, 0xa7e2ebdf}, 4},
      {"mips_dxt1.dds", 16, 8, 0x07cf19cb, {}, 4},
      {"mips_dxt5.dds", 16, 8, 0x0feb3812, {}, 4},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> file = FileBytes(kFixtures + c.file);
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(DecodeImage(file.data(), file.size(), &image, &error)) << c.file << ": " << error;
    EXPECT_EQ(image.width, c.width) << c.file;
    EXPECT_EQ(image.height, c.height) << c.file;
    EXPECT_EQ(Crc(image.rgba), c.crc) << c.file;
    ASSERT_EQ(image.mips.size(), c.mip_count) << c.file;
    for (std::size_t level = 0; level < c.mips.size(); level++)
      EXPECT_EQ(Crc(image.mips[level]), c.mips[level]) << c.file << " level " << level + 1;
    for (std::size_t level = 0; level < image.mips.size(); level++) {
      std::size_t w = std::max(1, c.width >> (level + 1)), h = std::max(1, c.height >> (level + 1));
      EXPECT_EQ(image.mips[level].size(), w * h * 4) << c.file << " level " << level + 1;
    }
    std::vector<std::uint8_t> shorter(file.begin(), file.end() - 1);
    EXPECT_FALSE(DecodeImage(shorter.data(), shorter.size(), &image, &error)) << c.file << " cut short";
  }
}

// Larger than the side asked for, an image comes out scaled down to it, each side on its own, each
// pixel the mean of the pixels it stands for; its header gives the same size. The ways through:
// PNG row by row, interlaced PNG whole, JPEG at a smaller scale of its own, and the whole images
// of the other readers (a DDS then loses its mips, which no longer fit).
TEST(ImageDecode, ImagesOverTheLargestSideComeOutScaledDownToIt) {
  std::vector<std::uint8_t> rgba(8 * 4 * 4);
  for (std::size_t i = 0; i < rgba.size(); i++) rgba[i] = static_cast<std::uint8_t>(i * 37 % 251);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
    int max_side, width, height;
    int tolerance;  // JPEG: its own scaling is near the mean, not at it
  } cases[] = {
      {"PNG", MakePng(8, 4, PNG_COLOR_TYPE_RGBA, 8, rgba), 4, 4, 4, 0},
      {"interlaced PNG", MakePng(8, 4, PNG_COLOR_TYPE_RGBA, 8, rgba, {}, {}, PNG_INTERLACE_ADAM7), 2, 2, 2, 0},
      {"JPEG", MakeJpeg(64, 32), 16, 16, 16, 3},
      {"BMP", MakeBmp(24, 2), 1, 1, 1, 0},
      {"DDS", FileBytes(kFixtures + "mips_argb.dds"), 4, 4, 4, 0},
      {"TGA", FileBytes(kFixtures + "t32.tga"), 7, 7, 7, 0},
  };
  for (const Case& c : cases) {
    DecodedImage whole, scaled, sized;
    std::string error;
    ASSERT_TRUE(DecodeImage(c.file.data(), c.file.size(), &whole, &error)) << c.what << ": " << error;
    ASSERT_TRUE(DecodeImage(c.file.data(), c.file.size(), &scaled, &error, c.max_side)) << c.what << ": " << error;
    ASSERT_TRUE(ReadImageSize(c.file.data(), c.file.size(), &sized, &error, c.max_side)) << c.what;
    EXPECT_EQ(scaled.width, c.width) << c.what;
    EXPECT_EQ(scaled.height, c.height) << c.what;
    EXPECT_EQ(sized.width, c.width) << c.what;
    EXPECT_EQ(sized.height, c.height) << c.what;
    EXPECT_TRUE(scaled.mips.empty()) << c.what;
    ASSERT_EQ(scaled.rgba.size(), std::size_t(c.width) * c.height * 4) << c.what;
    // Target pixel (x, y) stands for source columns [x * w / width, (x + 1) * w / width), rows likewise.
    for (int y = 0; y < c.height; y++)
      for (int x = 0; x < c.width; x++)
        for (int k = 0; k < 4; k++) {
          int x0 = x * whole.width / c.width, x1 = (x + 1) * whole.width / c.width;
          int y0 = y * whole.height / c.height, y1 = (y + 1) * whole.height / c.height;
          int sum = 0, n = (x1 - x0) * (y1 - y0);
          for (int sy = y0; sy < y1; sy++)
            for (int sx = x0; sx < x1; sx++) sum += whole.rgba[(std::size_t(sy) * whole.width + sx) * 4 + k];
          EXPECT_NEAR(scaled.rgba[(std::size_t(y) * c.width + x) * 4 + k], (sum + n / 2) / n, c.tolerance)
              << c.what << " at " << x << ", " << y;
        }
  }
}

// 8192 x 8192 images of a few hundred bytes (tests/fixtures/make-fixtures.sh) are refused from
// their headers as too large, whatever side they would be scaled to.
TEST(ImageDecode, ImagesOverThePixelBudgetAreRefusedFromTheirHeaders) {
  for (const char* name : {"bomb.png", "bomb.jpg", "bomb.tga", "bomb.dds"}) {
    std::vector<std::uint8_t> file = FileBytes(kFixtures + name);
    ASSERT_FALSE(file.empty()) << name;
    DecodedImage image, sized;
    std::string error;
    EXPECT_FALSE(DecodeImage(file.data(), file.size(), &image, &error, 4096)) << name;
    EXPECT_TRUE(image.too_large) << name;
    EXPECT_FALSE(ReadImageSize(file.data(), file.size(), &sized, &error, 4096)) << name;
    EXPECT_TRUE(sized.too_large) << name;
    EXPECT_TRUE(image.rgba.empty()) << name;
  }
  // A damaged image is not a large one.
  DecodedImage image;
  std::string error;
  std::vector<std::uint8_t> bad = {'B', 'M', 0, 0};
  EXPECT_FALSE(DecodeImage(bad.data(), bad.size(), &image, &error));
  EXPECT_FALSE(image.too_large);
}

}  // namespace
