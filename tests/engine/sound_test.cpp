#include "engine/sound.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/config.h"
#include "engine/console.h"
#include "engine_state.h"
#include "support/temp_dir.h"
#include "wave/wave.h"

namespace {

int Count(const std::string& text, const std::string& line) {
  int count = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++count;
  return count;
}

// An install folder (bin beside res) with bin as the working folder, the sound configuration at
// its defaults, and no sound device until a test starts one.
class SoundTableTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directory(dir / "bin");
    std::filesystem::create_directory(dir / "res");
    old_dir = std::filesystem::current_path();
    std::filesystem::current_path(dir / "bin");
    ResetEngineState();
  }
  void TearDown() override {
    ResetEngineState();
    std::filesystem::current_path(old_dir);
    TempDirTest::TearDown();
  }

  // A 16-bit mono sound of frames frames in the asset folder.
  void Sound(const char* file, DWORD frames = 1000, WAVEFORMATEX format = PcmWaveFormat(1, 22050, 16)) {
    std::vector<std::uint8_t> samples(frames * format.nBlockAlign, 0x20);
    std::string path = Path(std::string("res/") + file);
    ASSERT_EQ(WaveSave(path.c_str(), static_cast<std::uint32_t>(samples.size()), frames, &format, samples.data()), 0);
  }

  // Every file of the sound table.
  void AllSounds() {
    for (const SoundFile& row : sound_files) Sound(row.file);
  }

  // The console lines printed while run ran, each ending "\n", as "console.log" got them (with no
  // display, each was also a message box, on standard error).
  template <typename Run>
  static std::string Printed(Run run) {
    std::filesystem::remove(CONSOLE_LOG_PATH);
    testing::internal::CaptureStderr();
    run();
    testing::internal::GetCapturedStderr();
    std::vector<unsigned char> bytes = Get(CONSOLE_LOG_PATH);
    std::string lines(bytes.begin(), bytes.end());
    for (size_t at = lines.find("\r\r\n"); at != std::string::npos; at = lines.find("\r\r\n", at)) {
      lines.replace(at, 3, "\n");
    }
    return lines;
  }

  // InitSound and LoadSoundTable as the start-up runs them; what they print.
  static std::string Start() {
    return Printed([] {
      InitSound();
      LoadSoundTable();
    });
  }

  static std::string Play(SoundSlot* snd, int frequency = 0, float x = 0, float y = 0, float z = 0) {
    return Printed([&] { PlaySoundSlot(snd, frequency, x, y, z); });
  }

  static DWORD Position(SoundSlot* snd) {
    DWORD play = 0;
    snd->buffer->GetCurrentPosition(&play, nullptr);
    return play;
  }

  std::filesystem::path old_dir;
};

TEST_F(SoundTableTest, TheTableHoldsEverySlotOnce) {
  for (int i = 0; i < SOUND_SLOT_COUNT; ++i) {
    for (int j = i + 1; j < SOUND_SLOT_COUNT; ++j) {
      EXPECT_NE(sound_files[i].slot, sound_files[j].slot) << sound_files[i].file;
      EXPECT_STRNE(sound_files[i].file, sound_files[j].file);
    }
    bool beam = sound_files[i].slot == &snd_beam_gun_02 || sound_files[i].slot == &snd_beam_gun_03;
    EXPECT_EQ(sound_files[i].rewind, beam ? 0 : 1) << sound_files[i].file;
    EXPECT_EQ(sound_files[i].loop, beam ? 1 : 0) << sound_files[i].file;
  }
  EXPECT_EQ(sound_files[0].slot, &snd_tick_denied_01);
  EXPECT_STREQ(sound_files[0].file, "tick_denied_01.wav");
  EXPECT_STREQ(sound_files[33].file, "beam_gun_02.wav");
  EXPECT_EQ(sound_files[37].slot, &snd_reward_02);
}

