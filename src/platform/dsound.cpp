#include "platform/dsound.h"

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/script.h"

HRESULT headless_sound_create_result = DS_OK;
HRESULT headless_sound_primary_result = DS_OK;

static IDirectSound8 the_device;
static IDirectSoundBuffer buffer_pool[SOUND_BUFFER_MAX];
static SDL_AudioDeviceID sdl_device;  // 0 while headless or without a device

namespace {

constexpr DWORD MIX_BLOCK_FRAMES = 256;
float mix_block[MIX_BLOCK_FRAMES * 2];  // the running sum of one block, per output channel

// The mixer runs on SDL's audio thread; every change to what it reads holds the device's lock.
struct MixerLock {
  MixerLock() {
    if (sdl_device) SDL_LockAudioDevice(sdl_device);
  }
  ~MixerLock() {
    if (sdl_device) SDL_UnlockAudioDevice(sdl_device);
  }
};

// WAVE_FORMAT_EXTENSIBLE: behind the record, 22 bytes of valid bits a sample, a channel mask
// and the sub-format's GUID, integer PCM's being KSDATAFORMAT_SUBTYPE_PCM.
constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;
constexpr WORD EXTENSIBLE_BYTES = 22;
const std::uint8_t kSubtypePcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                      0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The format as plain PCM: an extensible one holding integer PCM is the same sound (its channel
// mask places the speakers, which two channels at most leave as they are). False for any other
// kind of sample. `format` is followed by its cbSize bytes.
bool AsPlainPcm(const WAVEFORMATEX& format, WAVEFORMATEX* plain) {
  *plain = format;
  plain->cbSize = 0;
  if (format.wFormatTag == WAVE_FORMAT_PCM) return true;
  if (format.wFormatTag != WAVE_FORMAT_EXTENSIBLE || format.cbSize < EXTENSIBLE_BYTES) return false;
  const std::uint8_t* extra = reinterpret_cast<const std::uint8_t*>(&format) + sizeof(WAVEFORMATEX);
  const unsigned valid_bits = extra[0] | extra[1] << 8;
  if (std::memcmp(extra + 6, kSubtypePcm, sizeof kSubtypePcm) != 0) return false;
  if (valid_bits == 0 || valid_bits > format.wBitsPerSample) return false;
  plain->wFormatTag = WAVE_FORMAT_PCM;
  return true;
}

bool IsPlayablePcm(const WAVEFORMATEX& format) {
  return format.wFormatTag == WAVE_FORMAT_PCM && (format.nChannels == 1 || format.nChannels == 2) &&
         (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) && format.nSamplesPerSec >= DSBFREQUENCY_MIN &&
         format.nSamplesPerSec <= DSBFREQUENCY_MAX &&
         format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

// Hundredths of a decibel as an amplitude factor; -10000 and below is silence.
float Gain(long hundredths) {
  if (hundredths <= DSBVOLUME_MIN) return 0.0f;
  return static_cast<float>(std::pow(10.0, static_cast<double>(hundredths) / 2000.0));
}

float Sample(const IDirectSoundBuffer* buffer, std::uint64_t frame, int channel) {
  const std::uint8_t* at = buffer->data + frame * buffer->format.nBlockAlign;
  if (buffer->format.wBitsPerSample == 8) return (static_cast<float>(at[channel]) - 128.0f) * 256.0f;
  at += channel * 2;
  return static_cast<float>(static_cast<std::int16_t>(at[0] | at[1] << 8));
}

// Adds frames of one buffer, resampled from its frequency to the mixing rate by linear
// interpolation, into mix_block.
void MixBuffer(IDirectSoundBuffer* buffer, DWORD frames, int out_channels, DWORD rate) {
  const std::uint64_t length = buffer->bytes / buffer->format.nBlockAlign;
  const std::uint64_t end = length << 32;
  if (length == 0) {
    buffer->playing = 0;
    return;
  }
  const std::uint64_t step = (static_cast<std::uint64_t>(buffer->frequency) << 32) / rate;
  const int channels = buffer->format.nChannels;
  float left = Gain(static_cast<long>(buffer->volume) - (buffer->pan > 0 ? buffer->pan : 0));
  float right = Gain(static_cast<long>(buffer->volume) + (buffer->pan < 0 ? buffer->pan : 0));
  if (out_channels == 1) left = right = Gain(buffer->volume);

  for (DWORD i = 0; i < frames; ++i) {
    if (buffer->cursor >= end) {
      if (!buffer->looping) break;
      buffer->cursor %= end;
    }
    std::uint64_t frame = buffer->cursor >> 32;
    std::uint64_t next = frame + 1 < length ? frame + 1 : buffer->looping ? 0 : frame;
    float t = static_cast<float>(buffer->cursor & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
    float a = Sample(buffer, frame, 0);
    float first = a + (Sample(buffer, next, 0) - a) * t;
    float second = first;
    if (channels == 2) {
      float b = Sample(buffer, frame, 1);
      second = b + (Sample(buffer, next, 1) - b) * t;
    }
    if (out_channels == 2) {
      mix_block[2 * i] += first * left;
      mix_block[2 * i + 1] += second * right;
    } else {
      mix_block[i] += (first + second) * 0.5f * left;
    }
    buffer->cursor += step;
  }
  if (buffer->cursor >= end) {
    if (buffer->looping) {
      buffer->cursor %= end;
    } else {
      // Played once to its end: it stops and stands at its start again.
      buffer->playing = 0;
      buffer->cursor = 0;
    }
  }
}

void Callback(void*, Uint8* stream, int length) {
  MixSound(reinterpret_cast<std::int16_t*>(stream),
           static_cast<DWORD>(length) / (2u * the_device.format.nChannels));
}

bool OpenSdlDevice() {
  SDL_AudioSpec wanted = {};
  SDL_AudioSpec got = {};
  wanted.freq = static_cast<int>(the_device.format.nSamplesPerSec);
  wanted.format = AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(the_device.format.nChannels);
  wanted.samples = 1024;
  wanted.callback = Callback;
  // No changes allowed: SDL converts from the mixing format to whatever the card takes.
  sdl_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, 0);
  if (!sdl_device) {
    std::fprintf(stderr, "DirectSound: no audio device: %s\n", SDL_GetError());
    return false;
  }
  SDL_PauseAudioDevice(sdl_device, 0);
  return true;
}

void CloseSdlDevice() {
  if (sdl_device) SDL_CloseAudioDevice(sdl_device);
  sdl_device = 0;
}

IDirectSoundBuffer* FreeBuffer() {
  for (IDirectSoundBuffer& buffer : buffer_pool) {
    if (buffer.refs == 0) return &buffer;
  }
  return nullptr;
}

}  // namespace

HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, void* outer) {
  if (!out) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (outer) return DSERR_NOAGGREGATION;
  if (device) return DSERR_NODRIVER;
  if (the_device.refs) return DSERR_ALLOCATED;
  // DirectSound's own primary format until the program sets one.
  the_device.format = PcmWaveFormat(2, 22050, 8);
  the_device.level = 0;
  if (IsHeadless()) {
    if (headless_sound_create_result != DS_OK) return headless_sound_create_result;
  } else {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      std::fprintf(stderr, "DirectSound: no audio support: %s\n", SDL_GetError());
      return DSERR_NODRIVER;
    }
    if (!OpenSdlDevice()) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return DSERR_NODRIVER;
    }
  }
  the_device.refs = 1;
  *out = &the_device;
  return DS_OK;
}

