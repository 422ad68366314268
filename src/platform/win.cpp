#include "platform/win.h"

#include <SDL.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "platform/gfx_internal.h"
#include "platform/icon.h"
#include "platform/script.h"
#include "platform/x11.h"

HINSTANCE GetModuleHandleA(const char*) {
  static int module;
  return &module;
}

// ---- SDL ----------------------------------------------------------------------------------------

static int no_desktop;  // SDL's video came up on a driver that shows nothing, unasked

// Without a desktop SDL falls back to a driver that shows nothing, and the game would run where
// nobody sees it. Such a driver is no display unless the player named it in SDL_VIDEODRIVER.
static int ShowsNothingUnasked(const char* driver) {
  static const char* const invisible[] = {"offscreen", "dummy", "evdev"};
  int shows_nothing = 0;
  for (const char* name : invisible) shows_nothing |= SDL_strcasecmp(driver, name) == 0;
  if (!shows_nothing) return 0;
  const char* named = std::getenv("SDL_VIDEODRIVER");
  std::size_t length = std::strlen(driver);
  for (const char* p = named; p && *p; p = std::strchr(p, ',') ? std::strchr(p, ',') + 1 : nullptr) {
    while (*p == ' ') p++;
    if (SDL_strncasecmp(p, driver, length) == 0 && (p[length] == 0 || p[length] == ',' || p[length] == ' ')) return 0;
  }
  return 1;
}

// Starts SDL's video part the first time a window or the desktop is asked for.
static int VideoReady() {
  static int state = 0;  // 0 not tried, 1 up, -1 failed
  if (state == 0) {
    // The window's close box is a request to the game, not the end of the program.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
      state = 1;
      std::atexit(SDL_Quit);
      const char* driver = SDL_GetCurrentVideoDriver();
      if (driver && ShowsNothingUnasked(driver)) {
        std::fprintf(stderr, "SDL video: no desktop to show a window on (%s)\n",
                     "neither DISPLAY nor WAYLAND_DISPLAY leads to one");
        no_desktop = 1;
        state = -1;
      } else if (driver && std::strcmp(driver, "x11") == 0) {
        X11GuardErrors();
      }
    } else {
      std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
      state = -1;
    }
  }
  return state > 0;
}

// ---- Icons, classes and windows -----------------------------------------------------------------

struct WinIcon {
  int used;
  int width, height;
  std::uint8_t pixels[ICON_SIZE_MAX * ICON_SIZE_MAX * 4];
};

struct WinClass {
  int used;
  char name[WIN_TITLE_MAX];
  WNDPROC proc;
  HINSTANCE instance;
  HICON icon;
};

struct WinWindow {
  int used;
  WNDPROC proc;
  HICON icon;
  char title[WIN_TITLE_MAX];
  int x, y, width, height;
  int visible;
  int placement_pending;  // moved while hidden: placed when shown
  SDL_Window* sdl;
};

constexpr int WIN_ICON_MAX = 4;
static WinIcon icons[WIN_ICON_MAX];
static WinClass classes[WIN_CLASS_MAX];
static WinWindow windows[WIN_WINDOW_MAX];

static int LiveWindow(HWND window) { return window && window >= windows && window < windows + WIN_WINDOW_MAX && window->used; }

HANDLE LoadImageA(HINSTANCE, const char* name, UINT type, int cx, int cy, UINT load) {
  if (type != IMAGE_ICON || !(load & LR_LOADFROMFILE) || !name) return nullptr;
  WinIcon* icon = nullptr;
  for (WinIcon& i : icons)
    if (!i.used && !icon) icon = &i;
  if (!icon || cx < 1 || cy < 1 || cx > ICON_SIZE_MAX || cy > ICON_SIZE_MAX) return nullptr;
  File* file = FileOpen(name, "rb");
  if (!file) return nullptr;
  // An icon file holds a few small images; anything larger is not one.
  constexpr std::size_t ICON_FILE_MAX = 1 << 20;
  std::uint8_t* data = static_cast<std::uint8_t*>(std::malloc(ICON_FILE_MAX));
  std::size_t size = data ? FileRead(data, 1, ICON_FILE_MAX, file) : 0;
  int ok = data && FileEof(file) && DecodeIcon(data, size, cx, cy, icon->pixels);
  FileClose(file);
  std::free(data);
  if (!ok) return nullptr;
  icon->used = 1;
  icon->width = cx;
  icon->height = cy;
  return icon;
}

