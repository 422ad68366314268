// The window a display is made for in the engine tests: the program's own steps (desktop mode,
// class, window) on the headless window layer, without the rest of the start-up.
#pragma once

#include "engine/main_loop.h"
#include "platform/win.h"

inline LRESULT TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

// Reads the desktop mode, registers class_name and makes main_window, 640 x 480 and not shown
// yet; null when either step failed.
inline HWND MakeTestWindow(const char* class_name) {
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop_mode);
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = TestWindowProc;
  window_class.lpszClassName = class_name;
  if (!RegisterClassExA(&window_class)) return nullptr;
  main_window = CreateWindowExA(0, class_name, "test", WS_SYSMENU, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
  return main_window;
}
