// Window, message queue, message boxes, clock, cursor and display modes: the parts of Win32 the
// game uses, on SDL2 or headless.
#pragma once

typedef void* HINSTANCE;
constexpr int SW_SHOWNORMAL = 1;

HINSTANCE GetModuleHandleA(const char* name);

// The game's entry point, defined by the game.
int WinMain(HINSTANCE instance, HINSTANCE previous, char* command_line, int show_command);