const std::uint8_t* IconPixels(HICON icon, int* width, int* height) {
  if (!icon || !icon->used) return nullptr;
  *width = icon->width;
  *height = icon->height;
  return icon->pixels;
}

HCURSOR LoadCursorA(HINSTANCE, const char* name) {
  static int arrow;
  return name == IDC_ARROW ? &arrow : nullptr;
}

HGDIOBJ GetStockObject(int object) {
  static int black_brush;
  return object == BLACK_BRUSH ? &black_brush : nullptr;
}

static WinClass* FindClass(const char* name) {
  for (WinClass& c : classes)
    if (c.used && std::strcmp(c.name, name) == 0) return &c;
  return nullptr;
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
  if (!wc || !wc->lpfnWndProc || !wc->lpszClassName || !wc->lpszClassName[0]) return 0;
  if (std::strlen(wc->lpszClassName) >= WIN_TITLE_MAX || FindClass(wc->lpszClassName)) return 0;
  for (int i = 0; i < WIN_CLASS_MAX; i++) {
    WinClass& c = classes[i];
    if (c.used) continue;
    c.used = 1;
    std::strcpy(c.name, wc->lpszClassName);
    c.proc = wc->lpfnWndProc;
    c.instance = wc->hInstance;
    c.icon = wc->hIcon;
    return ATOM(0xC000 + i);
  }
  return 0;
}

BOOL UnregisterClassA(const char* class_name, HINSTANCE) {
  WinClass* c = class_name ? FindClass(class_name) : nullptr;
  if (!c) return FALSE;
  *c = WinClass{};
  return TRUE;
}

static void SetSdlIcon(WinWindow* w) {
  int iw, ih;
  const std::uint8_t* pixels = IconPixels(w->icon, &iw, &ih);
  if (!w->sdl || !pixels) return;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(pixels), iw, ih, 32, iw * 4,
                                                            SDL_PIXELFORMAT_RGBA32);
  if (!surface) return;
  SDL_SetWindowIcon(w->sdl, surface);
  SDL_FreeSurface(surface);
}

HWND CreateWindowExA(DWORD, const char* class_name, const char* title, DWORD, int x, int y, int width, int height,
                     HWND, HMENU, HINSTANCE, void*) {
  WinClass* c = class_name ? FindClass(class_name) : nullptr;
  if (!c) return nullptr;
  WinWindow* w = nullptr;
  for (WinWindow& slot : windows)
    if (!slot.used && !w) w = &slot;
  if (!w) return nullptr;
  WinWindow made{};
  made.used = 1;
  made.proc = c->proc;
  made.icon = c->icon;
  std::snprintf(made.title, sizeof(made.title), "%s", title ? title : "");
  made.x = x, made.y = y;
  made.width = width > 1 ? width : 1;
  made.height = height > 1 ? height : 1;
  // Before any GL screen is made, a headless one on EGL too: the window's size sets how many
  // threads Mesa's rasteriser takes for the rest of the process.
  GlChooseRasteriserThreads(made.width, made.height);
  int video = !IsHeadless() && VideoReady();
  // Without a desktop the window is made nowhere, and the display start on it fails.
  if (!IsHeadless() && !video && !no_desktop) return nullptr;
  if (video) {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    made.sdl = SDL_CreateWindow(made.title, x, y, made.width, made.height, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    if (!made.sdl) {
      std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
      return nullptr;
    }
  }
  *w = made;
  SetSdlIcon(w);
  return w;
}

// SDL's X11 backend (2.26) asks the window manager's frame where the window is whenever it moves
// it, and the frame of a window just hidden may be destroyed under that request: a hidden window is
// only placed once it is shown again.
static void PlaceSdlWindow(WinWindow* window) {
  window->placement_pending = 0;
  SDL_SetWindowSize(window->sdl, window->width, window->height);
  SDL_SetWindowPosition(window->sdl, window->x, window->y);
}

BOOL ShowWindow(HWND window, int show_command) {
  if (!LiveWindow(window)) return FALSE;
  BOOL was = window->visible;
  window->visible = show_command != SW_HIDE;
  if (window->sdl) {
    if (!window->visible) {
      SDL_HideWindow(window->sdl);
    } else {
      SDL_ShowWindow(window->sdl);
      if (window->placement_pending) PlaceSdlWindow(window);
      // Showing a window activates it: one shown again by a display restart has the focus back
      // whatever the window manager's rules for new windows.
      SDL_RaiseWindow(window->sdl);
    }
  }
  return was;
}

BOOL IsWindowVisible(HWND window) { return LiveWindow(window) && window->visible; }

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
  if (!LiveWindow(window)) return FALSE;
  window->x = x, window->y = y;
  window->width = width > 1 ? width : 1;
  window->height = height > 1 ? height : 1;
  if (window->sdl) {
    if (window->visible) PlaceSdlWindow(window);
    else window->placement_pending = 1;
  }
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (!LiveWindow(window) || !rect) return FALSE;
  int w = window->width, h = window->height;
  if (window->sdl && !window->placement_pending) SDL_GetWindowSize(window->sdl, &w, &h);
  *rect = RECT{0, 0, w, h};
  return TRUE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  if (!LiveWindow(window) || !rect) return FALSE;
  int x = window->x, y = window->y, w = window->width, h = window->height;
  if (window->sdl && !window->placement_pending) {
    SDL_GetWindowPosition(window->sdl, &x, &y);
    SDL_GetWindowSize(window->sdl, &w, &h);
  }
  *rect = RECT{x, y, x + w, y + h};
  return TRUE;
}

