#include "images.h"

#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>

namespace {

std::uint32_t noise_state = 12345;
float Noise() {
  noise_state = noise_state * 1664525u + 1013904223u;
  return float((noise_state >> 8) & 0xFFFF) / 65535.0f;
}

std::uint8_t Byte(float v) { return static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 1 ? 255 : v * 255.0f + 0.5f); }

Image Make(int w, int h) {
  Image img;
  img.width = w;
  img.height = h;
  img.rgba.assign(size_t(w) * h * 4, 255);
  return img;
}

// Smooth value noise over a grid of `cells`, for clouds, rock and bark.
float ValueNoise(const std::vector<float>& grid, int cells, float x, float y) {
  int x0 = int(x) % cells, y0 = int(y) % cells, x1 = (x0 + 1) % cells, y1 = (y0 + 1) % cells;
  float fx = x - std::floor(x), fy = y - std::floor(y);
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  float a = grid[y0 * cells + x0], b = grid[y0 * cells + x1], c = grid[y1 * cells + x0], d = grid[y1 * cells + x1];
  return (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy;
}

float Fractal(float u, float v, int octaves = 4) {
  static std::vector<float> grid;
  const int cells = 64;
  if (grid.empty())
    for (int i = 0; i < cells * cells; i++) grid.push_back(Noise());
  float sum = 0, amp = 0.5f, freq = 4;
  for (int o = 0; o < octaves; o++) {
    sum += amp * ValueNoise(grid, cells, u * freq, v * freq);
    amp *= 0.5f;
    freq *= 2;
  }
  return sum;
}

Image Metal(float r, float g, float b) {
  Image img = Make(64, 64);
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      float n = 0.75f + 0.25f * Fractal(x / 64.0f, y / 64.0f);
      bool seam = (x % 32 == 0) || (y % 32 == 0);
      float k = seam ? n * 0.6f : n;
      img.Set(x, y, r * k, g * k, b * k);
    }
  return img;
}

Image Sky(float top_r, float top_g, float top_b, float low_r, float low_g, float low_b, float clouds) {
  Image img = Make(256, 128);
  for (int y = 0; y < 128; y++)
    for (int x = 0; x < 256; x++) {
      float t = y / 127.0f;
      float c = clouds * std::max(0.0f, Fractal(x / 256.0f, y / 128.0f * 0.5f, 5) * 1.6f - 0.7f);
      float r = top_r + (low_r - top_r) * t, g = top_g + (low_g - top_g) * t, b = top_b + (low_b - top_b) * t;
      img.Set(x, y, r + (1 - r) * c, g + (1 - g) * c, b + (1 - b) * c);
    }
  return img;
}

// A soft round sprite with alpha, for explosions, smoke and glows.
Image Puff(float r, float g, float b, float hardness) {
  Image img = Make(64, 64);
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      float dx = (x - 31.5f) / 32, dy = (y - 31.5f) / 32, d = std::sqrt(dx * dx + dy * dy);
      float a = std::max(0.0f, 1 - d);
      a = std::pow(a, hardness) * (0.7f + 0.3f * Fractal(x / 64.0f, y / 64.0f));
      img.Set(x, y, r, g, b, a);
    }
  return img;
}

}  // namespace

void Image::Set(int x, int y, float r, float g, float b, float a) {
  std::uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
  p[0] = Byte(r);
  p[1] = Byte(g);
  p[2] = Byte(b);
  p[3] = Byte(a);
}

