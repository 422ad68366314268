#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "wave/wave.h"

// Every sound is mono, 16 bits, 44100 samples a second: the game plays explosions, hits and shots
// at frequencies of 15000 to 80000, pitched around that rate. Each is mixed from oscillators,
// noise, filters and envelopes, then mastered to one peak level with the body its role calls for
// (see Mastering), since the game plays every sound 30 dB down at its default volume.

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

using Buffer = std::vector<float>;

Buffer Silence(double seconds) { return Buffer(size_t(seconds * kRate + 0.5), 0.0f); }
double Time(size_t i) { return double(i) / kRate; }

// A small deterministic generator per sound, so one sound's change never shifts another's noise.
struct Rng {
  std::uint32_t state;
  float Uniform() {  // 0..1
    state = state * 1664525u + 1013904223u;
    return float(state >> 8) / 16777216.0f;
  }
  float White() { return 2.0f * Uniform() - 1.0f; }
};

// Topology-preserving state-variable filter: low, band and high pass at once.
struct Svf {
  double ic1 = 0, ic2 = 0;
  double low = 0, band = 0, high = 0;
  void Run(double x, double cutoff, double q) {
    cutoff = std::clamp(cutoff, 10.0, kRate * 0.45);
    double g = std::tan(kPi * cutoff / kRate), k = 1.0 / q;
    double a1 = 1.0 / (1.0 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    double v3 = x - ic2, v1 = a1 * ic1 + a2 * v3, v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    low = v2, band = v1, high = x - k * v1 - v2;
  }
};

// A phase accumulator; the band-limited saw and square keep high notes from aliasing.
struct Osc {
  double phase = 0;
  double Advance(double freq) {
    double step = freq / kRate;
    phase += step;
    phase -= std::floor(phase);
    return step;
  }
  static double Blep(double t, double dt) {
    if (t < dt) {
      t /= dt;
      return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
      t = (t - 1.0) / dt;
      return t * t + t + t + 1.0;
    }
    return 0.0;
  }
  double Sine(double freq) {
    Advance(freq);
    return std::sin(2 * kPi * phase);
  }
  double Saw(double freq) {
    double dt = Advance(freq);
    return 2.0 * phase - 1.0 - Blep(phase, dt);
  }
  double Square(double freq) {
    double dt = Advance(freq);
    double s = phase < 0.5 ? 1.0 : -1.0;
    s += Blep(phase, dt);
    double shifted = phase + 0.5 - std::floor(phase + 0.5);
    return s - Blep(shifted, dt);
  }
  double Triangle(double freq) {
    Advance(freq);
    return 1.0 - 4.0 * std::fabs(phase - 0.5);
  }
};

// Envelopes over seconds.
// Full until it starts to fall at t = 0.
double Decay(double t, double tau) { return t < 0 ? 1 : std::exp(-t / tau); }
double Attack(double t, double rise) { return t <= 0 ? 0 : t >= rise ? 1 : t / rise; }
// Rises over `rise`, then falls exponentially with `tau`.
double Hit(double t, double rise, double tau) { return Attack(t, rise) * Decay(t - rise, tau); }
// From a to b exponentially over `tau` seconds.
double Glide(double t, double a, double b, double tau) { return b + (a - b) * std::exp(-t / tau); }
double Soft(double x, double drive) { return std::tanh(x * drive) / std::tanh(drive); }

// Short fades at both ends keep a cut-off sound from clicking.
void Fade(Buffer& b, double in_seconds, double out_seconds) {
  size_t in = std::min(b.size(), size_t(in_seconds * kRate)), out = std::min(b.size(), size_t(out_seconds * kRate));
  for (size_t i = 0; i < in; i++) b[i] *= float(i) / in;
  for (size_t i = 0; i < out; i++) b[b.size() - 1 - i] *= float(i) / out;
}

// Lays one part of a sound into another, its ends faded so that it starts and stops cleanly.
void Add(Buffer& to, Buffer from, double at_seconds, double gain = 1.0) {
  Fade(from, 0.001, 0.008);
  size_t at = size_t(at_seconds * kRate + 0.5);
  for (size_t i = 0; i < from.size() && at + i < to.size(); i++) to[at + i] += float(from[i] * gain);
}

// Takes out any offset (a filter's or an asymmetric shape's) so the sound sits on zero.
void RemoveDc(Buffer& b) {
  double prev_in = 0, prev_out = 0;
  for (float& s : b) {
    double out = s - prev_in + 0.9995 * prev_out;
    prev_in = s, prev_out = out;
    s = float(out);
  }
}

// Scales the sound so its largest sample stands at peak_db decibels below full scale.
void Normalize(Buffer& b, double peak_db) {
  float peak = 0;
  for (float s : b) peak = std::max(peak, std::fabs(s));
  if (peak <= 0) return;
  float gain = float(std::pow(10.0, peak_db / 20.0) / peak);
  for (float& s : b) s *= gain;
}

// Rounds off the few highest peaks of a spiky sound, so it carries more body at the same peak.
Buffer Limit(Buffer b, double drive) {
  Normalize(b, 0);
  for (float& s : b) s = float(Soft(s, drive));
  return b;
}

// Finishes a one-shot sound: centred and faded at its ends. Its level is set by Master.
Buffer Finish(Buffer b, double fade_in = 0.002, double fade_out = 0.01) {
  RemoveDc(b);
  Fade(b, fade_in, fade_out);
  return b;
}

// Noise that repeats every `length` samples, for sounds that loop.
Buffer LoopedNoise(size_t length, std::uint32_t seed) {
  Buffer noise(length);
  Rng r{seed};
  for (float& s : noise) s = r.White();
  return noise;
}

// A loop of `length` samples from the end of a take whose input repeats exactly with that period
// (its tones and modulations run whole cycles in it, its noise is LoopedNoise): by then the
// filters have settled, so the loop runs into itself with no seam and, having no crossfade, no
// swell where tones would add up. It starts on the rising zero crossing nearest to zero.
Buffer Loop(Buffer take, size_t length) {
  RemoveDc(take);
  Buffer b(take.end() - std::ptrdiff_t(length), take.end());
  size_t start = 0;
  float nearest = 2;
  for (size_t i = 0; i < length; i++) {
    float before = b[(i + length - 1) % length];
    if (before < 0 && b[i] >= 0 && b[i] < nearest) nearest = b[i], start = i;
  }
  std::rotate(b.begin(), b.begin() + std::ptrdiff_t(start), b.end());
  return b;
}

// ---- Mastering ---------------------------------------------------------------------------------
//
// Every sound peaks at kPeakDb: the game plays them 30 dB down at its default volume. How loud a
// sound is heard is its body, the RMS of its loudest 100 ms (a shorter sound counts as silent for
// the rest), which each row of the sound table gives by the sound's role. A sound whose shape
// carries less body than its role has its peaks pressed by a look-ahead limiter until it does.

constexpr double kPeakDb = -1.0;
constexpr double kBodyToleranceDb = 0.5;
constexpr double kMostPressDb = 15.0;  // more would flatten a sound into a drone

double BodyDb(const Buffer& b) {
  const size_t window = kRate / 10;
  double sum = 0, loudest = 0;
  for (size_t i = 0; i < b.size(); i++) {
    sum += double(b[i]) * b[i];
    if (i >= window) sum -= double(b[i - window]) * b[i - window];
    loudest = std::max(loudest, sum);
  }
  return 10 * std::log10(std::max(loudest / window, 1e-20));
}

// The limiter: each sample's gain is the least any sample within `ahead` of it needs to stay at
// the ceiling, recovering over `release` seconds, then averaged over half of `ahead`. Every
// averaged gain comes from samples whose window holds this one, so no sample ends above the
// ceiling; the gain falls smoothly ahead of a peak instead of clipping it. A looping sound is
// pressed as three copies of itself, the middle one kept, so the gain runs across its loop point.
void PressPeaks(Buffer& b, float ceiling, bool loops) {
  const double release = 0.04;
  const size_t ahead = size_t(0.0015 * kRate), half = ahead / 2, n = b.size();
  Buffer x = b;
  if (loops) {
    x.insert(x.end(), b.begin(), b.end());
    x.insert(x.end(), b.begin(), b.end());
  }
  const size_t m = x.size();
  std::vector<double> need(m), least(m);
  for (size_t i = 0; i < m; i++) need[i] = std::fabs(x[i]) > ceiling ? ceiling / std::fabs(x[i]) : 1.0;
  std::deque<size_t> window;  // a running minimum: indices whose need rises from front to back
  for (size_t j = 0; j < m + ahead; j++) {
    if (j < m) {
      while (!window.empty() && need[window.back()] >= need[j]) window.pop_back();
      window.push_back(j);
    }
    if (j < ahead) continue;
    size_t i = j - ahead;
    while (window.front() + ahead < i) window.pop_front();
    least[i] = need[window.front()];
  }
  const double recover = 1 - std::exp(-1.0 / (release * kRate));
  for (size_t i = 1; i < m; i++) least[i] = std::min(least[i], least[i - 1] + (1 - least[i - 1]) * recover);
  std::vector<double> sums(m + 1, 0.0);
  for (size_t i = 0; i < m; i++) sums[i + 1] = sums[i] + least[i];
  for (size_t i = 0; i < m; i++) {
    size_t from = i > half ? i - half : 0, to = std::min(m, i + half + 1);
    x[i] = float(x[i] * (sums[to] - sums[from]) / double(to - from));
  }
  size_t kept = loops ? n : 0;
  std::copy(x.begin() + std::ptrdiff_t(kept), x.begin() + std::ptrdiff_t(kept + n), b.begin());
}

// Brings a sound to its peak and its body; false, with the reason, when its shape is denser than
// its role allows (its body stands above body_db at the peak) or cannot be pressed to it.
bool Master(Buffer& b, double body_db, bool loops, std::string* why) {
  Normalize(b, kPeakDb);
  const double natural = BodyDb(b);
  char text[160];
  if (natural > body_db + kBodyToleranceDb) {
    std::snprintf(text, sizeof text, "its body is %.1f dBFS at its peak, above its %.1f", natural, body_db);
    *why = text;
    return false;
  }
  if (natural >= body_db - kBodyToleranceDb) return true;
  // The body grows with the drive into the limiter: find the drive that meets it.
  const float ceiling = float(std::pow(10.0, kPeakDb / 20.0));
  double low = 0, high = kMostPressDb;
  Buffer pressed;
  for (int step = 0; step < 20; step++) {
    double drive = 0.5 * (low + high);
    pressed = b;
    for (float& s : pressed) s *= float(std::pow(10.0, drive / 20.0));
    PressPeaks(pressed, ceiling, loops);
    (BodyDb(pressed) < body_db ? low : high) = drive;
  }
  pressed = b;
  for (float& s : pressed) s *= float(std::pow(10.0, high / 20.0));
  PressPeaks(pressed, ceiling, loops);
  Normalize(pressed, kPeakDb);
  if (BodyDb(pressed) < body_db - kBodyToleranceDb) {
    std::snprintf(text, sizeof text, "pressed by %.0f dB its body is only %.1f dBFS of %.1f", kMostPressDb,
                  BodyDb(pressed), body_db);
    *why = text;
    return false;
  }
  b = std::move(pressed);
  return true;
}

// ---- Menus -------------------------------------------------------------------------------------

// A soft, short click of a wooden key: the cursor moves.
Buffer TickMove() {
  Buffer b = Silence(0.05);
  Osc a, c;
  Rng r{11};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    b[i] = float(a.Sine(1850) * Decay(t, 0.009) + 0.35 * c.Sine(3720) * Decay(t, 0.004) +
                 0.25 * r.White() * Decay(t, 0.0015));
  }
  return Finish(b, 0.0005, 0.005);
}