int GetWindowTextA(HWND window, char* text, int size) {
  if (!LiveWindow(window) || !text || size <= 0) return 0;
  int n = std::snprintf(text, std::size_t(size), "%s", window->title);
  return n < size ? n : size - 1;
}

SDL_Window* WindowSdl(HWND window) { return LiveWindow(window) ? window->sdl : nullptr; }

// ---- Messages -----------------------------------------------------------------------------------

static MSG queue[WIN_QUEUE_MAX];
static int queue_head, queue_count;
static int quit_posted, quit_code;

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (queue_count == WIN_QUEUE_MAX) return FALSE;
  queue[(queue_head + queue_count) % WIN_QUEUE_MAX] = MSG{window, message, wparam, lparam, timeGetTime()};
  queue_count++;
  return TRUE;
}

void PostQuitMessage(int exit_code) {
  quit_posted = 1;
  quit_code = exit_code;
}

// The window that outside events are for: the first one made that still exists.
static HWND MainWindow() {
  for (WinWindow& w : windows)
    if (w.used) return &w;
  return nullptr;
}

static void PostFocus(HWND window, int gained) {
  PostMessageA(window, WM_ACTIVATEAPP, gained ? 1 : 0, 0);
  if (gained) PostMessageA(window, WM_SETFOCUS, 0, 0);
}

// Starts the next headless pass: its scripted events, and the idle rule, become messages.
static void BeginScriptedPass() {
  script_pass++;
  HWND window = MainWindow();
  int first, end;
  ScriptEventRange(script_pass, &first, &end);
  for (int i = first; i < end; i++) {
    const ScriptEvent& e = script_events[i];
    if (e.kind == SCRIPT_CLOSE) PostMessageA(window, WM_CLOSE, 0, 0);
    else if (e.kind == SCRIPT_FOCUS) PostFocus(window, e.state);
  }
  // A run that nothing ends must still end: a close request, and should the game refuse it (a
  // question answered by its default), the window's destruction later.
  if (script_pass == script_last_pass + SCRIPT_IDLE_PASSES) PostMessageA(window, WM_CLOSE, 0, 0);
  if (script_pass == script_last_pass + 2 * SCRIPT_IDLE_PASSES) PostMessageA(window, WM_DESTROY, 0, 0);
}

static HWND WindowOfSdl(Uint32 id) {
  for (WinWindow& w : windows)
    if (w.used && w.sdl && SDL_GetWindowID(w.sdl) == id) return &w;
  return nullptr;
}

