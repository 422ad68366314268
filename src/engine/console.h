// The console: every message of the game goes to "console.log" and, while a display device
// exists, to an on-screen ring of the last 32 lines drawn in a band at the top left of each frame;
// while none exists, to a message box instead of the ring.
#pragma once

#include "world/engine_services.h"  // ConsolePrint, for the world as for the engine

// The shared formatting buffer: callers format a message here, then hand it to ConsolePrint.
constexpr int TEXT_BUFFER_SIZE = 256;
extern char text_buffer[TEXT_BUFFER_SIZE];

constexpr const char* CONSOLE_LOG_PATH = "console.log";  // in the working folder; deleted at start-up

constexpr int CONSOLE_LINE_COUNT = 32;
constexpr int CONSOLE_TEXT_SIZE = 256;  // a longer message is cut to 255 characters
constexpr int CONSOLE_LINE_HEIGHT = 16;  // pixels between the lines of the band
constexpr int CONSOLE_HEIGHT_MIN = 16;   // the band is drawn only while taller than this
constexpr int CONSOLE_HEIGHT_MAX = 480;
constexpr int CONSOLE_HOLD_FRAMES = 30;  // drawn frames the band stays after a message

struct ConsoleLine {
  char text[CONSOLE_TEXT_SIZE];
  int length;  // characters in text; 0 for an empty line
};

// Per process: the ring and its counters live until the program ends.
extern ConsoleLine console_lines[CONSOLE_LINE_COUNT];
extern int console_index;         // the line the next message takes; always kept empty
extern int console_height;        // pixels from the top of the drawing area to the band's bottom
extern int console_hold;          // drawn frames left before the band shrinks
extern int console_shrink_phase;  // 0..5: the slow shrink moves on phase 0

// Empties the ring and sets the counters to their start values.
void InitConsole();

// ConsolePrint (declared with the world's engine services): one finished message to the ring (or
// a "Console Message" box while no display device exists), appended to "console.log".

// Draws the band with the console font and lets it shrink once the hold is over. Called once per
// drawn frame while a scene is open.
void DrawConsole();
