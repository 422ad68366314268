// Windows icon files (.ico): the image of the size asked for, as RGBA pixels.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int ICON_SIZE_MAX = 256;  // the largest icon asked for or read

// Decodes the image of an .ico file nearest to width x height (BMP of 1, 4, 8, 24 or 32 bits with
// its mask, or PNG) and scales it to that size into rgba (width * height * 4 bytes, top row
// first). 0 when the data is not such an icon or a size is outside 1..ICON_SIZE_MAX.
int DecodeIcon(const std::uint8_t* data, std::size_t size, int width, int height, std::uint8_t* rgba);
