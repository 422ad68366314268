#include "engine/config.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/console.h"
#include "platform/files.h"

float windowed = 1;
float display_width = 640;
float display_height = 480;
float display_format = 22;
float vsync = 1;
float antialias = 0;
float gradient_detail = 8;
float volume_effects = -3000;
float volume_music = -4000;
float sound_width = 1;
float sound_channels = 2;
float sound_samples = 44100;
float sound_bits = 16;
float auto_fire = 0;
float button_back_0 = 1;      // Esc
float button_fire_0 = 57;     // Spacebar
float button_missle_0 = 28;   // Enter
float button_up_0 = 200;      // Up
float button_left_0 = 203;    // Left
float button_down_0 = 208;    // Down
float button_right_0 = 205;   // Right
float button_back_1 = 0;      // none
float button_fire_1 = 29;     // L Ctrl
float button_missle_1 = 56;   // L Alt
float button_up_1 = 17;       // W
float button_left_1 = 30;     // A
float button_down_1 = 31;     // S
float button_right_1 = 32;    // D
float enable_di_devices = 1;

char tag_name[TAG_COUNT][TAG_NAME_SIZE];
float* tag_value[TAG_COUNT];

namespace {

struct ConfigVar {
  const char* key;  // as written in the files
  float* value;
};

// Table order is the line order of a saved "prefs.cfg".
//  key                              variable
const ConfigVar config_vars[] = {
    {.key = "windowed", .value = &windowed},
    {.key = "display_width", .value = &display_width},
    {.key = "display_height", .value = &display_height},
    {.key = "display_format", .value = &display_format},
    {.key = "vsync", .value = &vsync},
    {.key = "antialias", .value = &antialias},
    {.key = "gradient_detail", .value = &gradient_detail},
    {.key = "volume_effects", .value = &volume_effects},
    {.key = "volume_music", .value = &volume_music},
    {.key = "sound_width", .value = &sound_width},
    {.key = "sound_channels", .value = &sound_channels},
    {.key = "sound_samples", .value = &sound_samples},
    {.key = "sound_bits", .value = &sound_bits},
    {.key = "auto_fire", .value = &auto_fire},
    {.key = "button_back_0", .value = &button_back_0},
    {.key = "button_fire_0", .value = &button_fire_0},
    {.key = "button_missle_0", .value = &button_missle_0},  // the key's spelling is what files hold
    {.key = "button_up_0", .value = &button_up_0},
    {.key = "button_left_0", .value = &button_left_0},
    {.key = "button_down_0", .value = &button_down_0},
    {.key = "button_right_0", .value = &button_right_0},
    {.key = "button_back_1", .value = &button_back_1},
    {.key = "button_fire_1", .value = &button_fire_1},
    {.key = "button_missle_1", .value = &button_missle_1},
    {.key = "button_up_1", .value = &button_up_1},
    {.key = "button_left_1", .value = &button_left_1},
    {.key = "button_down_1", .value = &button_down_1},
    {.key = "button_right_1", .value = &button_right_1},
    {.key = "enable_di_devices", .value = &enable_di_devices},
};
static_assert(sizeof(config_vars) / sizeof(config_vars[0]) == CONFIG_VAR_COUNT);

constexpr int NUMBER_TEXT_MAX = 32;  // characters ParseNumber collects
// The longest value a line can hold: "%f" of -FLT_MAX is 47 characters.
constexpr int VALUE_TEXT_SIZE = 64;

int IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int IsNumberChar(char c) {
  return c == '\t' || c == ' ' || c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9');
}

// atof of text in the "C" locale: blanks, one optional sign, then digits with at most one point;
// whatever follows ends the number, and text without one gives 0.
double AtofC(const char* text) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') p++;
  double sign = 1.0;
  if (*p == '+' || *p == '-') {
    if (*p == '-') sign = -1.0;
    p++;
  }
  if (*p == '+' || *p == '-') return 0.0;  // from_chars would take a second sign
  double value = 0.0;
  std::from_chars_result r = std::from_chars(p, p + std::strlen(p), value, std::chars_format::fixed);
  if (r.ec != std::errc()) return 0.0;
  return sign * value;
}

