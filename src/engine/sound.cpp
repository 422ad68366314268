#include "engine/sound.h"

#include <climits>
#include <cstdint>
#include <cstdio>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/main_loop.h"
#include "wave/wave.h"

SoundSlot snd_tick_denied_01, snd_tick_in_01, snd_tick_out_01, snd_tick_move_01, snd_tick_select_01;
SoundSlot snd_explosion_01, snd_explosion_02, snd_explosion_03, snd_explosion_04, snd_explosion_05;
SoundSlot snd_wood_breakage_01, snd_hit_wood_01, snd_hit_metal_01, snd_hit_player_01, snd_burn_01;
SoundSlot snd_pow_01, snd_pow_armor_01, snd_pow_bomb_01, snd_pow_crow_01, snd_pow_drum_01;
SoundSlot snd_pow_forward_01, snd_pow_hawk_01;
SoundSlot snd_fire_bomb_01, snd_fire_crow_01, snd_fire_drum_01, snd_fire_forward_01, snd_fire_hawk_01;
SoundSlot snd_hit_bomb_01, snd_hit_crow_01, snd_hit_drum_01, snd_hit_hawk_01, snd_miss_01;
SoundSlot snd_beam_gun_01, snd_beam_gun_02, snd_beam_gun_03, snd_beam_gun_04;
SoundSlot snd_reward_01, snd_reward_02;

IDirectSound8* direct_sound;
IDirectSoundBuffer* primary_buffer;
SoundSlot* music_slot;

