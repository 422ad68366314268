// The input devices: the keyboard and the controllers, read once per pass into the action flags.
#pragma once

#include "platform/dinput.h"
#include "platform/win.h"
#include "world/engine_services.h"  // the action flags and input_lock

extern IDirectInput8A* direct_input;           // null until InitInput made it
extern IDirectInputDevice8A* keyboard_device;  // null until InitInput made it

// Creates DirectInput, the keyboard and the controllers; once at start-up after the display.
void InitInput(HINSTANCE instance);
// Reads the devices into the seven action flags; once per pass, after the pass's message.
void PollInput();
