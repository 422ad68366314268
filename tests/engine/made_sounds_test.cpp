// The sounds the asset maker writes into the build's res folder, as the game reads and mixes them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/input.h"
#include "engine/main_loop.h"
#include "engine/sound.h"
#include "engine_state.h"
#include "platform/dsound.h"
#include "platform/script.h"
#include "support/temp_dir.h"
#include "wave/wave.h"
#include "world/game.h"
#include "world/projectiles.h"

namespace {

const std::string kRes = std::string(KESTRUNE_BUILD_DIR) + "/res/";

// Decibels of a level against a 16-bit full scale.
double Dbfs(double level) { return 20 * std::log10(std::max(level, 1e-3) / 32768.0); }

struct LoadedSound {
  WAVEFORMATEX format{};
  std::vector<std::int16_t> samples;  // 8-bit sounds widened to 16 bits as the mixer does
};

// Reads a sound the way the sound table does: open, find the data, read all of it, close.
::testing::AssertionResult Load(const std::string& path, LoadedSound* out) {
  HMMIO file = nullptr;
  WAVEFORMATEX* format = nullptr;
  MMCKINFO riff{}, data{};
  if (int r = WaveOpenRead(path.c_str(), &file, &format, &riff); r != 0)
    return ::testing::AssertionFailure() << "open: " << r;
  if (int r = WaveStartRead(&file, &data, &riff); r != 0) {
    WaveCloseRead(&file, &format);
    return ::testing::AssertionFailure() << "start: " << r;
  }
  std::vector<std::uint8_t> bytes(data.cksize);
  std::uint32_t read = 0;
  int r = WaveRead(file, data.cksize, bytes.data(), &data, &read);
  out->format = *format;
  WaveCloseRead(&file, &format);
  if (r != 0 || read != bytes.size()) return ::testing::AssertionFailure() << "read: " << r << ", " << read << " bytes";
  out->samples.clear();
  if (out->format.wBitsPerSample == 8) {
    for (std::uint8_t b : bytes) out->samples.push_back(static_cast<std::int16_t>((b - 128) * 256));
  } else {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      out->samples.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
  }
  return ::testing::AssertionSuccess();
}

// The RMS of a sound's loudest 100 ms, in dBFS; a sound shorter than that counts as silent for the rest.
double BodyDb(const std::vector<std::int16_t>& s, int rate) {
  const size_t window = static_cast<size_t>(rate / 10);
  double sum = 0, loudest = 0;
  for (size_t i = 0; i < s.size(); i++) {
    sum += double(s[i]) * s[i];
    if (i >= window) sum -= double(s[i - window]) * s[i - window];
    loudest = std::max(loudest, sum);
  }
  return Dbfs(std::sqrt(loudest / double(window)));
}

// Every sound is mastered to nearly full scale: the game plays them 30 dB down at its default volume.
TEST(MadeSounds, EachLoadsAsPlayablePcmPeakingBetweenMinusThreeAndMinusPointThreeDecibels) {
  for (const SoundFile& row : sound_files) {
    SCOPED_TRACE(row.file);
    LoadedSound sound;
    ASSERT_TRUE(Load(kRes + row.file, &sound));
    EXPECT_EQ(sound.format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_TRUE(sound.format.wBitsPerSample == 8 || sound.format.wBitsPerSample == 16);
    EXPECT_EQ(sound.format.nBlockAlign, sound.format.nChannels * sound.format.wBitsPerSample / 8);
    ASSERT_FALSE(sound.samples.empty());
    int peak = 0;
    for (std::int16_t s : sound.samples) peak = std::max(peak, std::abs(int(s)));
    EXPECT_GE(Dbfs(peak), -3.0);
    EXPECT_LE(Dbfs(peak), -0.3);
  }
}

// Each slot has its own sound: no file is a copy of another, nor the same sound at another level.
TEST(MadeSounds, NoTwoAreTheSame) {
  std::vector<LoadedSound> sounds(SOUND_SLOT_COUNT);
  for (int i = 0; i < SOUND_SLOT_COUNT; i++) ASSERT_TRUE(Load(kRes + sound_files[i].file, &sounds[i]));
  for (int a = 0; a < SOUND_SLOT_COUNT; a++) {
    for (int b = a + 1; b < SOUND_SLOT_COUNT; b++) {
      const std::vector<std::int16_t>& x = sounds[a].samples;
      const std::vector<std::int16_t>& y = sounds[b].samples;
      double xy = 0, xx = 0, yy = 0;
      for (size_t i = 0; i < std::min(x.size(), y.size()); i++) {
        xy += double(x[i]) * y[i], xx += double(x[i]) * x[i], yy += double(y[i]) * y[i];
      }
      double likeness = xx > 0 && yy > 0 ? std::fabs(xy) / std::sqrt(xx * yy) : 1.0;
      EXPECT_LT(likeness, 0.9) << sound_files[a].file << " and " << sound_files[b].file;
    }
  }
}

// A beam hum loops while the beam fires: its end must run into its start without a click.
TEST(MadeSounds, LoopingSoundsWrapWithoutAStep) {
  for (const SoundFile& row : sound_files) {
    if (!row.loop) continue;
    SCOPED_TRACE(row.file);
    LoadedSound sound;
    ASSERT_TRUE(Load(kRes + row.file, &sound));
    ASSERT_EQ(sound.format.nChannels, 1);
    // The step from the last sample round to the first is no larger than the sound's usual steps.
    const std::vector<std::int16_t>& s = sound.samples;
    double mean_step = 0;
    for (size_t i = 1; i < s.size(); i++) mean_step += std::abs(s[i] - s[i - 1]);
    mean_step /= double(s.size() - 1);
    EXPECT_GT(mean_step, 0) << "silent";
    EXPECT_LE(std::abs(s.front() - s.back()), 4 * mean_step);
  }
}

// A beam loop sounds as long as the beam fires: it holds one level, also where it runs from its
// end into its start (a crossfade of tones there swells by up to 3 dB), and it starts where its
// wave crosses zero, so that its first play starts without a click.
TEST(MadeSounds, LoopingSoundsHoldTheirLevelAndStartAtAZeroCrossing) {
  for (const SoundFile& row : sound_files) {
    if (!row.loop) continue;
    SCOPED_TRACE(row.file);
    LoadedSound sound;
    ASSERT_TRUE(Load(kRes + row.file, &sound));
    const std::vector<std::int16_t>& s = sound.samples;
    const size_t n = s.size(), window = sound.format.nSamplesPerSec / 10, step = window / 10;
    ASSERT_GT(n, window);
    // 100 ms windows every 10 ms all round the loop, those across the loop point included.
    std::vector<double> levels;
    for (size_t at = 0; at < n; at += step) {
      double sum = 0;
      for (size_t i = 0; i < window; i++) sum += double(s[(at + i) % n]) * s[(at + i) % n];
      levels.push_back(Dbfs(std::sqrt(sum / double(window))));
    }
    std::vector<double> sorted = levels;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2), sorted.end());
    const double median = sorted[sorted.size() / 2];
    for (size_t w = 0; w < levels.size(); w++) {
      EXPECT_NEAR(levels[w], median, 1.0)
          << "the 100 ms from " << w * step * 1000 / sound.format.nSamplesPerSec << " ms";
    }
    double mean_step = 0;
    for (size_t i = 1; i < n; i++) mean_step += std::abs(s[i] - s[i - 1]);
    mean_step /= double(n - 1);
    EXPECT_TRUE((s.back() < 0 && s.front() >= 0) || (s.back() > 0 && s.front() <= 0))
        << "last " << s.back() << ", first " << s.front();
    EXPECT_LE(std::abs(s.front()), mean_step);
  }
}

