// The program's spine: start-up in its fixed order, one pass of the loop per frame, the frame
// pacer, the window procedure and the shutdown.
#pragma once

#include "platform/win.h"

constexpr const char* GAME_NAME = "Kestrune: PC";
constexpr const char* GAME_VERSION = "0.93";

// Per process.
extern int quit_flag;            // set by every quit path; the loop ends before its next pass
extern int quit_code;            // the process exit code the quit paths chose (0 after a normal quit)
extern HWND main_window;         // the one window, made at start-up, never destroyed by the program
extern DEVMODEA desktop_mode;    // the desktop's display mode, read at start-up
extern int frame_limiter;        // the pacer waits only while it is nonzero; nothing changes it
extern int frame_period_ms;      // length of a frame (50: 20 frames a second); the Dev Mode "Speed" row sets it
extern DWORD frame_clock;        // the clock at the end of the last paced wait
extern int frame_count;          // frames counted since the last measurement
extern DWORD fps_clock;          // the clock at the last measurement
extern int exit_question_open;   // 1 while the "Confirm Exit" box is up
extern MSG loop_message;         // the message the loop removed last

// Exit codes beside 0 (a normal quit) and E_FAIL (no window class or window).
constexpr int EXIT_DISPLAY_FAILED = 1;  // the display could not be started, restarted or applied

// The quit step of every quit path: the quit flag and the quit message. A failure code given by one
// path is kept even when a normal quit follows in the same pass.
void QuitStep(int exit_code);
// The display start sequence used at start-up, on regaining activation and when new display
// settings are applied: the device, then the layout, projection, fonts, meshes, lights and first
// view. 1 when the device was made, 0 when not (the user has then been told why).
int StartDisplay();

// The program, in its three parts; WinMain runs them in order and returns the exit code.
// StartUp returns 0, or E_FAIL when the window class or the window cannot be made.
int StartUp(HINSTANCE instance);
// One pass: at most one message, the input poll, the state's handler, then the pace and the frame
// unless the pass quit.
void RunPass();
void ShutDown(HINSTANCE instance);

void PaceFrame();
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
