// Any bytes handed to the image decoders (or to the reading of an image's size alone) are either
// read or rejected, never read past; a size read alone is the size a decode gives, at the file's
// own size and scaled down to a largest side. The seeds (seeds/fuzz_image) hold a TGA and DDS of
// each kind, which have no magic to prefix.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/image_decode.h"

namespace {

void Check(const std::uint8_t* data, std::size_t size, int max_side) {
  DecodedImage image, sized;
  std::string error;
  bool decoded = DecodeImage(data, size, &image, &error, max_side);
  bool read = ReadImageSize(data, size, &sized, &error, max_side);
  if (decoded && (!read || sized.width != image.width || sized.height != image.height)) __builtin_trap();
  if (decoded && image.rgba.size() != std::size_t(image.width) * image.height * 4) __builtin_trap();
  if (decoded && max_side && (image.width > max_side || image.height > max_side)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check(data, size, 0);
  Check(data, size, 16);
  static const std::vector<std::vector<std::uint8_t>> magics = {
      {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, {0xFF, 0xD8, 0xFF}, {'B', 'M'}, {'D', 'D', 'S', ' ', 124, 0, 0, 0}};
  for (const auto& magic : magics) {
    std::vector<std::uint8_t> file = magic;
    file.insert(file.end(), data, data + size);
    Check(file.data(), file.size(), 0);
  }
  return 0;
}
