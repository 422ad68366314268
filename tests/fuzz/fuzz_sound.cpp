// A whole sound load from any bytes, as the game makes it: LoadSound reads the WAVE file into a
// static sound buffer of the headless device (FillBuffer), which is then played, mixed for a
// while and stopped. A buffer is either filled whole or not made, and mixing any format the file
// gives stays within the buffer.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "engine/console.h"
#include "engine/display.h"
#include "engine/sound.h"
#include "fuzz_folder.h"
#include "platform/dsound.h"
#include "platform/files.h"
#include "world/engine_services.h"

namespace {

int fake_device;

void RemoveFiles() {
  std::remove("res/in.wav");
  std::remove("bin/console.log");
  rmdir("res");
  rmdir("bin");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("KESTRUNE_HEADLESS", "1", 1);
  MakeFuzzFolder("sound", RemoveFiles, argc, argv);
  FuzzFolderInput in_folder;
  if (mkdir("bin", 0755) != 0 || mkdir("res", 0755) != 0) std::abort();
  // A display stands, so a console line goes to the ring instead of a box.
  device = reinterpret_cast<IDirect3DDevice8*>(&fake_device);
  InitSound();
  if (!direct_sound) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFolderInput in_folder;
  WriteFuzzFile("res/in.wav", data, size);
  if (chdir("bin") != 0) std::abort();
  SoundSlot slot;
  const int loop = size % 2;
  LoadSound(&slot, 1, loop, "in.wav");
  if (slot.buffer) {
    static std::int16_t out[2 * 1024];
    PlaySoundSlot(&slot, 0, 0.0f, 0.0f, 0.0f);
    MixSound(out, 1024);
    // Again at another rate, off the centre: the resampler and the pan.
    PlaySoundSlot(&slot, size > 0 ? 100 + data[size - 1] * 390 : 22050, 20.0f, 1.0f, 0.0f);
    for (int i = 0; i < 4; i++) MixSound(out, 1024);
    StopSoundSlot(&slot);
    slot.buffer->Release();
  }
  FileRemove(CONSOLE_LOG_PATH);
  return 0;
}
