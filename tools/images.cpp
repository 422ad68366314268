#include "images.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <jpeglib.h>
#include <png.h>

namespace {

constexpr float kPi = 3.14159265358979f;

// ---- Noise: hashed lattices, so every texture is the same on every run and tiles by its period --

std::uint32_t Hash(int x, int y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B1u ^ std::uint32_t(x) * 0x85EBCA77u ^ std::uint32_t(y) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

float Hash01(int x, int y, std::uint32_t seed) { return float(Hash(x, y, seed) & 0xFFFFFF) / 16777215.0f; }

int Wrap(int i, int period) {
  i %= period;
  return i < 0 ? i + period : i;
}

float Smooth(float t) { return t * t * (3 - 2 * t); }
float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
float Mix(float a, float b, float t) { return a + (b - a) * t; }
float SmoothStep(float e0, float e1, float v) { return Smooth(Clamp01((v - e0) / (e1 - e0))); }

// Value noise at (x, y) in lattice cells, repeating every `px` by `py` cells.
float Value(float x, float y, int px, int py, std::uint32_t seed) {
  int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  float fx = Smooth(x - x0), fy = Smooth(y - y0);
  int xa = Wrap(x0, px), xb = Wrap(x0 + 1, px), ya = Wrap(y0, py), yb = Wrap(y0 + 1, py);
  float a = Hash01(xa, ya, seed), b = Hash01(xb, ya, seed), c = Hash01(xa, yb, seed), d = Hash01(xb, yb, seed);
  return Mix(Mix(a, b, fx), Mix(c, d, fx), fy);
}

// Fractal noise over texture space (u, v in 0..1), `cx` by `cy` cells at the coarsest octave, 0..1.
float Fbm(float u, float v, int cx, int cy, int octaves, std::uint32_t seed, float gain = 0.5f) {
  float sum = 0, amp = 1, total = 0;
  for (int o = 0; o < octaves; o++) {
    sum += amp * Value(u * cx, v * cy, cx, cy, seed + o * 101);
    total += amp;
    amp *= gain;
    cx *= 2;
    cy *= 2;
  }
  return sum / total;
}

// Ridged noise: bright thin ridges where the noise crosses its middle, for filaments and veins.
float Ridged(float u, float v, int cells, int octaves, std::uint32_t seed) {
  return 1 - std::fabs(Fbm(u, v, cells, cells, octaves, seed) * 2 - 1);
}

// Cellular noise: distances to the nearest and second-nearest of one point per cell, in cells.
void Cells(float u, float v, int cells, std::uint32_t seed, float* f1, float* f2) {
  float x = u * cells, y = v * cells;
  int cx = int(std::floor(x)), cy = int(std::floor(y));
  *f1 = *f2 = 9;
  for (int j = -1; j <= 1; j++)
    for (int i = -1; i <= 1; i++) {
      int gx = cx + i, gy = cy + j, wx = Wrap(gx, cells), wy = Wrap(gy, cells);
      float qx = gx + Hash01(wx, wy, seed), qy = gy + Hash01(wx, wy, seed + 7);
      float d = std::sqrt((qx - x) * (qx - x) + (qy - y) * (qy - y));
      if (d < *f1) {
        *f2 = *f1;
        *f1 = d;
      } else if (d < *f2) {
        *f2 = d;
      }
    }
}

// ---- A float canvas to paint on, turned into bytes at the end ----------------------------------

struct Rgb {
  float r, g, b;
};
Rgb Lerp(Rgb a, Rgb b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }
Rgb Scale(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }

struct Canvas {
  int w, h;
  std::vector<float> px;  // r, g, b, a per pixel
  Canvas(int width, int height, Rgb fill = {0, 0, 0}, float alpha = 1)
      : w(width), h(height), px(std::size_t(width) * height * 4) {
    for (std::size_t i = 0; i < px.size(); i += 4) px[i] = fill.r, px[i + 1] = fill.g, px[i + 2] = fill.b, px[i + 3] = alpha;
  }
  float* At(int x, int y) { return &px[(std::size_t(Wrap(y, h)) * w + Wrap(x, w)) * 4]; }
  void Put(int x, int y, Rgb c, float a = 1) {
    float* p = At(x, y);
    p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = a;
  }
  // Paints over what is there with coverage `a`; the canvas's alpha grows toward 1 with it.
  void Over(int x, int y, Rgb c, float a) {
    if (a <= 0) return;
    a = std::min(a, 1.0f);
    float* p = At(x, y);
    p[0] = Mix(p[0], c.r, a), p[1] = Mix(p[1], c.g, a), p[2] = Mix(p[2], c.b, a);
    p[3] = p[3] + (1 - p[3]) * a;
  }
  // Multiplies the colour, as shading does.
  void Shade(int x, int y, float k) {
    float* p = At(x, y);
    p[0] *= k, p[1] *= k, p[2] *= k;
  }
  Image ToImage() const {
    Image img;
    img.width = w;
    img.height = h;
    img.rgba.resize(std::size_t(w) * h * 4);
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
        const float* p = &px[(std::size_t(y) * w + x) * 4];
        img.Set(x, y, p[0], p[1], p[2], p[3]);
      }
    return img;
  }
};

// Distance from (x, y) to the segment a-b.
float SegmentDistance(float x, float y, float ax, float ay, float bx, float by) {
  float dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
  float t = l2 > 0 ? Clamp01(((x - ax) * dx + (y - ay) * dy) / l2) : 0;
  float ex = ax + dx * t - x, ey = ay + dy * t - y;
  return std::sqrt(ex * ex + ey * ey);
}

// A stroke of width `width` from a to b, antialiased; `color` is asked per pixel.
template <typename Color>
void Stroke(Canvas& c, float ax, float ay, float bx, float by, float width, Color color, float alpha = 1) {
  float half = width / 2;
  int x0 = int(std::floor(std::min(ax, bx) - half - 1)), x1 = int(std::ceil(std::max(ax, bx) + half + 1));
  int y0 = int(std::floor(std::min(ay, by) - half - 1)), y1 = int(std::ceil(std::max(ay, by) + half + 1));
  for (int y = y0; y <= y1; y++)
    for (int x = x0; x <= x1; x++) {
      float d = SegmentDistance(x + 0.5f, y + 0.5f, ax, ay, bx, by);
      c.Over(x, y, color(x, y), alpha * Clamp01(half - d + 0.5f));
    }
}

// Signed distance to a polygon (negative inside), by the even-odd rule.
float PolygonDistance(float x, float y, const std::vector<float>& pts) {
  std::size_t n = pts.size() / 2;
  float best = 1e9f;
  bool inside = false;
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    float xi = pts[i * 2], yi = pts[i * 2 + 1], xj = pts[j * 2], yj = pts[j * 2 + 1];
    best = std::min(best, SegmentDistance(x, y, xi, yi, xj, yj));
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
  }
  return inside ? -best : best;
}

// ---- Writers -----------------------------------------------------------------------------------

}  // namespace

void Image::Set(int x, int y, float r, float g, float b, float a) {
  auto byte = [](float v) { return static_cast<std::uint8_t>(v <= 0 ? 0 : v >= 1 ? 255 : v * 255.0f + 0.5f); };
  std::uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
  p[0] = byte(r);
  p[1] = byte(g);
  p[2] = byte(b);
  p[3] = byte(a);
}

// Rows are filtered by their left neighbour only, which decodes faster than the adaptive choice
// for little more size; an image without colour is stored as grey and alpha, half the data.
bool IsGrey(const Image& image) {
  for (std::size_t i = 0; i < image.rgba.size(); i += 4)
    if (image.rgba[i] != image.rgba[i + 1] || image.rgba[i] != image.rgba[i + 2]) return false;
  return true;
}