// Two rising blips: into a screen.
Buffer TickIn() {
  Buffer b = Silence(0.13);
  for (int n = 0; n < 2; n++) {
    Buffer blip = Silence(0.07);
    Osc o, h;
    double f = n == 0 ? 988 : 1480;
    for (size_t i = 0; i < blip.size(); i++) {
      double t = Time(i);
      blip[i] = float((o.Triangle(f) + 0.3 * h.Sine(2 * f)) * Hit(t, 0.002, 0.012));
    }
    Add(b, blip, n * 0.045);
  }
  return Finish(b);
}

// The same falling, softer: back out of a screen.
Buffer TickOut() {
  Buffer b = Silence(0.13);
  for (int n = 0; n < 2; n++) {
    Buffer blip = Silence(0.07);
    Osc o;
    double f = n == 0 ? 1175 : 784;
    for (size_t i = 0; i < blip.size(); i++) {
      double t = Time(i);
      blip[i] = float(o.Triangle(f) * Hit(t, 0.003, 0.011));
    }
    Add(b, blip, n * 0.045);
  }
  return Finish(b);
}

// A bright bell with a quick upward chirp: a choice is taken.
Buffer TickSelect() {
  Buffer b = Silence(0.3);
  Osc chirp, bell, mod, fifth;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double c = chirp.Sine(Glide(t, 900, 2400, 0.02)) * Decay(t, 0.012);
    double m = mod.Sine(1568 * 3.5) * 2.0 * Decay(t, 0.05);
    double bl = std::sin(2 * kPi * (bell.phase) + m) * Hit(t, 0.004, 0.028);
    bell.Advance(1568);
    double f5 = fifth.Sine(2349) * Hit(t - 0.03, 0.004, 0.025) * 0.5;
    b[i] = float(0.6 * c + bl + f5);
  }
  return Finish(b);
}

