// Any bytes handed to the image decoders are either decoded or rejected, never read past.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodedImage image;
  std::string error;
  DecodeImage(data, size, &image, &error);
  static const std::vector<std::vector<std::uint8_t>> magics = {
      {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, {0xFF, 0xD8, 0xFF}, {'B', 'M'}};
  for (const auto& magic : magics) {
    std::vector<std::uint8_t> file = magic;
    file.insert(file.end(), data, data + size);
    DecodeImage(file.data(), file.size(), &image, &error);
  }
  return 0;
}