bool WritePng(const std::string& path, const Image& image) {
  volatile const bool grey = IsGrey(image);  // read after setjmp
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
  png_set_IHDR(png, info, image.width, image.height, 8, grey ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_write_info(png, info);
  std::vector<std::uint8_t> row(std::size_t(image.width) * 2);
  for (int y = 0; y < image.height; y++) {
    const std::uint8_t* src = &image.rgba[size_t(y) * image.width * 4];
    if (grey) {
      for (int x = 0; x < image.width; x++) row[x * 2] = src[x * 4], row[x * 2 + 1] = src[x * 4 + 3];
      png_write_row(png, row.data());
    } else {
      png_write_row(png, const_cast<png_bytep>(src));
    }
  }
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

namespace {

// ---- Opaque surfaces ---------------------------------------------------------------------------

// Hull plating: rows of panels of uneven length with recessed seams, rivet lines along the seams,
// grime streaks running down from them, scuffed edges and scratches.
Image Hull(Rgb base, std::uint32_t seed, float wear) {
  const int n = 256, rows = 2, row_h = n / rows;
  Canvas c(n, n);
  // Where each row's seams fall (tiling: the cut at 0 is also the cut at n).
  int cuts[rows][4];
  for (int r = 0; r < rows; r++) {
    int count = 1 + int(Hash01(r, 0, seed) * 1.99f);
    int offset = int(Hash01(r, 1, seed) * n);
    for (int k = 0; k < 4; k++) cuts[r][k] = k < count ? Wrap(offset + k * n / count + int(Hash01(r, k + 2, seed) * 20) - 10, n) : -1;
  }
  auto seam_distance = [&](int x, int y, int* panel) {
    int r = y / row_h, dy = std::min(y % row_h, row_h - 1 - y % row_h), dx = n, id = 0;
    for (int k = 0; k < 4; k++)
      if (cuts[r][k] >= 0) {
        int d = std::abs(x - cuts[r][k]);
        d = std::min(d, n - d);
        dx = std::min(dx, d);
        if (x >= cuts[r][k]) id = k + 1;
      }
    *panel = r * 8 + id % 4;
    return std::pair<int, int>(dx, dy);
  };
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float u = x / float(n), v = y / float(n);
      int panel;
      auto [dx, dy] = seam_distance(x, y, &panel);
      float tone = 0.9f + 0.16f * Hash01(panel, 9, seed);
      float mottle = 0.82f + 0.28f * Fbm(u, v, 8, 8, 5, seed + 11);
      float streak = Fbm(u, v * 0.25f, 32, 4, 3, seed + 23);  // long vertical runs
      float k = tone * mottle;
      // Grime runs down from each seam above.
      float below = float(y % row_h) / row_h;
      k *= 1 - wear * 0.35f * (1 - below) * SmoothStep(0.45f, 0.8f, streak);
      // Seams: a dark groove with a lit lip on the far side.
      int d = std::min(dx, dy);
      if (d == 0) k *= 0.5f;
      else if (d == 1) k *= 0.72f;
      else if (d == 2) k *= 1.18f;
      // Worn edges show bare metal.
      float scuff = Fbm(u, v, 16, 16, 3, seed + 31);
      Rgb col = Scale(base, k);
      if (d >= 2 && d < 7 && scuff > 0.62f - 0.1f * wear) col = Lerp(col, {0.78f, 0.78f, 0.8f}, 0.55f);
      c.Put(x, y, col);
    }
  // Rivets along both sides of every seam.
  auto rivet = [&](int cx, int cy) {
    for (int j = -3; j <= 3; j++)
      for (int i = -3; i <= 3; i++) {
        float d = std::sqrt(float(i * i + j * j));
        if (d > 2.6f) {
          if (d < 3.6f && i + j > 0) c.Shade(cx + i, cy + j, 0.75f);  // its shadow
          continue;
        }
        c.Shade(cx + i, cy + j, i + j < 0 ? 1.35f : 0.8f);
      }
  };
  for (int r = 0; r < rows; r++) {
    for (int x = 4; x < n; x += 12) rivet(x, r * row_h + 6), rivet(x, r * row_h + row_h - 7);
    for (int k = 0; k < 4; k++)
      if (cuts[r][k] >= 0)
        for (int y = r * row_h + 16; y < r * row_h + row_h - 12; y += 12) rivet(cuts[r][k] + 6, y), rivet(cuts[r][k] - 6, y);
  }
  // Scratches: short bright lines with a dark edge.
  for (int i = 0; i < int(16 * wear); i++) {
    float x = Hash01(i, 50, seed) * n, y = Hash01(i, 51, seed) * n, a = Hash01(i, 52, seed) * kPi;
    float len = 6 + 22 * Hash01(i, 53, seed);
    float ex = x + std::cos(a) * len, ey = y + std::sin(a) * len;
    Stroke(c, x, y + 1, ex, ey + 1, 1.0f, [](int, int) { return Rgb{0.1f, 0.1f, 0.1f}; }, 0.35f);
    Stroke(c, x, y, ex, ey, 1.0f, [](int, int) { return Rgb{0.85f, 0.85f, 0.88f}; }, 0.45f);
  }
  // One access hatch and one vent grille, on two of the panels.
  int hx = 20 + int(Hash01(1, 60, seed) * 150), hy = 20;
  for (int y = hy; y < hy + 34; y++)
    for (int x = hx; x < hx + 44; x++) {
      bool edge = x == hx || y == hy || x == hx + 43 || y == hy + 33;
      bool lit = x == hx + 1 || y == hy + 1;
      if (edge) c.Shade(x, y, 0.45f);
      else if (lit) c.Shade(x, y, 1.25f);
    }
  int vx = 30 + int(Hash01(2, 61, seed) * 150), vy = row_h + 60;
  for (int s = 0; s < 7; s++)
    for (int x = vx; x < vx + 50; x++) {
      c.Shade(x, vy + s * 4, 0.3f);
      c.Shade(x, vy + s * 4 + 1, 0.55f);
      c.Shade(x, vy + s * 4 + 2, 1.2f);
    }
  return c.ToImage();
}

// Bark: deep furrows running along the trunk (the texture's u), knots, and moss in the hollows.
Image Bark() {
  const int n = 256;
  Canvas c(n, n);
  const std::uint32_t seed = 401;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float u = x / float(n), v = y / float(n);
      float warp = Fbm(u, v, 3, 6, 3, seed + 2) - 0.5f;
      float fissure = 1 - std::fabs(Fbm(u, v + warp * 0.08f, 2, 20, 5, seed) * 2 - 1);
      float crack = SmoothStep(0.8f, 0.97f, fissure);
      float plates = Fbm(u, v, 4, 16, 4, seed + 5);
      float fibres = Fbm(u, v, 4, 96, 2, seed + 9);
      float furrow = (1 - crack) * (0.7f + 0.3f * plates);
      Rgb dark = {0.1f, 0.07f, 0.05f}, light = {0.44f, 0.35f, 0.25f};
      Rgb col = Lerp(dark, light, furrow * (0.75f + 0.35f * fibres));
      float moss = SmoothStep(0.64f, 0.78f, Fbm(u, v, 5, 5, 4, seed + 13)) * (1 - furrow);
      col = Lerp(col, {0.2f, 0.27f, 0.1f}, moss * 0.6f);
      c.Put(x, y, col);
    }
  // Knots: rings of darker wood around a dark core.
  for (int k = 0; k < 3; k++) {
    float kx = 40 + Hash01(k, 1, seed) * 176, ky = 30 + Hash01(k, 2, seed) * 196, rx = 10 + 6 * Hash01(k, 3, seed);
    for (int y = int(ky - rx); y <= int(ky + rx); y++)
      for (int x = int(kx - 2 * rx); x <= int(kx + 2 * rx); x++) {
        float d = std::sqrt((x - kx) * (x - kx) / 4 + (y - ky) * (y - ky)) / rx;
        if (d > 1) continue;
        float ring = 0.5f + 0.5f * std::sin(d * 18);
        c.Shade(x, y, d < 0.3f ? 0.5f : 0.75f + 0.2f * ring + 0.1f * d);
      }
  }
  return c.ToImage();
}

// Planks: four boards across the texture, grain along u, nail heads at the ends.
Image Planks() {
  const int n = 256, boards = 4;
  Canvas c(n, n);
  const std::uint32_t seed = 433;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float u = x / float(n), v = y / float(n);
      int b = y * boards / n;
      int by = y % (n / boards);
      float warp = Fbm(u, v, 3, 12, 3, seed + b) - 0.5f;
      float grain = 0.5f + 0.5f * std::sin((v * 40 + warp * 6 + Hash01(b, 0, seed) * 10) * kPi);
      grain = std::pow(grain, 3.0f);
      float fine = Fbm(u, v, 64, 16, 2, seed + 3);
      Rgb col = Lerp({0.52f, 0.36f, 0.2f}, {0.3f, 0.19f, 0.1f}, grain * 0.6f + 0.25f * fine);
      col = Scale(col, 0.85f + 0.25f * Hash01(b, 1, seed));
      if (by < 2 || by > n / boards - 3) col = Scale(col, by == 0 || by == n / boards - 1 ? 0.25f : 0.55f);
      c.Put(x, y, col);
    }
  for (int b = 0; b < boards; b++)
    for (int x : {10, 246}) {
      int cy = b * (n / boards) + n / boards / 2;
      for (int dy : {-12, 12})
        for (int j = -2; j <= 2; j++)
          for (int i = -2; i <= 2; i++)
            if (i * i + j * j <= 5) c.Put(x + i, cy + dy + j, i + j < 0 ? Rgb{0.55f, 0.55f, 0.55f} : Rgb{0.2f, 0.2f, 0.22f});
    }
  return c.ToImage();
}

