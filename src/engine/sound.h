// The sound device and the sound table: 38 short effects, each loaded at start-up from its WAVE
// file into a static buffer of its own and played with a frequency and a pan taken from where its
// source stands. No music is ever loaded: music_slot stays null.
#pragma once

#include "platform/dsound.h"
#include "world/engine_services.h"  // the sound slots, PlaySoundSlot, StopSoundSlot

// One loaded sound; the defaults are in place before the program's entry runs.
struct SoundSlot {
  IDirectSoundBuffer* buffer = nullptr;  // null while nothing is loaded
  int rewind = 1;                        // nonzero: every play starts from the beginning
  int loop = 0;                          // nonzero: plays looping until stopped
};

constexpr int SOUND_SLOT_COUNT = 38;
// The most sound data one slot takes (about 95 s of 44.1 kHz 16-bit stereo); a file claiming
// more is refused before anything is allocated for it.
constexpr unsigned SOUND_BYTES_MAX = 16u << 20;

// One row of the sound table, in load order.
struct SoundFile {
  SoundSlot* slot;
  const char* file;  // in the asset folder
  int rewind;
  int loop;
};
extern const SoundFile sound_files[SOUND_SLOT_COUNT];

// Per process: made by InitSound, kept until the process ends.
extern IDirectSound8* direct_sound;         // null while the game runs without sound
extern IDirectSoundBuffer* primary_buffer;  // its format is the configured one when it could be set
extern SoundSlot* music_slot;               // the slot played at volume_music; nothing assigns it

// Creates the sound device, or leaves the game without sound ("Sound System Disabled." when
// volume_effects is -10000).
void InitSound();
// Loads the 38 sound slots in table order.
void LoadSoundTable();
// Loads one slot from "..\res\<file>"; a file that cannot be read leaves the slot empty and says so.
void LoadSound(SoundSlot* snd, int rewind, int loop, const char* file);
// The pan of a sound from x (playfield units): the offset from the playfield's centre shifted by
// sound_width, kept to DirectSound's range.
LONG SoundPan(float x);
// Gives back every buffer and the device, leaving every slot empty (for tests; the game keeps its
// sound until the process ends).
void ShutdownSound();
