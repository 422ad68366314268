// Any bytes read as a configuration file set variables without reading or writing out of bounds:
// the long lines, the missing "=" signs and the console lines they raise included; and what a
// save of them writes reads back as the same values.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "fuzz_folder.h"
#include "platform/files.h"

namespace {

int fake_device;
float defaults[CONFIG_VAR_COUNT];
void RemoveFiles() {
  std::remove("input.cfg");
  std::remove("saved.cfg");
  std::remove(CONSOLE_LOG_PATH);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  MakeFuzzFolder("config", RemoveFiles, argc, argv);
  InitConfigTags();
  for (int i = 0; i < CONFIG_VAR_COUNT; i++) defaults[i] = *tag_value[i];
  // A display stands, so console lines go to the ring instead of a box each.
  device = reinterpret_cast<IDirect3DDevice8*>(&fake_device);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFolderInput in_folder;
  for (int i = 0; i < CONFIG_VAR_COUNT; i++) *tag_value[i] = defaults[i];
  WriteFuzzFile("input.cfg", data, size);
  FileRemove(CONSOLE_LOG_PATH);

  if (LoadConfig("input.cfg") != 1) std::abort();
  // A read collects at most 32 characters, so no value can leave the range they write.
  for (int i = 0; i < CONFIG_VAR_COUNT; i++) {
    if (!std::isfinite(*tag_value[i]) || std::fabs(*tag_value[i]) > 1e32f) std::abort();
  }
  if (console_index < 0 || console_index >= CONSOLE_LINE_COUNT || console_lines[console_index].length != 0) {
    std::abort();
  }
  float loaded[CONFIG_VAR_COUNT];
  for (int i = 0; i < CONFIG_VAR_COUNT; i++) loaded[i] = *tag_value[i];
  if (SaveConfig("saved.cfg") != 1 || LoadConfig("saved.cfg") != 1) std::abort();
  for (int i = 0; i < CONFIG_VAR_COUNT; i++) {
    if (*tag_value[i] != loaded[i]) std::abort();
  }
  return 0;
}