// Rock: bands of strata, a net of cracks, grit, and light falling from above on the lumps.
Image Rock(Rgb light, Rgb dark, std::uint32_t seed, float wet) {
  const int n = 256;
  Canvas c(n, n);
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float u = x / float(n), v = y / float(n);
      float h = Fbm(u, v, 4, 4, 6, seed);
      float hn = Fbm(u, v + 1.0f / n, 4, 4, 6, seed);
      float lit = Clamp01(0.75f + (h - hn) * 40);
      float warp = Fbm(u, v, 3, 3, 3, seed + 3) - 0.5f;
      float strata = 0.5f + 0.5f * std::sin((v + warp * 0.25f) * 2 * kPi * 9);
      float band = Hash01(int((v + warp * 0.25f) * 14 + 100), 0, seed);
      Rgb col = Lerp(dark, light, 0.3f + 0.4f * h + 0.2f * strata);
      col = Lerp(col, Scale(light, 0.6f + 0.55f * band), 0.4f);
      float f1, f2;
      Cells(u + warp * 0.05f, v, 6, seed + 17, &f1, &f2);
      float crack = (1 - SmoothStep(0.0f, 0.04f, f2 - f1)) * SmoothStep(0.35f, 0.55f, Fbm(u, v, 4, 4, 3, seed + 21));
      Cells(u, v, 12, seed + 19, &f1, &f2);
      crack = std::max(crack, 0.5f * (1 - SmoothStep(0.0f, 0.04f, f2 - f1)) * SmoothStep(0.6f, 0.75f, h));
      float grit = Hash01(x, y, seed + 23);
      col = Scale(col, lit * (1 - 0.7f * crack) * (0.9f + 0.2f * grit));
      if (wet > 0) col = Lerp(col, {0.2f, 0.3f, 0.3f}, wet * SmoothStep(0.55f, 0.8f, Fbm(u, v, 3, 6, 3, seed + 29)));
      c.Put(x, y, col);
    }
  return c.ToImage();
}

// A backdrop as the player sees it, painted for the sky colour it is drawn under: the engine
// lights a backdrop by that colour alone, so each texel is the colour wanted divided by it. Toward
// the horizon the sky whitens into a haze that, so tinted, is the fog colour: scenery fogged into
// the sky colour melts into it. Below the horizon lies the land, hazed the same way.
struct SkyLook {
  Rgb tint;                 // the sky colour of the stages that draw it
  Rgb zenith;               // the colours below are all as seen, after the tint
  float haze;               // how far the sky's haze reaches up from the horizon, in texture heights
  float fog_end;            // the stage's fog end, which the land's haze follows
  float high, middle, low;  // cloud cover of each layer, 0..1
  Rgb cloud_lit, cloud_shade;
  float sun_x, sun_y, sun_size;  // in texture space; size 0 for none
  Rgb sun;
  bool dunes;               // a sandy plain of dunes; otherwise rolling hills
  Rgb land_far, land_near;  // the land at the horizon (before its haze) and at the bottom
  std::uint32_t seed;
};

Rgb Divided(Rgb seen, Rgb tint) {
  auto channel = [](float a, float b) { return b > 0 ? Clamp01(a / b) : 0.0f; };
  return {channel(seen.r, tint.r), channel(seen.g, tint.g), channel(seen.b, tint.b)};
}

// The land below the horizon at (u, v): dunes or fields whose pattern shrinks with distance, and
// on the horizon a ridge of far hills (or mesas) standing up into the sky; `inside` is how much
// of the texel the land covers.
Rgb Land(const SkyLook& s, float u, float v, float* inside) {
  const float h = kSkyHorizon;
  // Far ridges rise a little above the horizon: rounded hills, or flat-topped mesas.
  float ridge = Fbm(u, 0.5f, 9, 1, 5, s.seed + 41);
  float rise = s.dunes ? 0.016f * SmoothStep(0.5f, 0.56f, ridge) + 0.002f : 0.01f + 0.035f * ridge * ridge;
  *inside = Clamp01((v - (h - rise)) * kSkyHeight + 0.5f);
  if (*inside <= 0) return {0, 0, 0};
  float below = std::max(v - h, 0.0f);
  // The ground's distance and its position across, as a flat plain seen from the camera's height.
  float distance = 3.6f / (below + 0.01f), across = (u - 0.5f) * distance * kSkyQuadWidth / kSkyQuadHeight;
  float near = SmoothStep(0.0f, 1 - h, below);
  Rgb col = Lerp(s.land_far, s.land_near, near);
  if (s.dunes) {
    // Dune crests winding across the view, lit on their sunward flanks, with ripples near by.
    float warp = Fbm(across * 0.02f, distance * 0.02f, 4, 4, 4, s.seed + 43) - 0.5f;
    float phase = (distance + warp * 14 + 3 * std::sin(across * 0.08f)) * 0.9f;
    float slope = std::cos(phase);
    float ripple = 0.5f + 0.5f * std::sin(phase * 11 + across * 0.7f);
    float light = Clamp01(0.5f + 0.5f * slope);
    col = Scale(col, 0.75f + 0.35f * light + 0.08f * ripple * near);
  } else {
    // Fields and woods in patches, finer with distance.
    float patch = Fbm(across * 0.03f, distance * 0.03f, 8, 8, 4, s.seed + 47);
    col = Scale(col, 0.75f + 0.45f * patch);
  }
  // The land is fogged as the stage fogs its scenery, linearly with depth, so that a tree fogged on
  // the ground nearly matches the land behind it (a trace of the land stays in the far haze); the
  // ridges stand out a little from it.
  float depth = kGroundBelowEye * (kSkyQuadDepth + 100) / (std::max(below, 1e-4f) * kSkyQuadHeight);
  float haze = v < h ? 0.6f : 0.88f * Clamp01(depth / s.fog_end);
  return Lerp(col, s.tint, Clamp01(haze));
}

