#include "fake_engine.h"

#include <cstdio>

std::vector<EngineCall> engine_calls;
int fake_fail_commits;

#define SOUND(name) SoundSlot snd_##name{"snd_" #name, true};
SOUND(tick_denied_01) SOUND(tick_in_01) SOUND(tick_out_01) SOUND(tick_move_01) SOUND(tick_select_01)
SOUND(explosion_01) SOUND(explosion_02) SOUND(explosion_03) SOUND(explosion_04) SOUND(explosion_05)
SOUND(wood_breakage_01) SOUND(hit_wood_01) SOUND(hit_metal_01) SOUND(hit_player_01) SOUND(burn_01)
SOUND(pow_01) SOUND(pow_armor_01) SOUND(pow_bomb_01) SOUND(pow_crow_01) SOUND(pow_drum_01)
SOUND(pow_forward_01) SOUND(pow_hawk_01)
SOUND(fire_bomb_01) SOUND(fire_crow_01) SOUND(fire_drum_01) SOUND(fire_forward_01) SOUND(fire_hawk_01)
SOUND(hit_bomb_01) SOUND(hit_crow_01) SOUND(hit_drum_01) SOUND(hit_hawk_01) SOUND(miss_01)
SOUND(beam_gun_01) SOUND(beam_gun_02) SOUND(beam_gun_03) SOUND(beam_gun_04)
SOUND(reward_01) SOUND(reward_02)
#undef SOUND

MeshSlot mesh_sky_cloudy_01{"mesh_sky_cloudy_01"}, mesh_sky_cloudy_02{"mesh_sky_cloudy_02"},
    mesh_sky_clear_01{"mesh_sky_clear_01"}, mesh_sky_desert_01{"mesh_sky_desert_01"},
    mesh_sky_sunset_01{"mesh_sky_sunset_01"};

int action_back, action_fire, action_missile, action_up, action_left, action_down, action_right;
int input_lock;
int camera_view = VIEW_CLASSIC;
float auto_fire;
int fps = 20;
int playfield_width = 140, playfield_height = 100;
int playfield_half_width = 70, playfield_half_height = 50;
float ceiling_y = 5.0f, floor_y = 95.0f;
float spawn_line_x = 165.0f;

void PlaySoundSlot(SoundSlot* snd, int frequency, float x, float y, float z) {
  EngineCall c{CALL_PLAY_SOUND, snd ? snd->name : "(null)"};
  c.i = frequency;
  c.f[0] = x;
  c.f[1] = y;
  c.f[2] = z;
  engine_calls.push_back(c);
}

void StopSoundSlot(SoundSlot* snd) {
  if (!snd || !snd->loaded) return;
  engine_calls.push_back(EngineCall{CALL_STOP_SOUND, snd->name});
}

void ConsolePrint(const char* text) { engine_calls.push_back(EngineCall{CALL_CONSOLE, text ? text : ""}); }

void SetLightColor(int id, float r, float g, float b) {
  EngineCall c{CALL_LIGHT, ""};
  c.i = id;
  c.f[0] = r;
  c.f[1] = g;
  c.f[2] = b;
  engine_calls.push_back(c);
}

static void Record6(EngineCallKind kind, float a, float b, float c, float d, float e, float g) {
  EngineCall call{kind, ""};
  float v[6] = {a, b, c, d, e, g};
  for (int i = 0; i < 6; i++) call.f[i] = v[i];
  engine_calls.push_back(call);
}

void SetCameraLook(float eye_x, float eye_y, float eye_z, float at_x, float at_y, float at_z) {
  Record6(CALL_CAMERA_LOOK, eye_x, eye_y, eye_z, at_x, at_y, at_z);
}

void SetCameraOrbit(float angle, float height, float distance, float at_x, float at_y, float at_z) {
  Record6(CALL_CAMERA_ORBIT, angle, height, distance, at_x, at_y, at_z);
}

