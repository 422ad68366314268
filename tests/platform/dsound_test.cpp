#include "platform/dsound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD ALL_CONTROLS = DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

// A device at priority level mixing at the given format.
class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(DirectSoundCreate8(nullptr, &device, nullptr), DS_OK); }
  void TearDown() override {
    headless_sound_create_result = DS_OK;
    headless_sound_primary_result = DS_OK;
    if (device) device->Release();
  }

  void MixAt(WORD channels, DWORD rate) {
    ASSERT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
    DSBUFFERDESC description = {};
    description.dwSize = sizeof(description);
    description.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(device->CreateSoundBuffer(&description, &primary, nullptr), DS_OK);
    WAVEFORMATEX format = PcmWaveFormat(channels, rate, 16);
    ASSERT_EQ(primary->SetFormat(&format), DS_OK);
    out_channels = channels;
  }

  // A buffer of 16-bit frames holding the given samples (interleaved for stereo).
  IDirectSoundBuffer* Buffer(WORD channels, DWORD rate, const std::vector<std::int16_t>& samples,
                             DWORD caps = ALL_CONTROLS) {
    WAVEFORMATEX format = PcmWaveFormat(channels, rate, 16);
    DSBUFFERDESC description = {};
    description.dwSize = sizeof(description);
    description.dwFlags = caps;
    description.dwBufferBytes = static_cast<DWORD>(samples.size() * 2);
    description.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(device->CreateSoundBuffer(&description, &buffer, nullptr), DS_OK);
    if (!buffer) return nullptr;
    void* part = nullptr;
    DWORD bytes = 0;
    EXPECT_EQ(buffer->Lock(0, 0, &part, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    std::memcpy(part, samples.data(), bytes);
    EXPECT_EQ(buffer->Unlock(part, bytes, nullptr, 0), DS_OK);
    return buffer;
  }

  std::vector<std::int16_t> Mix(DWORD frames) {
    std::vector<std::int16_t> out(frames * out_channels, 12345);
    MixSound(out.data(), frames);
    return out;
  }

  IDirectSound8* device = nullptr;
  int out_channels = 2;
};

HRESULT Create(IDirectSound8* device, WAVEFORMATEX* format, DWORD bytes, DWORD caps = ALL_CONTROLS) {
  DSBUFFERDESC description = {};
  description.dwSize = sizeof(description);
  description.dwFlags = caps;
  description.dwBufferBytes = bytes;
  description.lpwfxFormat = format;
  IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(&description);
  HRESULT result = device->CreateSoundBuffer(&description, &buffer, nullptr);
  if (result == DS_OK) {
    buffer->Release();
  } else {
    EXPECT_EQ(buffer, nullptr);
  }
  return result;
}

TEST_F(SoundTest, OneDeviceAtATime) {
  IDirectSound8* other = nullptr;
  EXPECT_EQ(DirectSoundCreate8(nullptr, &other, nullptr), DSERR_ALLOCATED);
  EXPECT_EQ(other, nullptr);
  device->Release();
  device = nullptr;
  headless_sound_create_result = DSERR_NODRIVER;
  EXPECT_EQ(DirectSoundCreate8(nullptr, &other, nullptr), DSERR_NODRIVER);
  EXPECT_EQ(other, nullptr);
  headless_sound_create_result = DS_OK;
  EXPECT_EQ(DirectSoundCreate8(nullptr, &device, nullptr), DS_OK);
}

TEST_F(SoundTest, ThePrimaryFormatNeedsPriority) {
  DSBUFFERDESC description = {};
  description.dwSize = sizeof(description);
  description.dwFlags = DSBCAPS_PRIMARYBUFFER;
  IDirectSoundBuffer* primary = nullptr;
  EXPECT_EQ(device->CreateSoundBuffer(&description, &primary, nullptr), DSERR_PRIOLEVELNEEDED);
  ASSERT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DS_OK);
  ASSERT_EQ(device->CreateSoundBuffer(&description, &primary, nullptr), DS_OK);
  WAVEFORMATEX wanted = PcmWaveFormat(2, 44100, 16);
  EXPECT_EQ(primary->SetFormat(&wanted), DSERR_PRIOLEVELNEEDED);
  ASSERT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  EXPECT_EQ(primary->SetFormat(&wanted), DS_OK);
  WAVEFORMATEX got = {};
  DWORD written = 0;
  EXPECT_EQ(primary->GetFormat(&got, sizeof(got), &written), DS_OK);
  EXPECT_EQ(written, sizeof(WAVEFORMATEX));
  EXPECT_EQ(std::memcmp(&got, &wanted, sizeof(got)), 0);

  WAVEFORMATEX silent = PcmWaveFormat(0, 44100, 16);
  EXPECT_EQ(primary->SetFormat(&silent), DSERR_BADFORMAT);
  description.dwBufferBytes = 100;
  IDirectSoundBuffer* sized = nullptr;
  EXPECT_EQ(device->CreateSoundBuffer(&description, &sized, nullptr), DSERR_INVALIDPARAM);
  primary->Release();

  headless_sound_primary_result = DSERR_OUTOFMEMORY;
  description.dwBufferBytes = 0;
  EXPECT_EQ(device->CreateSoundBuffer(&description, &primary, nullptr), DSERR_OUTOFMEMORY);
  EXPECT_EQ(primary, nullptr);
}