Image Sky(const SkyLook& s) {
  const int w = kSkyWidth, h = kSkyHeight;
  const float aspect = float(kSkyQuadWidth) / kSkyQuadHeight;  // world width of the texture to its height
  Canvas c(w, h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      float u = (x + 0.5f) / w, v = (y + 0.5f) / h;
      float above = kSkyHorizon - v;  // height over the horizon, in texture heights
      Rgb col = Lerp(s.tint, s.zenith, Clamp01(1 - std::exp(-std::max(above, 0.0f) / s.haze)));
      if (s.sun_size > 0) {
        float dx = (u - s.sun_x) * aspect, dy = v - s.sun_y, d = std::sqrt(dx * dx + dy * dy);
        col = Lerp(col, s.sun, Clamp01(std::exp(-d / s.sun_size) * 0.8f));
        float disc = d / (s.sun_size * 0.2f);
        col = Lerp(col, s.sun, std::exp(-disc * disc * disc * disc));
      }
      // Clouds lie flatter and thicker toward the horizon and fade into its haze.
      float fade = SmoothStep(0.0f, s.haze * 1.5f, above);
      float squash = 1 + 2.0f * Clamp01(1 - above / kSkyHorizon);
      float high = Fbm(u, v * 0.5f * squash, 4, 16, 5, s.seed) * Fbm(u, v, 2, 2, 2, s.seed + 1);
      col = Lerp(col, s.cloud_lit, s.high * SmoothStep(0.22f, 0.45f, high) * 0.5f * fade);
      float mid = Fbm(u, v * squash * 0.6f, 6, 6, 5, s.seed + 3);
      col = Lerp(col, Lerp(s.cloud_lit, s.cloud_shade, 0.5f),
                 s.middle * SmoothStep(0.5f - 0.3f * s.middle, 0.75f, mid) * 0.7f * fade);
      float low = Fbm(u, v * squash * 0.65f, 5, 5, 6, s.seed + 5);
      float low_above = Fbm(u, (v - 0.03f) * squash * 0.65f, 5, 5, 6, s.seed + 5);
      float cover = SmoothStep(0.62f - 0.25f * s.low, 0.78f - 0.2f * s.low, low) * fade;
      float light = Clamp01(0.5f + (low_above - low) * 14);  // thinner above: the sun reaches in
      col = Lerp(col, Lerp(s.cloud_shade, s.cloud_lit, light), s.low > 0 ? cover : 0);
      float inside;
      Rgb land = Land(s, u, v, &inside);
      col = Lerp(col, land, inside);
      c.Put(x, y, Divided(col, s.tint));
    }
  return c.ToImage();
}

// ---- See-through sprites: colour and alpha ----------------------------------------------------

// Fireball: a white-hot core, flame tongues of yellow to deep orange, a rim of brown smoke, all
// fading to nothing at the edge through a ragged outline.
Image Explosion() {
  const int n = 256;
  Canvas c(n, n, {0, 0, 0}, 0);
  const std::uint32_t seed = 701;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
      float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx) / (2 * kPi) + 0.5f;
      // Polar noise tiles round the circle, so the outline has no seam.
      float lobes = Fbm(a, r * 0.5f, 12, 4, 4, seed);
      float turb = Fbm(dx * 0.5f + 0.5f, dy * 0.5f + 0.5f, 8, 8, 5, seed + 3);
      float tongues = Ridged(dx * 0.5f + 0.5f, dy * 0.5f + 0.5f, 5, 4, seed + 7);
      float rr = r / (0.7f + 0.3f * lobes) + (turb - 0.5f) * 0.35f;
      if (rr >= 1) continue;
      Rgb core = {1, 1, 0.9f}, yellow = {1, 0.85f, 0.35f}, orange = {1, 0.45f, 0.08f}, red = {0.6f, 0.12f, 0.03f},
          smoke = {0.2f, 0.15f, 0.12f};
      Rgb col;
      float heat = rr - (turb - 0.5f) * 0.3f - std::pow(tongues, 4.0f) * 0.25f;
      float soot = SmoothStep(0.5f, 0.8f, Fbm(dx * 0.5f + 0.5f, dy * 0.5f + 0.5f, 6, 6, 4, seed + 11)) * SmoothStep(0.45f, 0.75f, rr);
      if (heat < 0.18f) col = Lerp(core, yellow, heat / 0.18f);
      else if (heat < 0.45f) col = Lerp(yellow, orange, (heat - 0.18f) / 0.27f);
      else if (heat < 0.7f) col = Lerp(orange, red, (heat - 0.45f) / 0.25f);
      else col = Lerp(red, smoke, Clamp01((heat - 0.7f) / 0.2f));
      col = Lerp(col, smoke, soot * 0.8f);
      float alpha = 1 - SmoothStep(0.55f, 1.0f, rr);
      alpha *= 0.75f + 0.25f * turb;
      if (rr < 0.3f) alpha = std::max(alpha, 1 - rr);
      c.Put(x, y, col, alpha);
    }
  return c.ToImage();
}

// Smoke: a heap of round billows, lit from above left and shaded beneath, thin at its edges.
Image Smoke() {
  const int n = 256;
  Canvas c(n, n, {0.5f, 0.5f, 0.5f}, 0);
  const std::uint32_t seed = 733;
  float puffs[10][3] = {{0, 0, 0.42f}};
  for (int k = 1; k < 10; k++) {
    float a = k * 2 * kPi / 9 + Hash01(k, 0, seed), d = 0.28f + 0.2f * Hash01(k, 1, seed);
    puffs[k][0] = std::cos(a) * d, puffs[k][1] = std::sin(a) * d, puffs[k][2] = 0.2f + 0.14f * Hash01(k, 2, seed);
  }
  auto height = [&](float x, float y) {
    float sum = 0;  // a soft union, so the billows merge without hard creases
    for (auto& p : puffs) {
      float dx = x - p[0], dy = y - p[1], q = 1 - (dx * dx + dy * dy) / (p[2] * p[2]);
      sum += std::exp(24 * (q > 0 ? std::sqrt(q) * p[2] : q * 0.3f));
    }
    float h = std::log(sum) / 24;
    return h + 0.06f * (Fbm(x * 0.5f + 0.5f, y * 0.5f + 0.5f, 8, 8, 4, seed + 3) - 0.5f);
  };
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float px = (x + 0.5f) / n * 2 - 1, py = (y + 0.5f) / n * 2 - 1, e = 2.0f / n;
      float h = height(px, py);
      if (h <= 0) continue;
      float slope = (height(px - 2 * e, py - 2 * e) - h) / e;
      float shade = Clamp01(0.62f - slope * 0.35f - py * 0.15f);
      float edge = SmoothStep(0.0f, 0.18f, h);
      float wisp = Fbm(px * 0.5f + 0.5f, py * 0.5f + 0.5f, 16, 16, 3, seed + 9);
      float grey = 0.25f + 0.55f * shade + 0.1f * (wisp - 0.5f);
      c.Put(x, y, {grey, grey, grey}, edge * (0.22f + 0.3f * wisp));
    }
  return c.ToImage();
}