// A low, buzzing double "nuh-uh": not allowed.
Buffer TickDenied() {
  Buffer b = Silence(0.24);
  for (int n = 0; n < 2; n++) {
    Buffer buzz = Silence(0.09);
    Osc a, c;
    Svf f;
    for (size_t i = 0; i < buzz.size(); i++) {
      double t = Time(i);
      double x = a.Square(n ? 139 : 156) + c.Square(n ? 146.5 : 165);
      f.Run(x, 1400, 0.8);
      buzz[i] = float(f.low * Attack(t, 0.004) * Decay(t, 0.012));
    }
    Add(b, buzz, n * 0.12);
  }
  return Finish(b);
}

// ---- Explosions and breakage ---------------------------------------------------------------------

struct Blast {
  double seconds;
  double thump_from, thump_to, thump_tau, thump_gain;  // the pressure wave: a falling sine
  double body_from, body_to, body_tau, body_gain;      // the fireball: noise whose brightness falls
  double crack_gain;                                   // the first bright edge
  double debris_rate, debris_gain;                     // crackles per second at the start
  double rumble_tau, rumble_gain;                      // the low roll after
  double drive;                                        // saturation
  std::uint32_t seed;
};

Buffer Explosion(const Blast& p) {
  Buffer b = Silence(p.seconds);
  Rng r{p.seed};
  Osc thump;
  Svf body, rumble, crack, debris;
  double brown = 0, grain = 0, grain_tau = 0.004, grain_env = 0, grain_peak = 0;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double n = r.White();
    double th = thump.Sine(Glide(t, p.thump_from, p.thump_to, p.thump_tau)) * Hit(t, 0.003, p.thump_tau * 2.5);
    body.Run(n, Glide(t, p.body_from, p.body_to, p.body_tau * 1.5), 0.7);
    double bd = body.low * Hit(t, 0.004, p.body_tau);
    brown = 0.995 * brown + 0.05 * n;
    rumble.Run(brown, 160, 0.9);
    double rm = rumble.low * Attack(t, 0.05) * Decay(t, p.rumble_tau);
    crack.Run(n, 5000, 0.6);
    double ck = crack.high * Decay(t, 0.006);
    // Crackles: short grains of bright noise, thinning out.
    double rate = p.debris_rate * Decay(t, p.seconds * 0.3);
    if (r.Uniform() < rate / kRate) {
      grain_peak = 0.4 + 0.6 * r.Uniform();
      grain_tau = 0.002 + 0.006 * r.Uniform();
    }
    grain_peak *= std::exp(-1.0 / (grain_tau * kRate));
    grain_env += (grain_peak - grain_env) * 0.05;  // a soft edge rather than a click
    debris.Run(n, 2600, 1.2);
    grain = debris.band * grain_env;
    double x =
        p.thump_gain * th + p.body_gain * bd * 4 + p.rumble_gain * rm * 6 + p.crack_gain * ck + p.debris_gain * grain;
    b[i] = float(Soft(x, p.drive));
  }
  return Finish(b, 0.0005, 0.05);
}

// A small craft pops: short, bright.
Buffer Explosion1() {
  return Explosion({.seconds = 0.6,
                    .thump_from = 170,
                    .thump_to = 55,
                    .thump_tau = 0.04,
                    .thump_gain = 0.9,
                    .body_from = 3500,
                    .body_to = 500,
                    .body_tau = 0.08,
                    .body_gain = 1.4,
                    .crack_gain = 0.6,
                    .debris_rate = 60,
                    .debris_gain = 0.5,
                    .rumble_tau = 0.15,
                    .rumble_gain = 0.5,
                    .drive = 2.0,
                    .seed = 501});
}

// A medium blast full of flying debris.
Buffer Explosion2() {
  return Explosion({.seconds = 1.0,
                    .thump_from = 130,
                    .thump_to = 45,
                    .thump_tau = 0.06,
                    .thump_gain = 0.9,
                    .body_from = 2800,
                    .body_to = 300,
                    .body_tau = 0.14,
                    .body_gain = 1.2,
                    .crack_gain = 0.5,
                    .debris_rate = 160,
                    .debris_gain = 1.2,
                    .rumble_tau = 0.3,
                    .rumble_gain = 0.7,
                    .drive = 2.5,
                    .seed = 502});
}

