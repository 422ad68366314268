// DirectSound 8 as the game uses it: one device with a primary buffer whose format is the mixing
// format, and static secondary buffers, each with its own PCM format (1 or 2 channels, 8 or 16
// bits), frequency, pan and volume, played once or looping. A software mixer resamples every
// playing buffer to the mixing rate and sums them with clamping to 16-bit output.
//
// The real backend feeds the mixer from the SDL2 audio callback (SDL converts to what the sound
// card takes). Headless runs open no audio device: nothing plays on its own, and MixSound renders
// into the caller's memory, so that tests can hear exactly what would have been played.
// headless_sound_create_result and headless_sound_primary_result script a device or a primary
// buffer that cannot be made.
#pragma once

#include <cstdint>

#include "platform/mmio.h"
#include "platform/wintypes.h"

struct GUID;

// Results (DirectSound's values).
constexpr HRESULT DS_OK = S_OK;
constexpr HRESULT DS_INCOMPLETE = static_cast<HRESULT>(0x08780014);
constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000A);
constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001E);
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057);
constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032);
constexpr HRESULT DSERR_GENERIC = E_FAIL;
constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046);
constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078);
constexpr HRESULT DSERR_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT DSERR_UNINITIALIZED = static_cast<HRESULT>(0x887800AA);
constexpr HRESULT DSERR_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT DSERR_BUFFERTOOSMALL = static_cast<HRESULT>(0x887800B4);

// Cooperative levels.
constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSSCL_PRIORITY = 2;
constexpr DWORD DSSCL_EXCLUSIVE = 3;
constexpr DWORD DSSCL_WRITEPRIMARY = 4;

// Buffer capabilities.
constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x01;
constexpr DWORD DSBCAPS_STATIC = 0x02;
constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x20;
constexpr DWORD DSBCAPS_CTRLPAN = 0x40;
constexpr DWORD DSBCAPS_CTRLVOLUME = 0x80;

constexpr DWORD DSBPLAY_LOOPING = 0x01;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x02;
constexpr DWORD DSBSTATUS_PLAYING = 0x01;
constexpr DWORD DSBSTATUS_LOOPING = 0x04;

// Ranges: frequency in samples per second, pan and volume in hundredths of a decibel (the
// quieter side of a pan is attenuated by its amount; -10000 is silence).
constexpr DWORD DSBFREQUENCY_MIN = 100;
constexpr DWORD DSBFREQUENCY_MAX = 100000;
constexpr LONG DSBPAN_LEFT = -10000;
constexpr LONG DSBPAN_CENTER = 0;
constexpr LONG DSBPAN_RIGHT = 10000;
constexpr LONG DSBVOLUME_MIN = -10000;
constexpr LONG DSBVOLUME_MAX = 0;
constexpr DWORD DSBSIZE_MIN = 4;
constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

struct DSBUFFERDESC {
  DWORD dwSize;  // sizeof(DSBUFFERDESC)
  DWORD dwFlags;
  DWORD dwBufferBytes;  // 0 for the primary buffer
  DWORD dwReserved;
  WAVEFORMATEX* lpwfxFormat;  // null for the primary buffer
};

constexpr int SOUND_BUFFER_MAX = 64;  // buffers one device holds at once, the primary included

// One buffer. Buffers come from a fixed pool and go back to it on Release; the fields after the
// methods belong to the layer.
struct IDirectSoundBuffer {
  // Primary buffer only: sets the mixing format (needs DSSCL_PRIORITY or above).
  HRESULT SetFormat(const WAVEFORMATEX* format);
  HRESULT GetFormat(WAVEFORMATEX* format, DWORD size, DWORD* written);
  HRESULT GetStatus(DWORD* status);
  // Byte offsets; the write position equals the play position (static buffers).
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write);
  HRESULT SetCurrentPosition(DWORD position);
  HRESULT GetFrequency(DWORD* frequency);
  // DSBFREQUENCY_MIN to DSBFREQUENCY_MAX; 0 keeps the frequency as it is.
  HRESULT SetFrequency(DWORD frequency);
  HRESULT GetPan(LONG* pan);
  HRESULT SetPan(LONG pan);
  HRESULT GetVolume(LONG* volume);
  HRESULT SetVolume(LONG volume);
  HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2, DWORD flags);
  HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2);
  // Plays from the current position; a buffer already playing goes on from where it is (only
  // its looping changes). A buffer played once stops at its end and stands at its start again.
  HRESULT Play(DWORD reserved, DWORD priority, DWORD flags);
  // Stops where it is: the position is kept.
  HRESULT Stop();
  ULONG Release();

  int refs;  // 0: free in the pool
  int primary;
  DWORD caps;
  WAVEFORMATEX format;
  std::uint8_t* data;
  DWORD bytes;
  DWORD frequency;
  LONG pan;
  LONG volume;
  int playing;
  int looping;
  std::uint64_t cursor;  // play position in frames, 32.32 fixed point
};

struct IDirectSound8 {
  // Any window will do; the level decides whether the primary format may be set.
  HRESULT SetCooperativeLevel(HWND window, DWORD level);
  // A secondary buffer takes 8- or 16-bit integer PCM of one or two channels, also as
  // WAVE_FORMAT_EXTENSIBLE (its 22 extra bytes behind the format); DSERR_BADFORMAT otherwise.
  HRESULT CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** buffer, void* outer);
  // The last release frees every buffer and closes the audio device.
  ULONG Release();

  int refs;
  DWORD level;  // 0 until SetCooperativeLevel
  WAVEFORMATEX format;  // the mixing format: the primary buffer's
};

// One device at a time (DSERR_ALLOCATED while one exists); device must be null (the default
// playback device). DSERR_NODRIVER when the real backend has no audio device.
HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, void* outer);

// Renders frames of every playing buffer of the device, in the mixing format's channels as
// signed 16-bit samples, and moves their positions on. Does nothing without a device.
void MixSound(std::int16_t* out, DWORD frames);

// Headless: what DirectSoundCreate8 and the creation of the primary buffer return instead of
// succeeding, until set back to DS_OK.
extern HRESULT headless_sound_create_result;
extern HRESULT headless_sound_primary_result;