TEST_F(SoundTableTest, StartUpLoadsEverySoundInTheConfiguredFormat) {
  AllSounds();
  std::string printed = Start();
  EXPECT_EQ(printed, "");
  ASSERT_NE(direct_sound, nullptr);
  ASSERT_NE(primary_buffer, nullptr);
  WAVEFORMATEX format = {};
  primary_buffer->GetFormat(&format, sizeof(format), nullptr);
  EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.wBitsPerSample, 16);
  EXPECT_EQ(format.nBlockAlign, 4);
  EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
  for (const SoundFile& row : sound_files) {
    ASSERT_NE(row.slot->buffer, nullptr) << row.file;
    EXPECT_EQ(row.slot->rewind, row.rewind);
    EXPECT_EQ(row.slot->loop, row.loop);
  }
  snd_beam_gun_02.buffer->GetFormat(&format, sizeof(format), nullptr);
  EXPECT_EQ(format.nSamplesPerSec, 22050u) << "each buffer keeps its file's format";
}

TEST_F(SoundTableTest, DisabledSoundSaysSoOnceAndEveryPlayAfter) {
  AllSounds();
  volume_effects = -10000;
  EXPECT_EQ(Start(), "Sound System Disabled.\n");
  EXPECT_EQ(direct_sound, nullptr);
  EXPECT_EQ(snd_explosion_01.buffer, nullptr);
  EXPECT_EQ(Play(&snd_explosion_01), "Undefined snd or snd.buffer\n");
  EXPECT_EQ(Play(&snd_tick_move_01, 0, 10, 20, 0), "Undefined snd or snd.buffer\n");
  EXPECT_EQ(Play(nullptr), "Undefined snd or snd.buffer\n");
  StopSoundSlot(&snd_beam_gun_02);  // nothing to stop
}

TEST_F(SoundTableTest, ADeviceThatCannotBeMadeLeavesTheGameSilent) {
  AllSounds();
  headless_sound_create_result = DSERR_NODRIVER;
  std::string printed = Start();
  EXPECT_EQ(Count(printed, "\n"), 1) << printed;
  EXPECT_EQ(printed, "Error Creating DirectSound Device.\n");
  EXPECT_EQ(direct_sound, nullptr);
  EXPECT_EQ(Play(&snd_reward_01), "Undefined snd or snd.buffer\n");
}

TEST_F(SoundTableTest, PrimaryBufferFailuresAreReportedAndSoundGoesOn) {
  Sound("tick_move_01.wav");
  struct Case {
    HRESULT result;
    const char* message;
  } cases[] = {
      {DSERR_PRIOLEVELNEEDED, "(DSERR_PRIOLEVELNEEDED) Error Creating Primary DirectSound Buffer."},
      {DSERR_INVALIDPARAM, "(DSERR_INVALIDPARAM) Error Creating Primary DirectSound Buffer."},
      {DSERR_NOINTERFACE, "(DSERR_NOINTERFACE) Error Creating Primary DirectSound Buffer."},
      {DSERR_GENERIC, "(DSERR_GENERIC) Error Creating Primary DirectSound Buffer."},
      {DSERR_OUTOFMEMORY, "Out of Memory Error Creating Primary DirectSound Buffer."},
      {DSERR_CONTROLUNAVAIL, "Effect(s) Control Error Creating Primary DirectSound Buffer."},
      {DSERR_INVALIDCALL, "(DSERR_INVALIDCALL) Error Creating Primary DirectSound Buffer."},
      {DSERR_BUFFERTOOSMALL, "(DSERR_BUFFERTOOSMALL) Error Creating Primary DirectSound Buffer."},
      {DSERR_NODRIVER, "(DSERR_NODRIVER) Error Creating Primary DirectSound Buffer."},
      {DSERR_UNINITIALIZED, "(DSERR_UNINITIALIZED) Error Creating Primary DirectSound Buffer."},
      {DS_INCOMPLETE, "(DS_INCOMPLETE) Error Creating Primary DirectSound Buffer."},
      {DSERR_BADFORMAT, "Unknown Error Creating Primary DirectSound Buffer."},
  };
  for (const Case& c : cases) {
    headless_sound_primary_result = c.result;
    std::string printed = Printed([] {
      InitSound();
      LoadSound(&snd_tick_move_01, 1, 0, "tick_move_01.wav");
    });
    EXPECT_EQ(printed, std::string(c.message) + "\n");
    EXPECT_NE(direct_sound, nullptr);
    EXPECT_EQ(primary_buffer, nullptr);
    EXPECT_NE(snd_tick_move_01.buffer, nullptr) << "the sounds still load";
    EXPECT_EQ(Play(&snd_tick_move_01), "");
  }
}