// A big, deep boom with a long roll.
Buffer Explosion3() {
  return Explosion({.seconds = 1.6,
                    .thump_from = 95,
                    .thump_to = 32,
                    .thump_tau = 0.09,
                    .thump_gain = 1.2,
                    .body_from = 1800,
                    .body_to = 150,
                    .body_tau = 0.28,
                    .body_gain = 1.1,
                    .crack_gain = 0.4,
                    .debris_rate = 50,
                    .debris_gain = 0.5,
                    .rumble_tau = 0.6,
                    .rumble_gain = 1.2,
                    .drive = 3.0,
                    .seed = 503});
}

// A sharp, cracking blast that is over quickly.
Buffer Explosion4() {
  return Explosion({.seconds = 0.8,
                    .thump_from = 220,
                    .thump_to = 60,
                    .thump_tau = 0.025,
                    .thump_gain = 0.8,
                    .body_from = 6000,
                    .body_to = 700,
                    .body_tau = 0.07,
                    .body_gain = 1.3,
                    .crack_gain = 1.4,
                    .debris_rate = 90,
                    .debris_gain = 0.8,
                    .rumble_tau = 0.25,
                    .rumble_gain = 0.5,
                    .drive = 3.5,
                    .seed = 504});
}

// The largest: a blast and a second one inside it, debris and a long rumble.
Buffer Explosion5() {
  Buffer b = Explosion({.seconds = 2.2,
                        .thump_from = 80,
                        .thump_to = 28,
                        .thump_tau = 0.12,
                        .thump_gain = 1.2,
                        .body_from = 2200,
                        .body_to = 120,
                        .body_tau = 0.35,
                        .body_gain = 1.1,
                        .crack_gain = 0.7,
                        .debris_rate = 120,
                        .debris_gain = 0.9,
                        .rumble_tau = 0.9,
                        .rumble_gain = 1.3,
                        .drive = 2.5,
                        .seed = 505});
  Add(b,
      Explosion({.seconds = 1.5,
                 .thump_from = 110,
                 .thump_to = 35,
                 .thump_tau = 0.07,
                 .thump_gain = 1.0,
                 .body_from = 2600,
                 .body_to = 200,
                 .body_tau = 0.2,
                 .body_gain = 1.0,
                 .crack_gain = 0.5,
                 .debris_rate = 80,
                 .debris_gain = 0.7,
                 .rumble_tau = 0.5,
                 .rumble_gain = 0.6,
                 .drive = 2.0,
                 .seed = 515}),
      0.16, 0.7);
  return Finish(b, 0.0005, 0.08);
}

// Planks split: a run of dry cracks over woody knocks and a dull thud.
Buffer WoodBreakage() {
  Buffer b = Silence(0.6);
  Rng r{610};
  double at = 0;
  for (int n = 0; n < 11; n++) {
    Buffer crack = Silence(0.06);
    Svf f;
    double centre = 1200 + 2800 * r.Uniform(), tau = 0.004 + 0.012 * r.Uniform();
    for (size_t i = 0; i < crack.size(); i++) {
      f.Run(r.White(), centre, 2.5);
      crack[i] = float(f.band * Decay(Time(i), tau));
    }
    Add(b, crack, at, n == 0 ? 1.0 : 0.3 + 0.6 * r.Uniform());
    at += 0.008 + 0.035 * r.Uniform() * (1 + n * 0.15);
  }
  Buffer body = Silence(0.35);
  Osc m1, m2, m3, thud;
  for (size_t i = 0; i < body.size(); i++) {
    double t = Time(i);
    body[i] =
        float(0.6 * m1.Sine(235) * Decay(t, 0.05) + 0.4 * m2.Sine(512) * Decay(t, 0.03) +
              0.3 * m3.Sine(877) * Decay(t, 0.02) + 0.8 * thud.Sine(Glide(t, 120, 60, 0.03)) * Hit(t, 0.002, 0.06));
  }
  Add(b, body, 0.0, 0.35);
  Add(b, body, 0.11, 0.2);
  return Finish(Limit(b, 2.0), 0.0005, 0.03);
}

// ---- Hits ----------------------------------------------------------------------------------------

// A hollow knock on wood.
Buffer HitWood() {
  Buffer b = Silence(0.2);
  Osc m1, m2, m3;
  Svf f;
  Rng r{620};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    f.Run(r.White(), 2200, 1.5);
    b[i] = float(m1.Sine(Glide(t, 380, 330, 0.01)) * Decay(t, 0.045) + 0.6 * m2.Sine(790) * Decay(t, 0.025) +
                 0.35 * m3.Sine(1430) * Decay(t, 0.012) + 0.9 * f.band * Decay(t, 0.004));
  }
  return Finish(b, 0.0005);
}

// A clank on armour plate: the inharmonic ring of a struck bar.
Buffer HitMetal() {
  Buffer b = Silence(0.35);
  const double base = 840, ratios[] = {1.0, 2.76, 5.40, 8.93, 1.52};
  const double taus[] = {0.16, 0.09, 0.05, 0.03, 0.12};
  const double gains[] = {0.8, 0.6, 0.45, 0.3, 0.35};
  Osc partials[5];
  Svf f;
  Rng r{630};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i), x = 0;
    for (int k = 0; k < 5; k++) x += gains[k] * partials[k].Sine(base * ratios[k]) * Hit(t, 0.0005, taus[k]);
    f.Run(r.White(), 6000, 0.7);
    x += 0.8 * f.high * Decay(t, 0.003);
    b[i] = float(x);
  }
  return Finish(b, 0.0003);
}

// The player's hull is struck: a heavy thump, a crunch and a warbling ring.
Buffer HitPlayer() {
  Buffer b = Silence(0.5);
  Osc thump, ring1, ring2, ring3;
  Svf f;
  Rng r{640};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double th = thump.Sine(Glide(t, 140, 45, 0.04)) * Hit(t, 0.002, 0.09);
    f.Run(r.White(), Glide(t, 1800, 500, 0.05), 1.2);
    double crunch = Soft(f.band * 4, 3) * Hit(t, 0.001, 0.05);
    double ring = (ring1.Sine(430) + ring2.Sine(437) + 0.6 * ring3.Sine(1190)) * Hit(t, 0.002, 0.14);
    b[i] = float(1.1 * th + 0.5 * crunch + 0.3 * ring);
  }
  return Finish(Limit(b, 1.5), 0.0005, 0.02);
}