// Loudness by role, at one peak level: explosions and rewards carry the most body and last
// longest; the gun, heard several times a second, and the menu ticks are light and short.
TEST(MadeSounds, ExplosionsAndRewardsAreFullerAndLongerThanTheGunAndTheTicks) {
  auto is = [](const SoundFile& row, const char* prefix) { return std::string(row.file).rfind(prefix, 0) == 0; };
  struct Measured {
    const char* file;
    double body_db, seconds;
  };
  std::vector<Measured> fullest, lightest;
  for (const SoundFile& row : sound_files) {
    bool full = is(row, "explosion_") || is(row, "reward_");
    bool light = is(row, "tick_") || row.slot == &snd_fire_forward_01;
    if (!full && !light) continue;
    LoadedSound sound;
    ASSERT_TRUE(Load(kRes + row.file, &sound)) << row.file;
    const int rate = static_cast<int>(sound.format.nSamplesPerSec);
    Measured m{row.file, BodyDb(sound.samples, rate), double(sound.samples.size()) / rate};
    (full ? fullest : lightest).push_back(m);
  }
  ASSERT_EQ(fullest.size(), 7u);
  ASSERT_EQ(lightest.size(), 6u);
  for (const Measured& full : fullest) {
    for (const Measured& light : lightest) {
      EXPECT_GE(full.body_db, light.body_db + 4) << full.file << " against " << light.file;
      EXPECT_GT(full.seconds, light.seconds) << full.file << " against " << light.file;
    }
  }
}