TEST_F(SoundTableTest, UnusableFilesLeaveTheirSlotsEmpty) {
  Sound("explosion_01.wav");
  std::string printed = Start();
  ASSERT_NE(snd_explosion_01.buffer, nullptr);
  EXPECT_NE(printed.find("Error Opening File ..\\res\\tick_denied_01.wav\n"), std::string::npos) << printed;
  EXPECT_EQ(Count(printed, "Error Opening File"), SOUND_SLOT_COUNT - 1);

  // A header with no data chunk, one whose data is cut short, one claiming more than a sound may
  // hold, and formats no buffer takes.
  auto put = [this](const char* file, std::vector<unsigned char> bytes) { Put(std::string("res/") + file, bytes); };
  std::vector<unsigned char> header = {'R', 'I', 'F', 'F', 0xF0, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V', 'E',
                                       'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x22, 0x56, 0, 0,
                                       0x44, 0xAC, 0, 0, 2, 0, 16, 0};
  put("no_data.wav", header);
  std::vector<unsigned char> cut = header;
  cut.insert(cut.end(), {'d', 'a', 't', 'a', 100, 0, 0, 0});
  cut.insert(cut.end(), 40, 0x11);
  put("cut.wav", cut);
  std::vector<unsigned char> huge = header;
  huge.insert(huge.end(), {'d', 'a', 't', 'a', 0, 0, 0, 0x10});
  put("huge.wav", huge);
  WAVEFORMATEX silent = PcmWaveFormat(1, 22050, 16);
  silent.nChannels = 0;
  Sound("silent.wav", 100, silent);
  WAVEFORMATEX adpcm = PcmWaveFormat(1, 22050, 4);
  adpcm.wFormatTag = 2;
  adpcm.nBlockAlign = 256;
  Sound("adpcm.wav", 4, adpcm);

  struct Case {
    const char* file;
    const char* message;
  } cases[] = {
      {"missing.wav", "Error Opening File ..\\res\\missing.wav\n"},
      {"no_data.wav", "Error Reading Data From ..\\res\\no_data.wav\n"},
      {"cut.wav", "Error Reading Data From ..\\res\\cut.wav\n"},
      {"huge.wav", "Error Reading Data From ..\\res\\huge.wav\n"},
      {"silent.wav", ""},
      {"adpcm.wav", ""},
  };
  for (const Case& c : cases) {
    ASSERT_NE(snd_explosion_01.buffer, nullptr);
    EXPECT_EQ(Printed([&] { LoadSound(&snd_explosion_01, 0, 1, c.file); }), c.message) << c.file;
    EXPECT_EQ(snd_explosion_01.buffer, nullptr) << c.file;
    EXPECT_EQ(snd_explosion_01.rewind, 0);
    EXPECT_EQ(snd_explosion_01.loop, 1);
    EXPECT_EQ(Play(&snd_explosion_01), "Undefined snd or snd.buffer\n");
    LoadSound(&snd_explosion_01, 1, 0, "explosion_01.wav");
  }
}