bool WritePng(const std::string& path, const Image& image) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; y++)
    png_write_row(png, const_cast<png_bytep>(&image.rgba[size_t(y) * image.width * 4]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool WriteJpeg(const std::string& path, const Image& image, int quality) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = image.width;
  cinfo.image_height = image.height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(size_t(image.width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* src = &image.rgba[size_t(cinfo.next_scanline) * image.width * 4];
    for (int x = 0; x < image.width; x++)
      for (int c = 0; c < 3; c++) row[x * 3 + c] = src[x * 4 + c];
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(f) == 0;
}

bool WriteIcon(const std::string& path, const Image& image) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto u16 = [&](unsigned v) { std::fputc(v & 0xFF, f), std::fputc((v >> 8) & 0xFF, f); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
  const int w = image.width, h = image.height;
  const unsigned mask_row = ((w + 31) / 32) * 4;
  const unsigned bytes = 40 + w * h * 4 + mask_row * h;
  u16(0), u16(1), u16(1);  // reserved, icon, one image
  std::fputc(w, f), std::fputc(h, f), std::fputc(0, f), std::fputc(0, f);
  u16(1), u16(32), u32(bytes), u32(6 + 16);
  // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
  u32(40), u32(w), u32(h * 2), u16(1), u16(32), u32(0), u32(w * h * 4), u32(0), u32(0), u32(0), u32(0);
  for (int y = h - 1; y >= 0; y--)
    for (int x = 0; x < w; x++) {
      const std::uint8_t* p = &image.rgba[(size_t(y) * w + x) * 4];
      std::fputc(p[2], f), std::fputc(p[1], f), std::fputc(p[0], f), std::fputc(p[3], f);
    }
  for (int y = h - 1; y >= 0; y--)
    for (unsigned i = 0; i < mask_row; i++) {
      unsigned char bits = 0;
      for (int b = 0; b < 8; b++) {
        int x = int(i) * 8 + b;
        if (x < w && image.rgba[(size_t(y) * w + x) * 4 + 3] < 128) bits |= 0x80 >> b;
      }
      std::fputc(bits, f);
    }
  return std::fclose(f) == 0;
}

bool MakeImages(const std::string& folder) {
  auto png = [&](const char* name, const Image& img) { return WritePng(folder + "/" + name, img); };
  auto jpg = [&](const char* name, const Image& img) { return WriteJpeg(folder + "/" + name, img); };
  bool ok = true;
  ok &= png("metal_grey_01.png", Metal(0.7f, 0.72f, 0.75f));
  ok &= png("metal_red_01.png", Metal(0.75f, 0.25f, 0.2f));
  ok &= png("metal_blue_01.png", Metal(0.3f, 0.45f, 0.8f));
  ok &= jpg("sky_cloudy_01.jpg", Sky(0.35f, 0.45f, 0.7f, 0.8f, 0.85f, 0.9f, 1.0f));
  ok &= jpg("sky_cloudy_02.jpg", Sky(0.25f, 0.3f, 0.4f, 0.6f, 0.62f, 0.66f, 1.4f));
  ok &= jpg("sky_clear_01.jpg", Sky(0.2f, 0.4f, 0.85f, 0.7f, 0.85f, 1.0f, 0.15f));
  ok &= jpg("sky_desert_01.jpg", Sky(0.5f, 0.6f, 0.8f, 0.95f, 0.8f, 0.55f, 0.3f));
  ok &= jpg("sky_sunset_01.jpg", Sky(0.25f, 0.15f, 0.4f, 1.0f, 0.55f, 0.25f, 0.6f));
  ok &= png("explosion_01.png", Puff(1.0f, 0.7f, 0.3f, 1.2f));
  ok &= png("smoke_01.png", Puff(0.6f, 0.6f, 0.6f, 1.5f));
  ok &= png("spark_01.png", Puff(1.0f, 0.9f, 0.6f, 3.0f));
  ok &= png("glow_01.png", Puff(0.7f, 1.0f, 0.3f, 2.0f));
  ok &= png("beam_01.png", Puff(0.5f, 0.7f, 1.0f, 1.0f));

  Image rock = Make(64, 64), bark = Make(64, 64), leaf = Make(64, 64), cave = Make(64, 64);
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      float n = Fractal(x / 64.0f, y / 64.0f, 5);
      rock.Set(x, y, 0.45f + 0.4f * n, 0.4f + 0.35f * n, 0.35f + 0.3f * n);
      cave.Set(x, y, 0.25f + 0.3f * n, 0.2f + 0.25f * n, 0.18f + 0.2f * n);
      float stripe = 0.5f + 0.5f * std::sin(x * 0.6f + n * 6);
      bark.Set(x, y, 0.35f + 0.15f * stripe, 0.22f + 0.1f * stripe, 0.1f);
      float dx = (x - 31.5f) / 32, dy = (y - 31.5f) / 20;
      leaf.Set(x, y, 0.2f + 0.2f * n, 0.55f + 0.3f * n, 0.15f, dx * dx + dy * dy < 1 ? 1.0f : 0.0f);
    }
  ok &= jpg("rock_01.jpg", rock);
  ok &= jpg("cave_01.jpg", cave);
  ok &= png("bark_01.png", bark);
  ok &= png("leaf_01.png", leaf);

  Image logo = Make(128, 64), stars = Make(128, 128), icon = Make(32, 32);
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 128; x++) {
      float band = std::fabs(y - 32.0f) < 6 + 20 * std::fabs(std::sin(x * 0.05f)) ? 1.0f : 0.0f;
      logo.Set(x, y, 0.9f * band, 0.6f * band + 0.1f, 0.2f + 0.6f * band);
    }
  for (int y = 0; y < 128; y++)
    for (int x = 0; x < 128; x++) stars.Set(x, y, 0, 0, 0, 0);
  for (int i = 0; i < 160; i++) {
    int x = int(Noise() * 127), y = int(Noise() * 127);
    float b = 0.5f + 0.5f * Noise();
    stars.Set(x, y, b, b, b, 1);
  }
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++) {
      // A ship's arrow on a dark disc.
      float dx = x - 15.5f, dy = y - 15.5f;
      bool disc = dx * dx + dy * dy < 15.5f * 15.5f;
      bool ship = x > 6 && x < 26 && std::fabs(dy) < (26 - x) * 0.45f;
      if (!disc)
        icon.Set(x, y, 0, 0, 0, 0);
      else if (ship)
        icon.Set(x, y, 0.85f, 0.9f, 1.0f);
      else
        icon.Set(x, y, 0.1f, 0.15f, 0.35f);
    }
  ok &= png("company_logo_01.png", logo);
  ok &= png("stars_01.png", stars);
  ok &= WriteIcon(folder + "/parent.ico", icon);
  return ok;
}