// A burning billow, for the smoke of explosions and hits: a heap of round puffs like Smoke()'s,
// glowing white-yellow where it is thickest through orange and red to soot at its thin edges.
// Shown by emission alone, so it burns in every stage's light.
Image FireSmoke() {
  const int n = 256;
  Canvas c(n, n, {0.5f, 0.1f, 0.02f}, 0);
  const std::uint32_t seed = 745;
  float puffs[9][3] = {{0, 0, 0.46f}};
  for (int k = 1; k < 9; k++) {
    float a = k * 2 * kPi / 8 + Hash01(k, 0, seed), d = 0.26f + 0.2f * Hash01(k, 1, seed);
    puffs[k][0] = std::cos(a) * d, puffs[k][1] = std::sin(a) * d, puffs[k][2] = 0.2f + 0.15f * Hash01(k, 2, seed);
  }
  auto height = [&](float x, float y) {
    float sum = 0;  // a soft union, so the billows merge without hard creases
    for (auto& p : puffs) {
      float dx = x - p[0], dy = y - p[1], q = 1 - (dx * dx + dy * dy) / (p[2] * p[2]);
      sum += std::exp(24 * (q > 0 ? std::sqrt(q) * p[2] : q * 0.3f));
    }
    return std::log(sum) / 24 + 0.07f * (Fbm(x * 0.5f + 0.5f, y * 0.5f + 0.5f, 8, 8, 4, seed + 3) - 0.5f);
  };
  const Rgb white = {1, 0.92f, 0.65f}, yellow = {1, 0.72f, 0.22f}, orange = {0.95f, 0.38f, 0.05f},
            red = {0.55f, 0.1f, 0.02f}, soot = {0.1f, 0.06f, 0.05f};
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float px = (x + 0.5f) / n * 2 - 1, py = (y + 0.5f) / n * 2 - 1;
      float h = height(px, py);
      if (h <= 0) continue;
      float flicker = Fbm(px * 0.5f + 0.5f, py * 0.5f + 0.5f, 12, 12, 4, seed + 9);
      float heat = Clamp01(h * 2.1f + (flicker - 0.5f) * 0.6f);  // 1 at the thick heart of the heap
      Rgb col = heat > 0.75f   ? Lerp(yellow, white, (heat - 0.75f) / 0.25f)
                : heat > 0.5f  ? Lerp(orange, yellow, (heat - 0.5f) / 0.25f)
                : heat > 0.28f ? Lerp(red, orange, (heat - 0.28f) / 0.22f)
                               : Lerp(soot, red, heat / 0.28f);
      float edge = SmoothStep(0.0f, 0.16f, h);
      c.Put(x, y, col, edge * (0.45f + 0.5f * heat) * (0.75f + 0.25f * flicker));
    }
  return c.ToImage();
}

// A star-shaped spark: a white point with long thin rays and a warm halo.
Image Spark() {
  const int n = 256;
  Canvas c(n, n, {1, 0.8f, 0.4f}, 0);
  const std::uint32_t seed = 757;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
      float r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
      float rays = 0;
      for (int k = 0; k < 6; k++) {
        float ang = k * kPi / 3 + Hash01(k, 0, seed) * 0.4f, len = 0.55f + 0.45f * Hash01(k, 1, seed);
        float da = std::fabs(std::remainder(a - ang, 2 * kPi));
        rays = std::max(rays, std::exp(-da * r * 60) * Clamp01(1 - r / len));
      }
      float core = std::exp(-r * r * 90), halo = std::exp(-r * 6) * 0.5f;
      float i = Clamp01(core + rays + halo);
      Rgb col = Lerp({1, 0.55f, 0.15f}, {1, 1, 0.95f}, Clamp01(core * 1.5f + rays * 0.6f));
      c.Put(x, y, col, i * (1 - SmoothStep(0.85f, 1.0f, r)));
    }
  return c.ToImage();
}

// A white flare to be tinted by its material: a hot centre, a soft glow and a faint ring.
Image Flare() {
  const int n = 256;
  Canvas c(n, n, {1, 1, 1}, 0);
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1, r = std::sqrt(dx * dx + dy * dy);
      float a = std::atan2(dy, dx);
      float streak = std::exp(-std::fabs(dy) * 40) * Clamp01(1 - std::fabs(dx)) * 0.7f;  // horizontal flash
      float spikes = std::pow(std::fabs(std::cos(a * 4)), 30.0f) * Clamp01(1 - r * 1.3f) * 0.5f;
      float i = std::exp(-r * r * 40) + std::exp(-r * 5) * 0.45f + std::exp(-std::pow((r - 0.6f) * 18, 2.0f)) * 0.2f;
      i = Clamp01(i + streak + spikes) * (1 - SmoothStep(0.9f, 1.0f, r));
      float white = Clamp01(std::exp(-r * r * 20) * 1.2f);
      float k = 0.8f + 0.2f * white;
      c.Put(x, y, {k, k, k}, i);
    }
  return c.ToImage();
}

// A beam for a cylinder whose u runs along it and v round it: a white core where the surface
// faces the eye (v 0.25 and 0.75), clear at the silhouette, with pulses travelling along.
Image Beam() {
  const int n = 256;
  Canvas c(n, n, {1, 1, 1}, 0);
  const std::uint32_t seed = 787;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
      float face = std::fabs(std::sin(2 * kPi * v));
      float pulse = 0.75f + 0.25f * std::sin(2 * kPi * u * 8) + 0.2f * (Fbm(u, v, 16, 4, 3, seed) - 0.5f);
      float core = std::pow(face, 6.0f);
      float i = Clamp01(std::pow(face, 1.5f) * 0.75f * pulse + core * 0.6f);
      float k = 0.7f + 0.3f * core;
      c.Put(x, y, {k, k, k}, i);
    }
  return c.ToImage();
}

// Afterburn for a cone whose u runs from the nozzle (0) to the tip (1) and v round it: white at
// the nozzle through yellow and orange to nothing at the tip, clear at the silhouette.
Image Afterburn() {
  const int n = 256;
  Canvas c(n, n, {1, 1, 1}, 0);
  const std::uint32_t seed = 811;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
      float face = std::fabs(std::sin(2 * kPi * v));
      float flicker = Fbm(u, v, 8, 8, 4, seed);
      float t = Clamp01(u + (flicker - 0.5f) * 0.35f);
      Rgb col = t < 0.3f ? Lerp({1, 1, 0.9f}, {1, 0.85f, 0.3f}, t / 0.3f) : Lerp({1, 0.85f, 0.3f}, {1, 0.3f, 0.05f}, (t - 0.3f) / 0.7f);
      float alpha = std::pow(face, 1.2f) * (1 - SmoothStep(0.35f, 1.0f, t)) * (0.7f + 0.5f * flicker);
      c.Put(x, y, col, Clamp01(alpha));
    }
  return c.ToImage();
}

// The ship's shadow on a barrier: black, one soft oval; drawn up to ten times over itself, so
// each copy is faint.
Image Shadow() {
  const int n = 256;
  Canvas c(n, n, {0, 0, 0}, 0);
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1, r = std::sqrt(dx * dx + dy * dy);
      c.Put(x, y, {0, 0, 0}, 0.09f * (1 - SmoothStep(0.35f, 1.0f, r)));
    }
  return c.ToImage();
}

// Plasma for glowing bodies (a sphere's u runs round it, v pole to pole): bright filaments over
// a translucent glow, thinner toward the poles. White, so the material's emission tints it.
Image Plasma() {
  const int n = 256;
  Canvas c(n, n, {1, 1, 1}, 0);
  const std::uint32_t seed = 839;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
      float fil = std::pow(Ridged(u, v, 6, 5, seed), 6.0f);
      float body = Fbm(u, v, 8, 8, 4, seed + 5);
      float pole = std::sin(kPi * v);
      float i = Clamp01(0.55f + 0.25f * body + 0.5f * fil);
      c.Put(x, y, Scale({1, 1, 1}, 0.6f + 0.4f * i), Clamp01((0.45f + 0.3f * body + 0.4f * fil) * (0.4f + 0.6f * pole)));
    }
  return c.ToImage();
}