// WAVE files nobody here made (a WAVE library's test samples, and WAVE_FORMAT_EXTENSIBLE files of
// libsndfile): 8- and 16-bit integer PCM plays, in its plain and its extensible form alike; wider
// samples, IEEE float and damaged files leave their slot empty, with the line of the step that
// failed, or without one when only the buffer refused the sound.
TEST_F(SoundTableTest, WaveFilesOfOtherToolsPlayOrLeaveTheirSlotEmpty) {
  const std::filesystem::path sounds = std::filesystem::path(KESTRUNE_FIXTURES) / "sounds";
  const std::filesystem::path suite = std::filesystem::path(KESTRUNE_REALDATA) / "wav";
  struct Case {
    std::filesystem::path file;
    const char* message;  // what loading it prints, "%s" standing for its path; null: it plays
  };
  std::vector<Case> cases = {
      {sounds / "wavex_16bit_22050_mono.wav", nullptr},  {sounds / "wavex_16bit_44100_stereo.wav", nullptr},
      {sounds / "wavex_8bit_11025_mono.wav", nullptr},   {sounds / "wavex_8bit_22050_stereo.wav", nullptr},
  };
  if (std::filesystem::exists(suite)) {
    const char* opening = "Error Opening File %s\n";
    const std::pair<const char*, const char*> suite_cases[] = {
        {"hound_fuzz_crash-24728523ef4be15c838293b676f6853e73723bf4.wav", opening},
        {"hound_fuzz_crash-b8447179832529c48f9c6bf17feab6337bbc78ea.wav", opening},
        {"hound_fuzz_crash-cbd757427cea12bd8a21f86cd8cf74d98ce56bee.wav", opening},
        {"hound_fuzz_crash-e5471f5b58397287b509db7d026e95f1724454f5.wav", ""},  // float
        {"hound_fuzz_crash-e879de4eb4d206c59e21f0e01def16457af80fdc.wav", opening},
        {"hound_fuzz_oom-48ae4cd061ff8578ad3f23dc87624bd365cf5216.wav", opening},
        {"hound_nonstandard-01.wav", ""},  // 24 bits
        {"hound_nonstandard-02.wav", ""},
        {"hound_pcmwaveformat-16bit-44100Hz-mono-extra.wav", nullptr},
        {"hound_pcmwaveformat-16bit-44100Hz-mono.wav", nullptr},
        {"hound_pcmwaveformat-24bit-4byte-48kHz-stereo.wav", ""},
        {"hound_pcmwaveformat-8bit-44100Hz-mono.wav", nullptr},
        {"hound_pop.wav", nullptr},  // extensible, 16 bits
        {"hound_pro_tools_bext.wav", ""},  // 24 bits
        {"hound_reaper_bext.wav", nullptr},
        {"hound_wav_agent_bext.wav", ""},  // 2 bytes of sound, less than a buffer holds
        {"hound_waveformatex-16bit-44100Hz-mono-extra.wav", nullptr},
        {"hound_waveformatex-16bit-44100Hz-mono.wav", nullptr},
        {"hound_waveformatex-16bit-44100Hz-stereo.wav", nullptr},
        {"hound_waveformatex-8bit-11025Hz-mono.wav", nullptr},
        {"hound_waveformatex-ieeefloat-44100Hz-mono.wav", ""},
        {"hound_waveformatextensible-24bit-192kHz-mono.wav", ""},
        {"hound_waveformatextensible-24bit-4byte-48kHz-stereo.wav", ""},
        {"hound_waveformatextensible-32bit-48kHz-stereo.wav", ""},
        {"hound_waveformatextensible-ieeefloat-44100Hz-mono.wav", ""},
    };
    for (const auto& [file, message] : suite_cases) cases.push_back({suite / file, message});
  }
  for (const Case& c : cases) std::filesystem::copy_file(c.file, dir / "res" / c.file.filename());
  Start();
  for (const Case& c : cases) {
    const std::string name = c.file.filename().string();
    char expected[300] = "";
    if (c.message) std::snprintf(expected, sizeof expected, c.message, ("..\\res\\" + name).c_str());
    EXPECT_EQ(Printed([&] { LoadSound(&snd_explosion_01, 1, 0, name.c_str()); }), expected) << name;
    EXPECT_EQ(snd_explosion_01.buffer != nullptr, c.message == nullptr) << name;
    EXPECT_EQ(Play(&snd_explosion_01), c.message ? "Undefined snd or snd.buffer\n" : "") << name;
  }
}

TEST_F(SoundTableTest, PanFollowsTheSourceAndTheWidth) {
  Sound("hit_metal_01.wav");
  Start();
  ASSERT_NE(snd_hit_metal_01.buffer, nullptr);
  struct Case {
    float width;
    float x, y, z;
    LONG pan;
  } cases[] = {
      {1, 0, 0, 0, 0},           {1, 0, 50, 0, -140},        {1, 140, 50, 0, 140},
      {1, 165, 50, 0, 190},      {1, 70, 50, 0, 0},          {1, 69.9f, 50, 0, -2},
      {1, 70, 0, 0, 0},          {0, 0, 0, 1, -70},          {0, 1e30f, 1, 0, 10000},
      {2, 10, 1, 0, -240},       {13, 71, 1, 0, 8192},       {14, 71, 1, 0, 10000},
      {31, 69, 1, 0, -10000},    {31, 71, 1, 0, 10000},      {40, 71, 1, 0, 10000},
      {-3, 75, 1, 0, 5},         {1, -1e30f, 1, 0, -10000},  {1, 0, 0, 0.5f, -140},
  };
  for (const Case& c : cases) {
    sound_width = c.width;
    snd_hit_metal_01.buffer->SetPan(1234);
    EXPECT_EQ(Play(&snd_hit_metal_01, 0, c.x, c.y, c.z), "");
    LONG pan = 0;
    snd_hit_metal_01.buffer->GetPan(&pan);
    EXPECT_EQ(pan, c.pan) << "width " << c.width << " at " << c.x << ", " << c.y << ", " << c.z;
  }
}