// Only the two middle beam sounds loop; they hold their place between plays while the beam is on.
const SoundFile sound_files[SOUND_SLOT_COUNT] = {
    // the slot, its file in the asset folder, whether each play starts over, whether it loops
    {.slot = &snd_tick_denied_01, .file = "tick_denied_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_tick_in_01, .file = "tick_in_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_tick_out_01, .file = "tick_out_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_tick_move_01, .file = "tick_move_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_tick_select_01, .file = "tick_select_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_explosion_01, .file = "explosion_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_explosion_02, .file = "explosion_02.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_explosion_03, .file = "explosion_03.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_explosion_04, .file = "explosion_04.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_explosion_05, .file = "explosion_05.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_wood_breakage_01, .file = "wood_breakage_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_hit_wood_01, .file = "hit_wood_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_hit_metal_01, .file = "hit_metal_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_hit_player_01, .file = "hit_player_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_burn_01, .file = "burn_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_pow_01, .file = "pow_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_pow_armor_01, .file = "pow_armor_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_pow_bomb_01, .file = "pow_bomb_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_pow_crow_01, .file = "pow_crow_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_pow_drum_01, .file = "pow_drum_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_pow_forward_01, .file = "pow_forward_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_pow_hawk_01, .file = "pow_hawk_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_fire_bomb_01, .file = "fire_bomb_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_fire_crow_01, .file = "fire_crow_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_fire_drum_01, .file = "fire_drum_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_fire_forward_01, .file = "fire_forward_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_fire_hawk_01, .file = "fire_hawk_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_hit_bomb_01, .file = "hit_bomb_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_hit_crow_01, .file = "hit_crow_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_hit_drum_01, .file = "hit_drum_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_hit_hawk_01, .file = "hit_hawk_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_miss_01, .file = "miss_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_beam_gun_01, .file = "beam_gun_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_beam_gun_02, .file = "beam_gun_02.wav", .rewind = 0, .loop = 1},
    {.slot = &snd_beam_gun_03, .file = "beam_gun_03.wav", .rewind = 0, .loop = 1},
    {.slot = &snd_beam_gun_04, .file = "beam_gun_04.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_reward_01, .file = "reward_01.wav", .rewind = 1, .loop = 0},
    {.slot = &snd_reward_02, .file = "reward_02.wav", .rewind = 1, .loop = 0},
};
static_assert(sizeof(sound_files) / sizeof(sound_files[0]) == SOUND_SLOT_COUNT);

namespace {

struct ResultMessage {
  HRESULT result;
  const char* message;
};

const ResultMessage primary_buffer_messages[] = {
    {.result = DSERR_PRIOLEVELNEEDED, .message = "(DSERR_PRIOLEVELNEEDED) Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_INVALIDPARAM, .message = "(DSERR_INVALIDPARAM) Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_NOINTERFACE, .message = "(DSERR_NOINTERFACE) Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_GENERIC, .message = "(DSERR_GENERIC) Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_OUTOFMEMORY, .message = "Out of Memory Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_CONTROLUNAVAIL, .message = "Effect(s) Control Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_INVALIDCALL, .message = "(DSERR_INVALIDCALL) Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_BUFFERTOOSMALL, .message = "(DSERR_BUFFERTOOSMALL) Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_NODRIVER, .message = "(DSERR_NODRIVER) Error Creating Primary DirectSound Buffer."},
    {.result = DSERR_UNINITIALIZED, .message = "(DSERR_UNINITIALIZED) Error Creating Primary DirectSound Buffer."},
    {.result = DS_INCOMPLETE, .message = "(DS_INCOMPLETE) Error Creating Primary DirectSound Buffer."},
};

const ResultMessage frequency_messages[] = {
    {.result = DSERR_CONTROLUNAVAIL, .message = "DSERR_CONTROLUNAVAIL"},
    {.result = DSERR_GENERIC, .message = "DSERR_GENERIC"},
    {.result = DSERR_INVALIDPARAM, .message = "Invalid Pitch"},
    {.result = DSERR_PRIOLEVELNEEDED, .message = "DSERR_PRIOLEVELNEEDED"},
};

template <size_t N>
const char* MessageFor(const ResultMessage (&table)[N], HRESULT result) {
  for (const ResultMessage& row : table) {
    if (row.result == result) return row.message;
  }
  return nullptr;
}

// A configuration value truncated toward zero; values beyond an int saturate instead of being
// undefined.
long long Truncate(float value) {
  if (!(value == value)) return 0;
  if (value >= 9.2e18f) return LLONG_MAX;
  if (value <= -9.2e18f) return LLONG_MIN;
  return static_cast<long long>(value);
}

long long Clamp(long long value, long long low, long long high) { return value < low ? low : value > high ? high : value; }

// The message is cut to the buffer, as every console line is.
void Report(const char* format, const char* path) {
  if (std::snprintf(text_buffer, sizeof(text_buffer), format, path) < 0) text_buffer[0] = '\0';
  ConsolePrint(text_buffer);
}

// Reads the file's sound data into a new buffer; null when it could not all be read.
IDirectSoundBuffer* FillBuffer(HMMIO file, WAVEFORMATEX* format, MMCKINFO* data, bool* read_failed) {
  *read_failed = false;
  DSBUFFERDESC description = {};
  description.dwSize = sizeof(DSBUFFERDESC);
  description.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
  description.dwBufferBytes = data->cksize;
  description.lpwfxFormat = format;
  IDirectSoundBuffer* buffer = nullptr;
  if (direct_sound->CreateSoundBuffer(&description, &buffer, nullptr) != DS_OK || !buffer) return nullptr;

  void* part = nullptr;
  DWORD bytes = 0;
  std::uint32_t got = 0;
  int read = -1;
  if (buffer->Lock(0, 0, &part, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER) == DS_OK) {
    read = WaveRead(file, bytes, static_cast<std::uint8_t*>(part), data, &got);
    buffer->Unlock(part, bytes, nullptr, 0);
  }
  // A buffer only partly filled would play whatever lies behind the data.
  if (read != 0 || got != bytes) {
    buffer->Release();
    *read_failed = true;
    return nullptr;
  }
  return buffer;
}

}  // namespace

void InitSound() {
  // A second start-up (the tests run several in one process) begins from no sound at all.
  if (direct_sound) ShutdownSound();
  if (volume_effects == -10000.0f) {
    ConsolePrint("Sound System Disabled.");
    return;
  }
  if (DirectSoundCreate8(nullptr, &direct_sound, nullptr) != DS_OK || !direct_sound) {
    direct_sound = nullptr;
    ConsolePrint("Error Creating DirectSound Device.");
    return;
  }
  direct_sound->SetCooperativeLevel(main_window, DSSCL_PRIORITY);

  WAVEFORMATEX wanted = {};
  wanted.wFormatTag = WAVE_FORMAT_PCM;
  wanted.nChannels = static_cast<WORD>(Truncate(sound_channels));
  wanted.nSamplesPerSec = static_cast<DWORD>(Truncate(sound_samples));
  wanted.wBitsPerSample = static_cast<WORD>(Truncate(sound_bits));
  wanted.nBlockAlign = static_cast<WORD>(wanted.wBitsPerSample / 8 * wanted.nChannels);
  wanted.nAvgBytesPerSec = wanted.nSamplesPerSec * wanted.nBlockAlign;
  wanted.cbSize = 0;

  DSBUFFERDESC description = {};
  description.dwSize = sizeof(DSBUFFERDESC);
  description.dwFlags = DSBCAPS_PRIMARYBUFFER;
  HRESULT result = direct_sound->CreateSoundBuffer(&description, &primary_buffer, nullptr);
  if (result == DS_OK && primary_buffer) {
    // A format the device refuses leaves it mixing in its own.
    primary_buffer->SetFormat(&wanted);
    return;
  }
  primary_buffer = nullptr;
  const char* message = MessageFor(primary_buffer_messages, result);
  ConsolePrint(message ? message : "Unknown Error Creating Primary DirectSound Buffer.");
}

void LoadSoundTable() {
  for (const SoundFile& row : sound_files) LoadSound(row.slot, row.rewind, row.loop, row.file);
}

void LoadSound(SoundSlot* snd, int rewind, int loop, const char* file) {
  if (!direct_sound) return;
  char path[256];
  std::snprintf(path, sizeof(path), "..\\res\\%s", file);
  snd->rewind = rewind;
  snd->loop = loop;
  if (snd->buffer) {
    snd->buffer->Release();
    snd->buffer = nullptr;
  }

  HMMIO wave = nullptr;
  WAVEFORMATEX* format = nullptr;
  MMCKINFO riff = {};
  MMCKINFO data = {};
  if (WaveOpenRead(path, &wave, &format, &riff) != 0) {
    Report("Error Opening File %s", path);
    return;
  }
  if (WaveStartRead(&wave, &data, &riff) != 0 || data.cksize > SOUND_BYTES_MAX) {
    Report("Error Reading Data From %s", path);
    WaveCloseRead(&wave, &format);
    return;
  }
  bool read_failed = false;
  snd->buffer = FillBuffer(wave, format, &data, &read_failed);
  if (read_failed) Report("Error Reading Data From %s", path);
  WaveCloseRead(&wave, &format);
}

LONG SoundPan(float x) {
  long long width = Clamp(Truncate(sound_width), 0, 31);
  long long offset = Clamp(Truncate(x), INT_MIN, INT_MAX) - playfield_half_width;
  return static_cast<LONG>(Clamp(offset * (1LL << width), DSBPAN_LEFT, DSBPAN_RIGHT));
}

void PlaySoundSlot(SoundSlot* snd, int frequency, float x, float y, float z) {
  if (!snd || !snd->buffer) {
    ConsolePrint("Undefined snd or snd.buffer");
    return;
  }
  // y and z only tell whether the sound has a place at all.
  snd->buffer->SetPan(x == 0 && y == 0 && z == 0 ? DSBPAN_CENTER : SoundPan(x));
  if (frequency != 0) {
    const char* message = MessageFor(frequency_messages, snd->buffer->SetFrequency(static_cast<DWORD>(frequency)));
    if (message) ConsolePrint(message);
  }
  float volume = snd == music_slot ? volume_music : volume_effects;
  snd->buffer->SetVolume(static_cast<LONG>(Clamp(Truncate(volume), DSBVOLUME_MIN, DSBVOLUME_MAX)));
  if (snd->rewind) snd->buffer->SetCurrentPosition(0);
  snd->buffer->Play(0, 0, snd->loop ? DSBPLAY_LOOPING : 0);
}

void StopSoundSlot(SoundSlot* snd) {
  if (snd && snd->buffer) snd->buffer->Stop();
}

void ShutdownSound() {
  for (const SoundFile& row : sound_files) {
    if (row.slot->buffer) row.slot->buffer->Release();
    *row.slot = SoundSlot{};
  }
  if (primary_buffer) primary_buffer->Release();
  if (direct_sound) direct_sound->Release();
  primary_buffer = nullptr;
  direct_sound = nullptr;
}
