// Window, message queue, message boxes, clock, cursor and display modes: the parts of Win32 the
// game uses, on SDL2 or headless (see platform/script.h for what a headless run reads).
#pragma once

#include <cstdint>

typedef void* HINSTANCE;
typedef struct WindowSlot* HWND;
typedef std::uint32_t UINT;
typedef std::uint32_t DWORD;
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
typedef std::intptr_t LRESULT;

constexpr int SW_SHOWNORMAL = 1;

HINSTANCE GetModuleHandleA(const char* name);

// The game's entry point, defined by the game.
int WinMain(HINSTANCE instance, HINSTANCE previous, char* command_line, int show_command);

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
// answered IDOK, a Yes/No box without a scripted answer takes its default button.
int MessageBoxExA(HWND owner, const char* text, const char* caption, UINT type, unsigned short language);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// ---- Time ---------------------------------------------------------------------------------------
// The millisecond clock: 32 bits, wrapping, so take differences as unsigned. It reads well above
// 1000 from the first call. Headless: a virtual clock that starts at 1000000 and advances 1 ms on
// every read, so that waits on it are deterministic and take no real time.
DWORD timeGetTime();
// Waits ms milliseconds; headless, the virtual clock jumps ahead by ms instead.
void Sleep(DWORD ms);
// Headless only: sets the virtual clock (tests use it to cross the wrap).
void SetVirtualClock(DWORD ms);
// The calendar time in seconds, as the C runtime's time(): KESTRUNE_TIME when it is set.
std::int64_t CalendarTime();
