// The one reset of the engine tests: every fixture starts from it and ends with it, so that the
// tests pass in any order and a new global is reset in one place (engine_state.cpp).
#pragma once

// Releases whatever a test left made (display, meshes, textures, fonts, input devices, the sound
// device and the slots' buffers, windows, the input script) and puts every global of the engine
// and of the world it runs back to the value it held when the test program started: the
// configuration at its defaults, an empty console, no display, the front end, the input and the
// world at rest; the platform's headless layers as they start.
void ResetEngineState();