TEST_F(SoundTest, BuffersRefuseWhatTheyCannotPlay) {
  ASSERT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  WAVEFORMATEX good = PcmWaveFormat(1, 22050, 16);
  WAVEFORMATEX no_channels = PcmWaveFormat(0, 22050, 16);
  WAVEFORMATEX no_bits = PcmWaveFormat(1, 22050, 0);
  WAVEFORMATEX wide = PcmWaveFormat(1, 22050, 24);
  WAVEFORMATEX slow = PcmWaveFormat(1, 99, 16);
  WAVEFORMATEX misaligned = PcmWaveFormat(2, 22050, 16);
  misaligned.nBlockAlign = 2;
  WAVEFORMATEX adpcm = PcmWaveFormat(1, 22050, 4);
  adpcm.wFormatTag = 2;
  // WAVE_FORMAT_EXTENSIBLE: the record, then valid bits, channel mask and the sub-format's GUID.
#pragma pack(push, 1)
  struct Extensible {
    WAVEFORMATEX format;
    WORD valid_bits;
    DWORD channel_mask;
    unsigned char sub_format[16];
  };
#pragma pack(pop)
  auto extensible = [](WORD bits, WORD valid_bits, unsigned char kind, WORD extra = 22) {
    Extensible e = {PcmWaveFormat(2, 22050, bits), valid_bits, 3,
                    {kind, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71}};
    e.format.wFormatTag = 0xFFFE;
    e.format.cbSize = extra;
    return e;
  };
  Extensible pcm16 = extensible(16, 16, 1), pcm8 = extensible(8, 8, 1), pcm12 = extensible(16, 12, 1),
             float32 = extensible(32, 32, 3), pcm24 = extensible(24, 24, 1), past = extensible(16, 17, 1),
             short_extra = extensible(16, 16, 1, 20);
  struct Case {
    const char* label;
    WAVEFORMATEX* format;
    DWORD bytes;
    HRESULT result;
  } cases[] = {
      {.label = "good", .format = &good, .bytes = 4, .result = DS_OK},
      {.label = "no format", .format = nullptr, .bytes = 4, .result = DSERR_INVALIDPARAM},
      {.label = "zero channels", .format = &no_channels, .bytes = 4, .result = DSERR_BADFORMAT},
      {.label = "zero bits", .format = &no_bits, .bytes = 4, .result = DSERR_BADFORMAT},
      {.label = "24 bits", .format = &wide, .bytes = 6, .result = DSERR_BADFORMAT},
      {.label = "rate below 100", .format = &slow, .bytes = 4, .result = DSERR_BADFORMAT},
      {.label = "block align", .format = &misaligned, .bytes = 8, .result = DSERR_BADFORMAT},
      {.label = "not PCM", .format = &adpcm, .bytes = 8, .result = DSERR_BADFORMAT},
      {.label = "extensible 16 bits", .format = &pcm16.format, .bytes = 8, .result = DS_OK},
      {.label = "extensible 8 bits", .format = &pcm8.format, .bytes = 8, .result = DS_OK},
      {.label = "extensible 12 of 16 bits", .format = &pcm12.format, .bytes = 8, .result = DS_OK},
      {.label = "extensible float", .format = &float32.format, .bytes = 8, .result = DSERR_BADFORMAT},
      {.label = "extensible 24 bits", .format = &pcm24.format, .bytes = 12, .result = DSERR_BADFORMAT},
      {.label = "extensible valid bits past the sample", .format = &past.format, .bytes = 8,
       .result = DSERR_BADFORMAT},
      {.label = "extensible too short", .format = &short_extra.format, .bytes = 8, .result = DSERR_BADFORMAT},
      {.label = "too small", .format = &good, .bytes = 3, .result = DSERR_INVALIDPARAM},
      {.label = "too large", .format = &good, .bytes = DSBSIZE_MAX + 1, .result = DSERR_INVALIDPARAM},
  };
  for (const Case& c : cases) EXPECT_EQ(Create(device, c.format, c.bytes), c.result) << c.label;

  DSBUFFERDESC old_size = {};
  old_size.dwSize = 20;
  old_size.lpwfxFormat = &good;
  old_size.dwBufferBytes = 4;
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_EQ(device->CreateSoundBuffer(&old_size, &buffer, nullptr), DSERR_INVALIDPARAM);

  std::vector<IDirectSoundBuffer*> made;
  for (int i = 0; i < SOUND_BUFFER_MAX; ++i) made.push_back(Buffer(1, 22050, {0, 0}));
  EXPECT_EQ(Create(device, &good, 4), DSERR_OUTOFMEMORY) << "the pool is full";
}