void SetFogColor(unsigned int color) {
  EngineCall c{CALL_FOG_COLOR, ""};
  c.i = static_cast<int>(color);
  engine_calls.push_back(c);
}

void SetFogEnd(float fog_end) {
  EngineCall c{CALL_FOG_END, ""};
  c.f[0] = fog_end;
  engine_calls.push_back(c);
}

void ResetFakeEngine() {
  engine_calls.clear();
  fake_fail_commits = 0;
  action_back = action_fire = action_missile = action_up = action_left = action_down = action_right = 0;
  input_lock = 0;
  camera_view = VIEW_CLASSIC;
  auto_fire = 0.0f;
  fps = 20;
  playfield_width = 140;
  playfield_height = 100;
  playfield_half_width = 70;
  playfield_half_height = 50;
  ceiling_y = 5.0f;
  floor_y = 95.0f;
  spawn_line_x = 165.0f;
}

int CountCalls(EngineCallKind kind, const std::string& text) {
  int n = 0;
  for (const EngineCall& c : engine_calls)
    if (c.kind == kind && (text.empty() || c.text == text)) n++;
  return n;
}

namespace {

std::vector<std::string> CallTexts(EngineCallKind kind) {
  std::vector<std::string> texts;
  for (const EngineCall& c : engine_calls)
    if (c.kind == kind) texts.push_back(c.text);
  return texts;
}

}  // namespace

std::vector<std::string> ConsoleLines() { return CallTexts(CALL_CONSOLE); }

std::vector<std::string> SoundsPlayed() { return CallTexts(CALL_PLAY_SOUND); }

const EngineCall* LastPlay(const std::string& sound) {
  const EngineCall* found = nullptr;
  for (const EngineCall& c : engine_calls)
    if (c.kind == CALL_PLAY_SOUND && c.text == sound) found = &c;
  return found;
}

// Real files with the runtime's text-mode rules, so tests can check the bytes on disk.
struct TextFile {
  std::FILE* file;
  bool writing;
  bool failed;
  bool ended;        // a Ctrl-Z was read: the file ends there
  std::string name;  // the file a commit replaces
  std::string temp;  // what is being written
};

TextFile* OpenTextFile(const char* name) {
  std::FILE* f = std::fopen(name, "rb");
  if (!f) return nullptr;
  return new TextFile{f, false, false, false, name, ""};
}

TextFile* CreateTextFile(const char* name) {
  std::string temp = std::string(name) + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return nullptr;
  return new TextFile{f, true, false, false, name, temp};
}

char* ReadTextLine(TextFile* file, char* buffer, int size) {
  if (!file || file->writing || file->ended || size < 1) return nullptr;
  int n = 0;
  while (n < size - 1) {
    int c = std::fgetc(file->file);
    if (c == 0x1A) file->ended = true;
    if (c == EOF || c == 0x1A) break;
    if (c == '\r') {
      int next = std::fgetc(file->file);
      if (next == '\n')
        c = '\n';
      else if (next != EOF)
        std::ungetc(next, file->file);
    }
    buffer[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[n] = '\0';
  return n > 0 ? buffer : nullptr;
}

int WriteText(TextFile* file, const char* text) {
  if (!file || !file->writing) return 0;
  for (const char* p = text; *p; p++) {
    if ((*p == '\n' && std::fputc('\r', file->file) == EOF) || std::fputc(*p, file->file) == EOF) {
      file->failed = true;
      return 0;
    }
  }
  return 1;
}

void CloseTextFile(TextFile* file) {
  if (!file) return;
  std::fclose(file->file);
  delete file;
}

int CommitTextFile(TextFile* file) {
  if (!file) return 0;
  bool ok = std::fclose(file->file) == 0 && !file->failed && fake_fail_commits == 0;
  if (ok) ok = std::rename(file->temp.c_str(), file->name.c_str()) == 0;
  if (!ok) std::remove(file->temp.c_str());
  delete file;
  return ok ? 1 : 0;
}
