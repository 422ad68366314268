// The front-end states: the handler the main loop runs for each game state.
#pragma once

#include "world/game.h"

typedef void (*StateHandler)();

// By game state; a null entry runs nothing.
extern const StateHandler state_handlers[STATE_COUNT];