// Foliage: overlapping leaves of several greens, each with a midrib, gaps between them clear.
void Leaf(Canvas& c, float cx, float cy, float len, float width, float angle, Rgb col) {
  float ca = std::cos(angle), sa = std::sin(angle);
  int r = int(len / 2 + 2);
  for (int y = int(cy) - r; y <= int(cy) + r; y++)
    for (int x = int(cx) - r; x <= int(cx) + r; x++) {
      float px = x + 0.5f - cx, py = y + 0.5f - cy;
      float along = (px * ca + py * sa) / (len / 2), across = (-px * sa + py * ca) / (width / 2);
      if (std::fabs(along) >= 1) continue;
      float edge = std::sqrt(1 - along * along) * (1 - 0.25f * along);  // broad at the stalk, pointed at the tip
      float inside = edge - std::fabs(across);
      if (inside <= 0) continue;
      float shade = 0.8f + 0.3f * across * (across > 0 ? -0.6f : 0.4f) + 0.15f * along;
      if (std::fabs(across) < 0.07f) shade *= 0.7f;  // midrib
      c.Over(x, y, Scale(col, shade), Clamp01(inside * width * 0.5f));
    }
}

Image Foliage() {
  const int n = 256;
  Canvas c(n, n, {0.1f, 0.25f, 0.06f}, 0);
  const std::uint32_t seed = 863;
  for (int i = 0; i < 420; i++) {
    float x = Hash01(i, 0, seed) * n, y = Hash01(i, 1, seed) * n;
    float len = 18 + 16 * Hash01(i, 2, seed), a = Hash01(i, 3, seed) * 2 * kPi;
    float g = Hash01(i, 4, seed);
    Rgb col = Lerp({0.12f, 0.34f, 0.08f}, {0.45f, 0.68f, 0.18f}, g);
    if (Hash01(i, 5, seed) < 0.08f) col = {0.62f, 0.56f, 0.16f};  // a yellowing leaf
    Leaf(c, x, y, len, len * 0.45f, a, col);
  }
  return c.ToImage();
}

// One leaf, for the leaves that fall from a shot tree.
Image SingleLeaf() {
  Canvas c(256, 256, {0.3f, 0.5f, 0.12f}, 0);
  Leaf(c, 128, 128, 230, 110, -0.6f, {0.38f, 0.62f, 0.16f});
  Stroke(c, 128 + 100 * std::cos(2.54f), 128 + 100 * std::sin(2.54f), 128 + 125 * std::cos(2.54f),
         128 + 125 * std::sin(2.54f), 5, [](int, int) { return Rgb{0.3f, 0.4f, 0.12f}; });  // the stalk
  for (int k = -3; k <= 3; k++) {  // veins from the midrib
    if (k == 0) continue;
    float t = k / 4.0f, ca = std::cos(-0.6f), sa = std::sin(-0.6f);
    float bx = 128 + t * 100 * ca, by = 128 + t * 100 * sa;
    for (int side : {-1, 1}) {
      float ex = bx + (ca * 0.5f - sa * side) * 30, ey = by + (sa * 0.5f + ca * side) * 30;
      Stroke(c, bx, by, ex, ey, 2, [](int, int) { return Rgb{0.26f, 0.45f, 0.1f}; }, 0.6f);
    }
  }
  // Veins must not paint past the leaf's own outline.
  Canvas shape(256, 256, {0, 0, 0}, 0);
  Leaf(shape, 128, 128, 230, 110, -0.6f, {1, 1, 1});
  Stroke(shape, 128 + 100 * std::cos(2.54f), 128 + 100 * std::sin(2.54f), 128 + 125 * std::cos(2.54f),
         128 + 125 * std::sin(2.54f), 5, [](int, int) { return Rgb{1, 1, 1}; });
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) c.At(x, y)[3] = shape.At(x, y)[3];
  return c.ToImage();
}

// The stars of the whole sky on the starfield cube's faces (kStarFaces), clear between them: many
// faint points, fewer bright ones with a halo, a few tinted. Each star is a direction, painted on
// every face it falls on (two or three near an edge), its size kept in angle where the faces'
// texels grow toward their corners: nothing repeats and no seam shows.
Image Stars() {
  Canvas c(kStarsSize, kStarsSize, {1, 1, 1}, 0);
  const std::uint32_t seed = 907;
  const int count = 9000;
  for (int i = 0; i < count; i++) {
    // A direction uniform over the sphere.
    float z = Hash01(i, 0, seed) * 2 - 1, a = Hash01(i, 1, seed) * 2 * kPi, r = std::sqrt(1 - z * z);
    float dir[3] = {r * std::cos(a), r * std::sin(a), z};
    float b = std::pow(Hash01(i, 2, seed), 5.0f);
    float t = Hash01(i, 3, seed);
    Rgb col = t < 0.15f ? Rgb{0.7f, 0.8f, 1} : t > 0.9f ? Rgb{1, 0.85f, 0.6f} : Rgb{1, 1, 1};
    float peak = 0.35f + 0.65f * b, angle = (0.5f + 1.1f * b) * 0.0019f;  // radius in radians: about a texel
    for (const StarFace& f : kStarFaces) {
      float along = dir[0] * f.out[0] + dir[1] * f.out[1] + dir[2] * f.out[2];
      if (along < 0.3f) continue;
      float fs = (dir[0] * f.right[0] + dir[1] * f.right[1] + dir[2] * f.right[2]) / along;
      float ft = (dir[0] * f.up[0] + dir[1] * f.up[1] + dir[2] * f.up[2]) / along;
      if (std::fabs(fs) > 1.05f || std::fabs(ft) > 1.05f) continue;
      float cx = (fs + 1) / 2 * f.size, cy = (1 - ft) / 2 * f.size;
      float radius = angle * f.size / 2 * (1 + fs * fs + ft * ft);  // in texels
      int reach = int(radius * 2 + 2);
      for (int y = int(cy) - reach; y <= int(cy) + reach; y++)
        for (int x = int(cx) - reach; x <= int(cx) + reach; x++) {
          if (x < 0 || y < 0 || x >= f.size || y >= f.size) continue;
          float dx = x + 0.5f - cx, dy = y + 0.5f - cy, d2 = (dx * dx + dy * dy) / (radius * radius);
          float glow = peak * (std::exp(-d2) * 1.2f + 0.3f * b * std::exp(-d2 / 5));
          if (glow > 0.02f) c.Over(f.x + x, f.y + y, col, Clamp01(glow));  // no faint tails to store
        }
    }
  }
  return c.ToImage();
}

// The HUD's instrument panel, a long flat bar that stretches this texture fifteen times wider than
// it is tall: so its detail runs along the bar (a lit bevel above, a groove, brushed metal).
Image HudPanel() {
  const int n = 256;
  Canvas c(n, n);
  const std::uint32_t seed = 953;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      float u = (x + 0.5f) / n, v = (y + 0.5f) / n;
      Rgb col = Lerp({0.2f, 0.28f, 0.55f}, {0.08f, 0.11f, 0.26f}, v);
      col = Scale(col, 0.94f + 0.12f * Value(u * 8, v * 160, 8, 160, seed));  // brushing along the bar
      if (v < 0.05f) col = Lerp({0.75f, 0.85f, 1}, {0.4f, 0.5f, 0.8f}, v / 0.05f);
      else if (v < 0.09f) col = Scale(col, 0.45f);
      else if (v > 0.16f && v < 0.18f) col = Scale(col, 0.6f);
      else if (v > 0.18f && v < 0.2f) col = Scale(col, 1.3f);
      else if (v > 0.95f) col = Scale(col, 0.5f);
      c.Put(x, y, col);
    }
  return c.ToImage();
}