// The hull scrapes a hot surface: a sizzle with crackles over a soft whump.
Buffer Burn() {
  Buffer b = Silence(0.75);
  Svf hiss, sweep;
  Osc whump;
  Rng r{650};
  double crackle = 0;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double n = r.White();
    hiss.Run(n, 5000, 0.7);
    sweep.Run(n, Glide(t, 1500, 6500, 0.25), 2.0);
    if (r.Uniform() < 120.0 / kRate) crackle = 0.6 + 0.4 * r.Uniform();
    crackle *= 0.992;
    double env = Attack(t, 0.02) * Decay(t, 0.22);
    double x = 0.5 * hiss.high * env * (0.5 + crackle) + 0.6 * sweep.band * env +
               0.7 * n * crackle * crackle * Decay(t, 0.3) +
               0.8 * whump.Sine(Glide(t, 110, 50, 0.05)) * Hit(t, 0.003, 0.07);
    b[i] = float(x);
  }
  return Finish(Limit(b, 1.5), 0.001, 0.06);
}

// ---- Pickups -------------------------------------------------------------------------------------

// Every pickup: a quick bright bling (the pickup's own sound plays with it).
Buffer Pow() {
  Buffer b = Silence(0.14);
  Osc a, c;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    b[i] = float((a.Sine(1760) + 0.6 * c.Sine(2637)) * Hit(t, 0.002, 0.045));
  }
  return Finish(b);
}

// Gun power: a fast arpeggio sweeping up with its filter opening.
Buffer PowForward() {
  const double notes[] = {523.25, 659.25, 783.99, 1046.5, 1318.5};
  Buffer b = Silence(0.42);
  Osc o, sub;
  Svf f;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    int n = std::min(4, int(t / 0.045));
    double x = o.Saw(notes[n]) + 0.5 * sub.Square(notes[n] / 2);
    f.Run(x, 600 + 9000 * std::min(1.0, t / 0.25), 1.8);
    b[i] = float(f.low * Attack(t, 0.003) * (t < 0.22 ? 1.0 : Decay(t - 0.22, 0.06)));
  }
  return Finish(b);
}

// Armour: a warm chord that swells and shimmers.
Buffer PowArmor() {
  const double notes[] = {440.0, 554.37, 659.25, 880.0};
  Buffer b = Silence(0.55);
  Osc o[8];
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i), x = 0;
    for (int k = 0; k < 4; k++) x += o[2 * k].Triangle(notes[k] * 1.003) + o[2 * k + 1].Triangle(notes[k] * 0.997);
    double tremolo = 0.75 + 0.25 * std::sin(2 * kPi * 14 * t);
    b[i] = float(x * tremolo * Attack(t, 0.06) * Decay(t - 0.06, 0.16));
  }
  return Finish(b, 0.002, 0.03);
}

// Bombs loaded: two heavy clunks and a low note.
Buffer PowBomb() {
  Buffer b = Silence(0.36);
  for (int n = 0; n < 2; n++) {
    Buffer clunk = Silence(0.12);
    Osc m1, m2;
    Rng r{uint32_t(660 + n)};
    Svf f;
    for (size_t i = 0; i < clunk.size(); i++) {
      double t = Time(i);
      f.Run(r.White(), 1500, 1.0);
      clunk[i] = float(m1.Sine(n ? 210 : 180) * Decay(t, 0.03) + 0.5 * m2.Sine(n ? 655 : 560) * Decay(t, 0.015) +
                       0.6 * f.band * Decay(t, 0.005));
    }
    Add(b, clunk, n * 0.09);
  }
  Buffer note = Silence(0.2);
  Osc sq;
  Svf f;
  for (size_t i = 0; i < note.size(); i++) {
    f.Run(sq.Square(196), 1200, 0.9);
    note[i] = float(f.low * Hit(Time(i), 0.005, 0.06));
  }
  Add(b, note, 0.16, 0.6);
  return Finish(b);
}

// Hawk missiles: a gliding, fluttering whistle, like a hawk's cry.
Buffer PowHawk() {
  Buffer b = Silence(0.4);
  Osc o, mod;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double f = Glide(t, 1150, 2000, 0.08) * (1 + 0.02 * std::sin(2 * kPi * 11 * t));
    double m = mod.Sine(f * 2) * 0.6;
    o.Advance(f);
    double flutter = 0.7 + 0.3 * std::sin(2 * kPi * 28 * t);
    b[i] = float(std::sin(2 * kPi * o.phase + m) * flutter * Attack(t, 0.01) * Decay(t - 0.01, 0.05));
  }
  return Finish(b);
}

// Drum missiles: three tom strokes, rising.
Buffer PowDrum() {
  Buffer b = Silence(0.4);
  const double pitches[] = {110, 147, 196};
  for (int n = 0; n < 3; n++) {
    Buffer tom = Silence(0.2);
    Osc o;
    Rng r{uint32_t(670 + n)};
    for (size_t i = 0; i < tom.size(); i++) {
      double t = Time(i);
      tom[i] = float(o.Sine(Glide(t, pitches[n] * 1.6, pitches[n], 0.015)) * Hit(t, 0.001, 0.07) +
                     0.15 * r.White() * Decay(t, 0.004));
    }
    Add(b, tom, n * 0.07, 0.7 + 0.15 * n);
  }
  return Finish(b);
}

// Crow missiles: two harsh caws.
Buffer PowCrow() {
  Buffer b = Silence(0.38);
  for (int n = 0; n < 2; n++) {
    Buffer caw = Silence(0.14);
    Osc o;
    Svf formant1, formant2;
    for (size_t i = 0; i < caw.size(); i++) {
      double t = Time(i);
      double x = o.Saw(Glide(t, n ? 760 : 680, n ? 560 : 480, 0.05) * (1 + 0.03 * std::sin(2 * kPi * 55 * t)));
      formant1.Run(x, 1100, 4);
      formant2.Run(x, 2500, 5);
      caw[i] = float((formant1.band + 0.7 * formant2.band) * Attack(t, 0.01) * Decay(t - 0.01, 0.05));
    }
    Add(b, caw, n * 0.17);
  }
  return Finish(b);
}

