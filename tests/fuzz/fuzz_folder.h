// Fuzz targets that read their input as a file work in a fresh folder of their own: in memory
// where the machine offers a folder for it, so that every input written and read costs no disk.
//
// The target is in its folder only while it runs one input (FuzzFolderInput): libFuzzer's own
// paths (a relative corpus folder it reads and adds to, a dictionary) keep the meaning they had
// where it was started. Its crash files are written in the middle of an input, so they are sent
// to the starting folder by an -artifact_prefix given when the command line names none.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz_folder {
inline char path[64];
inline int home = -1;  // the folder the target was started in
inline void (*clean_up)() = nullptr;
inline char artifact_prefix[4096 + 32];
inline char* args[256];

inline void RemoveAtExit() {
  if (clean_up && chdir(path) == 0) {
    clean_up();
    if (fchdir(home) != 0) {
      // Stays in the folder; it is removed by its full name all the same.
    }
  }
  rmdir(path);
}

// The command line with "-artifact_prefix=<starting folder>/" added when it names no place for
// crash files; libFuzzer reads the arguments after LLVMFuzzerInitialize.
inline void AddArtifactPrefix(int* argc, char*** argv) {
  if (!argc || !argv || *argc <= 0 || *argc >= int(sizeof(args) / sizeof(args[0])) - 1) return;
  for (int i = 1; i < *argc; i++) {
    const char* a = (*argv)[i];
    if (std::strncmp(a, "-artifact_prefix=", 17) == 0 || std::strncmp(a, "-exact_artifact_path=", 21) == 0) return;
  }
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return;
  std::snprintf(artifact_prefix, sizeof artifact_prefix, "-artifact_prefix=%s/", cwd);
  for (int i = 0; i < *argc; i++) args[i] = (*argv)[i];
  args[*argc] = artifact_prefix;
  args[*argc + 1] = nullptr;
  *argc += 1;
  *argv = args;
}
}  // namespace fuzz_folder

// Makes the folder "kestrune_fuzz_<target>_XXXXXX" (called from LLVMFuzzerInitialize with its
// arguments); at exit `clean_up` removes, from inside it, the files the target wrote there, then
// the folder goes.
inline void MakeFuzzFolder(const char* target, void (*clean_up)(), int* argc, char*** argv) {
  char shm_folder[64], tmp_folder[64];
  std::snprintf(shm_folder, sizeof shm_folder, "/dev/shm/kestrune_fuzz_%s_XXXXXX", target);
  std::snprintf(tmp_folder, sizeof tmp_folder, "/tmp/kestrune_fuzz_%s_XXXXXX", target);
  const char* folder = mkdtemp(shm_folder);
  if (!folder) folder = mkdtemp(tmp_folder);
  fuzz_folder::home = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!folder || fuzz_folder::home < 0) std::abort();
  std::snprintf(fuzz_folder::path, sizeof fuzz_folder::path, "%s", folder);
  fuzz_folder::clean_up = clean_up;
  std::atexit(fuzz_folder::RemoveAtExit);
  fuzz_folder::AddArtifactPrefix(argc, argv);
}

// In the target's folder for as long as it lives: one input.
struct FuzzFolderInput {
  FuzzFolderInput() {
    if (chdir(fuzz_folder::path) != 0) std::abort();
  }
  ~FuzzFolderInput() {
    if (fchdir(fuzz_folder::home) != 0) std::abort();
  }
};

// The input as the whole of a file.
inline void WriteFuzzFile(const char* name, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(name, "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}
