#include "engine/input.h"

#include <cstdio>
#include <cstring>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/main_loop.h"
#include "world/game.h"

IDirectInput8A* direct_input;
IDirectInputDevice8A* keyboard_device;
IDirectInputDevice8A* controller_devices[CONTROLLER_MAX];
int controller_count;
char controller_names[CONTROLLER_MAX][CONTROLLER_NAME_SIZE];

DIJOYSTATE controller_states[CONTROLLER_MAX];
BYTE key_state[KEY_STATE_SIZE];

int action_back, action_fire, action_missile, action_up, action_left, action_down, action_right;
int repeat_back, repeat_fire, repeat_missile, repeat_up, repeat_left, repeat_down, repeat_right;
int input_lock;

int key_bindings[KEY_BINDING_COUNT];

// ---- The actions --------------------------------------------------------------------------------

static int StickLeft(const DIJOYSTATE* s) { return s->lX < -STICK_THRESHOLD; }
static int StickUp(const DIJOYSTATE* s) { return s->lY < -STICK_THRESHOLD; }
static int StickRight(const DIJOYSTATE* s) { return s->lX > STICK_THRESHOLD; }
static int StickDown(const DIJOYSTATE* s) { return s->lY > STICK_THRESHOLD; }
static int Button0(const DIJOYSTATE* s) { return s->rgbButtons[0] != 0; }
static int Button1(const DIJOYSTATE* s) { return s->rgbButtons[1] != 0; }
static int Button2(const DIJOYSTATE* s) { return s->rgbButtons[2] != 0; }

struct ActionRow {
  int* flag;
  int* counter;
  float* first_key;   // configuration variables holding scan codes
  float* second_key;
  int (*controller_held)(const DIJOYSTATE* state);
  int every_pass_while_playing;  // back keeps its menu pace even in play
};

// In the order the poll tests them.
// flag             counter           keys                                     controller  in play
static const ActionRow action_rows[ACTION_COUNT] = {
    {.flag = &action_left, .counter = &repeat_left, .first_key = &button_left_0, .second_key = &button_left_1,
     .controller_held = StickLeft, .every_pass_while_playing = 1},
    {.flag = &action_up, .counter = &repeat_up, .first_key = &button_up_0, .second_key = &button_up_1,
     .controller_held = StickUp, .every_pass_while_playing = 1},
    {.flag = &action_right, .counter = &repeat_right, .first_key = &button_right_0, .second_key = &button_right_1,
     .controller_held = StickRight, .every_pass_while_playing = 1},
    {.flag = &action_down, .counter = &repeat_down, .first_key = &button_down_0, .second_key = &button_down_1,
     .controller_held = StickDown, .every_pass_while_playing = 1},
    {.flag = &action_back, .counter = &repeat_back, .first_key = &button_back_0, .second_key = &button_back_1,
     .controller_held = Button2, .every_pass_while_playing = 0},
    {.flag = &action_fire, .counter = &repeat_fire, .first_key = &button_fire_0, .second_key = &button_fire_1,
     .controller_held = Button0, .every_pass_while_playing = 1},
    {.flag = &action_missile, .counter = &repeat_missile, .first_key = &button_missle_0,
     .second_key = &button_missle_1, .controller_held = Button1, .every_pass_while_playing = 1},
};

// The configuration variables in key_bindings order: the first keys of the actions, then the second.
static float* const binding_variables[KEY_BINDING_COUNT] = {
    &button_back_0, &button_fire_0, &button_missle_0, &button_up_0, &button_left_0, &button_down_0, &button_right_0,
    &button_back_1, &button_fire_1, &button_missle_1, &button_up_1, &button_left_1, &button_down_1, &button_right_1,
};

// ---- Devices ------------------------------------------------------------------------------------

void InitInput(HINSTANCE instance) {
  DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, reinterpret_cast<void**>(&direct_input),
                     nullptr);
  // Without DirectInput the game runs on, deaf: the poll then finds no devices.
  if (!direct_input) return;
  if (direct_input->CreateDevice(GUID_SysKeyboard, &keyboard_device, nullptr) == DI_OK) {
    keyboard_device->SetDataFormat(&c_dfDIKeyboard);
    keyboard_device->SetCooperativeLevel(main_window, DISCL_EXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY);
  }
  controller_count = 0;
  if (enable_di_devices != 0.0f)
    direct_input->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumControllerCallback, nullptr, DIEDFL_ATTACHEDONLY);
  AcquireInput();
}