// ---- Firing --------------------------------------------------------------------------------------

// The main gun: a short laser "pew" falling in pitch (played lower as the gun grows).
Buffer FireForward() {
  Buffer b = Silence(0.06);
  Osc o, sub;
  Svf f;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double freq = Glide(t, 3400, 650, 0.02);
    f.Run(o.Square(freq) + 0.6 * sub.Sine(freq / 2), 7000, 0.7);
    b[i] = float(f.low * Hit(t, 0.001, 0.018));
  }
  return Finish(b, 0.0005, 0.008);
}

// A bomb is let go: a latch clack, a thunk and a short falling whoosh.
Buffer FireBomb() {
  Buffer b = Silence(0.32);
  Osc thunk;
  Svf clack, whoosh;
  Rng r{700};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double n = r.White();
    clack.Run(n, 3000, 2);
    whoosh.Run(n, Glide(t, 1400, 350, 0.12), 1.5);
    b[i] = float(0.9 * thunk.Sine(Glide(t, 190, 70, 0.03)) * Hit(t, 0.001, 0.05) + 0.7 * clack.band * Decay(t, 0.006) +
                 0.5 * whoosh.band * Hit(t - 0.03, 0.05, 0.08));
  }
  return Finish(b);
}

// A hawk missile leaves: an ignition pop, then a rocket hiss climbing away.
Buffer FireHawk() {
  Buffer b = Silence(0.5);
  Svf hiss, pop;
  Rng r{710};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double n = r.White();
    pop.Run(n, 900, 1);
    hiss.Run(n, Glide(t, 700, 3500, 0.15), 1.3);
    double flutter = 0.8 + 0.2 * std::sin(2 * kPi * 31 * t);
    b[i] = float(1.2 * pop.low * Hit(t, 0.001, 0.015) + hiss.band * flutter * Attack(t, 0.03) * Decay(t, 0.16));
  }
  return Finish(Limit(b, 2.0), 0.0005, 0.03);
}

// A drum missile: the deep boom of a heavy cannon.
Buffer FireDrum() {
  Buffer b = Silence(0.5);
  Osc boom;
  Svf blast;
  Rng r{720};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    blast.Run(r.White(), Glide(t, 2500, 300, 0.05), 0.8);
    double x = 1.2 * boom.Sine(Glide(t, 100, 38, 0.05)) * Hit(t, 0.002, 0.08) + 1.0 * blast.low * Hit(t, 0.001, 0.06);
    b[i] = float(Soft(x, 1.0));
  }
  return Finish(b, 0.0005, 0.04);
}

// A crow missile: a screeching zap rising away.
Buffer FireCrow() {
  Buffer b = Silence(0.3);
  Osc carrier, mod;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double f = Glide(t, 550, 1600, 0.1);
    double m = mod.Sine(f * 1.41) * (4.0 * Decay(t, 0.08) + 0.5);
    carrier.Advance(f);
    b[i] = float(std::sin(2 * kPi * carrier.phase + m) * Attack(t, 0.004) * Decay(t, 0.05));
  }
  return Finish(b);
}

// ---- Missile hits and misses ---------------------------------------------------------------------

// A bomb lands: a punchy, thick blast.
Buffer HitBomb() {
  return Explosion({.seconds = 0.65,
                    .thump_from = 150,
                    .thump_to = 48,
                    .thump_tau = 0.05,
                    .thump_gain = 1.3,
                    .body_from = 2400,
                    .body_to = 350,
                    .body_tau = 0.09,
                    .body_gain = 1.2,
                    .crack_gain = 0.8,
                    .debris_rate = 40,
                    .debris_gain = 0.4,
                    .rumble_tau = 0.18,
                    .rumble_gain = 0.5,
                    .drive = 4.0,
                    .seed = 800});
}

// A hawk strikes: a sharp crack and a short ring of torn metal.
Buffer HitHawk() {
  Buffer b = Silence(0.35);
  Svf crack;
  Osc r1, r2;
  Rng r{810};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    crack.Run(r.White(), 3500, 0.9);
    b[i] =
        float(1.2 * crack.band * Hit(t, 0.0005, 0.02) + 0.35 * (r1.Sine(1230) + r2.Sine(1873)) * Hit(t, 0.001, 0.07));
  }
  return Finish(Limit(b, 1.5), 0.0003);
}

// A drum lands: a deep, heavy thud that shakes the ground.
Buffer HitDrum() {
  return Explosion({.seconds = 0.9,
                    .thump_from = 85,
                    .thump_to = 30,
                    .thump_tau = 0.08,
                    .thump_gain = 1.6,
                    .body_from = 1200,
                    .body_to = 120,
                    .body_tau = 0.12,
                    .body_gain = 0.9,
                    .crack_gain = 0.3,
                    .debris_rate = 20,
                    .debris_gain = 0.3,
                    .rumble_tau = 0.35,
                    .rumble_gain = 1.0,
                    .drive = 3.0,
                    .seed = 820});
}

// A crow bites: a burst of electric crackle.
Buffer HitCrow() {
  Buffer b = Silence(0.42);
  Rng r{830};
  Svf f;
  Osc ring;
  double held = 0;
  int hold = 0;
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    // Sample-and-hold noise: a coarse, buzzing grit.
    if (--hold <= 0) {
      held = r.White();
      hold = 3 + int(r.Uniform() * 9);
    }
    double buzz = held * ring.Sine(Glide(t, 2600, 900, 0.1));
    f.Run(buzz, 4000, 0.8);
    double gate = r.Uniform() < 0.7 ? 1.0 : 0.3;
    b[i] = float(f.low * gate * Hit(t, 0.002, 0.1));
  }
  return Finish(Limit(b, 2.0), 0.0005, 0.03);
}

