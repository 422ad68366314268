// Shared by the frame probes: the captured frame (PNG) and the rectangle of it named on the
// command line, as <file.png> <left> <top> <right> <bottom> (right and bottom exclusive).
#pragma once

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/image_decode.h"

struct ProbeFrame {
  DecodedImage image;
  int left, top, right, bottom;  // clamped to the image
};

// Reads the arguments and the frame; says what is wrong and gives false when it cannot.
inline bool ReadProbeFrame(int argc, char** argv, const char* name, ProbeFrame* frame) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s <file.png> <left> <top> <right> <bottom>\n", name);
    return false;
  }
  std::vector<std::uint8_t> bytes;
  std::string error = "not a regular file that can be read";
  if (!ReadRegularFile(argv[1], &bytes) || !DecodeImage(bytes.data(), bytes.size(), &frame->image, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return false;
  }
  frame->left = std::max(0, std::atoi(argv[2]));
  frame->top = std::max(0, std::atoi(argv[3]));
  frame->right = std::min(frame->image.width, std::atoi(argv[4]));
  frame->bottom = std::min(frame->image.height, std::atoi(argv[5]));
  return true;
}
