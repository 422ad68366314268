// The plain Win32 value types and helpers the platform layer's callers see (sizes as on Win32).
#pragma once

#include <cstdint>

typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint32_t ULONG;
typedef int32_t BOOL;
typedef int32_t LONG;
typedef int32_t HRESULT;
typedef uint8_t BYTE;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

struct RECT {
  LONG left, top, right, bottom;
};

// The one window; its layout belongs to the window layer.
struct WinWindow;
typedef WinWindow* HWND;

// a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);
