// A helper of the end-to-end runs: reads a captured frame (PNG) and prints, in percent of a
// rectangle, how much of it one flat colour covers: the largest share of pixels that lie within a
// few levels of one colour. The background is not counted: black (space, an unlit sky), and the
// open sky, the smooth region that runs down from the top edge (a faded sky changes by a level at
// a time; the edge of a model in front of it is a step).
//   flat_probe <file.png> <left> <top> <right> <bottom>   (right and bottom exclusive)
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "probe_frame.h"

namespace {

constexpr int kStep = 2;  // the most a sky changes from one pixel to the next

struct Rgb {
  int r, g, b;
};

bool Close(Rgb a, Rgb b, int d) { return std::abs(a.r - b.r) <= d && std::abs(a.g - b.g) <= d && std::abs(a.b - b.b) <= d; }

}  // namespace

int main(int argc, char** argv) {
  ProbeFrame frame;
  if (!ReadProbeFrame(argc, argv, "flat_probe", &frame)) return argc != 6 ? 2 : 1;
  const DecodedImage& image = frame.image;
  const int left = frame.left, top = frame.top, right = frame.right, bottom = frame.bottom;
  if (right - left < 2 || bottom - top < 8) {
    std::fprintf(stderr, "%s: rectangle too small\n", argv[1]);
    return 1;
  }
  auto at = [&](int x, int y) {
    const std::uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
    return Rgb{p[0], p[1], p[2]};
  };

  // The open sky: every pixel reached from the top row through neighbours that differ by at most
  // a level or two, as a cleared or faded sky does and a lit model's edge does not.
  int w = right - left, h = bottom - top;
  std::vector<char> sky(static_cast<size_t>(w) * h, 0);
  std::vector<int> stack;
  for (int x = 0; x < w; x++) {
    sky[x] = 1;
    stack.push_back(x);
  }
  while (!stack.empty()) {
    int i = stack.back();
    stack.pop_back();
    int x = i % w, y = i / w;
    Rgb c = at(left + x, top + y);
    const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto& n : next) {
      if (n[0] < 0 || n[0] >= w || n[1] < 0 || n[1] >= h) continue;
      int j = n[1] * w + n[0];
      if (sky[j] || !Close(at(left + n[0], top + n[1]), c, kStep)) continue;
      sky[j] = 1;
      stack.push_back(j);
    }
  }

  // Colours in bins of four levels; a colour's share is the sum over the bins around it.
  std::vector<long> counts(64 * 64 * 64, 0);
  for (int y = top; y < bottom; y++)
    for (int x = left; x < right; x++) {
      Rgb c = at(x, y);
      if (c.r < 16 && c.g < 16 && c.b < 16) continue;
      if (sky[static_cast<size_t>(y - top) * w + (x - left)]) continue;
      counts[(c.r >> 2) << 12 | (c.g >> 2) << 6 | (c.b >> 2)]++;
    }
  long most = 0;
  for (int i = 0; i < 64 * 64 * 64; i++) {
    if (!counts[i]) continue;
    int r = i >> 12, g = i >> 6 & 63, b = i & 63;
    long sum = 0;
    for (int dr = -1; dr <= 1; dr++)
      for (int dg = -1; dg <= 1; dg++)
        for (int db = -1; db <= 1; db++) {
          int rr = r + dr, gg = g + dg, bb = b + db;
          if (rr >= 0 && rr < 64 && gg >= 0 && gg < 64 && bb >= 0 && bb < 64) sum += counts[rr << 12 | gg << 6 | bb];
        }
    if (sum > most) most = sum;
  }
  long area = static_cast<long>(right - left) * (bottom - top);
  std::printf("%ld\n", most * 100 / area);
  return 0;
}
