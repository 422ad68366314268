#include "platform/dinput.h"

#include <SDL.h>

#include <array>
#include <cstdio>
#include <cstring>

#include "platform/script.h"

bool operator==(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

// Our own identifiers: nothing outside this layer compares them with anything.
const GUID IID_IDirectInput8A = {0x4B455331, 0x4449, 0x0008, {'D', 'I', 'N', 'P', 'U', 'T', '8', 'A'}};
const GUID GUID_SysKeyboard = {0x4B455332, 0x4449, 0x0008, {'K', 'E', 'Y', 'B', 'O', 'A', 'R', 'D'}};
// A controller's instance is this with Data1 set to its index.
static const GUID controller_guid_base = {0, 0x4449, 0x0008, {'C', 'O', 'N', 'T', 'R', 'O', 'L', 'L'}};

const DIDATAFORMAT c_dfDIKeyboard = {.dwDataSize = 256};
const DIDATAFORMAT c_dfDIJoystick = {.dwDataSize = sizeof(DIJOYSTATE)};

// ---- Scan codes ---------------------------------------------------------------------------------

struct ScanCodeRow {
  SDL_Scancode sdl;
  BYTE dik;
};

// SDL scancode                          DirectInput scan code
static constexpr ScanCodeRow scan_code_rows[] = {
    {.sdl = SDL_SCANCODE_ESCAPE, .dik = DIK_ESCAPE},
    {.sdl = SDL_SCANCODE_1, .dik = DIK_1},
    {.sdl = SDL_SCANCODE_2, .dik = DIK_2},
    {.sdl = SDL_SCANCODE_3, .dik = DIK_3},
    {.sdl = SDL_SCANCODE_4, .dik = DIK_4},
    {.sdl = SDL_SCANCODE_5, .dik = DIK_5},
    {.sdl = SDL_SCANCODE_6, .dik = DIK_6},
    {.sdl = SDL_SCANCODE_7, .dik = DIK_7},
    {.sdl = SDL_SCANCODE_8, .dik = DIK_8},
    {.sdl = SDL_SCANCODE_9, .dik = DIK_9},
    {.sdl = SDL_SCANCODE_0, .dik = DIK_0},
    {.sdl = SDL_SCANCODE_MINUS, .dik = DIK_MINUS},
    {.sdl = SDL_SCANCODE_EQUALS, .dik = DIK_EQUALS},
    {.sdl = SDL_SCANCODE_BACKSPACE, .dik = DIK_BACK},
    {.sdl = SDL_SCANCODE_TAB, .dik = DIK_TAB},
    {.sdl = SDL_SCANCODE_Q, .dik = DIK_Q},
    {.sdl = SDL_SCANCODE_W, .dik = DIK_W},
    {.sdl = SDL_SCANCODE_E, .dik = DIK_E},
    {.sdl = SDL_SCANCODE_R, .dik = DIK_R},
    {.sdl = SDL_SCANCODE_T, .dik = DIK_T},
    {.sdl = SDL_SCANCODE_Y, .dik = DIK_Y},
    {.sdl = SDL_SCANCODE_U, .dik = DIK_U},
    {.sdl = SDL_SCANCODE_I, .dik = DIK_I},
    {.sdl = SDL_SCANCODE_O, .dik = DIK_O},
    {.sdl = SDL_SCANCODE_P, .dik = DIK_P},
    {.sdl = SDL_SCANCODE_LEFTBRACKET, .dik = DIK_LBRACKET},
    {.sdl = SDL_SCANCODE_RIGHTBRACKET, .dik = DIK_RBRACKET},
    {.sdl = SDL_SCANCODE_RETURN, .dik = DIK_RETURN},
    {.sdl = SDL_SCANCODE_LCTRL, .dik = DIK_LCONTROL},
    {.sdl = SDL_SCANCODE_A, .dik = DIK_A},
    {.sdl = SDL_SCANCODE_S, .dik = DIK_S},
    {.sdl = SDL_SCANCODE_D, .dik = DIK_D},
    {.sdl = SDL_SCANCODE_F, .dik = DIK_F},
    {.sdl = SDL_SCANCODE_G, .dik = DIK_G},
    {.sdl = SDL_SCANCODE_H, .dik = DIK_H},
    {.sdl = SDL_SCANCODE_J, .dik = DIK_J},
    {.sdl = SDL_SCANCODE_K, .dik = DIK_K},
    {.sdl = SDL_SCANCODE_L, .dik = DIK_L},
    {.sdl = SDL_SCANCODE_SEMICOLON, .dik = DIK_SEMICOLON},
    {.sdl = SDL_SCANCODE_APOSTROPHE, .dik = DIK_APOSTROPHE},
    {.sdl = SDL_SCANCODE_GRAVE, .dik = DIK_GRAVE},
    {.sdl = SDL_SCANCODE_LSHIFT, .dik = DIK_LSHIFT},
    {.sdl = SDL_SCANCODE_BACKSLASH, .dik = DIK_BACKSLASH},
    // The ISO keyboard's key left of Enter sits where the US backslash is, with the same code.
    {.sdl = SDL_SCANCODE_NONUSHASH, .dik = DIK_BACKSLASH},
    {.sdl = SDL_SCANCODE_Z, .dik = DIK_Z},
    {.sdl = SDL_SCANCODE_X, .dik = DIK_X},
    {.sdl = SDL_SCANCODE_C, .dik = DIK_C},
    {.sdl = SDL_SCANCODE_V, .dik = DIK_V},
    {.sdl = SDL_SCANCODE_B, .dik = DIK_B},
    {.sdl = SDL_SCANCODE_N, .dik = DIK_N},
    {.sdl = SDL_SCANCODE_M, .dik = DIK_M},
    {.sdl = SDL_SCANCODE_COMMA, .dik = DIK_COMMA},
    {.sdl = SDL_SCANCODE_PERIOD, .dik = DIK_PERIOD},
    {.sdl = SDL_SCANCODE_SLASH, .dik = DIK_SLASH},
    {.sdl = SDL_SCANCODE_RSHIFT, .dik = DIK_RSHIFT},
    {.sdl = SDL_SCANCODE_KP_MULTIPLY, .dik = DIK_MULTIPLY},
    {.sdl = SDL_SCANCODE_LALT, .dik = DIK_LMENU},
    {.sdl = SDL_SCANCODE_SPACE, .dik = DIK_SPACE},
    {.sdl = SDL_SCANCODE_CAPSLOCK, .dik = DIK_CAPITAL},
    {.sdl = SDL_SCANCODE_F1, .dik = DIK_F1},
    {.sdl = SDL_SCANCODE_F2, .dik = DIK_F2},
    {.sdl = SDL_SCANCODE_F3, .dik = DIK_F3},
    {.sdl = SDL_SCANCODE_F4, .dik = DIK_F4},
    {.sdl = SDL_SCANCODE_F5, .dik = DIK_F5},
    {.sdl = SDL_SCANCODE_F6, .dik = DIK_F6},
    {.sdl = SDL_SCANCODE_F7, .dik = DIK_F7},
    {.sdl = SDL_SCANCODE_F8, .dik = DIK_F8},
    {.sdl = SDL_SCANCODE_F9, .dik = DIK_F9},
    {.sdl = SDL_SCANCODE_F10, .dik = DIK_F10},
    {.sdl = SDL_SCANCODE_NUMLOCKCLEAR, .dik = DIK_NUMLOCK},
    {.sdl = SDL_SCANCODE_SCROLLLOCK, .dik = DIK_SCROLL},
    {.sdl = SDL_SCANCODE_KP_7, .dik = DIK_NUMPAD7},
    {.sdl = SDL_SCANCODE_KP_8, .dik = DIK_NUMPAD8},
    {.sdl = SDL_SCANCODE_KP_9, .dik = DIK_NUMPAD9},
    {.sdl = SDL_SCANCODE_KP_MINUS, .dik = DIK_SUBTRACT},
    {.sdl = SDL_SCANCODE_KP_4, .dik = DIK_NUMPAD4},
    {.sdl = SDL_SCANCODE_KP_5, .dik = DIK_NUMPAD5},
    {.sdl = SDL_SCANCODE_KP_6, .dik = DIK_NUMPAD6},
    {.sdl = SDL_SCANCODE_KP_PLUS, .dik = DIK_ADD},
    {.sdl = SDL_SCANCODE_KP_1, .dik = DIK_NUMPAD1},
    {.sdl = SDL_SCANCODE_KP_2, .dik = DIK_NUMPAD2},
    {.sdl = SDL_SCANCODE_KP_3, .dik = DIK_NUMPAD3},
    {.sdl = SDL_SCANCODE_KP_0, .dik = DIK_NUMPAD0},
    {.sdl = SDL_SCANCODE_KP_PERIOD, .dik = DIK_DECIMAL},
    {.sdl = SDL_SCANCODE_NONUSBACKSLASH, .dik = DIK_OEM_102},
    {.sdl = SDL_SCANCODE_F11, .dik = DIK_F11},
    {.sdl = SDL_SCANCODE_F12, .dik = DIK_F12},
    {.sdl = SDL_SCANCODE_F13, .dik = DIK_F13},
    {.sdl = SDL_SCANCODE_F14, .dik = DIK_F14},
    {.sdl = SDL_SCANCODE_F15, .dik = DIK_F15},
    // Japanese and Brazilian keys.
    {.sdl = SDL_SCANCODE_INTERNATIONAL2, .dik = DIK_KANA},
    {.sdl = SDL_SCANCODE_INTERNATIONAL1, .dik = DIK_ABNT_C1},
    {.sdl = SDL_SCANCODE_INTERNATIONAL4, .dik = DIK_CONVERT},
    {.sdl = SDL_SCANCODE_INTERNATIONAL5, .dik = DIK_NOCONVERT},
    {.sdl = SDL_SCANCODE_INTERNATIONAL3, .dik = DIK_YEN},
    {.sdl = SDL_SCANCODE_KP_EQUALS, .dik = DIK_NUMPADEQUALS},
    {.sdl = SDL_SCANCODE_KP_COMMA, .dik = DIK_NUMPADCOMMA},
    // Extended keys.
    {.sdl = SDL_SCANCODE_KP_ENTER, .dik = DIK_NUMPADENTER},
    {.sdl = SDL_SCANCODE_RCTRL, .dik = DIK_RCONTROL},
    {.sdl = SDL_SCANCODE_KP_DIVIDE, .dik = DIK_DIVIDE},
    {.sdl = SDL_SCANCODE_PRINTSCREEN, .dik = DIK_SYSRQ},
    {.sdl = SDL_SCANCODE_RALT, .dik = DIK_RMENU},
    {.sdl = SDL_SCANCODE_PAUSE, .dik = DIK_PAUSE},
    {.sdl = SDL_SCANCODE_HOME, .dik = DIK_HOME},
    {.sdl = SDL_SCANCODE_UP, .dik = DIK_UP},
    {.sdl = SDL_SCANCODE_PAGEUP, .dik = DIK_PRIOR},
    {.sdl = SDL_SCANCODE_LEFT, .dik = DIK_LEFT},
    {.sdl = SDL_SCANCODE_RIGHT, .dik = DIK_RIGHT},
    {.sdl = SDL_SCANCODE_END, .dik = DIK_END},
    {.sdl = SDL_SCANCODE_DOWN, .dik = DIK_DOWN},
    {.sdl = SDL_SCANCODE_PAGEDOWN, .dik = DIK_NEXT},
    {.sdl = SDL_SCANCODE_INSERT, .dik = DIK_INSERT},
    {.sdl = SDL_SCANCODE_DELETE, .dik = DIK_DELETE},
    {.sdl = SDL_SCANCODE_LGUI, .dik = DIK_LWIN},
    {.sdl = SDL_SCANCODE_RGUI, .dik = DIK_RWIN},
    {.sdl = SDL_SCANCODE_APPLICATION, .dik = DIK_APPS},
    {.sdl = SDL_SCANCODE_POWER, .dik = DIK_POWER},
    {.sdl = SDL_SCANCODE_SLEEP, .dik = DIK_SLEEP},
    // Media and browser keys; the two mute and the two home keys SDL tells apart are one key here.
    {.sdl = SDL_SCANCODE_AUDIOPREV, .dik = DIK_PREVTRACK},
    {.sdl = SDL_SCANCODE_AUDIONEXT, .dik = DIK_NEXTTRACK},
    {.sdl = SDL_SCANCODE_AUDIOMUTE, .dik = DIK_MUTE},
    {.sdl = SDL_SCANCODE_MUTE, .dik = DIK_MUTE},
    {.sdl = SDL_SCANCODE_CALCULATOR, .dik = DIK_CALCULATOR},
    {.sdl = SDL_SCANCODE_AUDIOPLAY, .dik = DIK_PLAYPAUSE},
    {.sdl = SDL_SCANCODE_AUDIOSTOP, .dik = DIK_MEDIASTOP},
    {.sdl = SDL_SCANCODE_VOLUMEDOWN, .dik = DIK_VOLUMEDOWN},
    {.sdl = SDL_SCANCODE_VOLUMEUP, .dik = DIK_VOLUMEUP},
    {.sdl = SDL_SCANCODE_AC_HOME, .dik = DIK_WEBHOME},
    {.sdl = SDL_SCANCODE_WWW, .dik = DIK_WEBHOME},
    {.sdl = SDL_SCANCODE_AC_SEARCH, .dik = DIK_WEBSEARCH},
    {.sdl = SDL_SCANCODE_AC_BOOKMARKS, .dik = DIK_WEBFAVORITES},
    {.sdl = SDL_SCANCODE_AC_REFRESH, .dik = DIK_WEBREFRESH},
    {.sdl = SDL_SCANCODE_AC_STOP, .dik = DIK_WEBSTOP},
    {.sdl = SDL_SCANCODE_AC_FORWARD, .dik = DIK_WEBFORWARD},
    {.sdl = SDL_SCANCODE_AC_BACK, .dik = DIK_WEBBACK},
    {.sdl = SDL_SCANCODE_COMPUTER, .dik = DIK_MYCOMPUTER},
    {.sdl = SDL_SCANCODE_MAIL, .dik = DIK_MAIL},
    {.sdl = SDL_SCANCODE_MEDIASELECT, .dik = DIK_MEDIASELECT},
};
static_assert(sizeof(scan_code_rows) / sizeof(scan_code_rows[0]) == 138);

static constexpr std::array<BYTE, SDL_NUM_SCANCODES> scan_code_by_sdl = [] {
  std::array<BYTE, SDL_NUM_SCANCODES> by_sdl{};
  for (const ScanCodeRow& row : scan_code_rows) by_sdl[row.sdl] = row.dik;
  return by_sdl;
}();

int ScanCodeFromSdl(int sdl_scancode) {
  if (sdl_scancode < 0 || sdl_scancode >= SDL_NUM_SCANCODES) return 0;
  return scan_code_by_sdl[std::size_t(sdl_scancode)];
}

// ---- What the devices read ----------------------------------------------------------------------

// The keys that went down since the keyboard was last read: a key pressed and released between two
// reads is still seen down by the next read, once.
static BYTE keys_went_down[256];

// Every key-down the real backend's event queue takes in, whoever pumps it; repeats of a held key
// add nothing.
static int SDLCALL NoteKeyDown(void*, SDL_Event* event) {
  if (event->type == SDL_KEYDOWN && !event->key.repeat) {
    int code = ScanCodeFromSdl(event->key.keysym.scancode);
    if (code) keys_went_down[code] = 1;
  }
  return 1;
}

// The scripted keyboard, controllers and focus of a headless run, brought up to the running pass
// on every read.
struct ScriptedInput {
  int clears = -1;  // script_clears when last brought up to date
  int pass = 0;     // the last pass applied
  int foreground = 1;
  BYTE keys[256] = {};  // nonzero: down
  int axis[SCRIPT_PAD_MAX][2] = {};  // -1000..1000
  BYTE buttons[SCRIPT_PAD_MAX][SCRIPT_PAD_BUTTONS] = {};
};
static ScriptedInput scripted;

static void CatchUpScript() {
  if (scripted.clears != script_clears || script_pass < scripted.pass) {
    scripted = ScriptedInput{};
    scripted.clears = script_clears;
    std::memset(keys_went_down, 0, sizeof keys_went_down);
  }
  if (script_pass == scripted.pass) return;
  int first, end, unused;
  ScriptEventRange(scripted.pass + 1, &first, &unused);
  ScriptEventRange(script_pass, &unused, &end);
  for (int i = first; i < end; i++) {
    const ScriptEvent& e = script_events[i];
    if (e.kind == SCRIPT_KEY) {
      scripted.keys[e.code] = BYTE(e.state);
      if (e.state) keys_went_down[e.code] = 1;
    }
    else if (e.kind == SCRIPT_FOCUS) scripted.foreground = e.state;
    else if (e.kind == SCRIPT_PAD_AXIS) scripted.axis[e.device][e.code] = e.state;
    else if (e.kind == SCRIPT_PAD_BUTTON) scripted.buttons[e.device][e.code] = BYTE(e.state);
  }
  scripted.pass = script_pass;
}

static int ScriptedPadCount() {
  int count = 0;
  for (int i = 0; i < script_event_count; i++) {
    const ScriptEvent& e = script_events[i];
    if ((e.kind == SCRIPT_PAD_AXIS || e.kind == SCRIPT_PAD_BUTTON) && e.device + 1 > count) count = e.device + 1;
  }
  return count;
}

static int InForeground() {
  if (IsHeadless()) {
    CatchUpScript();
    return scripted.foreground;
  }
  return SDL_GetKeyboardFocus() != nullptr;
}

// A position from [low, high] placed on [min, max], rounded to the nearest.
static LONG ScaleAxis(long long position, long long low, long long high, LONG min, LONG max) {
  long long span = high - low;
  long long scaled = (position - low) * (static_cast<long long>(max) - min);
  return LONG(min + (scaled + span / 2) / span);
}

// The keys down now, and those that went down since the last read.
static void ReadKeyboard(BYTE* keys) {
  if (IsHeadless()) {
    for (int i = 0; i < 256; i++) keys[i] = scripted.keys[i] ? 0x80 : 0;
  } else {
    std::memset(keys, 0, 256);
    int count = 0;
    const Uint8* down = SDL_GetKeyboardState(&count);
    for (int i = 0; i < count && i < SDL_NUM_SCANCODES; i++)
      if (down[i] && scan_code_by_sdl[std::size_t(i)]) keys[scan_code_by_sdl[std::size_t(i)]] = 0x80;
  }
  for (int i = 0; i < 256; i++)
    if (keys_went_down[i]) keys[i] = 0x80;
  std::memset(keys_went_down, 0, sizeof keys_went_down);
}

static void ReadController(const IDirectInputDevice8A* device, DIJOYSTATE* state) {
  *state = DIJOYSTATE{};
  for (int axis = 0; axis < 2; axis++) {
    long long position = 0, low = -SCRIPT_AXIS_FULL, high = SCRIPT_AXIS_FULL;
    if (IsHeadless()) {
      position = scripted.axis[device->controller][axis];
    } else {
      position = SDL_JoystickGetAxis(static_cast<SDL_Joystick*>(device->joystick), axis);
      low = SDL_JOYSTICK_AXIS_MIN;
      high = SDL_JOYSTICK_AXIS_MAX;
    }
    LONG value = ScaleAxis(position, low, high, device->range_min[axis], device->range_max[axis]);
    if (axis == 0) state->lX = value;
    else state->lY = value;
  }
  for (int b = 0; b < 32; b++) {
    int down = 0;
    if (IsHeadless()) down = scripted.buttons[device->controller][b];
    else down = SDL_JoystickGetButton(static_cast<SDL_Joystick*>(device->joystick), b);
    state->rgbButtons[b] = down ? 0x80 : 0;
  }
}

// ---- Devices ------------------------------------------------------------------------------------

constexpr int DEVICE_POOL = 24;
static IDirectInputDevice8A device_pool[DEVICE_POOL];
static int direct_input_refs;
static IDirectInputDevice8A* keyboard_watched;  // the keyboard whose key-downs the event watch notes
static IDirectInput8A the_direct_input;

HRESULT DirectInput8Create(HINSTANCE, DWORD version, const GUID& interface_id, void** out, void*) {
  if (!out) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (!(interface_id == IID_IDirectInput8A)) return DIERR_NOINTERFACE;
  if (version != DIRECTINPUT_VERSION) return DIERR_INVALIDPARAM;
  if (!IsHeadless() && direct_input_refs == 0 && SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
    std::fprintf(stderr, "DirectInput: no joystick support: %s\n", SDL_GetError());
  direct_input_refs++;
  *out = &the_direct_input;
  return DI_OK;
}

ULONG IDirectInput8A::Release() {
  if (direct_input_refs == 0) return 0;
  if (--direct_input_refs == 0 && !IsHeadless()) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  return ULONG(direct_input_refs);
}

static int ControllersAttached() {
  if (IsHeadless()) return ScriptedPadCount();
  if (!SDL_WasInit(SDL_INIT_JOYSTICK)) return 0;
  int count = SDL_NumJoysticks();
  return count > 0 ? count : 0;
}

HRESULT IDirectInput8A::CreateDevice(const GUID& guid, IDirectInputDevice8A** device, void*) {
  if (!device) return DIERR_INVALIDPARAM;
  *device = nullptr;
  int controller = -1;
  if (!(guid == GUID_SysKeyboard)) {
    GUID base = guid;
    base.Data1 = 0;
    if (!(base == controller_guid_base) || guid.Data1 >= DWORD(ControllersAttached())) return DIERR_DEVICENOTREG;
    controller = int(guid.Data1);
  }
  IDirectInputDevice8A* slot = nullptr;
  for (IDirectInputDevice8A& d : device_pool)
    if (!d.in_use) {
      slot = &d;
      break;
    }
  if (!slot) return DIERR_OUTOFMEMORY;
  void* joystick = nullptr;
  if (controller >= 0 && !IsHeadless()) {
    joystick = SDL_JoystickOpen(controller);
    if (!joystick) return DIERR_DEVICENOTREG;
  }
  *slot = IDirectInputDevice8A{};
  if (controller < 0 && !keyboard_watched && (!IsHeadless() || SDL_WasInit(SDL_INIT_EVENTS))) {
    SDL_AddEventWatch(NoteKeyDown, nullptr);
    keyboard_watched = slot;
  }
  slot->in_use = 1;
  slot->controller = controller;
  slot->joystick = joystick;
  for (int axis = 0; axis < 2; axis++) {
    slot->range_min[axis] = 0;
    slot->range_max[axis] = 65535;
  }
  *device = slot;
  return DI_OK;
}

HRESULT IDirectInput8A::EnumDevices(DWORD device_class, LPDIENUMDEVICESCALLBACKA callback, void* context, DWORD) {
  if (!callback) return DIERR_INVALIDPARAM;
  if (device_class != DI8DEVCLASS_GAMECTRL && device_class != DI8DEVCLASS_ALL) return DI_OK;
  int count = ControllersAttached();
  for (int i = 0; i < count; i++) {
    DIDEVICEINSTANCEA instance{};
    instance.dwSize = sizeof(instance);
    instance.guidInstance = controller_guid_base;
    instance.guidInstance.Data1 = DWORD(i);
    instance.guidProduct = instance.guidInstance;
    const char* name = IsHeadless() ? nullptr : SDL_JoystickNameForIndex(i);
    if (name) std::snprintf(instance.tszProductName, sizeof(instance.tszProductName), "%s", name);
    else std::snprintf(instance.tszProductName, sizeof(instance.tszProductName), "Scripted controller %i", i);
    std::snprintf(instance.tszInstanceName, sizeof(instance.tszInstanceName), "%s", instance.tszProductName);
    if (callback(&instance, context) == DIENUM_STOP) break;
  }
  return DI_OK;
}

HRESULT IDirectInputDevice8A::SetDataFormat(const DIDATAFORMAT* format) {
  if (!format) return DIERR_INVALIDPARAM;
  DWORD wanted = controller < 0 ? c_dfDIKeyboard.dwDataSize : c_dfDIJoystick.dwDataSize;
  if (format->dwDataSize != wanted) return DIERR_INVALIDPARAM;
  data_size = format->dwDataSize;
  return DI_OK;
}

HRESULT IDirectInputDevice8A::SetCooperativeLevel(HWND, DWORD flags) {
  if (!(flags & DISCL_EXCLUSIVE) == !(flags & DISCL_NONEXCLUSIVE)) return DIERR_INVALIDPARAM;
  if (!(flags & DISCL_FOREGROUND) == !(flags & DISCL_BACKGROUND)) return DIERR_INVALIDPARAM;
  cooperation = flags;
  return DI_OK;
}

HRESULT IDirectInputDevice8A::SetProperty(int property, const DIPROPHEADER* header) {
  if (property != DIPROP_RANGE || !header || header->dwSize != sizeof(DIPROPRANGE)) return DIERR_INVALIDPARAM;
  if (controller < 0) return DIERR_OBJECTNOTFOUND;
  const DIPROPRANGE* range = reinterpret_cast<const DIPROPRANGE*>(header);
  if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
  int first = 0, last = 1;
  if (header->dwHow == DIPH_BYOFFSET) {
    if (header->dwObj == DIJOFS_X) last = 0;
    else if (header->dwObj == DIJOFS_Y) first = 1;
    else return DIERR_OBJECTNOTFOUND;
  } else if (header->dwHow != DIPH_DEVICE) {
    return DIERR_INVALIDPARAM;
  }
  for (int axis = first; axis <= last; axis++) {
    range_min[axis] = range->lMin;
    range_max[axis] = range->lMax;
  }
  return DI_OK;
}

HRESULT IDirectInputDevice8A::Acquire() {
  if (!data_size) return DIERR_INVALIDPARAM;
  if ((cooperation & DISCL_FOREGROUND) && !InForeground()) return DIERR_OTHERAPPHASPRIO;
  if (acquired) return DI_NOEFFECT;
  acquired = 1;
  // Keys pressed while the keyboard was not ours are not reported.
  if (controller < 0) std::memset(keys_went_down, 0, sizeof keys_went_down);
  return DI_OK;
}

HRESULT IDirectInputDevice8A::Unacquire() {
  if (!acquired) return DI_NOEFFECT;
  acquired = 0;
  return DI_OK;
}

// A foreground device is lost as soon as the focus goes, whether or not anyone looked.
static HRESULT CheckAcquired(IDirectInputDevice8A* device) {
  if (device->acquired && (device->cooperation & DISCL_FOREGROUND) && !InForeground()) {
    device->acquired = 0;
    return DIERR_INPUTLOST;
  }
  return device->acquired ? DI_OK : DIERR_NOTACQUIRED;
}

HRESULT IDirectInputDevice8A::Poll() {
  HRESULT result = CheckAcquired(this);
  if (result != DI_OK) return result;
  if (controller >= 0 && !IsHeadless()) SDL_JoystickUpdate();
  return DI_OK;
}

HRESULT IDirectInputDevice8A::GetDeviceState(DWORD size, void* data) {
  if (!data || size != data_size) return DIERR_INVALIDPARAM;
  HRESULT result = CheckAcquired(this);
  if (result != DI_OK) return result;
  if (IsHeadless()) CatchUpScript();
  if (controller < 0) ReadKeyboard(static_cast<BYTE*>(data));
  else ReadController(this, static_cast<DIJOYSTATE*>(data));
  return DI_OK;
}

ULONG IDirectInputDevice8A::Release() {
  if (!in_use) return 0;
  if (joystick) SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick));
  if (keyboard_watched == this) {
    SDL_DelEventWatch(NoteKeyDown, nullptr);
    keyboard_watched = nullptr;
  }
  *this = IDirectInputDevice8A{};
  return 0;
}
