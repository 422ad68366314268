#include "sounds.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr float kPi = 3.14159265f;

std::uint32_t noise_state = 777;
float White() {
  noise_state = noise_state * 1664525u + 1013904223u;
  return float(int((noise_state >> 9) & 0xFFFF) - 32768) / 32768.0f;
}

// PCM mono at kRate, 8 or 16 bits.
bool WriteWave(const std::string& path, const std::vector<float>& samples, int bits) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto u16 = [&](unsigned v) { std::fputc(v & 0xFF, f), std::fputc((v >> 8) & 0xFF, f); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
  const unsigned block = bits / 8, data = unsigned(samples.size()) * block;
  const bool pad = data & 1;
  std::fwrite("RIFF", 1, 4, f);
  u32(4 + 8 + 16 + 8 + data + (pad ? 1 : 0));
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16), u16(1), u16(1), u32(kRate), u32(kRate * block), u16(block), u16(bits);
  std::fwrite("data", 1, 4, f);
  u32(data);
  for (float s : samples) {
    float c = s < -1 ? -1 : s > 1 ? 1 : s;
    if (bits == 8)
      std::fputc(int(std::lround(c * 127.0f)) + 128, f);
    else
      u16(unsigned(std::lround(c * 32767.0f)) & 0xFFFF);
  }
  if (pad) std::fputc(0, f);
  return std::fclose(f) == 0;
}

std::vector<float> Render(float seconds, const std::function<float(float t, float k)>& voice) {
  std::vector<float> out(size_t(seconds * kRate));
  for (size_t i = 0; i < out.size(); i++) out[i] = voice(float(i) / kRate, float(i) / out.size());
  return out;
}

float Square(float phase) { return std::fmod(phase, 1.0f) < 0.5f ? 1.0f : -1.0f; }

// A short blip for the menus.
std::vector<float> Tick(float freq, float seconds, float slide) {
  float phase = 0;
  return Render(seconds, [=](float t, float k) mutable {
    phase += (freq + slide * k) / kRate;
    return 0.4f * Square(phase) * (1 - k);
  });
}

// Filtered noise with a falling pitch: explosions and breakage.
std::vector<float> Boom(float seconds, float brightness, float crack) {
  float low = 0;
  return Render(seconds, [=](float t, float k) mutable {
    float n = White();
    low += (n - low) * (brightness * (1 - 0.8f * k));
    float env = std::exp(-4.0f * k) * (1 - std::exp(-t * 400));
    return 0.9f * env * (low * 1.5f + crack * n * std::exp(-30 * k));
  });
}

// A pitched hit: a tone with a noise edge.
std::vector<float> Hit(float freq, float seconds, float noise) {
  float phase = 0;
  return Render(seconds, [=](float t, float k) mutable {
    phase += freq * (1 - 0.5f * k) / kRate;
    return (0.5f * std::sin(2 * kPi * phase) + noise * White()) * std::exp(-6 * k);
  });
}

// A rising arpeggio for pickups and rewards.
std::vector<float> Chime(std::vector<float> notes, float note_seconds) {
  float phase = 0;
  float total = note_seconds * notes.size();
  return Render(total, [=](float t, float k) mutable {
    size_t n = std::min(notes.size() - 1, size_t(t / note_seconds));
    float local = (t - n * note_seconds) / note_seconds;
    phase += notes[n] / kRate;
    return 0.35f * (std::sin(2 * kPi * phase) + 0.3f * Square(phase)) * (1 - 0.7f * local) * (1 - 0.3f * k);
  });
}

// A zap whose pitch sweeps from `from` to `to`.
std::vector<float> Zap(float from, float to, float seconds, float noise) {
  float phase = 0;
  return Render(seconds, [=](float t, float k) mutable {
    phase += (from + (to - from) * k) / kRate;
    return (0.4f * Square(phase) + noise * White()) * (1 - k);
  });
}

// A seamless hum for the looping beam sounds: whole cycles of every partial in the buffer.
std::vector<float> Hum(float base_cycles, float seconds) {
  size_t n = size_t(seconds * kRate);
  std::vector<float> out(n);
  for (size_t i = 0; i < n; i++) {
    float x = float(i) / n;
    out[i] = 0.3f * std::sin(2 * kPi * base_cycles * x) + 0.15f * std::sin(2 * kPi * base_cycles * 2 * x) +
             0.08f * std::sin(2 * kPi * (base_cycles * 3 + 1) * x);
  }
  return out;
}

}  // namespace

