// DirectInput 8 as the game uses it: the system keyboard as 256 state bytes by DirectInput scan
// code, and game controllers (SDL joysticks) with two stick axes and buttons.
//
// Foreground devices follow the window's focus: while the program is not in the foreground an
// Acquire fails with DIERR_OTHERAPPHASPRIO, and an acquired device is lost (its next read fails
// with DIERR_INPUTLOST and it must be acquired again). A failed read leaves the caller's buffer
// as it was.
//
// A keyboard read shows a key down when it is down, and also when it went down at any time since
// the previous read (once): a short tap between two reads is not lost.
//
// Headless runs read the script (platform/script.h): `key` events set the keyboard's state bytes
// and `pad` events the controllers', each from the first read in that pass on; `focus` events
// take the foreground away and give it back. The controllers attached are pads 0 up to the
// highest pad the script names.
#pragma once

#include "platform/wintypes.h"

typedef void* HINSTANCE;

struct GUID {
  DWORD Data1;
  unsigned short Data2, Data3;
  BYTE Data4[8];
};
bool operator==(const GUID& a, const GUID& b);

extern const GUID IID_IDirectInput8A;
extern const GUID GUID_SysKeyboard;

constexpr DWORD DIRECTINPUT_VERSION = 0x0800;

constexpr HRESULT DI_OK = S_OK;
constexpr HRESULT DI_NOEFFECT = 1;  // S_FALSE: already in the asked state
constexpr HRESULT DIERR_OBJECTNOTFOUND = static_cast<HRESULT>(0x80070002);
constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005);
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000C);
constexpr HRESULT DIERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001E);
constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057);
constexpr HRESULT DIERR_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(0x80040154);

// Cooperative levels.
constexpr DWORD DISCL_EXCLUSIVE = 0x01;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x02;
constexpr DWORD DISCL_FOREGROUND = 0x04;
constexpr DWORD DISCL_BACKGROUND = 0x08;
constexpr DWORD DISCL_NOWINKEY = 0x10;

// Enumeration.
constexpr DWORD DI8DEVCLASS_ALL = 0;
constexpr DWORD DI8DEVCLASS_GAMECTRL = 4;
constexpr DWORD DIEDFL_ATTACHEDONLY = 0x01;
constexpr BOOL DIENUM_STOP = 0;
constexpr BOOL DIENUM_CONTINUE = 1;

// Properties: only the axis range exists here.
constexpr int DIPROP_RANGE = 4;
constexpr DWORD DIPH_DEVICE = 0;
constexpr DWORD DIPH_BYOFFSET = 1;
constexpr DWORD DIJOFS_X = 0;  // byte offsets of the axes in DIJOYSTATE
constexpr DWORD DIJOFS_Y = 4;

struct DIPROPHEADER {
  DWORD dwSize;
  DWORD dwHeaderSize;
  DWORD dwObj;  // with DIPH_BYOFFSET: the axis's DIJOFS_ offset
  DWORD dwHow;
};

struct DIPROPRANGE {
  DIPROPHEADER diph;
  LONG lMin, lMax;
};

// The data formats a device can be given.
struct DIDATAFORMAT {
  DWORD dwDataSize;  // bytes of one state
};
extern const DIDATAFORMAT c_dfDIKeyboard;  // 256 bytes, one per scan code
extern const DIDATAFORMAT c_dfDIJoystick;  // DIJOYSTATE

// A controller's state. Axes run over their range (0..65535 until one is set); a button byte has
// its top bit set while the button is down.
struct DIJOYSTATE {
  LONG lX, lY, lZ;
  LONG lRx, lRy, lRz;
  LONG rglSlider[2];
  DWORD rgdwPOV[4];
  BYTE rgbButtons[32];
};
static_assert(sizeof(DIJOYSTATE) == 80);

constexpr int MAX_PATH = 260;

struct DIDEVICEINSTANCEA {
  DWORD dwSize;
  GUID guidInstance;
  GUID guidProduct;
  DWORD dwDevType;
  char tszInstanceName[MAX_PATH];
  char tszProductName[MAX_PATH];
};

typedef BOOL (*LPDIENUMDEVICESCALLBACKA)(const DIDEVICEINSTANCEA* instance, void* context);

// One device: the keyboard or a controller. Devices come from a fixed pool and go back to it on
// Release; the fields after the methods belong to the layer.
struct IDirectInputDevice8A {
  HRESULT SetDataFormat(const DIDATAFORMAT* format);
  HRESULT SetCooperativeLevel(HWND window, DWORD flags);
  // DIPROP_RANGE on the X or Y axis (DIPH_BYOFFSET) or on both (DIPH_DEVICE).
  HRESULT SetProperty(int property, const DIPROPHEADER* header);
  HRESULT Acquire();
  HRESULT Unacquire();
  HRESULT Poll();
  // size must be the data format's size.
  HRESULT GetDeviceState(DWORD size, void* data);
  ULONG Release();

  int in_use;
  int controller;  // -1 for the keyboard, else the controller's index
  DWORD data_size;  // from SetDataFormat, 0 before
  DWORD cooperation;
  int acquired;
  LONG range_min[2], range_max[2];  // X, Y
  void* joystick;                   // the SDL joystick of a real controller
};

struct IDirectInput8A {
  HRESULT CreateDevice(const GUID& guid, IDirectInputDevice8A** device, void* outer);
  // Calls back once per controller attached, in order, while the callback says DIENUM_CONTINUE.
  HRESULT EnumDevices(DWORD device_class, LPDIENUMDEVICESCALLBACKA callback, void* context, DWORD flags);
  ULONG Release();
};

HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, const GUID& interface_id, void** out, void* outer);

// The DirectInput scan codes (DIK_); keys with an extended (E0) scan code are 0x80 + that code.
enum DirectInputKey {
  DIK_ESCAPE = 0x01,
  DIK_1 = 0x02, DIK_2 = 0x03, DIK_3 = 0x04, DIK_4 = 0x05, DIK_5 = 0x06,
  DIK_6 = 0x07, DIK_7 = 0x08, DIK_8 = 0x09, DIK_9 = 0x0A, DIK_0 = 0x0B,
  DIK_MINUS = 0x0C, DIK_EQUALS = 0x0D, DIK_BACK = 0x0E, DIK_TAB = 0x0F,
  DIK_Q = 0x10, DIK_W = 0x11, DIK_E = 0x12, DIK_R = 0x13, DIK_T = 0x14,
  DIK_Y = 0x15, DIK_U = 0x16, DIK_I = 0x17, DIK_O = 0x18, DIK_P = 0x19,
  DIK_LBRACKET = 0x1A, DIK_RBRACKET = 0x1B, DIK_RETURN = 0x1C, DIK_LCONTROL = 0x1D,
  DIK_A = 0x1E, DIK_S = 0x1F, DIK_D = 0x20, DIK_F = 0x21, DIK_G = 0x22,
  DIK_H = 0x23, DIK_J = 0x24, DIK_K = 0x25, DIK_L = 0x26,
  DIK_SEMICOLON = 0x27, DIK_APOSTROPHE = 0x28, DIK_GRAVE = 0x29, DIK_LSHIFT = 0x2A, DIK_BACKSLASH = 0x2B,
  DIK_Z = 0x2C, DIK_X = 0x2D, DIK_C = 0x2E, DIK_V = 0x2F, DIK_B = 0x30, DIK_N = 0x31, DIK_M = 0x32,
  DIK_COMMA = 0x33, DIK_PERIOD = 0x34, DIK_SLASH = 0x35, DIK_RSHIFT = 0x36,
  DIK_MULTIPLY = 0x37, DIK_LMENU = 0x38, DIK_SPACE = 0x39, DIK_CAPITAL = 0x3A,
  DIK_F1 = 0x3B, DIK_F2 = 0x3C, DIK_F3 = 0x3D, DIK_F4 = 0x3E, DIK_F5 = 0x3F,
  DIK_F6 = 0x40, DIK_F7 = 0x41, DIK_F8 = 0x42, DIK_F9 = 0x43, DIK_F10 = 0x44,
  DIK_NUMLOCK = 0x45, DIK_SCROLL = 0x46,
  DIK_NUMPAD7 = 0x47, DIK_NUMPAD8 = 0x48, DIK_NUMPAD9 = 0x49, DIK_SUBTRACT = 0x4A,
  DIK_NUMPAD4 = 0x4B, DIK_NUMPAD5 = 0x4C, DIK_NUMPAD6 = 0x4D, DIK_ADD = 0x4E,
  DIK_NUMPAD1 = 0x4F, DIK_NUMPAD2 = 0x50, DIK_NUMPAD3 = 0x51, DIK_NUMPAD0 = 0x52, DIK_DECIMAL = 0x53,
  DIK_OEM_102 = 0x56, DIK_F11 = 0x57, DIK_F12 = 0x58,
  DIK_F13 = 0x64, DIK_F14 = 0x65, DIK_F15 = 0x66,
  DIK_KANA = 0x70, DIK_ABNT_C1 = 0x73, DIK_CONVERT = 0x79, DIK_NOCONVERT = 0x7B, DIK_YEN = 0x7D,
  DIK_NUMPADEQUALS = 0x8D, DIK_PREVTRACK = 0x90, DIK_NEXTTRACK = 0x99,
  DIK_NUMPADENTER = 0x9C, DIK_RCONTROL = 0x9D,
  DIK_MUTE = 0xA0, DIK_CALCULATOR = 0xA1, DIK_PLAYPAUSE = 0xA2, DIK_MEDIASTOP = 0xA4,
  DIK_VOLUMEDOWN = 0xAE, DIK_VOLUMEUP = 0xB0, DIK_WEBHOME = 0xB2, DIK_NUMPADCOMMA = 0xB3,
  DIK_DIVIDE = 0xB5, DIK_SYSRQ = 0xB7, DIK_RMENU = 0xB8, DIK_PAUSE = 0xC5,
  DIK_HOME = 0xC7, DIK_UP = 0xC8, DIK_PRIOR = 0xC9, DIK_LEFT = 0xCB, DIK_RIGHT = 0xCD,
  DIK_END = 0xCF, DIK_DOWN = 0xD0, DIK_NEXT = 0xD1, DIK_INSERT = 0xD2, DIK_DELETE = 0xD3,
  DIK_LWIN = 0xDB, DIK_RWIN = 0xDC, DIK_APPS = 0xDD, DIK_POWER = 0xDE, DIK_SLEEP = 0xDF,
  DIK_WEBSEARCH = 0xE5, DIK_WEBFAVORITES = 0xE6, DIK_WEBREFRESH = 0xE7, DIK_WEBSTOP = 0xE8,
  DIK_WEBFORWARD = 0xE9, DIK_WEBBACK = 0xEA, DIK_MYCOMPUTER = 0xEB, DIK_MAIL = 0xEC, DIK_MEDIASELECT = 0xED,
};

// The DirectInput scan code of an SDL scancode; 0 for a key DirectInput has no code for.
int ScanCodeFromSdl(int sdl_scancode);