TEST_F(SoundTableTest, FrequencyPersistsUntilChanged) {
  Sound("fire_forward_01.wav");
  Start();
  SoundSlot* snd = &snd_fire_forward_01;
  DWORD frequency = 0;
  EXPECT_EQ(Play(snd), "");
  snd->buffer->GetFrequency(&frequency);
  EXPECT_EQ(frequency, 22050u) << "the file's own until one is set";
  EXPECT_EQ(Play(snd, 30000), "");
  EXPECT_EQ(Play(snd, 0), "");
  snd->buffer->GetFrequency(&frequency);
  EXPECT_EQ(frequency, 30000u);
  EXPECT_EQ(Play(snd, 50), "Invalid Pitch\n");
  EXPECT_EQ(Play(snd, 200000), "Invalid Pitch\n");
  EXPECT_EQ(Play(snd, -5), "Invalid Pitch\n");
  snd->buffer->GetFrequency(&frequency);
  EXPECT_EQ(frequency, 30000u);
}

TEST_F(SoundTableTest, VolumeComesFromTheConfigurationKeptToItsRange) {
  Sound("pow_01.wav");
  Start();
  SoundSlot* snd = &snd_pow_01;
  struct Case {
    float effects;
    float music;
    SoundSlot* music_slot;
    LONG volume;
  } cases[] = {
      {-3000, -4000, nullptr, -3000},   {-2999.9f, -4000, nullptr, -2999}, {500, -4000, nullptr, 0},
      {-25000, -4000, nullptr, -10000}, {-3000, -4000, snd, -4000},        {-3000, 1e20f, snd, 0},
  };
  for (const Case& c : cases) {
    volume_effects = c.effects;
    volume_music = c.music;
    music_slot = c.music_slot;
    Play(snd);
    LONG volume = 1;
    snd->buffer->GetVolume(&volume);
    EXPECT_EQ(volume, c.volume) << c.effects << " " << c.music;
  }
  music_slot = nullptr;
  EXPECT_EQ(Play(music_slot), "Undefined snd or snd.buffer\n") << "the music test finds no music";
}

TEST_F(SoundTableTest, RewindingSlotsRestartAndLoopingOnesGoOn) {
  Sound("explosion_01.wav", 4000);
  Sound("beam_gun_02.wav", 600);
  Start();
  std::vector<std::int16_t> out(2 * 1000);

  PlaySoundSlot(&snd_explosion_01, 0, 0, 0, 0);
  MixSound(out.data(), 1000);
  EXPECT_GT(Position(&snd_explosion_01), 0u);
  PlaySoundSlot(&snd_explosion_01, 0, 0, 0, 0);
  EXPECT_EQ(Position(&snd_explosion_01), 0u) << "a rewinding slot cuts itself off";

  PlaySoundSlot(&snd_beam_gun_02, 0, 0, 0, 0);
  MixSound(out.data(), 1000);
  DWORD before = Position(&snd_beam_gun_02);
  EXPECT_GT(before, 0u);
  PlaySoundSlot(&snd_beam_gun_02, 0, 0, 0, 0);
  EXPECT_EQ(Position(&snd_beam_gun_02), before) << "playing it again does not restart it";
  DWORD status = 0;
  snd_beam_gun_02.buffer->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);

  // Past its end a loop goes round; stopped, it keeps its place for the next play.
  MixSound(out.data(), 1000);
  MixSound(out.data(), 1000);
  snd_beam_gun_02.buffer->GetStatus(&status);
  EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  StopSoundSlot(&snd_beam_gun_02);
  before = Position(&snd_beam_gun_02);
  MixSound(out.data(), 1000);
  snd_beam_gun_02.buffer->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(Position(&snd_beam_gun_02), before);
  StopSoundSlot(&snd_beam_gun_03);  // never loaded: nothing happens
}

}  // namespace