bool MakeSounds(const std::string& folder) {
  struct Sound {
    const char* file;
    std::vector<float> samples;
    int bits;
  };
  const Sound sounds[] = {
      {"tick_denied_01.wav", Tick(140, 0.15f, -40), 8},
      {"tick_in_01.wav", Tick(660, 0.06f, 300), 8},
      {"tick_out_01.wav", Tick(520, 0.06f, -250), 8},
      {"tick_move_01.wav", Tick(880, 0.03f, 0), 8},
      {"tick_select_01.wav", Tick(990, 0.08f, 400), 8},
      {"explosion_01.wav", Boom(0.7f, 0.25f, 0.3f), 16},
      {"explosion_02.wav", Boom(0.9f, 0.15f, 0.4f), 16},
      {"explosion_03.wav", Boom(1.2f, 0.1f, 0.5f), 16},
      {"explosion_04.wav", Boom(0.5f, 0.4f, 0.2f), 16},
      {"explosion_05.wav", Boom(1.6f, 0.07f, 0.6f), 16},
      {"wood_breakage_01.wav", Boom(0.4f, 0.6f, 0.8f), 16},
      {"hit_wood_01.wav", Hit(300, 0.12f, 0.3f), 16},
      {"hit_metal_01.wav", Hit(1400, 0.15f, 0.15f), 16},
      {"hit_player_01.wav", Hit(180, 0.35f, 0.4f), 16},
      {"burn_01.wav", Boom(0.6f, 0.8f, 0.1f), 16},
      {"pow_01.wav", Chime({523, 659}, 0.06f), 16},
      {"pow_armor_01.wav", Chime({392, 523, 659}, 0.07f), 16},
      {"pow_bomb_01.wav", Chime({330, 440, 330}, 0.07f), 16},
      {"pow_crow_01.wav", Chime({587, 740, 880}, 0.07f), 16},
      {"pow_drum_01.wav", Chime({262, 330, 392}, 0.07f), 16},
      {"pow_forward_01.wav", Chime({523, 659, 784, 1047}, 0.06f), 16},
      {"pow_hawk_01.wav", Chime({659, 784, 988}, 0.07f), 16},
      {"fire_bomb_01.wav", Zap(300, 120, 0.2f, 0.2f), 16},
      {"fire_crow_01.wav", Zap(600, 1400, 0.25f, 0.3f), 16},
      {"fire_drum_01.wav", Zap(200, 80, 0.25f, 0.3f), 16},
      {"fire_forward_01.wav", Zap(1800, 600, 0.09f, 0.05f), 16},
      {"fire_hawk_01.wav", Zap(500, 1100, 0.2f, 0.2f), 16},
      {"hit_bomb_01.wav", Boom(0.6f, 0.3f, 0.4f), 16},
      {"hit_crow_01.wav", Boom(0.5f, 0.5f, 0.3f), 16},
      {"hit_drum_01.wav", Boom(0.8f, 0.2f, 0.5f), 16},
      {"hit_hawk_01.wav", Boom(0.5f, 0.35f, 0.4f), 16},
      {"miss_01.wav", Zap(400, 200, 0.3f, 0.4f), 16},
      {"beam_gun_01.wav", Zap(100, 900, 0.8f, 0.05f), 16},
      {"beam_gun_02.wav", Hum(110, 1.0f), 16},
      {"beam_gun_03.wav", Hum(220, 0.5f), 16},
      {"beam_gun_04.wav", Zap(900, 80, 0.5f, 0.1f), 16},
      {"reward_01.wav", Chime({523, 659, 784, 1047, 784, 1047}, 0.1f), 16},
      {"reward_02.wav", Chime({392, 523, 659, 784}, 0.12f), 16},
  };
  static_assert(sizeof(sounds) / sizeof(sounds[0]) == 38);
  bool ok = true;
  for (const Sound& s : sounds) ok &= WriteWave(folder + "/" + s.file, s.samples, s.bits);
  return ok;
}
