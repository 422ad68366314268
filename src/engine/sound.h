// The sound device and the sound table.
#pragma once

#include "world/engine_services.h"  // SoundSlot, the sound slots, PlaySoundSlot

// Creates the sound device, or leaves the game without sound.
void InitSound();
// Loads the 38 sound slots in order.
void LoadSoundTable();
