// Window, message queue, message boxes, clock, cursor and display modes: the parts of Win32 the
// game uses, on SDL2 or headless (see platform/script.h for what a headless run reads).
//
// The queue: PeekMessageA is the one place where outside events come in. Each call
//   - headless: begins the next pass (script_pass + 1; the game calls it once, first, in every
//     pass) and queues that pass's scripted close and focus events, and the idle close request;
//   - real: drains SDL's event queue, keeping only a window close (WM_CLOSE; not queued again while
//     one waits), focus gained (WM_ACTIVATEAPP 1, then WM_SETFOCUS) and focus lost
//     (WM_ACTIVATEAPP 0); every other SDL event is dropped (SDL's keyboard and controller state
//     stays current for the input module);
// then removes at most one message. The queue holds WIN_QUEUE_MAX messages and drops what does
// not fit, so nothing piles up.
//
// On SDL's X11 driver, X errors about windows that vanished under the window manager are logged
// and survived (platform/x11.h).
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

struct SDL_Window;

typedef void* HINSTANCE;
typedef void* HANDLE;
typedef struct WinIcon* HICON;
typedef void* HCURSOR;
typedef void* HBRUSH;
typedef void* HMENU;
typedef void* HGDIOBJ;
typedef std::uint16_t ATOM;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;
typedef LRESULT (*WNDPROC)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

HINSTANCE GetModuleHandleA(const char* name);

// The game's entry point, defined by the game.
int WinMain(HINSTANCE instance, HINSTANCE previous, char* command_line, int show_command);

// ---- Window class and window --------------------------------------------------------------------
constexpr UINT CS_VREDRAW = 0x1;
constexpr UINT CS_HREDRAW = 0x2;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT LR_LOADFROMFILE = 0x10;
constexpr int BLACK_BRUSH = 4;
#define IDC_ARROW (reinterpret_cast<const char*>(std::uintptr_t(32512)))

struct WNDCLASSEXA {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
  HICON hIconSm;
};

constexpr int WIN_CLASS_MAX = 4;
constexpr int WIN_WINDOW_MAX = 4;
constexpr int WIN_TITLE_MAX = 256;

// Loads an icon from an .ico file (only IMAGE_ICON with LR_LOADFROMFILE), scaled to cx by cy;
// null when the file is missing or not an icon. The path may use "\" and any case.
HANDLE LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT load);
HCURSOR LoadCursorA(HINSTANCE instance, const char* name);
HGDIOBJ GetStockObject(int object);
// 0 when the class has no name or procedure, the name is taken, or the table is full.
ATOM RegisterClassExA(const WNDCLASSEXA* window_class);
BOOL UnregisterClassA(const char* class_name, HINSTANCE instance);
// Makes a hidden window; null when the class is unknown or the window cannot be made. x, y, width
// and height are its outer placement; it has no frame of its own here (the desktop's window
// manager draws one), so its client area is its whole size. The SDL window is made for OpenGL
// (double-buffered, 24-bit depth, 8-bit stencil, not multisampled).
// Without a desktop (SDL's video came up on a driver that shows nothing, which SDL_VIDEODRIVER did
// not name) the window is made nowhere: it has no SDL window, and a display cannot start on it.
HWND CreateWindowExA(DWORD ex_style, const char* class_name, const char* title, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
BOOL ShowWindow(HWND window, int show_command);  // the previous visibility; showing activates
BOOL IsWindowVisible(HWND window);
// A hidden window is placed when it is next shown; its rectangles give the new place at once.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL GetWindowRect(HWND window, RECT* rect);
// Copies the title into text (size bytes, cut to fit); its length.
int GetWindowTextA(HWND window, char* text, int size);
// The SDL window behind a window handle (for the display, input and audio modules); null headless.
SDL_Window* WindowSdl(HWND window);
// The icon pixels (RGBA rows, top row first) of a loaded icon, for tests and the window.
const std::uint8_t* IconPixels(HICON icon, int* width, int* height);

// ---- Messages -----------------------------------------------------------------------------------
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT PM_NOREMOVE = 0x0;
constexpr UINT PM_REMOVE = 0x1;
constexpr int WIN_QUEUE_MAX = 64;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
};

// Takes the next message (see the top of this file). Only the whole queue is read: the window and
// range filters must be null and 0.
BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
// Calls the procedure of the message's window; 0 for a message without a window.
LRESULT DispatchMessageA(const MSG* msg);
// Queues a message; FALSE when the queue is full.
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Asks for WM_QUIT (wParam exit_code), handed out once the queue is otherwise empty.
void PostQuitMessage(int exit_code);
// What a window does with a message its procedure does not handle: nothing.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// ---- Cursor -------------------------------------------------------------------------------------
// Shows or hides the mouse cursor over the window. A switch, not a counter: it returns 0 when the
// cursor is now shown and -1 when it is hidden, however often it is called.
int ShowCursor(BOOL show);
BOOL SetCursorPos(int x, int y);
int CursorShown();  // 1 while shown

// ---- Display modes ------------------------------------------------------------------------------
constexpr DWORD ENUM_CURRENT_SETTINGS = 0xFFFFFFFFu;
constexpr int WIN_HEADLESS_DESKTOP_WIDTH = 1920;
constexpr int WIN_HEADLESS_DESKTOP_HEIGHT = 1080;

struct DEVMODEA {
  DWORD dmSize;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFrequency;
};

// Only ENUM_CURRENT_SETTINGS: the desktop's mode (headless: 1920 x 1080, 32 bits, 60 Hz).
BOOL EnumDisplaySettingsA(const char* device, DWORD mode, DEVMODEA* devmode);

// ---- Message boxes ------------------------------------------------------------------------------
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal box and returns the button chosen. Only MB_OK and MB_YESNO boxes exist here.
// Headless: the caption and text go to standard error and the script answers; an OK box is always
// answered IDOK, a Yes/No box without a scripted answer takes its default button. Real: a box of
// our own on the X display (SDL's where there is none; standard error, answered by the default
// button, where no box can show), kept above the game window while that is shown. While it waits
// no pass runs, but the game window keeps answering the window manager; a close request or a
// focus change made to it meanwhile changes nothing.
int MessageBoxExA(HWND owner, const char* text, const char* caption, UINT type, unsigned short language);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// ---- Time ---------------------------------------------------------------------------------------
// The millisecond clock: 32 bits, wrapping, so take differences as unsigned. It reads well above
// 1000 from the first call. Headless: a virtual clock that starts at 1000000 and advances 1 ms on
// every read, so that waits on it are deterministic and take no real time.
DWORD timeGetTime();
// Waits ms milliseconds; headless, the virtual clock jumps ahead by ms instead.
void Sleep(DWORD ms);
// Waits until the clock reads deadline (at once when it already has, or passed it less than
// 2^31 ms ago); headless, the virtual clock jumps to the deadline instead.
void SleepUntil(DWORD deadline);
// Headless only: sets the virtual clock (tests use it to cross the wrap).
void SetVirtualClock(DWORD ms);
// The calendar time in seconds, as the C runtime's time(): KESTRUNE_TIME when it is set.
std::int64_t CalendarTime();

// ---- Tests --------------------------------------------------------------------------------------
// Forgets every window, class and queued message and shows the cursor again (headless only).
void WinResetForTests();
