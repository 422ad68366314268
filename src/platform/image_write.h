// Writing images: PNG files of 8-bit RGBA rows, for frame captures.
#pragma once

#include "platform/wintypes.h"

// Rows from the top, width * 4 bytes each; false when the file cannot be written.
bool WritePngRgba(const char* path, UINT width, UINT height, const BYTE* rgba);
