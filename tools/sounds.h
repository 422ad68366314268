// Procedural sound effects for the asset maker, written as RIFF WAVE files.
#pragma once

#include <string>

// Writes the 38 sounds of the game's sound table into folder; false when one cannot be written.
bool MakeSounds(const std::string& folder);