// ---- The maker's logo ----------------------------------------------------------------------------

// The mark: a kestrel seen from below, swept wings spread, in a gold ring on a dark disc.
void Mark(Canvas& c, float cx, float cy, float radius) {
  // Right half from the head back, then the left half mirrored: pointed swept wings, a fanned tail.
  const float half[] = {0, -0.66f, 0.09f, -0.55f, 0.1f, -0.4f, 0.45f, -0.42f, 0.94f, -0.3f,
                        0.5f, -0.2f, 0.14f, -0.06f, 0.1f, 0.3f, 0.24f, 0.66f, 0, 0.72f};
  std::vector<float> bird(std::begin(half), std::end(half));
  for (int i = int(sizeof(half) / sizeof(half[0])) - 4; i >= 2; i -= 2) bird.push_back(-half[i]), bird.push_back(half[i + 1]);
  std::vector<float> pts;
  for (std::size_t i = 0; i < bird.size(); i += 2) {
    pts.push_back(cx + bird[i] * radius * 0.82f);
    pts.push_back(cy + (bird[i + 1] - 0.02f) * radius * 0.82f);
  }
  int r = int(radius + 2);
  for (int y = int(cy) - r; y <= int(cy) + r; y++)
    for (int x = int(cx) - r; x <= int(cx) + r; x++) {
      if (x < 0 || y < 0 || x >= c.w || y >= c.h) continue;
      float px = x + 0.5f, py = y + 0.5f, d = std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy));
      float t = (py - cy) / radius * 0.5f + 0.5f;
      c.Over(x, y, Lerp({0.05f, 0.09f, 0.22f}, {0.02f, 0.03f, 0.1f}, t), Clamp01(radius - d + 0.5f));
      float ring = std::fabs(d - radius * 0.9f) - radius * 0.09f;
      c.Over(x, y, Lerp({1, 0.86f, 0.45f}, {0.85f, 0.45f, 0.08f}, t), Clamp01(0.5f - ring));
      float inside = -PolygonDistance(px, py, pts);
      c.Over(x, y, Lerp({1, 1, 1}, {0.62f, 0.72f, 0.85f}, t), Clamp01(inside + 0.5f));
    }
}

// Block capitals as strokes in a unit box (y down), for the lettering.
struct Glyph {
  char letter;
  std::vector<float> lines;  // polylines, each a count of points then the points
};
const Glyph kGlyphs[] = {
    {'K', {2, 0.12f, 0, 0.12f, 1, 2, 0.9f, 0, 0.12f, 0.58f, 2, 0.4f, 0.38f, 0.92f, 1}},
    {'E', {4, 0.9f, 0, 0.12f, 0, 0.12f, 1, 0.9f, 1, 2, 0.12f, 0.5f, 0.72f, 0.5f}},
    {'S', {10, 0.9f, 0, 0.24f, 0, 0.1f, 0.13f, 0.1f, 0.37f, 0.24f, 0.5f, 0.76f, 0.5f, 0.9f, 0.63f, 0.9f, 0.87f, 0.76f, 1, 0.1f, 1}},
    {'T', {2, 0.02f, 0, 0.98f, 0, 2, 0.5f, 0, 0.5f, 1}},
    {'R', {7, 0.12f, 1, 0.12f, 0, 0.76f, 0, 0.9f, 0.13f, 0.9f, 0.37f, 0.76f, 0.5f, 0.12f, 0.5f, 2, 0.52f, 0.5f, 0.9f, 1}},
    {'U', {6, 0.11f, 0, 0.11f, 0.84f, 0.26f, 1, 0.74f, 1, 0.89f, 0.84f, 0.89f, 0}},
    {'N', {4, 0.12f, 1, 0.12f, 0, 0.88f, 1, 0.88f, 0}},
};

void Lettering(Canvas& c, const char* text, float left, float top, float height, float advance, float stroke) {
  const float slant = 0.18f;
  for (int pass = 0; pass < 2; pass++) {  // a dark outline under the face
    float width = pass == 0 ? stroke + 7 : stroke;
    for (int i = 0; text[i]; i++) {
      const Glyph* g = nullptr;
      for (const Glyph& k : kGlyphs)
        if (k.letter == text[i]) g = &k;
      if (!g) continue;
      float x0 = left + i * advance, w = advance * 0.78f;
      auto place = [&](float gx, float gy, float* x, float* y) {
        float inner_h = height - stroke, inner_w = w - stroke;
        *y = top + stroke / 2 + gy * inner_h;
        *x = x0 + stroke / 2 + gx * inner_w + (1 - gy) * inner_h * slant;
      };
      for (std::size_t k = 0; k < g->lines.size();) {
        int count = int(g->lines[k++]);
        for (int p = 0; p + 1 < count; p++) {
          float ax, ay, bx, by;
          place(g->lines[k + p * 2], g->lines[k + p * 2 + 1], &ax, &ay);
          place(g->lines[k + p * 2 + 2], g->lines[k + p * 2 + 3], &bx, &by);
          if (pass == 0) {
            Stroke(c, ax + 2, ay + 3, bx + 2, by + 3, width, [](int, int) { return Rgb{0.02f, 0.03f, 0.08f}; });
          } else {
            Stroke(c, ax, ay, bx, by, width, [&](int, int y) {
              float t = Clamp01((y - top) / height);
              Rgb hi = {1, 1, 1}, mid = {0.72f, 0.8f, 0.92f}, lo = {0.3f, 0.45f, 0.75f};
              return t < 0.5f ? Lerp(hi, mid, t * 2) : Lerp(mid, lo, t * 2 - 1);
            });
          }
        }
        k += count * 2;
      }
    }
  }
}

Image Logo() {
  Canvas c(512, 256, {0.05f, 0.09f, 0.22f}, 0);
  Mark(c, 256, 74, 66);
  // A gold rule either side of the mark.
  for (int side : {-1, 1})
    Stroke(c, 256 + side * 80, 74, 256 + side * 230, 74, 6,
           [](int, int) { return Rgb{0.95f, 0.7f, 0.25f}; });
  Lettering(c, "KESTRUNE", 14, 154, 88, 60, 17);
  return c.ToImage();
}

Image Icon() {
  Canvas c(32, 32, {0, 0, 0}, 0);
  Mark(c, 16, 16, 15.5f);
  return c.ToImage();
}

// ---- The images, one builder each -----------------------------------------------------------------

Image GreyMetal() { return Hull({0.66f, 0.68f, 0.72f}, 11, 1.0f); }
Image RedMetal() { return Hull({0.72f, 0.2f, 0.15f}, 23, 1.2f); }
Image BlueMetal() { return Hull({0.25f, 0.4f, 0.78f}, 37, 0.6f); }
Image DarkMetal() { return Hull({0.26f, 0.27f, 0.31f}, 53, 1.4f); }
Image PaleMetal() { return Hull({0.8f, 0.84f, 0.92f}, 41, 0.5f); }
Image GoldMetal() { return Hull({0.85f, 0.62f, 0.2f}, 47, 0.9f); }
Image Stone() { return Rock({0.62f, 0.55f, 0.46f}, {0.25f, 0.21f, 0.17f}, 61, 0); }
Image CaveRock() { return Rock({0.4f, 0.36f, 0.32f}, {0.1f, 0.09f, 0.08f}, 67, 0.6f); }

