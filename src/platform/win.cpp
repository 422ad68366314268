#include "platform/win.h"

#include <SDL.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/script.h"

HINSTANCE GetModuleHandleA(const char*) {
  static int module;
  return &module;
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
  int id = default_id;
  if (SDL_ShowMessageBox(&box, &id) != 0) {
    // No way to show it (no display at all): say it where it can still be read.
    std::fprintf(stderr, "message box [%s] %s -> %s\n", caption, text, AnswerName(default_id));
    return default_id;
  }
  return id < 0 ? (yes_no ? IDNO : IDOK) : id;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxExA(owner, text, caption, type, 0);
}

// ---- Time ---------------------------------------------------------------------------------------

static DWORD virtual_clock = 1000000;

DWORD timeGetTime() {
  if (IsHeadless()) return virtual_clock++;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  // The offset keeps the first reading far above 1000 even just after boot.
  std::uint64_t ms = std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u + 1000000u;
  return DWORD(ms);
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