// A close request that is already waiting is not queued again: clicks on the close box while the
// game is busy are one request.
static void PostClose(HWND window) {
  for (int i = 0; i < queue_count; i++) {
    const MSG& m = queue[(queue_head + i) % WIN_QUEUE_MAX];
    if (m.hwnd == window && m.message == WM_CLOSE) return;
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
}

static void PumpSdl() {
  if (!VideoReady()) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT) {
      PostClose(MainWindow());
    } else if (event.type == SDL_WINDOWEVENT) {
      HWND window = WindowOfSdl(event.window.windowID);
      if (!window) continue;
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) PostClose(window);
      else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) PostFocus(window, 1);
      else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) PostFocus(window, 0);
    }
  }
}

// While a message box is up the game window keeps answering the window manager (SDL answers its
// pings as it pumps), and what is done to it meanwhile changes nothing: a close request is
// dropped, and the focus going to the box and back is no change of activation.
static void PumpWhileBoxUp() {
  if (!VideoReady()) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
  }
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT remove) {
  if (IsHeadless()) BeginScriptedPass();
  else PumpSdl();
  if (queue_count > 0) {
    *msg = queue[queue_head];
    if (remove & PM_REMOVE) {
      queue_head = (queue_head + 1) % WIN_QUEUE_MAX;
      queue_count--;
    }
    return TRUE;
  }
  if (quit_posted) {
    *msg = MSG{nullptr, WM_QUIT, WPARAM(quit_code), 0, timeGetTime()};
    if (remove & PM_REMOVE) quit_posted = 0;
    return TRUE;
  }
  return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !LiveWindow(msg->hwnd)) return 0;
  return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

// ---- Cursor -------------------------------------------------------------------------------------

static int cursor_shown = 1;

int ShowCursor(BOOL show) {
  cursor_shown = show ? 1 : 0;
  if (!IsHeadless() && VideoReady()) SDL_ShowCursor(cursor_shown ? SDL_ENABLE : SDL_DISABLE);
  return cursor_shown ? 0 : -1;
}

BOOL SetCursorPos(int x, int y) {
  if (IsHeadless()) return TRUE;
  if (!VideoReady()) return FALSE;
  return SDL_WarpMouseGlobal(x, y) == 0;
}

int CursorShown() { return cursor_shown; }

// ---- Display modes ------------------------------------------------------------------------------

BOOL EnumDisplaySettingsA(const char*, DWORD mode, DEVMODEA* devmode) {
  if (mode != ENUM_CURRENT_SETTINGS || !devmode) return FALSE;
  *devmode = DEVMODEA{sizeof(DEVMODEA), 32, WIN_HEADLESS_DESKTOP_WIDTH, WIN_HEADLESS_DESKTOP_HEIGHT, 60};
  if (IsHeadless()) return TRUE;
  SDL_DisplayMode desktop;
  if (!VideoReady() || SDL_GetDesktopDisplayMode(0, &desktop) != 0) return FALSE;
  devmode->dmBitsPerPel = SDL_BITSPERPIXEL(desktop.format) == 24 && SDL_BYTESPERPIXEL(desktop.format) == 4
                              ? 32
                              : DWORD(SDL_BITSPERPIXEL(desktop.format));
  devmode->dmPelsWidth = DWORD(desktop.w);
  devmode->dmPelsHeight = DWORD(desktop.h);
  devmode->dmDisplayFrequency = DWORD(desktop.refresh_rate);
  return TRUE;
}

// ---- Tests --------------------------------------------------------------------------------------

void WinResetForTests() {
  if (!IsHeadless()) return;
  for (WinIcon& i : icons) i.used = 0;
  for (WinClass& c : classes) c = WinClass{};
  for (WinWindow& w : windows) w = WinWindow{};
  queue_head = queue_count = 0;
  quit_posted = quit_code = 0;
  cursor_shown = 1;
}

// ---- Message boxes ------------------------------------------------------------------------------

static const char* AnswerName(int id) { return id == IDYES ? "yes" : id == IDNO ? "no" : "ok"; }

