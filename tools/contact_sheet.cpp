// Tiles captured frames into one contact sheet: each frame at half size, four to a row, with its
// number (the tick it was taken at) in small digits at the tile's top left.
//   contact_sheet <sheet.png> <label>=<frame.png> ...
// A frame that cannot be read leaves its tile dark red, so a missing capture shows on the sheet.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/image_decode.h"
#include "platform/image_write.h"

namespace {

constexpr int kTileW = 320, kTileH = 240, kColumns = 4, kGap = 4;

// 3 x 5 digits, one row of three bits per line.
const unsigned char kDigits[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
                                      {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                      {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

void Fill(std::vector<unsigned char>& sheet, int width, int x0, int y0, int w, int h, unsigned char r,
          unsigned char g, unsigned char b) {
  for (int y = y0; y < y0 + h; y++)
    for (int x = x0; x < x0 + w; x++) {
      unsigned char* p = &sheet[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
    }
}

void Label(std::vector<unsigned char>& sheet, int width, int x0, int y0, const std::string& text) {
  constexpr int kScale = 3;
  int n = 0;
  for (char c : text)
    if (c >= '0' && c <= '9') n++;
  Fill(sheet, width, x0, y0, n * 4 * kScale + kScale, 7 * kScale, 0, 0, 0);
  int x = x0 + kScale;
  for (char c : text) {
    if (c < '0' || c > '9') continue;
    for (int row = 0; row < 5; row++)
      for (int col = 0; col < 3; col++)
        if (kDigits[c - '0'][row] & (4 >> col))
          Fill(sheet, width, x + col * kScale, y0 + kScale + row * kScale, kScale, kScale, 255, 255, 0);
    x += 4 * kScale;
  }
}

// A frame that is not a regular file (a FIFO left in its place would hang the sheet) cannot be read.
bool Read(const char* path, DecodedImage* image) {
  std::vector<std::uint8_t> bytes;
  if (!ReadRegularFile(path, &bytes)) return false;
  std::string error;
  return DecodeImage(bytes.data(), bytes.size(), image, &error) && image->width > 0 && image->height > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: contact_sheet <sheet.png> <label>=<frame.png> ...\n");
    return 2;
  }
  int frames = argc - 2;
  int rows = (frames + kColumns - 1) / kColumns;
  int width = kColumns * kTileW + (kColumns + 1) * kGap, height = rows * kTileH + (rows + 1) * kGap;
  std::vector<unsigned char> sheet(static_cast<size_t>(width) * height * 4);
  Fill(sheet, width, 0, 0, width, height, 40, 40, 40);
  for (int i = 0; i < frames; i++) {
    std::string arg = argv[i + 2];
    size_t eq = arg.find('=');
    std::string label = eq == std::string::npos ? "" : arg.substr(0, eq);
    std::string path = eq == std::string::npos ? arg : arg.substr(eq + 1);
    int tx = kGap + (i % kColumns) * (kTileW + kGap), ty = kGap + (i / kColumns) * (kTileH + kGap);
    DecodedImage image;
    if (!Read(path.c_str(), &image)) {
      std::fprintf(stderr, "contact_sheet: cannot read %s\n", path.c_str());
      Fill(sheet, width, tx, ty, kTileW, kTileH, 90, 0, 0);
    } else {
      // Nearest sample of the frame, whatever its size.
      for (int y = 0; y < kTileH; y++)
        for (int x = 0; x < kTileW; x++) {
          int sx = x * image.width / kTileW, sy = y * image.height / kTileH;
          const std::uint8_t* s = &image.rgba[(static_cast<size_t>(sy) * image.width + sx) * 4];
          unsigned char* d = &sheet[(static_cast<size_t>(ty + y) * width + tx + x) * 4];
          d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        }
    }
    Label(sheet, width, tx, ty, label);
  }
  if (!WritePngRgba(argv[1], width, height, sheet.data())) {
    std::fprintf(stderr, "contact_sheet: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
