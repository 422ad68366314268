// The configuration variables and the files that hold them ("prefs.cfg", "autoexec.cfg").
//
// Every setting is a global float with a static default, registered under its key in the 64-entry
// tag table. The program reads "prefs.cfg" and then "autoexec.cfg" with one line reader and
// rewrites "prefs.cfg" whole from the table when it quits. Readers that need an integer truncate
// toward zero; nothing checks ranges.
#pragma once

// ---- The variables (per process; changed by the files and the option screens) -----------------
extern float windowed;         // 1 in a window, 0 full screen
extern float display_width;    // client width in pixels, or a display-mode index (see the display)
extern float display_height;   // client height in pixels
extern float display_format;   // full-screen back-buffer format (D3DFORMAT, 22 = X8R8G8B8)
extern float vsync;            // nonzero: full screen presents once per refresh
extern float antialias;        // multisample type (0 none)
extern float gradient_detail;  // pixels per band of the sky gradient
extern float volume_effects;   // hundredths of a decibel, -10000..0
extern float volume_music;     // hundredths of a decibel, -10000..0
extern float sound_width;      // left shift applied to a sound's pan offset
extern float sound_channels;   // primary sound buffer format
extern float sound_samples;    // samples per second
extern float sound_bits;       // bits per sample
extern float auto_fire;        // nonzero: the gun fires without the key
extern float button_back_0, button_fire_0, button_missle_0, button_up_0;  // first keys (scan codes)
extern float button_left_0, button_down_0, button_right_0;
extern float button_back_1, button_fire_1, button_missle_1, button_up_1;  // second keys, 0 none
extern float button_left_1, button_down_1, button_right_1;
extern float enable_di_devices;  // nonzero: look for game controllers at start-up

constexpr int CONFIG_VAR_COUNT = 29;

// ---- The tag table (filled once at start-up) ---------------------------------------------------
constexpr int TAG_COUNT = 64;
constexpr int TAG_NAME_SIZE = 32;
extern char tag_name[TAG_COUNT][TAG_NAME_SIZE];  // the key; "" while the entry is free
extern float* tag_value[TAG_COUNT];              // the variable; null while the entry is free

constexpr int CONFIG_LINE_SIZE = 255;  // a read takes at most 254 characters

// Registers the variables in table order and frees the other entries.
void InitConfigTags();

// The length of key when it stands in line from position start on, else -1. With exact 0 a
// letter of the line may differ from the key's in case.
int MatchPrefix(const char* key, const char* line, int start, int exact);

// The number after the line's first "="; without one, a console line and 0.
float ReadTagValue(const char* line);

// The number that begins at position start, read as atof would in the "C" locale, from at most
// 32 characters of blanks, signs, points and digits.
double ParseNumber(const char* line, int start);

// A variable as the integer its readers take: truncated toward zero; NaN and values no int can
// hold (a number of 32 digits from an edited file) give INT_MIN, as the processor's own
// conversion does, where a plain conversion would be undefined.
int ConfigInt(float value);

// Reads a configuration file into the variables. 1 when it was read, 0 when it could not be opened.
int LoadConfig(const char* path);

// Writes every registered variable to path, replacing the file only once it is written whole.
// 1 on success; 0 (with a console line) when it could not be written.
int SaveConfig(const char* path);