// The game's own mix: stages of a Dev Mode game in God Mode, the gun held and missiles fired
// while the ship weaves, mixed pass by pass as the sound card would take it, at a given
// volume_effects.
class GameMix : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    std::filesystem::create_directory(dir / "bin");
    std::filesystem::create_directory_symlink(std::string(KESTRUNE_BUILD_DIR) + "/res", dir / "res");
    std::filesystem::current_path(dir / "bin");
    ResetEngineState();
  }
  void TearDown() override {
    ResetEngineState();
    WorkingDirTest::TearDown();
  }

  struct Mix {
    int frames = 0;                     // output frames in all
    int clipped = 0;                    // output frames with a channel at full scale
    int peak = 0;                       // the largest output sample
    int starts[SOUND_SLOT_COUNT] = {};  // plays that started a slot from its beginning
  };

  // Plays `passes` passes of a stage with the given gun and missile at the given volume.
  static Mix Play(int stage, int gun, int missile, int passes, int volume) {
    std::string script = "1 key 57 down\n";
    for (int p = 15; p < passes; p += 30)
      script += std::to_string(p) + " key 28 down\n" + std::to_string(p + 2) + " key 28 up\n";
    for (int p = 20; p < passes; p += 40) {
      int key = (p / 40) % 2 ? 200 : 208;
      script += std::to_string(p) + " key " + std::to_string(key) + " down\n";
      script += std::to_string(p + 15) + " key " + std::to_string(key) + " up\n";
    }
    Mix mix;
    ResetEngineState();
    EXPECT_TRUE(ScriptLoadText(script.c_str(), "mix"));
    setenv("KESTRUNE_TIME", "1000", 1);  // seeds the random generator: the same game every run
    testing::internal::CaptureStderr();
    EXPECT_EQ(StartUp(GetModuleHandleA(nullptr)), 0);
    unsetenv("KESTRUNE_TIME");
    RunPass();  // the boot pass
    volume_effects = static_cast<float>(volume);
    game_mode = MODE_DEV;
    god_mode = 1;
    forward_level = gun;
    missile_kind = missile;
    StartDevStage(stage);
    const DWORD frames = static_cast<DWORD>(sound_samples) * 50 / 1000;  // one pass of 20 a second
    static std::vector<std::int16_t> out;
    out.assign(frames * 2, 0);
    bool was_playing[SOUND_SLOT_COUNT];
    std::uint64_t was_at[SOUND_SLOT_COUNT];
    for (int p = 0; p < passes && !quit_flag; p++) {
      for (int i = 0; i < SOUND_SLOT_COUNT; i++) {
        const IDirectSoundBuffer* b = sound_files[i].slot->buffer;
        was_playing[i] = b && b->playing;
        was_at[i] = b ? b->cursor : 0;
      }
      RunPass();
      for (int i = 0; i < SOUND_SLOT_COUNT; i++) {
        const IDirectSoundBuffer* b = sound_files[i].slot->buffer;
        if (b && b->playing && (!was_playing[i] || b->cursor < was_at[i])) mix.starts[i]++;
      }
      MixSound(out.data(), frames);
      mix.frames += static_cast<int>(frames);
      for (DWORD i = 0; i < frames; i++) {
        int loudest = std::max(std::abs(int(out[2 * i])), std::abs(int(out[2 * i + 1])));
        if (loudest >= 32767) mix.clipped++;
        mix.peak = std::max(mix.peak, loudest);
      }
    }
    testing::internal::GetCapturedStderr();
    ResetEngineState();
    return mix;
  }
};

