#include "platform/icon.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win.h"

namespace {

typedef std::vector<std::uint8_t> Bytes;

void Put16(Bytes& b, unsigned v) { b.push_back(v & 0xFF), b.push_back((v >> 8) & 0xFF); }
void Put32(Bytes& b, unsigned v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }

// An .ico with one entry whose image is the given bytes.
Bytes Ico(int w, int h, unsigned bpp, const Bytes& image) {
  Bytes b;
  Put16(b, 0), Put16(b, 1), Put16(b, 1);
  b.push_back(std::uint8_t(w)), b.push_back(std::uint8_t(h)), b.push_back(0), b.push_back(0);
  Put16(b, 1), Put16(b, bpp), Put32(b, unsigned(image.size())), Put32(b, 22);
  b.insert(b.end(), image.begin(), image.end());
  return b;
}

// A BMP icon image: left half red, right half blue, the top row masked out; 32-bit pixels carry
// no alpha of their own, so the mask decides.
Bytes BitmapImage(int w, int h, unsigned bpp) {
  Bytes b;
  Put32(b, 40), Put32(b, unsigned(w)), Put32(b, unsigned(h * 2)), Put16(b, 1), Put16(b, bpp);
  for (int i = 0; i < 6; i++) Put32(b, 0);
  if (bpp <= 8) {
    unsigned colors = 1u << bpp;
    for (unsigned i = 0; i < colors; i++) {
      // entry 0 blue, entry 1 red (B, G, R, 0)
      b.push_back(i == 0 ? 255 : 0), b.push_back(0), b.push_back(i == 1 ? 255 : 0), b.push_back(0);
    }
  }
  std::size_t stride = (std::size_t(w) * bpp + 31) / 32 * 4;
  for (int y = h - 1; y >= 0; y--) {  // bottom row first
    Bytes row(stride, 0);
    for (int x = 0; x < w; x++) {
      int red = x < w / 2;
      if (bpp >= 24) {
        std::size_t at = std::size_t(x) * (bpp / 8);
        row[at] = red ? 0 : 255, row[at + 2] = red ? 255 : 0;
      } else {
        unsigned index = red ? 1 : 0;
        unsigned bit = unsigned(x) * bpp;
        row[bit / 8] |= std::uint8_t(index << (8 - bpp - bit % 8));
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  std::size_t mask_stride = (std::size_t(w) + 31) / 32 * 4;
  for (int y = h - 1; y >= 0; y--)
    for (std::size_t i = 0; i < mask_stride; i++) b.push_back(y == 0 ? 0xFF : 0);
  return b;
}

Bytes PngImage(int w, int h) {
  std::vector<std::uint8_t> rgba(std::size_t(w) * h * 4);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      std::uint8_t* p = &rgba[(std::size_t(y) * w + x) * 4];
      int red = x < w / 2;
      p[0] = red ? 255 : 0, p[2] = red ? 0 : 255, p[3] = y == 0 ? 0 : 255;
    }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = unsigned(w), image.height = unsigned(h), image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr));
  Bytes out(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr));
  out.resize(size);
  return out;
}

void ExpectHalves(const std::uint8_t* rgba, int w, int h, const char* label) {
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      const std::uint8_t* p = rgba + (std::size_t(y) * w + x) * 4;
      int red = x < w / 2;
      ASSERT_EQ(p[0], red ? 255 : 0) << label << " x " << x << " y " << y;
      ASSERT_EQ(p[2], red ? 0 : 255) << label << " x " << x << " y " << y;
      ASSERT_EQ(p[3], y == 0 ? 0 : 255) << label << " x " << x << " y " << y;
    }
}

TEST(Icon, DecodesEveryImageKind) {
  struct Case {
    const char* label;
    Bytes ico;
  };
  const Case cases[] = {
      {"32-bit", Ico(32, 32, 32, BitmapImage(32, 32, 32))},
      {"24-bit", Ico(32, 32, 24, BitmapImage(32, 32, 24))},
      {"8-bit palette", Ico(32, 32, 8, BitmapImage(32, 32, 8))},
      {"4-bit palette", Ico(32, 32, 4, BitmapImage(32, 32, 4))},
      {"1-bit palette", Ico(32, 32, 1, BitmapImage(32, 32, 1))},
      {"png", Ico(32, 32, 32, PngImage(32, 32))},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> rgba(32 * 32 * 4, 7);
    ASSERT_TRUE(DecodeIcon(c.ico.data(), c.ico.size(), 32, 32, rgba.data())) << c.label;
    ExpectHalves(rgba.data(), 32, 32, c.label);
  }
}

