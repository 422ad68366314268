// A helper of the end-to-end runs: reads a captured frame (PNG) and prints how many pixels of a
// rectangle are lit (some channel above a threshold), so a script can check that something was
// drawn where it should be.
//   frame_probe <file.png> <left> <top> <right> <bottom>   (right and bottom exclusive)
#include <cstdio>

#include "probe_frame.h"

int main(int argc, char** argv) {
  ProbeFrame frame;
  if (!ReadProbeFrame(argc, argv, "frame_probe", &frame)) return argc != 6 ? 2 : 1;
  const DecodedImage& image = frame.image;
  constexpr int kLit = 24;  // above the noise of a dark background
  long lit = 0;
  for (int y = frame.top; y < frame.bottom; y++)
    for (int x = frame.left; x < frame.right; x++) {
      const std::uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      if (p[0] > kLit || p[1] > kLit || p[2] > kLit) lit++;
    }
  std::printf("%ld\n", lit);
  return 0;
}