// A saved value: "%i" when the float is a whole number an int holds, else "%f". Written without
// the C library's printf so that the user's locale cannot turn the point into a comma.
void ValueText(float value, char* out, int size) {
  std::to_chars_result r;
  if (float(ConfigInt(value)) == value) {
    r = std::to_chars(out, out + size - 1, ConfigInt(value));
  } else {
    r = std::to_chars(out, out + size - 1, double(value), std::chars_format::fixed, 6);
  }
  *(r.ec == std::errc() ? r.ptr : out) = 0;
}

// 1 when the text after a line's "=" reads back as value (the reader takes at most 32 characters).
int ReadsBack(const char* field, float value) { return float(ParseNumber(field, 0)) == value; }

// What a saved line holds after its "=": a blank and the value's text. Where that does not read
// back as the value, because the reader takes at most 32 characters (the "%f" form of -1e30 has
// 39) or six decimals show a small value as 0.000000, it is the shortest fixed form that does:
// as few decimals as it takes, then without the 0 before the point, then without the blank. A
// value no line holds (past about 1e31 either way, or small with more digits than fit) is written
// as the nearest one that a line holds; NaN as its own text, which reads as 0.
void FormatValue(float value, char* out, int size) {
  char text[VALUE_TEXT_SIZE - 2];  // room for a blank and a sign before it
  ValueText(value, text, sizeof(text));
  std::snprintf(out, std::size_t(size), " %s", text);
  if (ReadsBack(out, value) || std::isnan(value)) return;
  for (int decimals = 0; decimals < NUMBER_TEXT_MAX && !std::isinf(value); decimals++) {
    std::to_chars_result r = std::to_chars(text, text + sizeof(text) - 1, double(value), std::chars_format::fixed,
                                           decimals);
    if (r.ec != std::errc()) break;
    *r.ptr = 0;
    const char* sign = text[0] == '-' ? "-" : "";
    const char* number = text + (sign[0] ? 1 : 0);
    const char* forms[] = {number, number[0] == '0' && number[1] == '.' ? number + 1 : nullptr};
    for (const char* blank : {" ", ""}) {
      for (const char* form : forms) {
        if (!form) continue;
        std::snprintf(out, std::size_t(size), "%s%s%s", blank, sign, form);
        if (std::strlen(out) <= std::size_t(NUMBER_TEXT_MAX) && ReadsBack(out, value)) return;
      }
    }
  }
  // The most digits the reader takes, a sign counting as one.
  int digits = value < 0 ? NUMBER_TEXT_MAX - 1 : NUMBER_TEXT_MAX;
  if (std::fabs(value) < 1) {
    // Rounded to as many decimals as fit after the point; 0 as its own text.
    std::to_chars_result r = std::to_chars(text, text + sizeof(text) - 1, double(value), std::chars_format::fixed,
                                           digits - 1);
    *r.ptr = 0;
    const char* point = std::strchr(text, '.');
    if (!point || !std::strpbrk(point, "123456789")) {
      ValueText(value, text, sizeof(text));
      std::snprintf(out, std::size_t(size), " %s", text);
    } else {
      std::snprintf(out, std::size_t(size), "%s%s", value < 0 ? "-" : "", point);
    }
    return;
  }
  std::snprintf(out, std::size_t(size), "%s%.*s", value < 0 ? "-" : "", digits, "99999999999999999999999999999999");
}

}  // namespace