TEST(Icon, ScalesToTheSizeAskedFor) {
  Bytes ico = Ico(16, 16, 32, BitmapImage(16, 16, 32));
  std::vector<std::uint8_t> rgba(32 * 32 * 4);
  ASSERT_TRUE(DecodeIcon(ico.data(), ico.size(), 32, 32, rgba.data()));
  // Nearest neighbour: the masked top row becomes two rows.
  EXPECT_EQ(rgba[3], 0);
  EXPECT_EQ(rgba[32 * 4 + 3], 0);
  EXPECT_EQ(rgba[2 * 32 * 4 + 3], 255);
  EXPECT_EQ(rgba[2 * 32 * 4 + 0], 255);
}

TEST(Icon, RefusesWhatIsNotAnIcon) {
  Bytes good = Ico(32, 32, 32, BitmapImage(32, 32, 32));
  std::vector<std::uint8_t> rgba(32 * 32 * 4);
  struct Case {
    const char* label;
    Bytes data;
  };
  Bytes cursor = good;
  cursor[2] = 2;
  Bytes no_entries = good;
  no_entries[4] = 0;
  Bytes past_end = good;
  past_end[18] = 0xFF;  // the image's offset points outside the file
  Bytes truncated(good.begin(), good.begin() + 22 + 40 + 100);
  Bytes compressed = good;
  compressed[22 + 16] = 1;
  Bytes bad_png = Ico(32, 32, 32, PngImage(32, 32));
  bad_png.resize(bad_png.size() - 20);
  const Case cases[] = {
      {"empty", {}},
      {"a cursor file", cursor},
      {"no entries", no_entries},
      {"image past the end", past_end},
      {"truncated pixels", truncated},
      {"compressed bitmap", compressed},
      {"cut png", bad_png},
  };
  for (const Case& c : cases) EXPECT_FALSE(DecodeIcon(c.data.data(), c.data.size(), 32, 32, rgba.data())) << c.label;
  EXPECT_FALSE(DecodeIcon(good.data(), good.size(), 0, 32, rgba.data()));
  EXPECT_FALSE(DecodeIcon(good.data(), good.size(), ICON_SIZE_MAX + 1, 32, rgba.data()));
}

TEST(Icon, LoadImageReadsTheFileByItsWindowsName) {
  char dir[] = "/tmp/kestrune_icon_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string folder = std::string(dir) + "/Res";
  ASSERT_EQ(std::system(("mkdir '" + folder + "'").c_str()), 0);
  Bytes ico = Ico(32, 32, 32, BitmapImage(32, 32, 32));
  std::FILE* f = std::fopen((folder + "/Parent.ico").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(ico.data(), 1, ico.size(), f);
  std::fclose(f);
  WinResetForTests();
  std::string windows_name = std::string(dir) + "\\res\\parent.ico";
  HANDLE icon = LoadImageA(nullptr, windows_name.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE);
  ASSERT_NE(icon, nullptr);
  int w = 0, h = 0;
  const std::uint8_t* pixels = IconPixels(static_cast<HICON>(icon), &w, &h);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(w, 32);
  ExpectHalves(pixels, 32, 32, "loaded");
  EXPECT_EQ(LoadImageA(nullptr, (std::string(dir) + "\\res\\missing.ico").c_str(), IMAGE_ICON, 32, 32,
                       LR_LOADFROMFILE),
            nullptr);
  EXPECT_EQ(LoadImageA(nullptr, windows_name.c_str(), IMAGE_ICON, 32, 32, 0), nullptr);
  WinResetForTests();
  ASSERT_EQ(std::system(("rm -rf '" + std::string(dir) + "'").c_str()), 0);
}

}  // namespace