// A missile spent on something that cannot be hurt: a dull fizzle.
Buffer Miss() {
  Buffer b = Silence(0.28);
  Svf f;
  Osc tick;
  Rng r{840};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    f.Run(r.White(), Glide(t, 2600, 500, 0.07), 2.5);
    b[i] = float(f.band * Hit(t, 0.004, 0.07) + 0.4 * tick.Sine(300) * Decay(t, 0.008));
  }
  return Finish(Limit(b, 2.0));
}

// ---- The boss's beam gun -------------------------------------------------------------------------

// Charging: a whine that climbs for a second.
Buffer BeamCharge() {
  Buffer b = Silence(1.05);
  Osc o, o2;
  Svf f;
  Rng r{900};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double k = std::min(1.0, t / 0.95);
    double freq = 110 * std::pow(8.0, k);
    f.Run(o.Saw(freq) + o2.Saw(freq * 1.007) + 0.3 * r.White(), 400 + 5000 * k, 3.0);
    b[i] = float(f.low * (0.15 + 0.85 * k * k) * (t < 0.97 ? 1.0 : Decay(t - 0.97, 0.02)));
  }
  return Finish(b, 0.01, 0.02);
}

// The beam's body: a low electric hum, harmonics of 55 Hz through a resonance that sways, with
// a tremble, a slow vibrato and a hiss; looping. Everything runs whole cycles in the loop's second,
// and the tremble a whole cycle in 100 ms, so the hum holds one level all through.
Buffer BeamHum() {
  const size_t loop = kRate;
  const Buffer noise = LoopedNoise(loop, 910);
  Buffer take(3 * loop);
  Osc o[3], vibrato;
  Svf f;
  for (size_t i = 0; i < take.size(); i++) {
    double t = Time(i);
    double base = 55 * (1 + 0.01 * vibrato.Sine(6));
    double x = o[0].Saw(base) + 0.6 * o[1].Sine(2 * base) + 0.3 * o[2].Square(3 * base) + 0.2 * noise[i % loop];
    f.Run(x, 900 + 300 * std::sin(2 * kPi * 3 * t), 2.0);
    take[i] = float(f.low * (0.85 + 0.15 * std::sin(2 * kPi * 10 * t)));
  }
  return Loop(take, loop);
}

// The beam's edge: a high sizzle and whine, looping over the hum; whole cycles in half a second,
// the sizzle's flutter two in every 100 ms.
Buffer BeamSizzle() {
  const size_t loop = kRate / 2;
  const Buffer noise = LoopedNoise(loop, 920);
  Buffer take(3 * loop);
  Osc whine, wob;
  Svf f;
  for (size_t i = 0; i < take.size(); i++) {
    double t = Time(i);
    f.Run(noise[i % loop], 5200, 1.5);
    double tremolo = 0.6 + 0.4 * std::sin(2 * kPi * 20 * t);
    take[i] = float(f.band * tremolo + 0.35 * whine.Sine(1760 + 25 * wob.Sine(8)));
  }
  return Loop(take, loop);
}

// Powering down: the pitch sinks away with a last crackle.
Buffer BeamEnd() {
  Buffer b = Silence(0.75);
  Osc o, o2;
  Svf f;
  Rng r{930};
  for (size_t i = 0; i < b.size(); i++) {
    double t = Time(i);
    double freq = Glide(t, 880, 45, 0.2);
    f.Run(o.Saw(freq) + o2.Saw(freq * 0.993) + 0.4 * r.White() * Decay(t, 0.08), Glide(t, 6000, 300, 0.2), 2.5);
    b[i] = float(f.low * Decay(t, 0.25));
  }
  return Finish(b, 0.002, 0.04);
}

// ---- Rewards -------------------------------------------------------------------------------------

// A brass note: a saw through a filter that opens with the note.
void Brass(Buffer& b, double at, double freq, double seconds, double gain) {
  Buffer note = Silence(seconds + 0.15);
  Osc o1, o2;
  Svf f;
  for (size_t i = 0; i < note.size(); i++) {
    double t = Time(i);
    double vibrato = 1 + 0.004 * std::sin(2 * kPi * 5.5 * t) * Attack(t - 0.15, 0.2);
    double env = Attack(t, 0.02) * (t < seconds ? 0.8 + 0.2 * Decay(t, 0.08) : 0.8 * Decay(t - seconds, 0.05));
    f.Run(o1.Saw(freq * vibrato) + o2.Saw(freq * vibrato * 1.004), freq * (2 + 6 * env), 1.0);
    note[i] = float(f.low * env);
  }
  Add(b, note, at, gain);
}

// A feature is unlocked: a short brass fanfare ending on a held chord.
Buffer Reward1() {
  Buffer b = Silence(1.35);
  Brass(b, 0.00, 523.25, 0.11, 1.0);
  Brass(b, 0.12, 659.25, 0.11, 1.0);
  Brass(b, 0.24, 783.99, 0.11, 1.0);
  for (double f : {523.25, 659.25, 783.99, 1046.5}) Brass(b, 0.36, f, 0.8, 0.6);
  return Finish(b, 0.002, 0.05);
}

// A high score: a peal of bells, then a sparkle.
Buffer Reward2() {
  Buffer b = Silence(1.3);
  const double notes[] = {783.99, 987.77, 1174.66, 1567.98};
  for (int n = 0; n < 4; n++) {
    Buffer bell = Silence(0.9);
    Osc carrier, mod;
    for (size_t i = 0; i < bell.size(); i++) {
      double t = Time(i);
      double m = mod.Sine(notes[n] * 1.4) * 2.5 * Decay(t, 0.2);
      carrier.Advance(notes[n]);
      bell[i] = float(std::sin(2 * kPi * carrier.phase + m) * Hit(t, 0.002, 0.3));
    }
    Add(b, bell, n * 0.1);
  }
  Rng r{950};
  for (int n = 0; n < 10; n++) {
    Buffer spark = Silence(0.08);
    Osc o;
    double f = 2500 + 2500 * r.Uniform();
    for (size_t i = 0; i < spark.size(); i++) spark[i] = float(o.Sine(f) * Hit(Time(i), 0.001, 0.02));
    Add(b, spark, 0.42 + n * 0.05 + 0.02 * r.Uniform(), 0.25);
  }
  return Finish(b, 0.002, 0.05);
}

