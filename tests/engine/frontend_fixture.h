// Shared by the front-end tests: the world and the front end at rest in a working folder, a probe
// that tells which world update a handler ran, the menu sounds heard, and the whole program
// started headless for the tests that need the input poll or the display.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/config.h"
#include "engine/display.h"
#include "engine/frontend.h"
#include "engine/input.h"
#include "engine/main_loop.h"
#include "engine/render.h"
#include "engine/sound.h"
#include "engine_state.h"
#include "platform/dsound.h"
#include "platform/mmio.h"
#include "platform/files.h"
#include "platform/script.h"
#include "platform/win.h"
#include "support/temp_dir.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/records.h"
#include "world/scenery.h"
#include "world/tables.h"

// What a handler made the world do.
enum WorldCall { WORLD_NONE = 0, WORLD_IDLE = 1, WORLD_GAME_FRAME = 2 };

// Flags by letter: B back, F fire, M missile, U up, L left, D down, R right.
inline void SetFlags(const char* flags) {
  action_back = action_fire = action_missile = action_up = action_left = action_down = action_right = 0;
  for (const char* c = flags; *c; c++) {
    switch (*c) {
      case 'B': action_back = 1; break;
      case 'F': action_fire = 1; break;
      case 'M': action_missile = 1; break;
      case 'U': action_up = 1; break;
      case 'L': action_left = 1; break;
      case 'D': action_down = 1; break;
      case 'R': action_right = 1; break;
      default: ADD_FAILURE() << "no flag " << *c;
    }
  }
}

// The menu sounds (and the two rewards) each get a buffer of their own on the game's sound device,
// so that a play shows as a playing buffer.
struct HeardSound {
  SoundSlot* slot;
  const char* name;
};
inline const HeardSound heard_sounds[] = {
    {&snd_tick_move_01, "move"},     {&snd_tick_in_01, "in"},         {&snd_tick_out_01, "out"},
    {&snd_tick_denied_01, "denied"}, {&snd_tick_select_01, "select"}, {&snd_reward_01, "reward1"},
    {&snd_reward_02, "reward2"},
};

inline void GiveMenuSoundsBuffers() {
  if (!direct_sound) InitSound();
  ASSERT_NE(direct_sound, nullptr);
  for (const HeardSound& s : heard_sounds) {
    if (s.slot->buffer) continue;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 22050;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = 44100;
    DSBUFFERDESC description = {};
    description.dwSize = sizeof(description);
    description.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    description.dwBufferBytes = 64;
    description.lpwfxFormat = &format;
    ASSERT_EQ(direct_sound->CreateSoundBuffer(&description, &s.slot->buffer, nullptr), DS_OK);
  }
}

// The sounds played since the last call, in table order ("in,out"); each is stopped again.
inline std::string Heard() {
  std::string heard;
  for (const HeardSound& s : heard_sounds) {
    DWORD status = 0;
    if (!s.slot->buffer || FAILED(s.slot->buffer->GetStatus(&status)) || !(status & DSBSTATUS_PLAYING)) continue;
    s.slot->buffer->Stop();
    if (!heard.empty()) heard += ",";
    heard += s.name;
  }
  return heard;
}

// The world and the front end as the program leaves them before the first pass, the title scene
// behind the menus, in a fresh working folder.
class FrontEndTest : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    ResetFrontEnd();
  }
  void TearDown() override {
    ResetEngineState();
    WorkingDirTest::TearDown();
  }

  // The engine and the world at their start values, then as the program's first pass leaves
  // them: the world reset, the main menu up, "AAA" as the last initials, both volumes full, the
  // menu sounds given buffers and none playing, no console lines.
  static void ResetFrontEnd() {
    ResetEngineState();
    GiveMenuSoundsBuffers();
    ResetGame();
    ResetStage();
    game_state = STATE_MAIN_MENU;
    std::memcpy(last_name, "AAA", 4);
    volume_effects = volume_music = 0;
    FileRemove("console.log");
  }

  // A file of the working folder with exactly these bytes.
  static void PutText(const char* name, const std::string& text) {
    std::FILE* file = std::fopen(name, "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }

  // A generator that only a game frame counts down, and the phase counter every world tick moves.
  void ArmWorldProbe() {
    generator_type[0] = STATIC_TREE;
    generator_interval[0] = 1000;
    generator_remaining[0] = 5;
    generator_timer[0] = 500;
    phase_before = phase_59;
  }
  int WorldCallSeen() const {
    if (generator_type[0] == STATIC_TREE && generator_timer[0] != 500) return WORLD_GAME_FRAME;
    return phase_59 != phase_before ? WORLD_IDLE : WORLD_NONE;
  }

  // The handler of the state held now, as the main loop runs it.
  static void RunHandler() { state_handlers[game_state](); }

  // The console lines written so far.
  static std::string ConsoleLog() { return FileExists("console.log") ? Text("console.log") : ""; }

  int phase_before = 0;
};

// The whole program started headless in a fresh install folder (bin beside res), its globals back
// at their start values; passes run as the main loop runs them.
class ProgramTest : public FrontEndTest {
 protected:
  void SetUp() override {
    FrontEndTest::SetUp();
    std::filesystem::create_directory(dir / "bin");
    std::filesystem::create_directory(dir / "res");
    std::filesystem::current_path(dir / "bin");
    game_state = STATE_BOOT;
  }
  // Starts the program as WinMain does with the script, and runs the boot pass.
  void StartToMenu(const char* script = "") {
    ASSERT_TRUE(ScriptLoadText(script, "test"));
    ASSERT_EQ(StartUp(GetModuleHandleA(nullptr)), 0);
    GiveMenuSoundsBuffers();  // the start-up found no sound files
    RunPass();
    ASSERT_EQ(game_state, STATE_MAIN_MENU);
  }
  // Runs passes until the one numbered `pass` (counted from 1, the boot pass) has run.
  static void RunTo(int pass) {
    while (script_pass < pass && !quit_flag) RunPass();
  }
};
