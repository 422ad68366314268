#include "platform/image_write.h"

#include <fcntl.h>
#include <png.h>

#include <cstdio>

#include "platform/files.h"

bool WritePngRgba(const char* path, UINT width, UINT height, const BYTE* rgba) {
  if (!path || !rgba || width == 0 || height == 0) return false;
  // A FIFO or a device at the capture's name is refused rather than waited on or written into.
  FILE* file = OpenRegularStream(path, O_WRONLY | O_CREAT | O_TRUNC, "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info;
  if (ok && setjmp(png_jmpbuf(png))) ok = false;
  if (ok) {
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (UINT y = 0; y < height; y++) png_write_row(png, const_cast<BYTE*>(rgba + static_cast<size_t>(y) * width * 4));
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return std::fclose(file) == 0 && ok;
}
