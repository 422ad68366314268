// Fuzz targets that read their input as a file work in a fresh folder of their own: in memory
// where the machine offers a folder for it, so that every input written and read costs no disk.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz_folder {
inline char path[64];
inline void (*clean_up)() = nullptr;

inline void RemoveAtExit() {
  if (clean_up) clean_up();
  rmdir(path);
}
}  // namespace fuzz_folder

// Makes and enters the folder "kestrune_fuzz_<target>_XXXXXX"; at exit `clean_up` removes the
// files the target wrote there, then the folder goes.
inline void EnterFuzzFolder(const char* target, void (*clean_up)()) {
  char shm_folder[64], tmp_folder[64];
  std::snprintf(shm_folder, sizeof shm_folder, "/dev/shm/kestrune_fuzz_%s_XXXXXX", target);
  std::snprintf(tmp_folder, sizeof tmp_folder, "/tmp/kestrune_fuzz_%s_XXXXXX", target);
  const char* folder = mkdtemp(shm_folder);
  if (!folder) folder = mkdtemp(tmp_folder);
  if (!folder || chdir(folder) != 0) std::abort();
  std::snprintf(fuzz_folder::path, sizeof fuzz_folder::path, "%s", folder);
  fuzz_folder::clean_up = clean_up;
  std::atexit(fuzz_folder::RemoveAtExit);
}

// The input as the whole of a file.
inline void WriteFuzzFile(const char* name, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(name, "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}
