// The console: an on-screen ring of the last messages, "console.log", and message boxes while no
// display exists.
#pragma once

#include "world/engine_services.h"  // ConsolePrint

extern char text_buffer[256];  // the one buffer every caller formats a message into