ULONG IDirectSound8::Release() {
  if (refs == 0) return 0;
  if (--refs > 0) return static_cast<ULONG>(refs);
  if (sdl_device) {
    CloseSdlDevice();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  for (IDirectSoundBuffer& buffer : buffer_pool) {
    std::free(buffer.data);
    buffer = IDirectSoundBuffer{};
  }
  return 0;
}

HRESULT IDirectSound8::SetCooperativeLevel(HWND, DWORD new_level) {
  if (new_level < DSSCL_NORMAL || new_level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
  level = new_level;
  return DS_OK;
}

HRESULT IDirectSound8::CreateSoundBuffer(const DSBUFFERDESC* description, IDirectSoundBuffer** out, void* outer) {
  if (!out) return DSERR_INVALIDPARAM;
  *out = nullptr;
  if (!description || description->dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
  if (outer) return DSERR_NOAGGREGATION;
  if (refs == 0) return DSERR_UNINITIALIZED;
  if (level == 0) return DSERR_PRIOLEVELNEEDED;

  if (description->dwFlags & DSBCAPS_PRIMARYBUFFER) {
    if (description->dwBufferBytes != 0 || description->lpwfxFormat) return DSERR_INVALIDPARAM;
    if (IsHeadless() && headless_sound_primary_result != DS_OK) return headless_sound_primary_result;
    for (IDirectSoundBuffer& buffer : buffer_pool) {
      if (buffer.refs && buffer.primary) {
        buffer.refs++;
        *out = &buffer;
        return DS_OK;
      }
    }
    IDirectSoundBuffer* buffer = FreeBuffer();
    if (!buffer) return DSERR_OUTOFMEMORY;
    *buffer = IDirectSoundBuffer{};
    buffer->refs = 1;
    buffer->primary = 1;
    buffer->caps = description->dwFlags;
    buffer->format = format;
    *out = buffer;
    return DS_OK;
  }

  if (!description->lpwfxFormat) return DSERR_INVALIDPARAM;
  WAVEFORMATEX plain;
  if (!AsPlainPcm(*description->lpwfxFormat, &plain) || !IsPlayablePcm(plain)) return DSERR_BADFORMAT;
  if (description->dwBufferBytes < DSBSIZE_MIN || description->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
  IDirectSoundBuffer* buffer = FreeBuffer();
  if (!buffer) return DSERR_OUTOFMEMORY;
  auto* data = static_cast<std::uint8_t*>(std::calloc(description->dwBufferBytes, 1));
  if (!data) return DSERR_OUTOFMEMORY;
  MixerLock lock;
  *buffer = IDirectSoundBuffer{};
  buffer->refs = 1;
  buffer->caps = description->dwFlags;
  buffer->format = plain;
  buffer->data = data;
  buffer->bytes = description->dwBufferBytes;
  buffer->frequency = buffer->format.nSamplesPerSec;
  *out = buffer;
  return DS_OK;
}

ULONG IDirectSoundBuffer::Release() {
  if (refs == 0) return 0;
  if (--refs > 0) return static_cast<ULONG>(refs);
  MixerLock lock;
  std::free(data);
  *this = IDirectSoundBuffer{};
  return 0;
}

HRESULT IDirectSoundBuffer::SetFormat(const WAVEFORMATEX* wanted) {
  if (!primary) return DSERR_INVALIDCALL;
  if (!wanted) return DSERR_INVALIDPARAM;
  if (the_device.level < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  if (!IsPlayablePcm(*wanted)) return DSERR_BADFORMAT;
  WAVEFORMATEX before = the_device.format;
  bool reopen = sdl_device != 0;
  CloseSdlDevice();
  the_device.format = *wanted;
  the_device.format.cbSize = 0;
  if (reopen && !OpenSdlDevice()) {
    the_device.format = before;
    OpenSdlDevice();
    return DSERR_GENERIC;
  }
  format = the_device.format;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFormat(WAVEFORMATEX* out, DWORD size, DWORD* written) {
  if (!out && !written) return DSERR_INVALIDPARAM;
  DWORD whole = sizeof(WAVEFORMATEX);
  if (out) std::memcpy(out, &format, size < whole ? size : whole);
  if (written) *written = out && size < whole ? size : whole;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetStatus(DWORD* status) {
  if (!status) return DSERR_INVALIDPARAM;
  MixerLock lock;
  *status = playing ? DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0) : 0;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(DWORD* play, DWORD* write) {
  MixerLock lock;
  DWORD position = primary ? 0 : static_cast<DWORD>((cursor >> 32) * format.nBlockAlign);
  if (play) *play = position;
  if (write) *write = position;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD position) {
  if (primary) return DSERR_INVALIDCALL;
  if (position >= bytes) return DSERR_INVALIDPARAM;
  MixerLock lock;
  cursor = static_cast<std::uint64_t>(position / format.nBlockAlign) << 32;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetFrequency(DWORD* out) {
  if (!out) return DSERR_INVALIDPARAM;
  if (primary || !(caps & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  *out = frequency;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetFrequency(DWORD wanted) {
  if (primary || !(caps & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  if (wanted == 0) return DS_OK;
  if (wanted < DSBFREQUENCY_MIN || wanted > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
  MixerLock lock;
  frequency = wanted;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetPan(LONG* out) {
  if (!out) return DSERR_INVALIDPARAM;
  if (primary || !(caps & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  *out = pan;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetPan(LONG wanted) {
  if (primary || !(caps & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
  if (wanted < DSBPAN_LEFT || wanted > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  MixerLock lock;
  pan = wanted;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetVolume(LONG* out) {
  if (!out) return DSERR_INVALIDPARAM;
  if (primary || !(caps & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  *out = volume;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetVolume(LONG wanted) {
  if (primary || !(caps & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (wanted < DSBVOLUME_MIN || wanted > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  MixerLock lock;
  volume = wanted;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Lock(DWORD offset, DWORD count, void** part1, DWORD* bytes1, void** part2,
                                 DWORD* bytes2, DWORD flags) {
  if (primary) return DSERR_INVALIDCALL;
  if (!part1 || !bytes1) return DSERR_INVALIDPARAM;
  if (flags & DSBLOCK_ENTIREBUFFER) {
    offset = 0;
    count = bytes;
  } else if (offset >= bytes || count == 0 || count > bytes) {
    return DSERR_INVALIDPARAM;
  }
  // A lock that runs past the end goes on at the start, in the second part.
  DWORD first = count < bytes - offset ? count : bytes - offset;
  if (count > first && (!part2 || !bytes2)) return DSERR_INVALIDPARAM;
  *part1 = data + offset;
  *bytes1 = first;
  if (part2) *part2 = count > first ? data : nullptr;
  if (bytes2) *bytes2 = count - first;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) {
  auto inside = [this](void* part, DWORD count) {
    auto* at = static_cast<std::uint8_t*>(part);
    return !part || (at >= data && at + count <= data + bytes);
  };
  if (primary) return DSERR_INVALIDCALL;
  if (!inside(part1, bytes1) || !inside(part2, bytes2)) return DSERR_INVALIDPARAM;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD, DWORD, DWORD flags) {
  if (primary) return DS_OK;  // the primary buffer plays all along
  MixerLock lock;
  looping = (flags & DSBPLAY_LOOPING) != 0;
  playing = 1;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
  MixerLock lock;
  playing = 0;
  return DS_OK;
}

void MixSound(std::int16_t* out, DWORD frames) {
  if (!the_device.refs) return;
  const int channels = the_device.format.nChannels;
  while (frames > 0) {
    DWORD block = frames < MIX_BLOCK_FRAMES ? frames : MIX_BLOCK_FRAMES;
    std::memset(mix_block, 0, sizeof(mix_block));
    for (IDirectSoundBuffer& buffer : buffer_pool) {
      if (buffer.refs && !buffer.primary && buffer.playing) {
        MixBuffer(&buffer, block, channels, the_device.format.nSamplesPerSec);
      }
    }
    for (DWORD i = 0; i < block * channels; ++i) {
      float value = mix_block[i];
      out[i] = static_cast<std::int16_t>(value > 32767.0f ? 32767.0f : value < -32768.0f ? -32768.0f : value);
    }
    out += block * channels;
    frames -= block;
  }
}