TEST_F(SoundTest, ControlsKeepToTheirRanges) {
  MixAt(2, 44100);
  IDirectSoundBuffer* buffer = Buffer(1, 22050, {0, 0, 0, 0});
  DWORD frequency = 0;
  ASSERT_EQ(buffer->GetFrequency(&frequency), DS_OK);
  EXPECT_EQ(frequency, 22050u) << "the format's own until one is set";
  EXPECT_EQ(buffer->SetFrequency(99), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetFrequency(100001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetFrequency(100), DS_OK);
  EXPECT_EQ(buffer->SetFrequency(100000), DS_OK);
  EXPECT_EQ(buffer->SetFrequency(0), DS_OK);
  buffer->GetFrequency(&frequency);
  EXPECT_EQ(frequency, 100000u) << "0 keeps the last";

  LONG value = 1;
  EXPECT_EQ(buffer->SetPan(-10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetPan(-10000), DS_OK);
  buffer->GetPan(&value);
  EXPECT_EQ(value, -10000);
  EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetVolume(-10000), DS_OK);
  buffer->GetVolume(&value);
  EXPECT_EQ(value, -10000);

  IDirectSoundBuffer* bare = Buffer(1, 22050, {0, 0}, DSBCAPS_STATIC);
  EXPECT_EQ(bare->SetFrequency(44100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(bare->SetPan(0), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(bare->SetVolume(0), DSERR_CONTROLUNAVAIL);
}

TEST_F(SoundTest, PlayStopAndPosition) {
  MixAt(1, 1000);
  IDirectSoundBuffer* buffer = Buffer(1, 1000, std::vector<std::int16_t>(100, 100));
  DWORD status = 9;
  DWORD play = 9;
  buffer->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  buffer->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_PLAYING);
  Mix(30);
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 60u);

  buffer->Stop();
  Mix(30);
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 60u) << "stopping keeps the position";

  buffer->Play(0, 0, 0);
  Mix(10);
  buffer->Play(0, 0, 0);
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 80u) << "playing while playing goes on";

  EXPECT_EQ(buffer->SetCurrentPosition(200), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetCurrentPosition(21), DS_OK);
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 20u) << "whole frames only";

  Mix(200);
  buffer->GetStatus(&status);
  EXPECT_EQ(status, 0u) << "played to its end";
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 0u);

  buffer->SetCurrentPosition(180);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  buffer->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  std::vector<std::int16_t> out = Mix(250);
  EXPECT_EQ(out[249], 100) << "a loop sounds on";
  buffer->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, (90u + 250u) % 100u * 2u);
}

TEST_F(SoundTest, ResamplingChangesTheLength) {
  MixAt(1, 22050);
  IDirectSoundBuffer* slow = Buffer(1, 11025, std::vector<std::int16_t>(100, 1000));
  slow->Play(0, 0, 0);
  std::vector<std::int16_t> out = Mix(300);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[199], 1000);
  EXPECT_EQ(out[200], 0);
  DWORD status = 1;
  slow->GetStatus(&status);
  EXPECT_EQ(status, 0u);

  IDirectSoundBuffer* fast = Buffer(1, 22050, std::vector<std::int16_t>(100, 1000));
  fast->SetFrequency(44100);
  fast->Play(0, 0, 0);
  out = Mix(100);
  EXPECT_EQ(out[49], 1000);
  EXPECT_EQ(out[50], 0);

  // Between two frames the mixer interpolates.
  IDirectSoundBuffer* ramp = Buffer(1, 5512, {0, 1000, 2000, 3000});
  ramp->SetFrequency(11025);
  ramp->Play(0, 0, 0);
  out = Mix(8);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 500);
  EXPECT_EQ(out[2], 1000);
  EXPECT_EQ(out[3], 1500);
  EXPECT_EQ(out[6], 3000);
  EXPECT_EQ(out[7], 3000) << "the last frame is held, not wrapped";
}

