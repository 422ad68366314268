// Feeds arbitrary bytes as a WAVE file to the reader, the whole-file load and the side-chunk copier.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "wave/wave.h"

namespace {

// In memory where the system has a memory folder: every input is written out as a file.
std::string TempPath(const char* what) {
  const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(folder) + "/kestrune_fuzz_wave_" + std::to_string(getpid()) + "_" + what;
}

void ReadAll(const char* path) {
  HMMIO file = nullptr;
  WAVEFORMATEX* format = nullptr;
  MMCKINFO riff = {};
  if (WaveOpenRead(path, &file, &format, &riff) != 0) return;
  MMCKINFO data = {};
  if (WaveStartRead(&file, &data, &riff) == 0) {
    std::uint8_t piece[333];
    std::uint32_t got = 0;
    for (int i = 0; i < 64 && data.cksize > 0; ++i) {
      if (WaveRead(file, sizeof(piece), piece, &data, &got) != 0) break;
    }
  }
  HMMIO out = mmioOpenA(TempPath("out").c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
  if (out) {
    MMCKINFO chunk = {};
    WaveCopyExtraChunks(file, &chunk, &riff, out);
    mmioClose(out, 0);
  }
  WaveCloseRead(&file, &format);
}

void RemoveTempFiles() {
  std::remove(TempPath("in.wav").c_str());
  std::remove(TempPath("out").c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  static const std::string path = TempPath("in.wav");
  static const bool cleanup = std::atexit(RemoveTempFiles) == 0;
  (void)cleanup;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(bytes, 1, size, file);
  std::fclose(file);

  ReadAll(path.c_str());
  std::uint32_t loaded = 0;
  WAVEFORMATEX* format = nullptr;
  std::uint8_t* data = nullptr;
  if (WaveLoad(path.c_str(), &loaded, &format, &data) == 0) {
    std::free(format);
    std::free(data);
  }
  return 0;
}
