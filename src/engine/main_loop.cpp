#include "engine/main_loop.h"

#include <cstdio>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/frontend.h"
#include "engine/input.h"
#include "engine/lights.h"
#include "engine/meshes.h"
#include "engine/render.h"
#include "engine/sound.h"
#include "platform/files.h"
#include "world/game.h"
#include "world/random.h"

int quit_flag;
int quit_code;
HWND main_window;
DEVMODEA desktop_mode;
int frame_limiter = 1;
int frame_period_ms = 50;
DWORD frame_clock;
int frame_count;
DWORD fps_clock;
int fps = 20;
int exit_question_open;
MSG loop_message;

static const char* const WINDOW_CLASS = "KTRN01";

void QuitStep(int exit_code) {
  quit_flag = 1;
  if (quit_code == 0) quit_code = exit_code;
  PostQuitMessage(0);
}

int StartDisplay() {
  if (!InitDirect3D()) return 0;
  ComputeLayout();
  SetProjection();
  CreateFonts();
  LoadMeshTable();
  InitLights();
  SetView(VIEW_CLASSIC);
  return 1;
}

int StartUp(HINSTANCE instance) {
  // The ring is a fixed table: emptied, not allocated, before the first message.
  InitConsole();
  FileRemove(CONSOLE_LOG_PATH);
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop_mode);
  InitConfigTags();
  if (!LoadConfig("prefs.cfg")) ConsolePrint("Error loading prefs.cfg using default settings.");
  LoadConfig("autoexec.cfg");

  HICON icon = static_cast<HICON>(LoadImageA(instance, "..\\res\\parent.ico", IMAGE_ICON, 32, 32, LR_LOADFROMFILE));
  if (!icon) ConsolePrint("Error loading icon");

  loop_message = MSG{};
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = icon;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window_class.lpszClassName = WINDOW_CLASS;
  if (!RegisterClassExA(&window_class)) {
    ConsolePrint("Error Registering Class");
    return E_FAIL;
  }

  std::snprintf(text_buffer, sizeof(text_buffer), "%s V%s", GAME_NAME, GAME_VERSION);
  main_window = CreateWindowExA(0, WINDOW_CLASS, text_buffer, WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                ConfigInt(display_width), ConfigInt(display_height), nullptr, nullptr, instance,
                                nullptr);
  if (!main_window) return E_FAIL;

  SeedRandom(std::uint32_t(CalendarTime()));

  if (!StartDisplay()) {
    // The display has told the user why; no pass runs.
    QuitStep(EXIT_DISPLAY_FAILED);
    return 0;
  }
  InitInput(instance);
  InitSound();
  LoadSoundTable();
  frame_clock = timeGetTime();
  ResetGame();
  ResetStage();
  return 0;
}

void RunPass() {
  if (PeekMessageA(&loop_message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&loop_message);
  PollInput();
  int state = game_state;
  if (state >= 0 && state < STATE_COUNT && state_handlers[state]) state_handlers[state]();
  if (quit_flag) return;
  PaceFrame();
  RenderFrame();
}

void ShutDown(HINSTANCE instance) {
  ShutdownDevices();
  UnregisterClassA(WINDOW_CLASS, instance);
}

int WinMain(HINSTANCE instance, HINSTANCE, char*, int) {
  int started = StartUp(instance);
  if (started != 0) return started;
  while (!quit_flag) RunPass();
  ShutDown(instance);
  return quit_code;
}

void PaceFrame() {
  frame_count++;
  if (DWORD(timeGetTime() - fps_clock) > 1000) {
    fps = frame_count;
    frame_count = 0;
    fps_clock = timeGetTime();
  }
  if (!frame_limiter) return;
  // A negative period would be an endless wait as an unsigned number: it waits nothing.
  DWORD period = frame_period_ms > 0 ? DWORD(frame_period_ms) : 0;
  // Sleeps to the deadline rather than watching the clock: the wait costs no processor time.
  // The loop only guards against an early wake.
  DWORD deadline = frame_clock + period;
  while (timeGetTime() - frame_clock < period) SleepUntil(deadline);
  frame_clock = timeGetTime();
}

// Closing the window: while a game runs in a window the player is asked first.
static void CloseRequested() {
  if (in_game && !full_screen_active) {
    // The box is modal; a close request arriving while it is up is the same question.
    if (exit_question_open) return;
    char question[64];
    std::snprintf(question, sizeof(question), "Exit %s?", GAME_NAME);
    exit_question_open = 1;
    int answer = MessageBoxExA(nullptr, question, "Confirm Exit", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, 0);
    exit_question_open = 0;
    if (answer != IDYES) return;
  }
  SaveConfig("prefs.cfg");
  QuitStep(0);
}

static void ActivationChanged(int active) {
  if (!active) {
    if (game_state == STATE_PLAYING) SetGameState(STATE_PAUSED);
    // A full-screen display is kept: it fills the desktop in the desktop's own mode, so there is
    // no mode to give back, and a released one would leave a hidden window the user could never
    // bring back to restart it. The keyboard, exclusive in the foreground only, lets go by itself.
    if (!full_screen_active && windowed != 0 && keyboard_device) keyboard_device->Unacquire();
    return;
  }
  // Only when no display exists: "Fullscreen" toggled but not applied leaves the window's device
  // live, and a second device must not be made over it.
  if (windowed == 0 && !full_screen_active && !device && game_state != STATE_BOOT) {
    if (!StartDisplay()) {
      ConsolePrint("Unable to restart display.");
      QuitStep(EXIT_DISPLAY_FAILED);
      return;
    }
    SetGameState(game_state);
  }
}

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      SaveConfig("prefs.cfg");
      QuitStep(0);
      return 0;
    case WM_CLOSE:
      CloseRequested();
      return 0;
    case WM_SETFOCUS:
      if (game_state != STATE_BOOT && full_screen_active) ShowCursor(FALSE);
      if (game_state == STATE_PAUSED) SetGameState(STATE_PLAYING);
      return 0;
    case WM_ACTIVATEAPP:
      ActivationChanged(wparam != 0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}