void InitConfigTags() {
  int registered = 0;
  for (const ConfigVar& var : config_vars) {
    if (registered >= TAG_COUNT) break;
    std::snprintf(tag_name[registered], TAG_NAME_SIZE, "%s", var.key);
    tag_value[registered] = var.value;
    registered++;
  }
  if (registered >= TAG_COUNT) {
    ConsolePrint("Max tags reached or exceeded.");
    return;
  }
  for (int i = registered; i < TAG_COUNT; i++) {
    tag_name[i][0] = 0;
    tag_value[i] = nullptr;
  }
}

int MatchPrefix(const char* key, const char* line, int start, int exact) {
  if (!key || !line || !key[0] || !line[0] || start < 0) return -1;
  std::size_t line_length = std::strlen(line);
  std::size_t k = 0;
  for (; key[k]; k++) {
    std::size_t at = std::size_t(start) + k;
    if (at >= line_length) return -1;
    char want = key[k], got = line[at];
    if (want == got) continue;
    if (exact || !IsAsciiLetter(got) || (got ^ 0x20) != want) return -1;
  }
  return int(k);
}

float ReadTagValue(const char* line) {
  const char* equals = std::strchr(line, '=');
  if (equals) return float(ParseNumber(line, int(equals - line) + 1));
  std::snprintf(text_buffer, TEXT_BUFFER_SIZE, "No = sign: %s", line);
  ConsolePrint(text_buffer);
  return 0.0f;
}

double ParseNumber(const char* line, int start) {
  if (!line || start < 0 || std::size_t(start) > std::strlen(line)) return 0.0;
  char number[NUMBER_TEXT_MAX + 1];
  int n = 0;
  for (const char* p = line + start; n < NUMBER_TEXT_MAX && *p && IsNumberChar(*p); p++) number[n++] = *p;
  number[n] = 0;
  return AtofC(number);
}

int ConfigInt(float value) {
  if (!(value >= -2147483648.0f && value < 2147483648.0f)) return INT_MIN;
  return int(value);
}

int LoadConfig(const char* path) {
  File* file = FileOpen(path, "r");
  if (!file) return 0;
  // A file that cannot be read to its end (a read error, or one too large to be a settings
  // file) changes nothing: the values it had set so far are put back.
  float before[TAG_COUNT];
  for (int i = 0; i < TAG_COUNT; i++) before[i] = tag_value[i] ? *tag_value[i] : 0.0f;
  char line[CONFIG_LINE_SIZE];
  while (FileGets(line, CONFIG_LINE_SIZE, file)) {
    for (int i = 0; i < TAG_COUNT; i++) {
      if (tag_value[i] && MatchPrefix(tag_name[i], line, 0, 0) != -1) *tag_value[i] = ReadTagValue(line);
    }
  }
  int read = !FileError(file);
  FileClose(file);
  if (!read) {
    for (int i = 0; i < TAG_COUNT; i++)
      if (tag_value[i]) *tag_value[i] = before[i];
  }
  return read;
}

int SaveConfig(const char* path) {
  File* file = FileOpenReplacing(path, "w");
  int written = file != nullptr;
  for (int i = 0; file && i < TAG_COUNT; i++) {
    if (!tag_value[i]) continue;
    std::size_t length = std::strlen(tag_name[i]);
    const char* padding = length < 8 ? "\t\t" : length <= 16 ? "\t" : "";
    char value[VALUE_TEXT_SIZE];
    FormatValue(*tag_value[i], value, VALUE_TEXT_SIZE);
    if (FilePrintf(file, "%s%s\t=%s\r\n", tag_name[i], padding, value) < 0) written = 0;
  }
  // The old file stays until the new one is complete: a failed write or rename keeps it whole.
  if (file && FileClose(file) != 0) written = 0;
  if (!written) {
    std::snprintf(text_buffer, TEXT_BUFFER_SIZE, "Error saving %s", path);
    ConsolePrint(text_buffer);
    // At a quit the on-screen line goes with the window: the terminal keeps it.
    std::fprintf(stderr, "%s\n", text_buffer);
  }
  return written;
}
