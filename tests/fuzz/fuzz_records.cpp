// Any bytes read as the unlock file and as a high-score file leave only values the game can use
// (Cast Mode open, flags 0 or 1, names of three name-entry characters), and what was read is
// saved and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/console.h"
#include "engine/display.h"
#include "fuzz_folder.h"
#include "platform/files.h"
#include "world/records.h"

namespace {

int fake_device;
void RemoveFiles() {
  char name[32];
  for (int n = RECORD_UNLOCKS; n < SCORED_MODES; n++) {
    std::snprintf(name, sizeof name, "record(%i).dat", n);
    std::remove(name);
  }
  std::remove(CONSOLE_LOG_PATH);
}

bool IsName(const char* name) {
  return IsNameCharacter(name[0]) && IsNameCharacter(name[1]) && IsNameCharacter(name[2]) && name[3] == '\0';
}

struct Snapshot {
  int unlocked[SCORED_MODES];
  char last[4];
  char names[HIGH_SCORE_ROWS][4];
  int major[HIGH_SCORE_ROWS], minor[HIGH_SCORE_ROWS];
};

Snapshot Take(int mode) {
  Snapshot s;
  std::memcpy(s.unlocked, mode_unlocked, sizeof s.unlocked);
  std::memcpy(s.last, last_name, sizeof s.last);
  std::memcpy(s.names, high_score_name[mode], sizeof s.names);
  std::memcpy(s.major, high_score_major[mode], sizeof s.major);
  std::memcpy(s.minor, high_score_minor[mode], sizeof s.minor);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  MakeFuzzFolder("records", RemoveFiles, argc, argv);
  // A display stands, so a console line goes to the ring instead of a box.
  device = reinterpret_cast<IDirect3DDevice8*>(&fake_device);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFolderInput in_folder;
  const int mode = size > 0 ? data[0] % SCORED_MODES : 0;
  char table[32];
  std::snprintf(table, sizeof table, "record(%i).dat", mode);
  WriteFuzzFile("record(-1).dat", data, size);
  WriteFuzzFile(table, data, size);
  for (int m = 0; m < SCORED_MODES; m++) mode_unlocked[m] = m == 0;

  LoadRecord(RECORD_UNLOCKS);
  LoadRecord(mode);
  if (mode_unlocked[0] != 1 || !IsName(last_name)) std::abort();
  for (int m = 0; m < SCORED_MODES; m++)
    if (mode_unlocked[m] != 0 && mode_unlocked[m] != 1) std::abort();
  for (int r = 0; r < HIGH_SCORE_ROWS; r++)
    if (!IsName(high_score_name[mode][r])) std::abort();

  const Snapshot read = Take(mode);
  SaveRecord(RECORD_UNLOCKS);
  SaveRecord(mode);
  std::memset(high_score_name[mode], 'x', sizeof high_score_name[mode]);
  std::memset(last_name, 'x', sizeof last_name);
  LoadRecord(RECORD_UNLOCKS);
  LoadRecord(mode);
  const Snapshot again = Take(mode);
  if (std::memcmp(&read, &again, sizeof read) != 0) std::abort();
  return 0;
}
