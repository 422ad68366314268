// Any bytes handed to the image decoders (or to the reading of an image's size alone) are either
// read or rejected, never read past; a size read alone is the size a decode gives.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodedImage image, sized;
  std::string error;
  DecodeImage(data, size, &image, &error);
  ReadImageSize(data, size, &sized, &error);
  static const std::vector<std::vector<std::uint8_t>> magics = {
      {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, {0xFF, 0xD8, 0xFF}, {'B', 'M'}};
  for (const auto& magic : magics) {
    std::vector<std::uint8_t> file = magic;
    file.insert(file.end(), data, data + size);
    bool decoded = DecodeImage(file.data(), file.size(), &image, &error);
    bool read = ReadImageSize(file.data(), file.size(), &sized, &error);
    if (decoded && (!read || sized.width != image.width || sized.height != image.height)) __builtin_trap();
  }
  return 0;
}