static void SetAxisRange(IDirectInputDevice8A* controller, DWORD axis) {
  DIPROPRANGE range{};
  range.diph.dwSize = sizeof(range);
  range.diph.dwHeaderSize = sizeof(range.diph);
  range.diph.dwObj = axis;
  range.diph.dwHow = DIPH_BYOFFSET;
  range.lMin = -1000;
  range.lMax = 1000;
  controller->SetProperty(DIPROP_RANGE, &range.diph);
}

BOOL EnumControllerCallback(const DIDEVICEINSTANCEA* instance, void*) {
  if (controller_count >= CONTROLLER_MAX) return DIENUM_STOP;
  IDirectInputDevice8A** slot = &controller_devices[controller_count];
  if (direct_input->CreateDevice(instance->guidInstance, slot, nullptr) == DI_OK && *slot) {
    // The product name may be longer than our slot for it.
    std::snprintf(controller_names[controller_count], CONTROLLER_NAME_SIZE, "%.*s", CONTROLLER_NAME_SIZE - 1,
                  instance->tszProductName);
    (*slot)->SetDataFormat(&c_dfDIJoystick);
    (*slot)->SetCooperativeLevel(main_window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    SetAxisRange(*slot, DIJOFS_X);
    SetAxisRange(*slot, DIJOFS_Y);
    controller_count++;
  } else {
    *slot = nullptr;
  }
  return controller_count < CONTROLLER_MAX ? DIENUM_CONTINUE : DIENUM_STOP;
}

void AcquireInput() {
  if (keyboard_device) keyboard_device->Acquire();
  for (int i = 0; i < controller_count; i++)
    if (controller_devices[i]) controller_devices[i]->Acquire();
}

// ---- The poll -----------------------------------------------------------------------------------

// A binding holds a scan code as a float; anything but a key code 1..255 (possible only by editing
// the configuration file) is no key.
static int KeyDown(float binding) {
  if (!(binding >= 1.0f && binding < float(KEY_STATE_SIZE))) return 0;
  return key_state[int(binding)] != 0;
}

static void Press(const ActionRow& row) {
  if (*row.counter == 0 || (game_state == STATE_PLAYING && row.every_pass_while_playing)) {
    *row.flag = 1;
    *row.counter = REPEAT_PASSES;
  }
}

void PollInput() {
  // A read that fails leaves nothing held: a key down as the focus went must not stay down.
  HRESULT read = keyboard_device ? keyboard_device->GetDeviceState(KEY_STATE_SIZE, key_state) : DIERR_NOTACQUIRED;
  if (read != DI_OK) {
    std::memset(key_state, 0, sizeof(key_state));
    AcquireInput();
  }
  for (int i = 0; i < controller_count; i++) {
    IDirectInputDevice8A* controller = controller_devices[i];
    if (!controller) continue;
    controller->Poll();
    if (controller->GetDeviceState(sizeof(DIJOYSTATE), &controller_states[i]) != DI_OK) {
      controller_states[i] = DIJOYSTATE{};
      controller->Acquire();
    }
  }

  for (const ActionRow& row : action_rows) {
    *row.flag = 0;
    if (*row.counter != 0) *row.counter -= 1;
  }
  if (input_lock > 0) {
    input_lock -= 1;
    return;
  }

  for (const ActionRow& row : action_rows)
    if (KeyDown(*row.first_key) || KeyDown(*row.second_key)) Press(row);
  for (int i = 0; i < controller_count; i++)
    for (const ActionRow& row : action_rows)
      if (row.controller_held(&controller_states[i])) Press(row);
}

// ---- Bindings -----------------------------------------------------------------------------------

void SyncBindings(int to_config) {
  for (int i = 0; i < KEY_BINDING_COUNT; i++) {
    if (to_config) *binding_variables[i] = float(key_bindings[i]);
    else key_bindings[i] = ConfigInt(*binding_variables[i]);
  }
}

// ---- Key names ----------------------------------------------------------------------------------

struct KeyName {
  int code;
  const char* name;
  char typed;  // what the name entry types; '?' for nothing
};

// The Windows and menu keys are listed at 130..132, where no key reports them, so they always show
// as "Key 219" and so on; kept, since that is how the controls screen has always named them.
// code  name           typed
static constexpr KeyName key_names[] = {
    {.code = 0, .name = "---", .typed = '?'},
    {.code = 1, .name = "Esc", .typed = '?'},
    {.code = 2, .name = "1", .typed = '1'},
    {.code = 3, .name = "2", .typed = '2'},
    {.code = 4, .name = "3", .typed = '3'},
    {.code = 5, .name = "4", .typed = '4'},
    {.code = 6, .name = "5", .typed = '5'},
    {.code = 7, .name = "6", .typed = '6'},
    {.code = 8, .name = "7", .typed = '7'},
    {.code = 9, .name = "8", .typed = '8'},
    {.code = 10, .name = "9", .typed = '9'},
    {.code = 11, .name = "0", .typed = '0'},
    {.code = 12, .name = "Dash", .typed = '?'},
    {.code = 13, .name = "Equals", .typed = '?'},
    {.code = 14, .name = "BackSpace", .typed = '?'},
    {.code = 15, .name = "Tab", .typed = '?'},
    {.code = 16, .name = "Q", .typed = 'Q'},
    {.code = 17, .name = "W", .typed = 'W'},
    {.code = 18, .name = "E", .typed = 'E'},
    {.code = 19, .name = "R", .typed = 'R'},
    {.code = 20, .name = "T", .typed = 'T'},
    {.code = 21, .name = "Y", .typed = 'Y'},
    {.code = 22, .name = "U", .typed = 'U'},
    {.code = 23, .name = "I", .typed = 'I'},
    {.code = 24, .name = "O", .typed = 'O'},
    {.code = 25, .name = "P", .typed = 'P'},
    {.code = 26, .name = "L Bracket", .typed = '['},
    {.code = 27, .name = "R Bracket", .typed = ']'},
    {.code = 28, .name = "Enter", .typed = '?'},
    {.code = 29, .name = "L Ctrl", .typed = '?'},
    {.code = 30, .name = "A", .typed = 'A'},
    {.code = 31, .name = "S", .typed = 'S'},
    {.code = 32, .name = "D", .typed = 'D'},
    {.code = 33, .name = "F", .typed = 'F'},
    {.code = 34, .name = "G", .typed = 'G'},
    {.code = 35, .name = "H", .typed = 'H'},
    {.code = 36, .name = "J", .typed = 'J'},
    {.code = 37, .name = "K", .typed = 'K'},
    {.code = 38, .name = "L", .typed = 'L'},
    {.code = 39, .name = "Colon", .typed = ';'},
    {.code = 40, .name = "Quote", .typed = '"'},
    {.code = 41, .name = "Tilde", .typed = '~'},
    {.code = 42, .name = "L Shift", .typed = '?'},
    {.code = 43, .name = "Backslash", .typed = '|'},
    {.code = 44, .name = "Z", .typed = 'Z'},
    {.code = 45, .name = "X", .typed = 'X'},
    {.code = 46, .name = "C", .typed = 'C'},
    {.code = 47, .name = "V", .typed = 'V'},
    {.code = 48, .name = "B", .typed = 'B'},
    {.code = 49, .name = "N", .typed = 'N'},
    {.code = 50, .name = "M", .typed = 'M'},
    {.code = 51, .name = "Comma", .typed = '<'},
    {.code = 52, .name = "Period", .typed = '>'},
    {.code = 53, .name = "Question", .typed = '/'},
    {.code = 54, .name = "R Shift", .typed = '?'},
    {.code = 55, .name = "Pad Star", .typed = '*'},
    {.code = 56, .name = "L Alt", .typed = '?'},
    {.code = 57, .name = "Spacebar", .typed = ' '},
    {.code = 58, .name = "CapLock", .typed = '?'},
    {.code = 59, .name = "F1", .typed = '?'},
    {.code = 60, .name = "F2", .typed = '?'},
    {.code = 61, .name = "F3", .typed = '?'},
    {.code = 62, .name = "F4", .typed = '?'},
    {.code = 63, .name = "F5", .typed = '?'},
    {.code = 64, .name = "F6", .typed = '?'},
    {.code = 65, .name = "F7", .typed = '?'},
    {.code = 66, .name = "F8", .typed = '?'},
    {.code = 67, .name = "F9", .typed = '?'},
    {.code = 68, .name = "F10", .typed = '?'},
    {.code = 69, .name = "NumLock", .typed = '?'},
    {.code = 70, .name = "ScrLock", .typed = '?'},
    {.code = 71, .name = "Pad 7", .typed = '7'},
    {.code = 72, .name = "Pad 8", .typed = '8'},
    {.code = 73, .name = "Pad 9", .typed = '9'},
    {.code = 74, .name = "Pad -", .typed = '-'},
    {.code = 75, .name = "Pad 4", .typed = '4'},
    {.code = 76, .name = "Pad 5", .typed = '5'},
    {.code = 77, .name = "Pad 6", .typed = '6'},
    {.code = 78, .name = "Pad +", .typed = '+'},
    {.code = 79, .name = "Pad 1", .typed = '1'},
    {.code = 80, .name = "Pad 2", .typed = '2'},
    {.code = 81, .name = "Pad 3", .typed = '3'},
    {.code = 82, .name = "Pad 0", .typed = '0'},
    {.code = 83, .name = "Pad .", .typed = '.'},
    {.code = 87, .name = "F11", .typed = '?'},
    {.code = 88, .name = "F12", .typed = '?'},
    {.code = 89, .name = "F15", .typed = '?'},
    {.code = 130, .name = "L Win", .typed = '?'},
    {.code = 131, .name = "R Win", .typed = '?'},
    {.code = 132, .name = "App Key", .typed = '?'},
    {.code = 156, .name = "Pad Enter", .typed = '?'},
    {.code = 157, .name = "R Ctrl", .typed = '?'},
    {.code = 181, .name = "Pad Div", .typed = '?'},
    {.code = 183, .name = "Prt Scr", .typed = '?'},
    {.code = 184, .name = "R Alt", .typed = '?'},
    {.code = 197, .name = "Pause", .typed = '?'},
    {.code = 199, .name = "Home", .typed = '?'},
    {.code = 200, .name = "Up", .typed = '?'},
    {.code = 201, .name = "Pg Up", .typed = '?'},
    {.code = 203, .name = "Left", .typed = '?'},
    {.code = 205, .name = "Right", .typed = '?'},
    {.code = 207, .name = "End", .typed = '?'},
    {.code = 208, .name = "Down", .typed = '?'},
    {.code = 209, .name = "Pg Down", .typed = '?'},
    {.code = 210, .name = "Insert", .typed = '?'},
    {.code = 211, .name = "Delete", .typed = '?'},
};
constexpr int KEY_NAME_COUNT = sizeof(key_names) / sizeof(key_names[0]);
static_assert(KEY_NAME_COUNT == 106);

// Row of each scan code in key_names, -1 for a code without a name.
static constexpr auto key_name_row = [] {
  struct {
    int row[KEY_STATE_SIZE];
  } by_code{};
  for (int& r : by_code.row) r = -1;
  for (int i = 0; i < KEY_NAME_COUNT; i++) by_code.row[key_names[i].code] = i;
  return by_code;
}();

int GetKeyName(int device, int code) {
  if (device != -1) {
    std::snprintf(text_buffer, sizeof(text_buffer), "D:%i, B:%i", device, code);
    return int(unsigned('0') + unsigned(code));  // wraps rather than overflows for absurd codes
  }
  int row = code >= 0 && code < KEY_STATE_SIZE ? key_name_row.row[code] : -1;
  if (row < 0) {
    std::snprintf(text_buffer, sizeof(text_buffer), "Key %i", code);
    return '?';
  }
  std::snprintf(text_buffer, sizeof(text_buffer), "%s", key_names[row].name);
  return key_names[row].typed;
}