TEST_F(SoundTest, PanAndVolumeGains) {
  MixAt(2, 8000);
  IDirectSoundBuffer* buffer = Buffer(1, 8000, std::vector<std::int16_t>(1000, 10000));
  struct Case {
    const char* label;
    LONG pan;
    LONG volume;
    int left;
    int right;
  } cases[] = {
      {.label = "centre", .pan = 0, .volume = 0, .left = 10000, .right = 10000},
      {.label = "hard left", .pan = DSBPAN_LEFT, .volume = 0, .left = 10000, .right = 0},
      {.label = "hard right", .pan = DSBPAN_RIGHT, .volume = 0, .left = 0, .right = 10000},
      {.label = "20 dB left", .pan = -2000, .volume = 0, .left = 10000, .right = 1000},
      {.label = "6 dB down", .pan = 0, .volume = -600, .left = 5011, .right = 5011},
      {.label = "both", .pan = 2000, .volume = -600, .left = 501, .right = 5011},
      {.label = "silence", .pan = 0, .volume = DSBVOLUME_MIN, .left = 0, .right = 0},
  };
  for (const Case& c : cases) {
    buffer->SetPan(c.pan);
    buffer->SetVolume(c.volume);
    buffer->SetCurrentPosition(0);
    buffer->Play(0, 0, 0);
    std::vector<std::int16_t> out = Mix(4);
    EXPECT_NEAR(out[2], c.left, 1) << c.label;
    EXPECT_NEAR(out[3], c.right, 1) << c.label;
  }
}

TEST_F(SoundTest, MixingClampsAndConvertsFormats) {
  MixAt(2, 8000);
  IDirectSoundBuffer* a = Buffer(1, 8000, std::vector<std::int16_t>(10, 30000));
  IDirectSoundBuffer* b = Buffer(2, 8000, std::vector<std::int16_t>{30000, -30000, 30000, -30000});
  IDirectSoundBuffer* c = Buffer(1, 8000, std::vector<std::int16_t>(10, -30000));
  a->Play(0, 0, 0);
  b->Play(0, 0, 0);
  std::vector<std::int16_t> out = Mix(1);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], 0);
  c->Play(0, 0, 0);
  b->SetCurrentPosition(0);
  b->SetPan(DSBPAN_RIGHT);
  a->Stop();
  out = Mix(1);
  EXPECT_EQ(out[0], -30000) << "the stereo buffer's left is silent";
  EXPECT_EQ(out[1], -32768);

  // 8-bit samples are unsigned around 128.
  WAVEFORMATEX bytes = PcmWaveFormat(1, 8000, 8);
  DSBUFFERDESC description = {};
  description.dwSize = sizeof(description);
  description.dwFlags = ALL_CONTROLS;
  description.dwBufferBytes = 4;
  description.lpwfxFormat = &bytes;
  IDirectSoundBuffer* eight = nullptr;
  ASSERT_EQ(device->CreateSoundBuffer(&description, &eight, nullptr), DS_OK);
  void* part;
  DWORD size;
  eight->Lock(0, 0, &part, &size, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
  std::memset(part, 0xC0, size);
  eight->Unlock(part, size, nullptr, 0);
  b->Stop();
  c->Stop();
  eight->Play(0, 0, 0);
  out = Mix(1);
  EXPECT_EQ(out[0], 16384);
  EXPECT_EQ(out[1], 16384);
}

TEST_F(SoundTest, StereoBuffersOnAMonoDevice) {
  MixAt(1, 8000);
  IDirectSoundBuffer* buffer = Buffer(2, 8000, {1000, 3000});
  buffer->SetPan(DSBPAN_LEFT);  // a mono device has no sides
  buffer->Play(0, 0, 0);
  EXPECT_EQ(Mix(1)[0], 2000);
}

TEST_F(SoundTest, LocksWrapAround) {
  MixAt(2, 8000);
  IDirectSoundBuffer* buffer = Buffer(1, 8000, std::vector<std::int16_t>(50, 0));
  void* first = nullptr;
  void* second = nullptr;
  DWORD first_bytes = 0;
  DWORD second_bytes = 0;
  ASSERT_EQ(buffer->Lock(90, 20, &first, &first_bytes, &second, &second_bytes, 0), DS_OK);
  EXPECT_EQ(first_bytes, 10u);
  EXPECT_EQ(second_bytes, 10u);
  EXPECT_EQ(static_cast<std::uint8_t*>(first) - static_cast<std::uint8_t*>(second), 90);
  EXPECT_EQ(buffer->Unlock(first, first_bytes, second, second_bytes), DS_OK);
  EXPECT_EQ(buffer->Lock(90, 20, &first, &first_bytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(100, 1, &first, &first_bytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  int outside = 0;
  EXPECT_EQ(buffer->Unlock(&outside, 4, nullptr, 0), DSERR_INVALIDPARAM);
}

}  // namespace
