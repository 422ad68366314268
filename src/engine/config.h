// Configuration variables and the files "prefs.cfg" and "autoexec.cfg".
#pragma once

// Every variable is a float; readers that need an integer truncate.
extern float windowed;        // 1 runs in a window, 0 full screen
extern float display_width;   // client width in pixels (or a display-mode index, see the display)
extern float display_height;  // client height in pixels
extern float button_back_0, button_fire_0, button_missle_0, button_up_0;  // first keys (scan codes)
extern float button_left_0, button_down_0, button_right_0;
extern float button_back_1, button_fire_1, button_missle_1, button_up_1;  // second keys, 0 none
extern float button_left_1, button_down_1, button_right_1;
extern float enable_di_devices;  // nonzero: look for game controllers at start-up
extern float display_format;  // full-screen back-buffer format (D3DFORMAT, 22 = X8R8G8B8)
extern float vsync;           // nonzero: full screen presents once per refresh
extern float antialias;       // multisample type (0 none)
extern float volume_effects;  // hundredths of a decibel, -10000 (silent; at start-up: no sound) to 0
extern float volume_music;    // the music slot's volume, same unit
extern float sound_width;     // left shift of a sound's pan offset
extern float sound_channels;  // the primary sound buffer's format: channels,
extern float sound_samples;   // samples per second
extern float sound_bits;      // and bits per sample

// The length of key when it stands in line from position start on (letters may differ in case
// unless exact), else -1; empty texts never match.
int MatchPrefix(const char* key, const char* line, int start, int exact);

// Registers the variables in the tag table; once, before the first LoadConfig.
void InitConfigTags();
// 1 when the file was read, 0 when it could not be opened.
int LoadConfig(const char* path);
// 1 when the file was written, 0 when it could not be opened for writing.
int SaveConfig(const char* path);