// Stage 16's red sky (its sky colour has no blue): crimson heights over lit cloud banks.
Image SkyCloudy1() {
  return Sky({.tint = {0.6f, 0.2f, 0},
              .zenith = {0.15f, 0.04f, 0},
              .haze = 0.12f,
              .fog_end = 300,
              .high = 0.6f,
              .middle = 0.4f,
              .low = 0.8f,
              .cloud_lit = {0.6f, 0.19f, 0},
              .cloud_shade = {0.16f, 0.03f, 0},
              .sun_x = 0.62f,
              .sun_y = 0.44f,
              .sun_size = 0.1f,
              .sun = {0.6f, 0.2f, 0},
              .dunes = false,
              .land_far = {0.2f, 0.05f, 0},
              .land_near = {0.07f, 0.02f, 0},
              .seed = 71});
}

// Overcast for stages 11 and 14, whose sky colours lie either side of this tint: low slate cloud.
Image SkyCloudy2() {
  return Sky({.tint = {0.5f, 0.55f, 0.6f},
              .zenith = {0.17f, 0.19f, 0.22f},
              .haze = 0.1f,
              .fog_end = 400,
              .high = 0.5f,
              .middle = 0.9f,
              .low = 1.0f,
              .cloud_lit = {0.32f, 0.35f, 0.39f},
              .cloud_shade = {0.11f, 0.12f, 0.15f},
              .sun_x = 0,
              .sun_y = 0,
              .sun_size = 0,
              .sun = {0, 0, 0},
              .dunes = false,
              .land_far = {0.2f, 0.27f, 0.22f},
              .land_near = {0.09f, 0.13f, 0.09f},
              .seed = 73});
}

// A clear day over green hills, for the blue sky colours of stages 11 and 18.
Image SkyClear() {
  return Sky({.tint = {0.5f, 0.5f, 0.8f},
              .zenith = {0.07f, 0.16f, 0.5f},
              .haze = 0.12f,
              .fog_end = 400,
              .high = 0.7f,
              .middle = 0.05f,
              .low = 0.15f,
              .cloud_lit = {0.45f, 0.47f, 0.72f},
              .cloud_shade = {0.3f, 0.32f, 0.55f},
              .sun_x = 0.36f,
              .sun_y = 0.3f,
              .sun_size = 0.08f,
              .sun = {0.5f, 0.5f, 0.75f},
              .dunes = false,
              .land_far = {0.18f, 0.28f, 0.3f},
              .land_near = {0.1f, 0.2f, 0.1f},
              .seed = 79});
}

// Stage 4's desert: a deep blue sky paling into dust over a plain of dunes and far mesas.
Image SkyDesert() {
  return Sky({.tint = {0.55f, 0.5f, 0.5f},
              .zenith = {0.15f, 0.25f, 0.46f},
              .haze = 0.12f,
              .fog_end = 300,
              .high = 0.35f,
              .middle = 0.1f,
              .low = 0,
              .cloud_lit = {0.5f, 0.47f, 0.48f},
              .cloud_shade = {0.32f, 0.3f, 0.34f},
              .sun_x = 0.3f,
              .sun_y = 0.2f,
              .sun_size = 0.05f,
              .sun = {0.55f, 0.5f, 0.47f},
              .dunes = true,
              .land_far = {0.5f, 0.4f, 0.3f},
              .land_near = {0.45f, 0.31f, 0.19f},
              .seed = 83});
}

// Stage 10's evening (and stage 11's, under its own colours): a low sun under banded cloud; the
// stage's dusk colour later darkens it to embers.
Image SkySunset() {
  return Sky({.tint = {0.7f, 0.65f, 0.5f},
              .zenith = {0.2f, 0.1f, 0.24f},
              .haze = 0.1f,
              .fog_end = 400,
              .high = 0.6f,
              .middle = 0.5f,
              .low = 0.5f,
              .cloud_lit = {0.7f, 0.38f, 0.2f},
              .cloud_shade = {0.2f, 0.09f, 0.16f},
              .sun_x = 0.55f,
              .sun_y = 0.53f,
              .sun_size = 0.08f,
              .sun = {0.7f, 0.6f, 0.35f},
              .dunes = false,
              .land_far = {0.28f, 0.16f, 0.14f},
              .land_near = {0.12f, 0.08f, 0.07f},
              .seed = 89});
}

struct ImageFile {
  const char* file;  // a .jpg is written as JPEG (opaque), a .png as PNG with its alpha
  Image (*make)();
};

// Every texture a mesh names: the file, the function that paints it, and what wears it.
// clang-format off
const ImageFile kImages[] = {
  {.file = "metal_grey_01.jpg",   .make = GreyMetal},     // grey hulls, structure parts, braces
  {.file = "metal_red_01.jpg",    .make = RedMetal},      // red hulls, posts, bars, fins
  {.file = "metal_blue_01.jpg",   .make = BlueMetal},     // the player's wings, map pads
  {.file = "metal_dark_01.jpg",   .make = DarkMetal},     // guns, trim, insets
  {.file = "metal_pale_01.jpg",   .make = PaleMetal},     // the player's hull
  {.file = "metal_gold_01.jpg",   .make = GoldMetal},     // the second fighter
  {.file = "bark_01.jpg",         .make = Bark},          // trunks and branches
  {.file = "wood_01.jpg",         .make = Planks},        // the bridge, splinters
  {.file = "rock_01.jpg",         .make = Stone},         // rocks and debris
  {.file = "cave_01.jpg",         .make = CaveRock},      // cave walls, floor and hill
  {.file = "sky_cloudy_01.jpg",   .make = SkyCloudy1},    // the five sky backdrops
  {.file = "sky_cloudy_02.jpg",   .make = SkyCloudy2},
  {.file = "sky_clear_01.jpg",    .make = SkyClear},
  {.file = "sky_desert_01.jpg",   .make = SkyDesert},
  {.file = "sky_sunset_01.jpg",   .make = SkySunset},
  {.file = "hud_panel_01.jpg",    .make = HudPanel},      // the HUD's instrument panel
  {.file = "explosion_01.png",    .make = Explosion},     // a destroyed thing's fireball
  {.file = "smoke_01.png",        .make = Smoke},         // damage smoke
  {.file = "fire_smoke_01.png",   .make = FireSmoke},     // the smoke of explosions and hits
  {.file = "spark_01.png",        .make = Spark},         // hit sparks and barrier sparks
  {.file = "flare_01.png",        .make = Flare},         // the beam's flare, the pickups' glow
  {.file = "beam_01.png",         .make = Beam},          // the beam
  {.file = "afterburn_01.png",    .make = Afterburn},     // missiles' flames
  {.file = "shadow_01.png",       .make = Shadow},        // the ship's shadow
  {.file = "plasma_01.png",       .make = Plasma},        // cores, the glow bug
  {.file = "leaves_01.png",       .make = Foliage},       // tree tops and tufts
  {.file = "leaf_01.png",         .make = SingleLeaf},    // a falling leaf
  {.file = "stars_01.png",        .make = Stars},         // the starfield
  {.file = "company_logo_01.png", .make = Logo},          // the maker's logo
};
// clang-format on

bool EndsWith(const std::string& s, const char* tail) {
  std::string t = tail;
  return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

bool MakeImages(const std::string& folder) {
  bool ok = true;
  for (const ImageFile& row : kImages) {
    const std::string path = folder + "/" + row.file;
    ok &= EndsWith(path, ".jpg") ? WriteJpeg(path, row.make()) : WritePng(path, row.make());
  }
  ok &= WriteIcon(folder + "/parent.ico", Icon());
  return ok;
}
