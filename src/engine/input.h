// The keyboard and up to eight game controllers, read once per main-loop pass into the seven
// action flags (declared with the world's engine services), the controls screen's working copy of
// the key bindings, and the display name and typed character of every scan code.
#pragma once

#include "platform/dinput.h"
#include "world/engine_services.h"

constexpr int CONTROLLER_MAX = 8;
constexpr int CONTROLLER_NAME_SIZE = 256;
constexpr int KEY_STATE_SIZE = 256;

// The actions, in the order of the configuration keys and of the controls screen's rows.
enum Action {
  ACTION_BACK = 0,
  ACTION_FIRE = 1,
  ACTION_MISSILE = 2,
  ACTION_UP = 3,
  ACTION_LEFT = 4,
  ACTION_DOWN = 5,
  ACTION_RIGHT = 6,
  ACTION_COUNT = 7,
};
constexpr int KEY_BINDING_COUNT = 2 * ACTION_COUNT;

// A held action is set again once its repeat counter has run down from this.
constexpr int REPEAT_PASSES = 3;
// A controller stick must lean past this (of 1000) to count as a direction.
constexpr int STICK_THRESHOLD = 500;

// ---- Devices (made by InitInput, released at shutdown) -----------------------------------------
extern IDirectInput8A* direct_input;
extern IDirectInputDevice8A* keyboard_device;
extern IDirectInputDevice8A* controller_devices[CONTROLLER_MAX];  // in enumeration order
extern int controller_count;                                      // 0..8, fixed after start-up
extern char controller_names[CONTROLLER_MAX][CONTROLLER_NAME_SIZE];  // product names, shown nowhere

// ---- This pass's device states (cleared when a read fails) ------------------------------------
extern DIJOYSTATE controller_states[CONTROLLER_MAX];  // lX, lY in -1000..1000; buttons 0..2 used
extern BYTE key_state[KEY_STATE_SIZE];  // by DirectInput scan code; nonzero while down

// ---- Repeat counters: passes to wait before a held action is set again (0..3) ------------------
extern int repeat_back, repeat_fire, repeat_missile, repeat_up, repeat_left, repeat_down, repeat_right;

// The controls screen's working copy of the bindings: entry a is the first key of action a, entry
// ACTION_COUNT + a its second key; 0 is no key.
extern int key_bindings[KEY_BINDING_COUNT];

// Creates DirectInput, the keyboard and (while enable_di_devices is nonzero) the controllers, and
// acquires them. Once, at start-up, after the first display exists.
void InitInput(HINSTANCE instance);
// Takes one enumerated controller into the next free slot; stops the enumeration at eight.
BOOL EnumControllerCallback(const DIDEVICEINSTANCEA* instance, void* context);
// Acquires the keyboard and every controller in use.
void AcquireInput();
// Reads the devices and sets this pass's action flags. Once per pass, before the state handler.
void PollInput();
// 0: the configuration's bindings into key_bindings; nonzero: key_bindings back into them.
void SyncBindings(int to_config);
// Device -1: writes the name of scan code `code` into text_buffer and returns the character the
// key types ('?' for none). Any other device: names controller button `code` of that device.
int GetKeyName(int device, int code);
