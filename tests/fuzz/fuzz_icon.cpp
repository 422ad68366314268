// Icon files come from outside the program: no input may crash the decoder.
#include <cstddef>
#include <cstdint>

#include "platform/icon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::uint8_t rgba[32 * 32 * 4];
  DecodeIcon(data, size, 32, 32, rgba);
  return 0;
}