int MessageBoxExA(HWND, const char* text, const char* caption, UINT type, unsigned short) {
  text = text ? text : "";
  caption = caption ? caption : "Error";
  int yes_no = (type & 0xF) == MB_YESNO;
  int default_id = !yes_no ? IDOK : (type & MB_DEFBUTTON2) ? IDNO : IDYES;
  if (IsHeadless()) {
    int answer = ScriptTakeAnswer(yes_no);
    int id = !yes_no ? IDOK : answer == ANSWER_YES ? IDYES : answer == ANSWER_NO ? IDNO : default_id;
    std::fprintf(stderr, "message box [%s] %s -> %s\n", caption, text, AnswerName(id));
    return id;
  }
  // Our own box first, so that the game window is pumped while it waits; SDL's, which holds the
  // game's events back until it closes, where there is no X display. The box stays over the game
  // window while that is shown: a click on the window cannot bury the box the game waits for.
  HWND shown = MainWindow();
  unsigned long over = shown && shown->visible ? X11WindowOf(shown->sdl) : 0;
  const X11BoxButton yes_no_buttons[2] = {{IDYES, "Yes"}, {IDNO, "No"}};
  const X11BoxButton ok_button[1] = {{IDOK, "OK"}};
  int id = yes_no ? X11MessageBox(caption, text, yes_no_buttons, 2, default_id == IDNO ? 1 : 0, 1, over,
                                  PumpWhileBoxUp)
                  : X11MessageBox(caption, text, ok_button, 1, 0, 0, over, PumpWhileBoxUp);
  if (id >= 0) return id;
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  UINT icon = type & 0xF0;
  if (icon == MB_ICONHAND) flags = SDL_MESSAGEBOX_ERROR;
  else if (icon == MB_ICONEXCLAMATION) flags = SDL_MESSAGEBOX_WARNING;
  SDL_MessageBoxButtonData buttons[2];
  int count = 0;
  if (yes_no) {
    buttons[0] = {default_id == IDYES ? Uint32(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT) : 0u, IDYES, "Yes"};
    buttons[1] = {Uint32(SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT) |
                      (default_id == IDNO ? Uint32(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT) : 0u),
                  IDNO, "No"};
    count = 2;
  } else {
    buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"};
    count = 1;
  }
  SDL_MessageBoxData box{flags, nullptr, caption, text, count, buttons, nullptr};
  id = default_id;
  if (SDL_ShowMessageBox(&box, &id) != 0) {
    // No way to show it (no display at all): say it where it can still be read.
    std::fprintf(stderr, "message box [%s] %s -> %s\n", caption, text, AnswerName(default_id));
    return default_id;
  }
  PumpWhileBoxUp();
  return id < 0 ? (yes_no ? IDNO : IDOK) : id;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxExA(owner, text, caption, type, 0);
}

// ---- Time ---------------------------------------------------------------------------------------

static DWORD virtual_clock = 1000000;

// The offset keeps the first reading far above 1000 even just after boot.
constexpr std::uint64_t CLOCK_OFFSET_MS = 1000000;

static std::uint64_t MonotonicMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u + CLOCK_OFFSET_MS;
}

DWORD timeGetTime() {
  if (IsHeadless()) return virtual_clock++;
  return DWORD(MonotonicMs());
}

void Sleep(DWORD ms) {
  if (IsHeadless()) {
    virtual_clock += ms;
    return;
  }
  timespec wait{time_t(ms / 1000), long(ms % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

void SleepUntil(DWORD deadline) {
  if (IsHeadless()) {
    DWORD ahead = deadline - virtual_clock;
    if (ahead != 0 && ahead < 0x80000000u) virtual_clock = deadline;
    return;
  }
  std::uint64_t now = MonotonicMs();
  DWORD ahead = deadline - DWORD(now);
  if (ahead == 0 || ahead >= 0x80000000u) return;
  // Wake at the very instant the clock turns to the deadline: a relative sleep would add its
  // own lateness to every frame.
  std::uint64_t target = now + ahead - CLOCK_OFFSET_MS;
  timespec at{time_t(target / 1000), long(target % 1000) * 1000000L};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
  }
}

void SetVirtualClock(DWORD ms) { virtual_clock = ms; }

std::int64_t CalendarTime() {
  static int warned;
  if (const char* value = std::getenv("KESTRUNE_TIME"); value && value[0]) {
    char* end = nullptr;
    errno = 0;
    long long seconds = std::strtoll(value, &end, 10);
    if (errno == 0 && end && *end == 0) return seconds;
    if (!warned) std::fprintf(stderr, "KESTRUNE_TIME: \"%s\" is not a number of seconds; using the clock\n", value);
    warned = 1;
  }
  return std::int64_t(time(nullptr));
}
