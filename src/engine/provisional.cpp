// Stand-ins for engine operations whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include <cstdio>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/input.h"
#include "engine/lights.h"
#include "engine/main_loop.h"
#include "engine/meshes.h"
#include "engine/render.h"
#include "engine/sound.h"
#include "platform/files.h"
#include "world/engine_services.h"
#include "world/game.h"

// Console (console module)
void ConsolePrint(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  if (FILE* log = std::fopen("console.log", "a")) {
    std::fprintf(log, "%s\r\n", text);
    std::fclose(log);
  }
}
char text_buffer[256];

// Lights and views (mesh drawing module)


// Meshes, lights and views (mesh modules)

// Frame renderer (render module): only the two animation counters.
float spin_angle, blink;
void RenderFrame() {
  spin_angle += 2;
  if (spin_angle >= 358) spin_angle = 0;
  blink = blink == 0 ? 1.0f : 0.0f;
}


// Configuration (configuration module): the defaults; a file is only looked at.
float auto_fire;
float windowed = 1, display_width = 640, display_height = 480;
float button_back_0 = 1, button_fire_0 = 57, button_missle_0 = 28, button_up_0 = 200;
float button_left_0 = 203, button_down_0 = 208, button_right_0 = 205;
float button_back_1 = 0, button_fire_1 = 29, button_missle_1 = 56, button_up_1 = 17;
float button_left_1 = 30, button_down_1 = 31, button_right_1 = 32;
float enable_di_devices = 1;
float display_format = 22, vsync = 1, antialias = 0;
float volume_effects = -3000, volume_music = -4000;
float sound_width = 1, sound_channels = 2, sound_samples = 44100, sound_bits = 16;
void InitConfigTags() {}
int LoadConfig(const char* path) {
  File* file = FileOpen(path, "r");
  if (!file) return 0;
  FileClose(file);
  return 1;
}
int SaveConfig(const char* path) {
  File* file = FileOpenReplacing(path, "w");
  if (!file) return 0;
  FilePrintf(file, "windowed\t\t= %i\r\ndisplay_width\t= %i\r\ndisplay_height\t= %i\r\n", int(windowed),
             int(display_width), int(display_height));
  return FileClose(file) == 0;
}


// Prefix match (configuration module)
int MatchPrefix(const char* key, const char* line, int start, int exact) {
  if (!key || !line || !key[0] || !line[0]) return -1;
  int k = 0;
  for (; key[k]; k++) {
    int c = static_cast<unsigned char>(line[start + k]);
    if (c == 0) return -1;
    if (c == key[k]) continue;
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (exact || !letter || (c ^ 0x20) != key[k]) return -1;
  }
  return k;
}