// Every sound peaks near full scale, so at full volume (100: volume_effects 0) sounds that meet
// at their peaks add up past 16 bits and the mixer saturates, as DirectSound's does: in the
// busiest games a few frames in a hundred, in explosions. From the default volume (70: -3000) up
// to a moderate one (85: -1500) the busiest mix fits.
TEST_F(GameMix, FitsSixteenBitsUpToModerateVolumeAndSeldomSaturatesAtFull) {
  struct Case {
    int stage, gun, missile;
  };
  const Case cases[] = {{1, 1, PROJ_BOMB},  {3, 2, PROJ_HAWK},  {5, 3, PROJ_DRUM}, {9, 3, PROJ_CROW},
                        {12, 2, PROJ_BOMB}, {15, 3, PROJ_HAWK}, {17, 3, PROJ_CROW}};
  const int volumes[] = {-3000, -1500, 0};
  for (int volume : volumes) {
    int clipped = 0, frames = 0, peak = 1;
    for (const Case& c : cases) {
      Mix mix = Play(c.stage, c.gun, c.missile, 720, volume);  // 36 seconds
      std::string played;
      int explosions = 0, shots = 0;
      for (int i = 0; i < SOUND_SLOT_COUNT; i++) {
        if (mix.starts[i]) played += std::string(" ") + sound_files[i].file + " " + std::to_string(mix.starts[i]);
        if (std::string(sound_files[i].file).rfind("explosion_", 0) == 0) explosions += mix.starts[i];
        if (sound_files[i].slot == &snd_fire_forward_01) shots = mix.starts[i];
      }
      SCOPED_TRACE("volume " + std::to_string(volume) + ", stage " + std::to_string(c.stage) + ", played:" + played);
      if (volume < 0) {
        EXPECT_EQ(mix.clipped, 0);
      } else {
        EXPECT_LE(mix.clipped, mix.frames / 20) << "more than 5 % of the frames saturate";
      }
      // A busy game that is heard at all: the gun, the explosions, and a mix that gets loud.
      EXPECT_GT(shots, 0) << "the gun was not heard";
      EXPECT_GT(explosions, 0) << "no explosion was heard";
      // Its loudest moment comes within 12 dB of what the volume leaves of full scale.
      EXPECT_GT(Dbfs(mix.peak), volume / 100.0 - 12) << "the loudest moment is too quiet";
      clipped += mix.clipped, frames += mix.frames;
      peak = std::max(peak, mix.peak);
    }
    std::printf("volume_effects %d: %d of %d frames saturated; the mix peaked at %.1f dBFS\n", volume, clipped, frames,
                Dbfs(peak));
  }
}

}  // namespace
