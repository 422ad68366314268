#include "engine/console.h"

#include <cstdio>
#include <cstring>

#include "engine/display.h"
#include "engine/render.h"
#include "platform/files.h"
#include "platform/win.h"

char text_buffer[TEXT_BUFFER_SIZE];

ConsoleLine console_lines[CONSOLE_LINE_COUNT];
int console_index = 1;
int console_height = CONSOLE_HEIGHT_MIN;
int console_hold = 0;
int console_shrink_phase = 0;

namespace {

constexpr int LOG_LINE_SIZE = 256;  // text, "\r\n" and the terminator
constexpr int SHRINK_PHASES = 6;

// Copies up to size - 1 characters of text and terminates; returns how many were kept.
int CopyCut(char* out, int size, const char* text) {
  int n = int(strnlen(text, std::size_t(size - 1)));
  std::memcpy(out, text, std::size_t(n));
  out[n] = 0;
  return n;
}

void AppendToLog(const char* text) {
  File* log = FileOpen(CONSOLE_LOG_PATH, "a");
  if (!log) return;
  // A long message is cut so that the line still ends with its "\r\n".
  char line[LOG_LINE_SIZE];
  int n = CopyCut(line, LOG_LINE_SIZE - 2, text);
  std::memcpy(line + n, "\r\n", 3);
  FilePuts(line, log);
  FileClose(log);
}

}  // namespace

void InitConsole() {
  for (ConsoleLine& line : console_lines) {
    line.text[0] = 0;
    line.length = 0;
  }
  console_index = 1;
  console_height = CONSOLE_HEIGHT_MIN;
  console_hold = 0;
  console_shrink_phase = 0;
}

void ConsolePrint(const char* text) {
  if (!text) text = "";
  if (device) {
    ConsoleLine& line = console_lines[console_index];
    line.length = CopyCut(line.text, CONSOLE_TEXT_SIZE, text);
    console_index = (console_index + 1) % CONSOLE_LINE_COUNT;
    console_lines[console_index].text[0] = 0;
    console_lines[console_index].length = 0;
    // Grows a line at a time while short of the full band; a band caught part-way down its
    // shrink (470) still takes the whole step.
    if (console_height < CONSOLE_HEIGHT_MAX) console_height += CONSOLE_LINE_HEIGHT;
    console_hold = CONSOLE_HOLD_FRAMES;
  } else {
    MessageBoxExA(nullptr, text, "Console Message", MB_ICONINFORMATION, 0);
  }
  AppendToLog(text);
}

void DrawConsole() {
  if (console_height <= CONSOLE_HEIGHT_MIN) return;
  text_rect = client_rect;
  text_rect.left = 10;
  text_rect.bottom = console_height;
  const D3DCOLOR white = D3DXColorPack(1.0f, 1.0f, 1.0f, 1.0f);
  // The current (empty) line stands on the band's bottom; older lines step up to the top, and the
  // rectangle is left where the walk stopped for the texts that follow.
  int i = console_index;
  for (int n = 1; text_rect.bottom > 0; n++) {
    if (i < 0) i += CONSOLE_LINE_COUNT;
    const ConsoleLine& line = console_lines[i];
    if (line.length > 0) {
      DrawTextA(fonts[FONT_CONSOLE], line.text, line.length, &text_rect, DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP,
                white);
    }
    i--;
    if (n == CONSOLE_LINE_COUNT) break;
    text_rect.bottom -= CONSOLE_LINE_HEIGHT;
  }

  // Idle shrink: after the hold, a pixel a frame while the band reaches below the screen's first
  // eighth, then a pixel every sixth frame.
  if (console_hold > 0) {
    console_hold--;
    return;
  }
  if (console_height > screen_eighth_y || console_shrink_phase == 0) {
    if (console_height > CONSOLE_HEIGHT_MIN) console_height--;
  }
  console_shrink_phase = console_shrink_phase >= SHRINK_PHASES - 1 ? 0 : console_shrink_phase + 1;
}
