// A helper of the end-to-end runs: reads a captured frame (PNG) and prints how many pixels of a
// rectangle are lit (some channel above a threshold), so a script can check that something was
// drawn where it should be.
//   frame_probe <file.png> <left> <top> <right> <bottom>   (right and bottom exclusive)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/image_decode.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: frame_probe <file.png> <left> <top> <right> <bottom>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  DecodedImage image;
  std::string error;
  if (!DecodeImage(bytes.data(), bytes.size(), &image, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  int left = std::atoi(argv[2]), top = std::atoi(argv[3]), right = std::atoi(argv[4]), bottom = std::atoi(argv[5]);
  constexpr int kLit = 24;  // above the noise of a dark background
  long lit = 0;
  for (int y = top < 0 ? 0 : top; y < bottom && y < image.height; y++)
    for (int x = left < 0 ? 0 : left; x < right && x < image.width; x++) {
      const std::uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
      if (p[0] > kLit || p[1] > kLit || p[2] > kLit) lit++;
    }
  std::printf("%ld\n", lit);
  return 0;
}