// PCM mono 16 bits at kRate, through the game's own WAVE writer. Samples are rounded and kept
// inside the 16-bit range.
bool WriteWave(const std::string& path, const Buffer& samples) {
  std::vector<std::uint8_t> data;
  data.reserve(samples.size() * 2);
  for (float s : samples) {
    long v = std::clamp(std::lround(double(s) * 32767.0), -32767L, 32767L);
    data.push_back(std::uint8_t(v & 0xFF));
    data.push_back(std::uint8_t((v >> 8) & 0xFF));
  }
  const WAVEFORMATEX format = PcmWaveFormat(1, kRate, 16);
  return WaveSave(path.c_str(), std::uint32_t(data.size()), std::uint32_t(samples.size()), &format, data.data()) == 0;
}

}  // namespace

bool MakeSounds(const std::string& folder) {
  struct Sound {
    const char* file;
    Buffer (*make)();
    double body_db;  // RMS of its loudest 100 ms, dBFS, at its peak of kPeakDb
    bool loops = false;
  };
  // file, the function that makes it, its body, and when the game plays it. Explosions and
  // rewards are the fullest; the gun, heard several times a second, and the menu ticks the lightest.
  const Sound sounds[] = {
      {.file = "tick_denied_01.wav", .make = TickDenied, .body_db = -14},  // menus: not allowed
      {.file = "tick_in_01.wav", .make = TickIn, .body_db = -14},          // menus: into a screen
      {.file = "tick_out_01.wav", .make = TickOut, .body_db = -14.5},      // menus: back out
      {.file = "tick_move_01.wav", .make = TickMove, .body_db = -15},      // menus: the cursor moves
      {.file = "tick_select_01.wav", .make = TickSelect, .body_db = -14},  // menus: a choice is taken
      {.file = "explosion_01.wav", .make = Explosion1, .body_db = -5},     // a thing destroyed (five in turn)
      {.file = "explosion_02.wav", .make = Explosion2, .body_db = -5},
      {.file = "explosion_03.wav", .make = Explosion3, .body_db = -5},
      {.file = "explosion_04.wav", .make = Explosion4, .body_db = -4},
      {.file = "explosion_05.wav", .make = Explosion5, .body_db = -5},
      {.file = "wood_breakage_01.wav", .make = WoodBreakage, .body_db = -10},  // a wooden thing destroyed
      {.file = "hit_wood_01.wav", .make = HitWood, .body_db = -13},            // a wooden thing hit
      {.file = "hit_metal_01.wav", .make = HitMetal, .body_db = -12},          // any other thing hit
      {.file = "hit_player_01.wav", .make = HitPlayer, .body_db = -8.5},       // the player's ship hit
      {.file = "burn_01.wav", .make = Burn, .body_db = -8},                    // the ship touches ground or ceiling
      {.file = "pow_01.wav", .make = Pow, .body_db = -13},                     // any pickup
      {.file = "pow_armor_01.wav", .make = PowArmor, .body_db = -10.5},        // pickups by kind
      {.file = "pow_bomb_01.wav", .make = PowBomb, .body_db = -10.5},
      {.file = "pow_crow_01.wav", .make = PowCrow, .body_db = -11},
      {.file = "pow_drum_01.wav", .make = PowDrum, .body_db = -9.5},
      {.file = "pow_forward_01.wav", .make = PowForward, .body_db = -10},
      {.file = "pow_hawk_01.wav", .make = PowHawk, .body_db = -9},
      {.file = "fire_bomb_01.wav", .make = FireBomb, .body_db = -11},  // the player's missiles fired
      {.file = "fire_crow_01.wav", .make = FireCrow, .body_db = -10},
      {.file = "fire_drum_01.wav", .make = FireDrum, .body_db = -7.5},
      {.file = "fire_forward_01.wav", .make = FireForward, .body_db = -15},  // the player's gun
      {.file = "fire_hawk_01.wav", .make = FireHawk, .body_db = -10.5},
      {.file = "hit_bomb_01.wav", .make = HitBomb, .body_db = -4},  // the player's missiles hitting
      {.file = "hit_crow_01.wav", .make = HitCrow, .body_db = -9.5},
      {.file = "hit_drum_01.wav", .make = HitDrum, .body_db = -4},
      {.file = "hit_hawk_01.wav", .make = HitHawk, .body_db = -9},
      {.file = "miss_01.wav", .make = Miss, .body_db = -12},                           // a missile spent without harm
      {.file = "beam_gun_01.wav", .make = BeamCharge, .body_db = -10},                 // the beam gun charges
      {.file = "beam_gun_02.wav", .make = BeamHum, .body_db = -10, .loops = true},     // the beam fires
      {.file = "beam_gun_03.wav", .make = BeamSizzle, .body_db = -13, .loops = true},  // the beam fires
      {.file = "beam_gun_04.wav", .make = BeamEnd, .body_db = -11},                    // the beam dies away
      {.file = "reward_01.wav", .make = Reward1, .body_db = -8.5},                     // a feature unlocked
      {.file = "reward_02.wav", .make = Reward2, .body_db = -8},                       // a high score
  };
  static_assert(sizeof(sounds) / sizeof(sounds[0]) == 38);
  bool ok = true;
  for (const Sound& s : sounds) {
    Buffer b = s.make();
    std::string why;
    if (!Master(b, s.body_db, s.loops, &why)) {
      std::fprintf(stderr, "make_assets: %s: %s\n", s.file, why.c_str());
      ok = false;
    } else if (!WriteWave(folder + "/" + s.file, b)) {
      std::fprintf(stderr, "make_assets: %s cannot be written\n", s.file);
      ok = false;
    }
  }
  return ok;
}
